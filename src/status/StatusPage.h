#pragma once
// Reading the game server's status page: the number of games in which the
// player is due, and the game id when it is exactly one. The page is taken as
// raw bytes; no decoding, no removal of markup.

#include <cstdint>
#include <string_view>

namespace vexrem {

// The number after the last "Vexel - " that is directly followed by digits;
// -1 when there is none. A number too large for 32 bits counts as no match.
std::int32_t GetDranCount(std::string_view page);
// The number in the last "fenster(<digits>)"; -1 when there is none (or it is
// too large for 32 bits).
std::int32_t GetDranGID(std::string_view page);

} // namespace vexrem
