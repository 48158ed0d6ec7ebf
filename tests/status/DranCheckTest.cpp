#include "net/HttpClient.h"
#include "status/DranSeiThread.h"
#include "support/FakeHttpServer.h"
#include "worker/CheckShared.h"
#include "worker/GuiInvoker.h"
#include "worker/WorkerThreads.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <cstring>
#include <thread>

namespace vexrem {
namespace {

using test::FakeHttpServer;
using test::FakeResponse;
using namespace std::chrono_literals;

TEST(URLEncode, KeepsDotsDigitsAndAsciiLettersOnly) {
    const std::pair<std::string, std::string> table[] = {
        {"", ""},
        {"Max.Muster42", "Max.Muster42"},
        {"a b", "a%20b"},
        {"a-b_c", "a%2Db%5Fc"},
        {"J\xe4ger", "J%E4ger"}, // a-umlaut in Windows-1252
        {"\xc3\xa4", "%C3%A4"},  // the same letter in UTF-8
        {"%+&=?/~", "%25%2B%26%3D%3F%2F%7E"},
        {std::string("\0\x7f\xff", 3), "%00%7F%FF"},
    };
    for (const auto& [in, out] : table) {
        EXPECT_EQ(URLEncode(in), out) << in;
    }
}

// A real check against the fake game server, handled on a queued "GUI
// thread" (the test's main thread), as the program does it.
class DranCheckTest : public ::testing::Test {
protected:
    struct Delivery {
        rDranbinInfo info;
        bool forced = false;
        bool runningDuringHandler = false;
        std::thread::id thread;
    };

    void TearDown() override {
        invoker.Shutdown();
        client.Cancel();
        workers.JoinAll();
    }

    // Through the fixture's client unless another is given.
    void Start(const std::string& user, bool forced = false,
               const std::shared_ptr<TCheckShared>& via = nullptr) {
        StartDranCheck(
            user, via != nullptr ? via : shared, forced,
            [this](const rDranbinInfo& info, bool f) {
                deliveries.push_back(
                    {info, f, DranCheckRunning.load(), std::this_thread::get_id()});
            },
            workers, server.BaseUrl());
    }

    // Runs the GUI side until the worker has finished (bounded).
    bool RunUntilIdle(std::chrono::milliseconds limit = 10s,
                      const std::shared_ptr<TCheckShared>& via = nullptr) {
        const std::atomic<bool>& running = (via != nullptr ? via : shared)->DranCheckRunning;
        const auto end = std::chrono::steady_clock::now() + limit;
        while (running && std::chrono::steady_clock::now() < end) {
            invoker.WaitAndProcess(20ms);
        }
        return !running;
    }

    rDranbinInfo Check(const std::string& user,
                       const std::shared_ptr<TCheckShared>& via = nullptr) {
        Start(user, false, via);
        EXPECT_TRUE(RunUntilIdle(10s, via));
        EXPECT_EQ(deliveries.size(), 1u);
        return deliveries.empty() ? rDranbinInfo{} : deliveries.back().info;
    }

