// The server over real sockets on 127.0.0.1.
#include "DemoClient.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <future>
#include <thread>
#include <vector>

namespace vexrem::demo::test {
namespace {

using namespace std::chrono_literals;

bool hasHeader(const Reply& reply, const std::string& line) {
    return reply.headers.find(line) != std::string::npos;
}

TEST(StatusOverHttp, AnswersTheRemindersRequestWithTheCountAndGame) {
    RunningServer server;
    // Exactly the request the reminder sends, HTTP/1.0 and all.
    const auto reply = sendRaw(
        server.port(), "GET /dran.php?login=Max%20M%E4%2D1 HTTP/1.0\r\n"
                       "Accept: image/gif, image/x-xbitmap, image/jpeg, image/pjpeg, */*\r\n"
                       "User-Agent: Mozilla/3.0 (compatible; dVexRem 1.8.0.0; internal 1)\r\n"
                       "Host: 127.0.0.1:8047\r\n"
                       "Pragma: no-cache\r\n\r\n");
    ASSERT_EQ(reply.status, 200) << reply.raw;
    EXPECT_EQ(reply.statusLine.substr(0, 8), "HTTP/1.0");
    EXPECT_TRUE(hasHeader(reply, "Content-Type: text/html; charset=utf-8"));
    EXPECT_TRUE(hasHeader(reply, "Content-Length: " + std::to_string(reply.body.size())));
    EXPECT_EQ(dueCount(reply.body), 1);
    EXPECT_EQ(dueGid(reply.body), server.state().gamesOf(std::string("Max M\xE4-1")).front().gid);
    EXPECT_NE(reply.body.find("Max M\xC3\xA4-1"), std::string::npos) << "name shown as UTF-8";
}

TEST(StatusOverHttp, CountsNoneOneOrManyDueGames) {
    RunningServer server;
    for (const int due : {0, 1, 5}) {
        ASSERT_EQ(get(server.port(), "/admin/set?login=Eva&due=" + std::to_string(due)).body, "ok");
        const auto page = get(server.port(), "/dran.php?login=Eva").body;
        EXPECT_EQ(dueCount(page), due);
        if (due == 1) {
            EXPECT_EQ(dueGid(page), server.state().gamesOf("Eva").front().gid);
        }
        if (due == 0) {
            EXPECT_EQ(dueGid(page), -1) << "no game reference when nothing is due";
        }
    }
}

TEST(StatusOverHttp, HttpOneOneRequestsAreAnsweredAndClosed) {
    RunningServer server;
    const auto reply = sendRaw(server.port(), "GET /dran.php?login=Eva HTTP/1.1\r\n"
                                              "Host: x\r\nConnection: keep-alive\r\n\r\n");
    EXPECT_EQ(reply.statusLine, "HTTP/1.1 200 OK");
    EXPECT_TRUE(hasHeader(reply, "Connection: close"));
}

TEST(StatusOverHttp, HeadGivesTheHeaderOnly) {
    RunningServer server;
    const auto reply = sendRaw(server.port(), "HEAD /vexremind HTTP/1.0\r\n\r\n");
    EXPECT_EQ(reply.status, 200);
    EXPECT_TRUE(reply.body.empty());
    EXPECT_FALSE(hasHeader(reply, "Content-Length: 0"));
}

TEST(TurnCycle, MovingEndsTheTurnAndItComesBackAfterTheDelay) {
    RunningServer server(1s);
    const auto port = server.port();
    const long long gid = dueGid(get(port, "/dran.php?login=Zoe").body);
    ASSERT_GT(gid, 0);

    const auto game = get(port, "/showmap.php?GID=" + std::to_string(gid));
    ASSERT_NE(game.body.find("<form method=\"post\" action=\"/move.php\">"), std::string::npos);
    const auto moved = post(port, "/move.php", "GID=" + std::to_string(gid));
    EXPECT_EQ(moved.status, 303);
    EXPECT_TRUE(hasHeader(moved, "Location: /showmap.php?GID=" + std::to_string(gid)));
    const auto movedAt = std::chrono::steady_clock::now();
    EXPECT_EQ(dueCount(get(port, "/dran.php?login=Zoe").body), 0);

    long long count = 0;
    const auto deadline = movedAt + 5s;
    while (count == 0 && std::chrono::steady_clock::now() < deadline) {
        std::this_thread::sleep_for(100ms);
        count = dueCount(get(port, "/dran.php?login=Zoe").body);
    }
    EXPECT_EQ(count, 1);
    EXPECT_GE(std::chrono::steady_clock::now() - movedAt, 900ms) << "came back too early";
    EXPECT_EQ(dueGid(get(port, "/dran.php?login=Zoe").body), gid);
}

TEST(VersionList, ListsANewerVersionWithNewsForTheUpdateCheck) {
    RunningServer server;
    const auto reply = get(server.port(), "/vexrem/verinfo.php");
    ASSERT_EQ(reply.status, 200);
    EXPECT_TRUE(hasHeader(reply, "Content-Type: text/xml"));
    ASSERT_FALSE(reply.body.empty());
    EXPECT_NE(reply.body[0], '\xEF') << "no byte order mark";
    // The reminder drops line feeds and tabs before it parses.
    std::string flat = reply.body;
    flat.erase(
        std::remove_if(flat.begin(), flat.end(), [](char c) { return c == '\n' || c == '\t'; }),
        flat.end());
    EXPECT_EQ(flat.find("> "), std::string::npos) << "no blanks between elements";
    EXPECT_EQ(flat.find(" <"), std::string::npos) << "no blanks between elements";
    EXPECT_NE(
        flat.find("<versioninfos><versioninfo><date>2025-03-14</date><version>9.0.0.0</version>"
                  "<newslist><news>"),
        std::string::npos)
        << flat;
    EXPECT_NE(flat.find("</news></newslist></versioninfo><versioninfo>"), std::string::npos);
    EXPECT_EQ(flat.find("</versioninfos>") + 15, flat.size()) << "nothing after the root";
}

TEST(BadRequests, GarbageGets400) {
    RunningServer server;
    for (const char* garbage :
         {"garbage\r\n\r\n", "GET\r\n\r\n", "GET / HTTP/9.9\r\n\r\n", "G E T / HTTP/1.0\r\n\r\n",
          "GET / HTTP/1.0\r\nNo colon here\r\n\r\n", "GET /dran.php?login=%ZZ HTTP/1.0\r\n\r\n"}) {
        EXPECT_EQ(sendRaw(server.port(), garbage).status, 400) << garbage;
    }
}

TEST(BadRequests, UnknownPathsGet404) {
    RunningServer server;
    EXPECT_EQ(get(server.port(), "/wp-admin/").status, 404);
    EXPECT_EQ(get(server.port(), "/favicon.ico").status, 404);
}

TEST(BadRequests, HugeHeadersAndBodiesAreRefused) {
    RunningServer server;
    const std::string huge(64 * 1024, 'a');
    const auto header = sendRaw(server.port(), "GET / HTTP/1.0\r\nX-Big: " + huge + "\r\n\r\n");
    EXPECT_EQ(header.status, 431) << header.statusLine;
    const auto body =
        sendRaw(server.port(), "POST /move.php HTTP/1.0\r\nContent-Length: 1000000\r\n\r\n" + huge);
    EXPECT_EQ(body.status, 413) << body.statusLine;
    EXPECT_EQ(get(server.port(), "/").status, 200);
}

TEST(Robustness, ManyConcurrentClientsAreAllAnswered) {
    RunningServer server;
    constexpr int kClients = 64;
    std::vector<std::future<int>> answers;
    for (int i = 0; i < kClients; ++i) {
        answers.push_back(std::async(std::launch::async, [port = server.port(), i] {
            return static_cast<int>(
                dueCount(get(port, "/dran.php?login=burst" + std::to_string(i % 8)).body));
        }));
    }
    for (auto& answer : answers) {
        EXPECT_EQ(answer.get(), 1);
    }
}

TEST(Robustness, SlowClientsDoNotBlockOthers) {
    RunningServer server;
    // Half a request, then silence: the server must keep serving others meanwhile.
    RawConnection idle(server.port());
    ASSERT_TRUE(idle.send("GET /dran.php?login=slow HTTP/1.0\r\nHost: x"));
    EXPECT_EQ(get(server.port(), "/").status, 200);
}

TEST(Robustness, IdleConnectionsAreClosedAfterTheReadTimeout) {
    ServerLimits limits;
    limits.ioTimeout = 300ms;
    RunningServer server(20s, limits);
    RawConnection idle(server.port());
    ASSERT_TRUE(idle.connected());
    const auto start = std::chrono::steady_clock::now();
    EXPECT_EQ(idle.readAll(5s), "");
    EXPECT_LT(std::chrono::steady_clock::now() - start, 3s) << "closed by the server, not by us";
}

TEST(Robustness, AbruptlyClosedAndMalformedConnectionsLeaveTheServerRunning) {
    RunningServer server;
    for (int i = 0; i < 20; ++i) {
        RawConnection connection(server.port());
        ASSERT_TRUE(connection.connected());
        switch (i % 4) {
        case 0:
            break; // connect and vanish
        case 1:
            connection.send("GET /dran.php?log");
            break;
        case 2:
            connection.send(std::string("\0\xFF\r\n\r\n\x01", 7));
            break;
        case 3:
            connection.send("GET /dran.php?login=gone HTTP/1.0\r\n\r\n");
            break;
        }
        connection.abort();
    }
    EXPECT_EQ(dueCount(get(server.port(), "/dran.php?login=still").body), 1);
}

} // namespace
} // namespace vexrem::demo::test
