#include "GameState.h"

#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <algorithm>

namespace vexrem::demo {
namespace {

using namespace std::chrono_literals;

// A clock the test moves by hand.
struct ManualClock {
    TimePoint now = TimePoint{} + 1000h;
};

GameState::Settings settingsWith(ManualClock& clock, std::chrono::milliseconds delay = 20s) {
    GameState::Settings settings;
    settings.turnDelay = delay;
    settings.clock = [&clock] {
        return clock.now;
    };
    return settings;
}

int dueCount(const std::vector<Game>& games) {
    return static_cast<int>(
        std::count_if(games.begin(), games.end(), [](auto& g) { return g.due; }));
}

TEST(NewPlayer, StartsWithSeveralGamesExactlyOneDue) {
    ManualClock clock;
    GameState state(settingsWith(clock));
    const auto games = state.gamesOf("Neuling");
    ASSERT_EQ(games.size(), std::size_t(GameState::kStarterGames));
    EXPECT_TRUE(games.front().due);
    EXPECT_EQ(dueCount(games), 1);
    EXPECT_EQ(state.gamesOf("Neuling").front().gid, games.front().gid) << "created only once";
}

TEST(NewPlayer, GetsGameIdsNoOtherPlayerHas) {
    ManualClock clock;
    GameState state(settingsWith(clock));
    const auto a = state.gamesOf("a");
    const auto b = state.gamesOf("b");
    for (const auto& game : b) {
        EXPECT_TRUE(std::none_of(a.begin(), a.end(), [&](auto& o) { return o.gid == game.gid; }));
        EXPECT_EQ(state.game(game.gid)->owner, "b");
    }
}

TEST(NewPlayer, BeyondThePlayerLimitIsRefused) {
    ManualClock clock;
    auto settings = settingsWith(clock);
    settings.maxPlayers = 2;
    GameState state(settings);
    state.gamesOf("a");
    state.gamesOf("b");
    EXPECT_THROW(state.gamesOf("c"), PlayerLimitReached);
    EXPECT_NO_THROW(state.gamesOf("a"));
}

TEST(Moving, EndsTheTurnUntilTheOpponentsHaveMoved) {
    ManualClock clock;
    GameState state(settingsWith(clock, 20s));
    const int gid = state.gamesOf("p").front().gid;

    EXPECT_EQ(state.move(gid), MoveResult::Moved);
    EXPECT_EQ(dueCount(state.gamesOf("p")), 0);
    EXPECT_EQ(state.move(gid), MoveResult::NotYourTurn);

    clock.now += 19s;
    EXPECT_EQ(dueCount(state.gamesOf("p")), 0);
    clock.now += 1s;
    const auto game = state.game(gid);
    ASSERT_TRUE(game);
    EXPECT_TRUE(game->game.due);
    EXPECT_EQ(game->game.round, 2);
    EXPECT_FALSE(game->game.backAt);
}

TEST(Moving, UnknownOrWaitingGamesCannotMove) {
    ManualClock clock;
    GameState state(settingsWith(clock));
    const auto games = state.gamesOf("p");
    EXPECT_EQ(state.move(1), MoveResult::UnknownGame);
    EXPECT_EQ(state.move(games.back().gid), MoveResult::NotYourTurn);
}

TEST(SettingDueGames, MakesExactlyThatManyDue) {
    ManualClock clock;
    GameState state(settingsWith(clock));
    for (const int due : {0, 1, 2, 7, 3, 0}) {
        state.setDue("p", due);
        const auto games = state.gamesOf("p");
        EXPECT_EQ(dueCount(games), due);
        EXPECT_GE(games.size(), std::size_t(due));
    }
}

TEST(SettingDueGames, CancelsTurnsThatWouldComeBack) {
    ManualClock clock;
    GameState state(settingsWith(clock, 5s));
    state.move(state.gamesOf("p").front().gid);
    state.setDue("p", 0);
    clock.now += 1h;
    EXPECT_EQ(dueCount(state.gamesOf("p")), 0);
}

TEST(SettingDueGames, CreatesAnUnknownPlayerAndClampsTheCount) {
    ManualClock clock;
    GameState state(settingsWith(clock));
    state.setDue("fresh", 1000);
    EXPECT_EQ(dueCount(state.gamesOf("fresh")), GameState::kMaxGamesPerPlayer);
}

TEST(DataFolder, KeepsGamesAndPendingTurnsAcrossRestarts) {
    const vexrem::test::TempDir dir;
    ManualClock clock;
    const std::string odd = std::string("Odd name %+\n") + char(0xE4);
    int moved = 0;
    {
        auto settings = settingsWith(clock, 30s);
        settings.dataDir = dir.Path() / "data";
        GameState state(settings);
        moved = state.gamesOf(odd).front().gid;
        state.move(moved);
        state.setDue("two", 2);
        state.gamesOf(""); // an empty login is a player too, as far as the state cares
    }
    auto settings = settingsWith(clock, 30s);
    settings.dataDir = dir.Path() / "data";
    GameState state(settings);
    EXPECT_EQ(dueCount(state.gamesOf("two")), 2);
    EXPECT_EQ(state.gamesOf("").size(), std::size_t(GameState::kStarterGames));
    const auto games = state.gamesOf(odd);
    ASSERT_EQ(games.size(), std::size_t(GameState::kStarterGames));
    EXPECT_EQ(games.front().gid, moved);
    EXPECT_EQ(dueCount(games), 0);
    EXPECT_FALSE(games.front().opponents.empty());
    clock.now += 30s;
    EXPECT_TRUE(state.game(moved)->game.due) << "the pending turn survived the restart";
    const int next = state.gamesOf("newcomer").front().gid;
    EXPECT_GT(next, games.back().gid) << "game ids are not handed out twice";
}

TEST(DataFolder, SkipsDamagedLinesAndStartsEmptyOnAForeignFile) {
    const vexrem::test::TempDir dir;
    ManualClock clock;
    vexrem::test::WriteFileBytes(dir / "players.txt", "vexrem-demo-server players 1\n"
                                                      "next 5000\n"
                                                      "game 1 1 0 1 Orphan -\n"
                                                      "player alice\n"
                                                      "game 4800 1 0 3 Eisring Kiesel\n"
                                                      "game 4801 x 0 1 Eisring Kiesel\n"
                                                      "game 4802 0 0 1 %ZZ Kiesel\n"
                                                      "player %Z\n"
                                                      "game 4803 1 0 1 Eisring -\n");
    auto settings = settingsWith(clock);
    settings.dataDir = dir.Path();
    {
        GameState state(settings);
        const auto games = state.gamesOf("alice");
        ASSERT_EQ(games.size(), 1u);
        EXPECT_EQ(games[0].gid, 4800);
        EXPECT_EQ(games[0].round, 3);
        EXPECT_FALSE(state.game(1));
        EXPECT_FALSE(state.game(4803));
        EXPECT_EQ(state.gamesOf("bob").front().gid, 5000);
    }
    vexrem::test::WriteFileBytes(dir / "players.txt", "something else entirely\n");
    GameState state(settings);
    EXPECT_EQ(state.gamesOf("alice").size(), std::size_t(GameState::kStarterGames));
}

} // namespace
} // namespace vexrem::demo