    FakeHttpServer server;
    std::shared_ptr<QueuedGuiInvoker> invokerShare = std::make_shared<QueuedGuiInvoker>();
    std::shared_ptr<TCheckShared> shared = std::make_shared<TCheckShared>(invokerShare);
    THttpClient& client = shared->client;
    QueuedGuiInvoker& invoker = *invokerShare;
    std::atomic<bool>& DranCheckRunning = shared->DranCheckRunning;
    TRunningRequests& RunningRequests = shared->RunningRequests;
    TWorkerThreads workers;
    std::vector<Delivery> deliveries;
};

TEST_F(DranCheckTest, RequestCarriesTheEncodedLogin) {
    client.SetUserAgent("Mozilla/3.0 (compatible; dVexRem 1.8.0.0; internal 8)");
    Check("Hans Meier-M\xfcller_2.0");
    ASSERT_EQ(server.RequestCount(), 1u);
    EXPECT_EQ(server.Requests()[0],
              "GET /dran.php?login=Hans%20Meier%2DM%FCller%5F2.0 HTTP/1.0\r\n"
              "Accept: image/gif, image/x-xbitmap, image/jpeg, image/pjpeg, */*\r\n"
              "User-Agent: Mozilla/3.0 (compatible; dVexRem 1.8.0.0; internal 8)\r\n"
              "Host: 127.0.0.1:" +
                  std::to_string(server.Port()) +
                  "\r\n"
                  "Pragma: no-cache\r\n\r\n");
}

TEST_F(DranCheckTest, EmptyNameStillAsks) {
    Check("");
    EXPECT_EQ(server.Requests().at(0).substr(0, 30), "GET /dran.php?login= HTTP/1.0\r");
}

TEST_F(DranCheckTest, OneGameGivesCountGameIdAndThePage) {
    const std::string page = "<p>Vexel - 1</p><a href=\"javascript:fenster(4711)\">";
    server.Enqueue(FakeResponse::Ok(page));
    Start("tester", true);
    ASSERT_TRUE(RunUntilIdle());
    ASSERT_EQ(deliveries.size(), 1u);
    EXPECT_EQ(deliveries[0].info, (rDranbinInfo{false, page, 1, 4711}));
    EXPECT_TRUE(deliveries[0].forced);
    // The handler ran on the GUI side while the check still counted as running.
    EXPECT_EQ(deliveries[0].thread, std::this_thread::get_id());
    EXPECT_TRUE(deliveries[0].runningDuringHandler);
}

TEST_F(DranCheckTest, SeveralGamesLeaveTheGameIdAtZero) {
    server.Enqueue(FakeResponse::Ok("Vexel - 3 fenster(1) fenster(2)"));
    EXPECT_EQ(Check("tester"), (rDranbinInfo{false, "Vexel - 3 fenster(1) fenster(2)", 3, 0}));
}

TEST_F(DranCheckTest, OneGameWithoutReferenceGivesMinusOne) {
    server.Enqueue(FakeResponse::Ok("Vexel - 1"));
    EXPECT_EQ(Check("tester").GID, -1);
}

TEST_F(DranCheckTest, PageWithoutCountIsNoFailure) {
    server.Enqueue(FakeResponse::Ok("<html>Wartung</html>"));
    EXPECT_EQ(Check("tester"), (rDranbinInfo{false, "<html>Wartung</html>", -1, 0}));
}

TEST_F(DranCheckTest, MissingPageIsAFailureWithTheReasonPhrase) {
    server.Enqueue(FakeResponse::Status(404, "Not Found", "Vexel - 1"));
    EXPECT_EQ(Check("tester"), (rDranbinInfo{true, "Not Found", 0, 0}));
}

TEST_F(DranCheckTest, UnauthorisedPageIsEvaluated) {
    server.Enqueue(FakeResponse::Status(401, "Unauthorized", "Bitte anmelden"));
    EXPECT_EQ(Check("tester"), (rDranbinInfo{false, "Bitte anmelden", -1, 0}));
}

TEST_F(DranCheckTest, ProxyRefusingTwiceGivesItsPage) {
    client.SetProxy(HttpProxy{"127.0.0.1", std::to_string(server.Port()), "u", "p"});
    server.Enqueue(FakeResponse::Status(407, "Proxy Authentication Required", "nein"));
    server.Enqueue(FakeResponse::Status(407, "Proxy Authentication Required", "wieder nein"));
    EXPECT_EQ(Check("tester"), (rDranbinInfo{false, "wieder nein", -1, 0}));
    EXPECT_NE(server.Requests().at(1).find("Proxy-Authorization: Basic dTpw\r\n"),
              std::string::npos);
}

TEST_F(DranCheckTest, TooManyRedirectionsEndWithoutFailure) {
    for (int i = 0; i < 6; ++i) {
        server.Enqueue(FakeResponse::Redirect(302, "/dran.php?hop=" + std::to_string(i), "moved"));
    }
    EXPECT_EQ(Check("tester"), (rDranbinInfo{false, "moved", -1, 0}));
}

TEST_F(DranCheckTest, RefusedConnectionShowsTheSystemsText) {
    const std::string port = std::to_string(test::UnusedPort());
    StartDranCheck(
        "tester", shared, false,
        [this](const rDranbinInfo& info, bool f) {
            deliveries.push_back({info, f, true, {}});
        },
        workers, "http://127.0.0.1:" + port);
    ASSERT_TRUE(RunUntilIdle());
    ASSERT_EQ(deliveries.size(), 1u);
    const std::string message = "Verbindung zu 127.0.0.1:" + port + " fehlgeschlagen " +
                                std::to_string(test::RefusedConnectionCode());
    EXPECT_EQ(
        deliveries[0].info,
        (rDranbinInfo{
            true, message + " (" + test::SystemTextOf(test::RefusedConnectionCode()) + ")", 0, 0}));
}

TEST_F(DranCheckTest, SilentServerEndsInATimeFailure) {
    FakeResponse hang;
    hang.hang = true;
    server.Enqueue(hang);
    HttpLimits limits;
    limits.requestTimeout = 200ms;
    const auto quick = std::make_shared<TCheckShared>(invokerShare, limits);
    const rDranbinInfo info = Check("tester", quick);
    EXPECT_TRUE(info.Error);
    EXPECT_EQ(info.Text.rfind("Zeitlimit der Anfrage", 0), 0u) << info.Text;
}

TEST_F(DranCheckTest, FailingHandlerStillEndsTheCheck) {
    StartDranCheck(
        "tester", shared, false,
        [](const rDranbinInfo&, bool) { throw std::runtime_error("boom"); }, workers,
        server.BaseUrl());
    EXPECT_TRUE(RunUntilIdle());
    workers.JoinAll();
    EXPECT_EQ(workers.Running(), 0u);
}

// --- the gate on the shared client ---------------------------------------------------

TEST_F(DranCheckTest, WorkerWaitsWhileAnotherHoldsTheClient) {
    auto held = RunningRequests.TryEnter();
    ASSERT_TRUE(held);
    EXPECT_FALSE(RunningRequests.TryEnter());
    Start("tester");
    EXPECT_FALSE(server.WaitForRequests(1, 200ms)); // still waiting at the gate
    held.Leave();
    EXPECT_TRUE(RunUntilIdle());
    EXPECT_EQ(server.RequestCount(), 1u);
    EXPECT_TRUE(RunningRequests.Empty());
}

TEST_F(DranCheckTest, TwoWorkersUseTheClientOneAfterTheOther) {
    FakeResponse slow = FakeResponse::Ok("Vexel - 0");
    slow.delay = 150ms;
    server.SetDefault(slow);
    std::atomic<int> delivered{0};
    auto handler = [&](const rDranbinInfo& info, bool) {
        EXPECT_FALSE(info.Error) << info.Text;
        ++delivered;
    };
    for (int i = 0; i < 2; ++i) {
        auto worker =
            std::make_shared<TDranSeiThread>("tester", shared, false, handler, server.BaseUrl());
        workers.Start([worker] { worker->Execute(); });
    }
    const auto end = std::chrono::steady_clock::now() + 10s;
    while (delivered < 2 && std::chrono::steady_clock::now() < end) {
        invoker.WaitAndProcess(20ms);
    }
    EXPECT_EQ(delivered, 2);
    EXPECT_EQ(server.RequestCount(), 2u);
    EXPECT_EQ(server.MaxConcurrent(), 1);
}

// --- program end ---------------------------------------------------------------------

TEST_F(DranCheckTest, ShutdownDuringARequestEndsTheWorkerWithoutAResult) {
    FakeResponse hang;
    hang.hang = true;
    server.Enqueue(hang);
    Start("tester");
    ASSERT_TRUE(server.WaitForRequests(1, 5s));
    const auto start = std::chrono::steady_clock::now();
    invoker.Shutdown();
    client.Cancel();
    workers.JoinAll();
    EXPECT_LT(std::chrono::steady_clock::now() - start, 5s);
    invoker.ProcessPending();
    EXPECT_TRUE(deliveries.empty());
    EXPECT_FALSE(DranCheckRunning);
}

TEST_F(DranCheckTest, ShutdownWhileTheResultWaitsForTheGuiThread) {
    server.Enqueue(FakeResponse::Ok("Vexel - 2"));
    Start("tester");
    // Nobody serves the GUI queue: the worker sits in Invoke until refused.
    ASSERT_TRUE(server.WaitForRequests(1, 5s));
    std::this_thread::sleep_for(50ms);
    invoker.Shutdown();
    workers.JoinAll();
    EXPECT_FALSE(DranCheckRunning);
    invoker.ProcessPending(); // a late queued call does nothing
    EXPECT_TRUE(deliveries.empty());
}

TEST_F(DranCheckTest, AWorkerLetGoKeepsWhatItUsesUntilItEnds) {
    FakeResponse slow = FakeResponse::Ok("Vexel - 1");
    slow.delay = 300ms;
    server.Enqueue(slow);
    std::weak_ptr<TCheckShared> watch;
    {
        auto own = std::make_shared<TCheckShared>(std::make_shared<QueuedGuiInvoker>());
        watch = own;
        TWorkerThreads mine;
        StartDranCheck(
            "tester", own, false, [](const rDranbinInfo&, bool) {}, mine, server.BaseUrl());
        ASSERT_TRUE(server.WaitForRequests(1, 5s));
        own->invoker->Shutdown();
        mine.Release();
    }
    EXPECT_FALSE(watch.expired()); // the worker still holds its share
    const auto end = std::chrono::steady_clock::now() + 10s;
    while (!watch.expired() && std::chrono::steady_clock::now() < end) {
        std::this_thread::sleep_for(10ms);
    }
    EXPECT_TRUE(watch.expired());
}

} // namespace
} // namespace vexrem
