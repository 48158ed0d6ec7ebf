#include "Router.h"
#include "DemoClient.h"
#include "Pages.h"

#include <gtest/gtest.h>

namespace vexrem::demo {
namespace {

using test::dueCount;
using test::dueGid;

class RouterTest : public ::testing::Test {
protected:
    Response get(const std::string& target) { return router.handle({"GET", target, "", ""}); }

    GameState state{GameState::Settings{}};
    Router router{state};
};

std::string headerValue(const Response& response, const std::string& name) {
    for (const auto& [key, value] : response.headers) {
        if (key == name) {
            return value;
        }
    }
    return {};
}

TEST_F(RouterTest, StatusPageNamesTheOneDueGame) {
    const auto page = get("/dran.php?login=Anna");
    ASSERT_EQ(page.status, 200);
    EXPECT_EQ(dueCount(page.body), 1);
    EXPECT_EQ(dueGid(page.body), state.gamesOf("Anna").front().gid);
    EXPECT_NE(page.body.find("<meta charset=\"utf-8\">"), std::string::npos);
    EXPECT_NE(page.body.find("<title>"), std::string::npos);
    EXPECT_NE(page.body.find("javascript:fenster("), std::string::npos);
}

TEST_F(RouterTest, StatusPageCountSurvivesANameThatLooksLikeACount) {
    // The reader takes the last match, so whatever the name says must not win.
    state.setDue("Vexel - 9 fenster(12)", 1);
    const auto page = get("/dran.php?login=Vexel%20%2D%209%20fenster%2812%29");
    EXPECT_EQ(dueCount(page.body), 1);
    EXPECT_EQ(dueGid(page.body), state.gamesOf("Vexel - 9 fenster(12)").front().gid);
    state.setDue("Vexel - 9 fenster(12)", 0);
    EXPECT_EQ(dueCount(get("/dran.php?login=Vexel%20%2D%209%20fenster%2812%29").body), 0);
}

TEST_F(RouterTest, StatusPageWithoutALoginIsABadRequest) {
    EXPECT_EQ(get("/dran.php").status, 400);
    EXPECT_EQ(get("/dran.php?login=%4").status, 400);
    EXPECT_EQ(get("/dran.php?login=" + std::string(Router::kMaxLoginBytes + 1, 'x')).status, 400);
}

TEST_F(RouterTest, StatusPageForAnEmptyLoginHasNoCount) {
    const auto page = get("/dran.php?login=");
    EXPECT_EQ(page.status, 200);
    EXPECT_EQ(dueCount(page.body), -1);
}

TEST_F(RouterTest, AbsoluteTargetsAsSentThroughAProxyWork) {
    EXPECT_EQ(dueCount(get("http://demo.example:8047/dran.php?login=Anna").body), 1);
    EXPECT_EQ(get("dran.php?login=Anna").status, 400);
    EXPECT_EQ(get("*").status, 400);
}

TEST_F(RouterTest, EntryPageFramesTheWantedPageBesideTheMenu) {
    const auto page = get("/index.php?main=showmap.php?GID=4711");
    ASSERT_EQ(page.status, 200);
    EXPECT_NE(page.body.find("<frame name=\"Menu\" src=\"/menu.php\""), std::string::npos);
    EXPECT_NE(page.body.find("<frame name=\"Main\" src=\"/showmap.php?GID=4711\""),
              std::string::npos);
    EXPECT_NE(page.body.find("cols=\"250,*\""), std::string::npos);
}

TEST_F(RouterTest, EntryPageFramesOnlyLocalPages) {
    for (const char* bad : {"javascript:alert(1)", "//evil.example/x", "http://evil.example/",
                            "%22%3E%3Cscript%3E"}) {
        const auto page = get(std::string("/index.php?main=") + bad);
        EXPECT_NE(page.body.find("src=\"/showgames.php?dranbin=1\""), std::string::npos) << bad;
        EXPECT_EQ(page.body.find("evil"), std::string::npos) << bad;
        EXPECT_EQ(page.body.find("<script"), std::string::npos) << bad;
    }
}

TEST_F(RouterTest, GamePageOffersTheMoveOnlyWhenDue) {
    const auto games = state.gamesOf("Anna");
    const auto due = get("/showmap.php?GID=" + std::to_string(games.front().gid));
    ASSERT_EQ(due.status, 200);
    EXPECT_NE(due.body.find("action=\"/move.php\""), std::string::npos);
    const auto waiting = get("/showmap.php?GID=" + std::to_string(games.back().gid));
    EXPECT_EQ(waiting.body.find("action=\"/move.php\""), std::string::npos);
    EXPECT_EQ(get("/showmap.php?GID=1").status, 404);
    EXPECT_EQ(get("/showmap.php?GID=abc").status, 400);
    EXPECT_EQ(get("/showmap.php").status, 400);
}

TEST_F(RouterTest, MoveByFormPostRedirectsBackToTheGame) {
    const int gid = state.gamesOf("Anna").front().gid;
    const auto moved = router.handle(
        {"POST", "/move.php", "application/x-www-form-urlencoded", "GID=" + std::to_string(gid)});
    EXPECT_EQ(moved.status, 303);
    EXPECT_EQ(headerValue(moved, "Location"), "/showmap.php?GID=" + std::to_string(gid));
    EXPECT_EQ(dueCount(get("/dran.php?login=Anna").body), 0);
    EXPECT_EQ(get("/move.php?GID=" + std::to_string(gid)).status, 409) << "already moved";
    EXPECT_EQ(get("/move.php?GID=1").status, 404);
}

TEST_F(RouterTest, GamesListShowsTheLastPlayersDueGames) {
    state.setDue("Anna", 2);
    get("/dran.php?login=Anna");
    const auto list = get("/showgames.php?dranbin=1");
    ASSERT_EQ(list.status, 200);
    const auto games = state.gamesOf("Anna");
    EXPECT_NE(list.body.find("showmap.php?GID=" + std::to_string(games[0].gid)), std::string::npos);
    EXPECT_NE(list.body.find("showmap.php?GID=" + std::to_string(games[1].gid)), std::string::npos);
    EXPECT_EQ(list.body.find("showmap.php?GID=" + std::to_string(games[2].gid)), std::string::npos);
    EXPECT_NE(get("/showgames.php").body.find(std::to_string(games[2].gid)), std::string::npos);
}

TEST_F(RouterTest, AdminSetAnswersOkOrExplainsWhatIsMissing) {
    const auto ok = get("/admin/set?login=Bob&due=4");
    EXPECT_EQ(ok.status, 200);
    EXPECT_EQ(ok.body, "ok");
    EXPECT_EQ(ok.contentType.rfind("text/plain", 0), 0u);
    EXPECT_EQ(dueCount(get("/dran.php?login=Bob").body), 4);
    for (const char* bad : {"/admin/set?login=Bob", "/admin/set?due=1", "/admin/set?login=&due=1",
                            "/admin/set?login=Bob&due=-1", "/admin/set?login=Bob&due=x",
                            "/admin/set?login=Bob&due=51"}) {
        EXPECT_EQ(get(bad).status, 400) << bad;
    }
    const auto posted = router.handle(
        {"POST", "/admin/set", "application/x-www-form-urlencoded", "login=Bob&due=0"});
    EXPECT_EQ(posted.body, "ok");
    EXPECT_EQ(dueCount(get("/dran.php?login=Bob").body), 0);
}

TEST_F(RouterTest, UnknownPathsAndMethodsAreRefused) {
    EXPECT_EQ(get("/nothing.php").status, 404);
    EXPECT_EQ(get("/dran.phpx?login=a").status, 404);
    const auto put = router.handle({"PUT", "/dran.php?login=a", "", ""});
    EXPECT_EQ(put.status, 405);
    EXPECT_EQ(headerValue(put, "Allow"), "GET, HEAD");
    EXPECT_EQ(router.handle({"POST", "/dran.php?login=a", "", ""}).status, 405);
}

TEST_F(RouterTest, EveryPageIsUtf8Html) {
    state.gamesOf("Anna");
    for (const char* target : {"/", "/menu.php", "/index.php?main=menu.php", "/showgames.php",
                               "/showmap.php?GID=4711", "/vexremind", "/admin", "/nope"}) {
        const auto page = get(target);
        EXPECT_EQ(page.contentType, "text/html; charset=utf-8") << target;
        EXPECT_NE(page.body.find("<meta charset=\"utf-8\">"), std::string::npos) << target;
    }
}

} // namespace
} // namespace vexrem::demo
