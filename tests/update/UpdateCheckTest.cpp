// A real update check against a fake maker's site, handled on a queued "GUI
// thread" (the test's main thread), as the program does it.
#include "net/HttpClient.h"
#include "status/DranSeiThread.h"
#include "support/FakeHttpServer.h"
#include "update/UpdateThread.h"
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

const std::string kList = "<versioninfos>\n\t<versioninfo>\n\t\t<date>2008-01-10</date>\n"
                          "\t\t<version>1.3.0.0</version>\n\t\t<newslist>\n"
                          "\t\t\t<news>A</news>\n\t\t</newslist>\n\t</versioninfo>\n"
                          "</versioninfos>\n";

class UpdateCheckTest : public ::testing::Test {
protected:
    struct Delivery {
        rUpdateResult result;
        bool runningDuringHandler = false;
        bool gateFreeDuringHandler = false;
        std::thread::id thread;
    };

    void TearDown() override {
        invoker.Shutdown();
        client.Cancel();
        workers.JoinAll();
    }

    UpdateHandler Recorder() {
        return [this](const rUpdateResult& r) {
            deliveries.push_back({r, UpdateCheckRunning.load(), RunningRequests.Empty(),
                                  std::this_thread::get_id()});
        };
    }

    void Start(const std::string& site = {}) {
        StartUpdateCheck(shared, Recorder(), workers, site.empty() ? server.BaseUrl() : site);
    }

    bool RunUntil(const std::function<bool()>& done, std::chrono::milliseconds limit = 10s) {
        const auto end = std::chrono::steady_clock::now() + limit;
        while (!done() && std::chrono::steady_clock::now() < end) {
            invoker.WaitAndProcess(20ms);
        }
        return done();
    }

    bool RunUntilIdle() {
        return RunUntil([this] { return !UpdateCheckRunning; });
    }

    rUpdateResult Check(const std::string& site = {}) {
        Start(site);
        EXPECT_TRUE(RunUntilIdle());
        EXPECT_EQ(deliveries.size(), 1u);
        return deliveries.empty() ? rUpdateResult{} : deliveries.back().result;
    }

    FakeHttpServer server;
    std::shared_ptr<QueuedGuiInvoker> invokerShare = std::make_shared<QueuedGuiInvoker>();
    std::shared_ptr<TCheckShared> shared = std::make_shared<TCheckShared>(invokerShare);
    THttpClient& client = shared->client;
    QueuedGuiInvoker& invoker = *invokerShare;
    std::atomic<bool>& DranCheckRunning = shared->DranCheckRunning;
    std::atomic<bool>& UpdateCheckRunning = shared->UpdateCheckRunning;
    TRunningRequests& RunningRequests = shared->RunningRequests;
    TWorkerThreads workers;
    std::vector<Delivery> deliveries;
};

TEST(VersionListAddress, IsTheFixedPathBelowTheSite) {
    EXPECT_EQ(VersionListUrl("http://www.example.org"),
              "http://www.example.org/vexrem/verinfo.php");
    EXPECT_EQ(SiteHostName("http://www.example.org:8080"), "www.example.org:8080");
    EXPECT_EQ(SiteHostName("http://www.example.org/mirror"), "www.example.org");
}

TEST_F(UpdateCheckTest, AsksForTheListWithoutQuery) {
    client.SetUserAgent("Mozilla/3.0 (compatible; dVexRem 1.8.0.0; internal 8)");
    Check();
    ASSERT_EQ(server.RequestCount(), 1u);
    EXPECT_EQ(server.Requests()[0],
              "GET /vexrem/verinfo.php HTTP/1.0\r\n"
              "Accept: image/gif, image/x-xbitmap, image/jpeg, image/pjpeg, */*\r\n"
              "User-Agent: Mozilla/3.0 (compatible; dVexRem 1.8.0.0; internal 8)\r\n"
              "Host: 127.0.0.1:" +
                  std::to_string(server.Port()) + "\r\nPragma: no-cache\r\n\r\n");
}

TEST_F(UpdateCheckTest, ListArrivesOnTheGuiThreadWhileTheCheckStillRuns) {
    server.Enqueue(FakeResponse::Ok(kList));
    Start();
    ASSERT_TRUE(RunUntilIdle());
    ASSERT_EQ(deliveries.size(), 1u);
    const Delivery& d = deliveries[0];
    EXPECT_TRUE(d.result.Received);
    EXPECT_TRUE(d.result.HasEntries);
    EXPECT_EQ(d.result.NewestVersion, "1.3.0.0");
    ASSERT_EQ(d.result.Versions.size(), 1u);
    EXPECT_EQ(d.result.Versions[0].News, (std::vector<std::string>{"A"}));
    EXPECT_TRUE(d.result.ErrorText.empty());
    EXPECT_EQ(d.thread, std::this_thread::get_id());
    EXPECT_TRUE(d.runningDuringHandler);
    EXPECT_TRUE(d.gateFreeDuringHandler); // the client is free once the body is in
}

// --- failures ---------------------------------------------------------------------------

