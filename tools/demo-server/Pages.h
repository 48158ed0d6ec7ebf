#pragma once

#include "GameState.h"

#include <string>
#include <string_view>
#include <vector>

// The HTML (and one XML) documents the demo server hands out. Every function
// gets plain data and returns the complete document; nothing here knows about
// sockets or state.
namespace vexrem::demo::pages {

// The status page the reminder polls: the due games as fenster(GID) links and,
// as the last thing on the page, "Vexel - " with their number.
std::string status(std::string_view login, const std::vector<Game>& dueGames, int totalGames);

// Status page for an empty login: deliberately without a count.
std::string statusWithoutPlayer();

// The site's frameset: menu on the left, `mainSrc` (already checked) beside it.
std::string frameset(std::string_view mainSrc);

std::string menu();

// The game page with the move button; `secondsLeft` is how long the opponents
// still need (only shown while they are moving).
std::string game(const OwnedGame& game, long long secondsLeft);

std::string gamesList(std::string_view login, const std::vector<Game>& games, bool onlyDue);

std::string start();
std::string home();
std::string admin(std::string_view suggestedLogin);

// A small page with a heading and one paragraph of plain text.
std::string message(std::string_view title, std::string_view text);

// The version list document: newest version first, each with a few news.
std::string versionList();

} // namespace vexrem::demo::pages
