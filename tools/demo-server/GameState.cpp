#include "GameState.h"

#include "HttpText.h"

#include <array>
#include <cstdio>
#include <fstream>
#include <iostream>
#include <sstream>
#include <system_error>

namespace vexrem::demo {

namespace {

constexpr std::array kTracks = {
    "Nordschleife", "Hafenrunde", "Bergpass",  "Wuestenpiste",
    "Eisring",      "Stadtkurs",  "Kiesgrube", "Kuestenstrasse",
};

constexpr std::array kOpponents = {
    "Kiesel", "Turbo-Tina", "Bremsklotz", "Zwiebel", "Drift-Dora", "Rostlaube", "Vollgas-Vera",
};

constexpr const char* kFileName = "players.txt";
constexpr const char* kFileMagic = "vexrem-demo-server players 1";

long long toMillis(TimePoint t) {
    return std::chrono::duration_cast<std::chrono::milliseconds>(t.time_since_epoch()).count();
}

TimePoint fromMillis(long long ms) {
    return TimePoint{std::chrono::milliseconds(ms)};
}

std::vector<std::string> splitWords(const std::string& line) {
    std::istringstream in(line);
    std::vector<std::string> words;
    std::string word;
    while (in >> word) {
        words.push_back(word);
    }
    return words;
}

} // namespace

GameState::GameState(Settings settings) : settings_(std::move(settings)) {
    if (!settings_.dataDir.empty()) {
        std::filesystem::create_directories(settings_.dataDir);
        load();
    }
}

TimePoint GameState::now() const {
    return settings_.clock ? settings_.clock() : std::chrono::system_clock::now();
}

std::filesystem::path GameState::dataFile() const {
    return settings_.dataDir.empty() ? std::filesystem::path{} : settings_.dataDir / kFileName;
}

Game GameState::makeGameLocked(bool due) {
    Game game;
    game.gid = nextGid_++;
    game.track = kTracks[static_cast<std::size_t>(game.gid) % kTracks.size()];
    const auto first = static_cast<std::size_t>(game.gid) % kOpponents.size();
    const std::size_t count = 1 + static_cast<std::size_t>(game.gid) % 3;
    for (std::size_t k = 0; k < count; ++k) {
        game.opponents.emplace_back(kOpponents[(first + k * 2) % kOpponents.size()]);
    }
    game.due = due;
    return game;
}

GameState::Player& GameState::playerLocked(const std::string& login) {
    if (const auto it = players_.find(login); it != players_.end()) {
        return it->second;
    }
    if (players_.size() >= settings_.maxPlayers) {
        throw PlayerLimitReached();
    }
    Player& player = players_[login];
    for (int k = 0; k < kStarterGames; ++k) {
        Game game = makeGameLocked(k == 0);
        player.gids.push_back(game.gid);
        owners_[game.gid] = login;
        games_[game.gid] = std::move(game);
    }
    return player;
}

bool GameState::refreshLocked(Game& game, TimePoint at) {
    if (!game.backAt || at < *game.backAt) {
        return false;
    }
    game.backAt.reset();
    game.due = true;
    ++game.round;
    return true;
}

std::vector<Game> GameState::gamesOf(const std::string& login) {
    const std::lock_guard lock(mutex_);
    const bool known = players_.count(login) > 0;
    Player& player = playerLocked(login);
    lastPlayer_ = login;
    bool changed = !known;
    const TimePoint at = now();
    std::vector<Game> result;
    for (const int gid : player.gids) {
        Game& game = games_.at(gid);
        changed = refreshLocked(game, at) || changed;
        result.push_back(game);
    }
    if (changed) {
        saveLocked();
    }
    return result;
}

std::optional<OwnedGame> GameState::game(int gid) {
    const std::lock_guard lock(mutex_);
    const auto it = games_.find(gid);
    if (it == games_.end()) {
        return std::nullopt;
    }
    if (refreshLocked(it->second, now())) {
        saveLocked();
    }
    return OwnedGame{owners_.at(gid), it->second};
}

MoveResult GameState::move(int gid) {
    const std::lock_guard lock(mutex_);
    const auto it = games_.find(gid);
    if (it == games_.end()) {
        return MoveResult::UnknownGame;
    }
    Game& game = it->second;
    const TimePoint at = now();
    refreshLocked(game, at);
    if (!game.due) {
        return MoveResult::NotYourTurn;
    }
    game.due = false;
    game.backAt = at + settings_.turnDelay;
    saveLocked();
    return MoveResult::Moved;
}

void GameState::setDue(const std::string& login, int due) {
    const std::lock_guard lock(mutex_);
    Player& player = playerLocked(login);
    if (due < 0) {
        due = 0;
    }
    if (due > kMaxGamesPerPlayer) {
        due = kMaxGamesPerPlayer;
    }
    while (static_cast<int>(player.gids.size()) < due) {
        Game game = makeGameLocked(false);
        player.gids.push_back(game.gid);
        owners_[game.gid] = login;
        games_[game.gid] = std::move(game);
    }
    int index = 0;
    for (const int gid : player.gids) {
        Game& game = games_.at(gid);
        game.backAt.reset();
        game.due = index++ < due;
    }
    saveLocked();
}

std::string GameState::lastPlayer() const {
    const std::lock_guard lock(mutex_);
    return lastPlayer_;
}

// The players file is plain text, one record a line, names percent-encoded so
// that no field holds a blank:
//   next <gid>
//   player <login>
//   game <gid> <due> <back-at ms or 0> <round> <track> <opponent,opponent,...>
// A game line belongs to the player line above it. It is rewritten whole after
// every change, through a temporary file, so a crash never leaves half a file.
void GameState::saveLocked() const {
    if (settings_.dataDir.empty()) {
        return;
    }
    const auto target = dataFile();
    auto temp = target;
    temp += ".tmp";
    {
        std::ofstream out(temp, std::ios::binary | std::ios::trunc);
        out << kFileMagic << '\n' << "next " << nextGid_ << '\n';
        for (const auto& [login, player] : players_) {
            out << "player " << (login.empty() ? "%" : percentEncode(login)) << '\n';
            for (const int gid : player.gids) {
                const Game& game = games_.at(gid);
                std::string opponents;
                for (const auto& name : game.opponents) {
                    opponents += (opponents.empty() ? "" : ",") + percentEncode(name);
                }
                out << "game " << game.gid << ' ' << (game.due ? 1 : 0) << ' '
                    << (game.backAt ? toMillis(*game.backAt) : 0) << ' ' << game.round << ' '
                    << percentEncode(game.track) << ' ' << (opponents.empty() ? "-" : opponents)
                    << '\n';
            }
        }
        out.flush();
        if (!out) {
            std::cerr << "vexrem-demo-server: cannot write " << temp << '\n';
            return;
        }
    }
    std::error_code error;
    std::filesystem::rename(temp, target, error);
    if (error) {
        std::cerr << "vexrem-demo-server: cannot replace " << target << ": " << error.message()
                  << '\n';
    }
}

void GameState::load() {
    std::ifstream in(dataFile(), std::ios::binary);
    if (!in) {
        return;
    }
    std::string line;
    if (!std::getline(in, line) || line != kFileMagic) {
        std::cerr << "vexrem-demo-server: ignoring " << dataFile() << " (unknown format)\n";
        return;
    }
    const std::string* owner = nullptr;
    while (std::getline(in, line)) {
        const auto words = splitWords(line);
        if (words.size() == 2 && words[0] == "next") {
            if (const auto gid = parseNumber(words[1], 1, 2000000000)) {
                nextGid_ = std::max(nextGid_, static_cast<int>(*gid));
            }
        } else if (words.size() == 2 && words[0] == "player") {
            const auto login =
                words[1] == "%" ? std::optional<std::string>("") : percentDecode(words[1]);
            owner = nullptr;
            if (login && players_.size() < settings_.maxPlayers) {
                owner = &players_.try_emplace(*login).first->first;
            }
        } else if (words.size() == 7 && words[0] == "game" && owner != nullptr) {
            const auto gid = parseNumber(words[1], 1, 2000000000);
            const auto due = parseNumber(words[2], 0, 1);
            const auto backAt = parseNumber(words[3], 0, 1LL << 50);
            const auto round = parseNumber(words[4], 1, 1000000000);
            const auto track = percentDecode(words[5]);
            if (!gid || !due || !backAt || !round || !track || games_.count(int(*gid)) > 0 ||
                players_[*owner].gids.size() >= kMaxGamesPerPlayer) {
                continue;
            }
            Game game;
            game.gid = static_cast<int>(*gid);
            game.due = *due == 1;
            if (*backAt > 0) {
                game.backAt = fromMillis(*backAt);
            }
            game.round = static_cast<int>(*round);
            game.track = *track;
            if (words[6] != "-") {
                std::istringstream names(words[6]);
                std::string name;
                while (std::getline(names, name, ',')) {
                    if (auto decoded = percentDecode(name)) {
                        game.opponents.push_back(std::move(*decoded));
                    }
                }
            }
            nextGid_ = std::max(nextGid_, game.gid + 1);
            players_[*owner].gids.push_back(game.gid);
            owners_[game.gid] = *owner;
            games_[game.gid] = std::move(game);
        }
    }
}

} // namespace vexrem::demo
