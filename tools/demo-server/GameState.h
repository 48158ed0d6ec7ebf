#pragma once

#include <chrono>
#include <cstddef>
#include <filesystem>
#include <functional>
#include <map>
#include <mutex>
#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

namespace vexrem::demo {

using TimePoint = std::chrono::system_clock::time_point;
using Clock = std::function<TimePoint()>;

// One running race of a player against a few computer opponents.
struct Game {
    int gid = 0;
    std::string track;
    std::vector<std::string> opponents;
    int round = 1;
    bool due = false;
    // Set after the player has moved: from then on the opponents are moving,
    // and at this moment it is the player's turn again.
    std::optional<TimePoint> backAt;
};

struct OwnedGame {
    std::string owner;
    Game game;
};

enum class MoveResult { Moved, NotYourTurn, UnknownGame };

// Raised when a new player would exceed the configured number of players; keeps
// a flood of made-up names from eating the memory of a long-running server.
class PlayerLimitReached : public std::runtime_error {
public:
    PlayerLimitReached() : std::runtime_error("too many players") {}
};

// All players and their games. Thread-safe. Turns come back lazily: a game whose
// opponents have finished moving becomes due the next time anybody looks at it.
class GameState {
public:
    static constexpr int kMaxGamesPerPlayer = 50;
    static constexpr int kStarterGames = 3;
    static constexpr int kFirstGid = 4711;

    struct Settings {
        std::chrono::milliseconds turnDelay{std::chrono::seconds(20)};
        // Folder for the players file; empty keeps everything in memory.
        std::filesystem::path dataDir;
        std::size_t maxPlayers = 10000;
        Clock clock; // empty: the system clock
    };

    explicit GameState(Settings settings);

    // The games of a player, in the order they were created. A player seen for
    // the first time gets a few starter games, one of them due.
    std::vector<Game> gamesOf(const std::string& login);

    std::optional<OwnedGame> game(int gid);

    MoveResult move(int gid);

    // Makes exactly the first `due` games of the player due (adding games when
    // it has fewer) and cancels every pending turn, so the count stays as set.
    void setDue(const std::string& login, int due);

    // The player whose status was asked for most recently ("" if none yet).
    std::string lastPlayer() const;

    std::chrono::milliseconds turnDelay() const { return settings_.turnDelay; }
    TimePoint now() const;
    std::filesystem::path dataFile() const;

private:
    struct Player {
        std::vector<int> gids;
    };

    Player& playerLocked(const std::string& login);
    Game makeGameLocked(bool due);
    bool refreshLocked(Game& game, TimePoint now);
    void saveLocked() const;
    void load();

    Settings settings_;
    mutable std::mutex mutex_;
    std::map<std::string, Player> players_;
    std::map<int, Game> games_;
    std::map<int, std::string> owners_;
    int nextGid_ = kFirstGid;
    std::string lastPlayer_;
};

} // namespace vexrem::demo