TEST_F(UpdateCheckTest, MissingPageIsAFailureWithTheReasonPhrase) {
    server.Enqueue(FakeResponse::Status(404, "Not Found", kList));
    const rUpdateResult r = Check();
    EXPECT_FALSE(r.Received);
    EXPECT_FALSE(r.HasEntries);
    EXPECT_TRUE(r.Versions.empty());
    EXPECT_EQ(r.ErrorText, "Not Found");
    EXPECT_TRUE(RunningRequests.Empty());
}

TEST_F(UpdateCheckTest, RefusedConnectionShowsTheSystemsText) {
    const std::string port = std::to_string(test::UnusedPort());
    const rUpdateResult r = Check("http://127.0.0.1:" + port);
    EXPECT_FALSE(r.Received);
    EXPECT_EQ(r.ErrorText, "Verbindung zu 127.0.0.1:" + port + " fehlgeschlagen " +
                               std::to_string(test::RefusedConnectionCode()) + " (" +
                               test::SystemTextOf(test::RefusedConnectionCode()) + ")");
}

TEST_F(UpdateCheckTest, UnreadableBodyIsReceivedWithAnErrorText) {
    server.Enqueue(FakeResponse::Ok("<html><body>Wartung</body></html>"));
    const rUpdateResult r = Check();
    EXPECT_TRUE(r.Received);
    EXPECT_FALSE(r.HasEntries);
    EXPECT_FALSE(r.ErrorText.empty());
}

TEST_F(UpdateCheckTest, RefusedListIsAFailureWithItsText) {
    std::string deep = "<versioninfos>";
    for (int i = 0; i < 1000; ++i)
        deep += "<versioninfo>";
    server.Enqueue(FakeResponse::Ok(deep));
    const rUpdateResult r = Check();
    EXPECT_FALSE(r.Received);
    EXPECT_EQ(r.ErrorText, "XML-Dokument zu tief verschachtelt (Grenze 1000 Ebenen)");
}

TEST_F(UpdateCheckTest, UnauthorisedPageIsReadLikeAnyBody) {
    server.Enqueue(FakeResponse::Status(401, "Unauthorized", kList));
    const rUpdateResult r = Check();
    EXPECT_TRUE(r.Received);
    EXPECT_EQ(r.NewestVersion, "1.3.0.0");
}

TEST_F(UpdateCheckTest, FailingHandlerStillEndsTheCheck) {
    StartUpdateCheck(
        shared, [](const rUpdateResult&) { throw std::runtime_error("boom"); }, workers,
        server.BaseUrl());
    EXPECT_TRUE(RunUntilIdle());
    workers.JoinAll();
    EXPECT_EQ(workers.Running(), 0u);
}

// --- the gate shared with the status check -------------------------------------------

TEST_F(UpdateCheckTest, WaitsWhileAnotherHoldsTheClient) {
    auto held = RunningRequests.TryEnter();
    ASSERT_TRUE(held);
    Start();
    EXPECT_FALSE(server.WaitForRequests(1, 200ms));
    EXPECT_TRUE(UpdateCheckRunning);
    held.Leave();
    EXPECT_TRUE(RunUntilIdle());
    EXPECT_EQ(server.RequestCount(), 1u);
}

TEST_F(UpdateCheckTest, StatusAndUpdateCheckTakeTurnsAndBothComplete) {
    server.SetHandler([](const std::string& request) {
        FakeResponse r = FakeResponse::Ok(
            request.find("verinfo") != std::string::npos ? kList : std::string("Vexel - 2"));
        r.delay = 150ms;
        return r;
    });
    int statusResults = 0;
    rDranbinInfo status;
    StartDranCheck(
        "tester", shared, false,
        [&](const rDranbinInfo& info, bool) {
            status = info;
            ++statusResults;
        },
        workers, server.BaseUrl());
    Start();
    ASSERT_TRUE(RunUntil([&] { return statusResults == 1 && deliveries.size() == 1; }));
    ASSERT_TRUE(RunUntil([this] { return !UpdateCheckRunning && !DranCheckRunning; }));
    EXPECT_EQ(server.RequestCount(), 2u);
    EXPECT_EQ(server.MaxConcurrent(), 1);
    EXPECT_EQ(status.Count, 2) << status.Text;
    EXPECT_EQ(deliveries[0].result.NewestVersion, "1.3.0.0") << deliveries[0].result.ErrorText;
}

// --- program end ------------------------------------------------------------------------

TEST_F(UpdateCheckTest, ShutdownDuringTheRequestEndsTheWorkerWithoutAResult) {
    FakeResponse hang;
    hang.hang = true;
    server.Enqueue(hang);
    Start();
    ASSERT_TRUE(server.WaitForRequests(1, 5s));
    invoker.Shutdown();
    client.Cancel();
    workers.JoinAll();
    invoker.ProcessPending();
    EXPECT_TRUE(deliveries.empty());
    EXPECT_FALSE(UpdateCheckRunning);
    EXPECT_TRUE(RunningRequests.Empty());
}

} // namespace
} // namespace vexrem
