#pragma once
// Where the program finds the game server and its maker's web site. Both are
// compiled-in defaults that an environment variable can override (tests, the
// demo server, a mirror).

#include <string>

namespace vexrem {

inline constexpr const char* kDefaultGameServer = "http://www.vexelfeld.example";
inline constexpr const char* kDefaultSite = "http://www.vexreminder.example";
inline constexpr const char* kGameServerEnv = "VEXREM_GAME_SERVER";
inline constexpr const char* kSiteEnv = "VEXREM_SITE";

// Base address of the game server ("http://host[:port]"), no trailing slash.
std::string GameServerBase();
// Base address of the maker's web site, no trailing slash.
std::string SiteBase();

} // namespace vexrem
