// How a failing evaluation is put into words; the checks' own tests cover the
// rest of the course against a real server.
#include "worker/CheckWorker.h"

#include "net/HttpClient.h"
#include "support/FakeHttpServer.h"
#include "worker/GuiInvoker.h"
#include "worker/RunningRequests.h"

#include <gtest/gtest.h>

#include <stdexcept>

namespace vexrem {
namespace {

TEST(CheckWorker, FailedEvaluationShowsItsMessageOrTheChecksOwnText) {
    struct Case {
        bool evaluationMessages;
        bool standardException;
        const char* shown;
    };
    const Case cases[] = {
        {true, true, "Liste unlesbar"},
        {true, false, "eigener Text"}, // nothing to show but the check's text
        {false, true, "eigener Text"},
    };
    test::FakeHttpServer server;
    server.SetDefault(test::FakeResponse::Ok("Inhalt"));
    THttpClient client;
    DirectGuiInvoker invoker;
    TRunningRequests gate;
    for (const Case& c : cases) {
        std::atomic<bool> running{true};
        std::string body;
        std::string failure;
        std::string handedOver;
        CheckSteps steps;
        steps.evaluate = [&](std::string b) {
            body = std::move(b);
            if (c.standardException) {
                throw std::runtime_error("Liste unlesbar  ");
            }
            throw 42;
        };
        steps.fail = [&](const std::string& text) {
            failure = text;
        };
        steps.handOver = [&] {
            handedOver = failure;
        };
        steps.unknownFailure = "eigener Text";
        steps.evaluationMessages = c.evaluationMessages;
        TCheckWorker({running, gate, client, invoker}, server.BaseUrl() + "/liste", steps)
            .Execute();
        EXPECT_EQ(body, "Inhalt");
        EXPECT_EQ(handedOver, c.shown);
        EXPECT_FALSE(running);
        EXPECT_TRUE(gate.Empty());
    }
}

} // namespace
} // namespace vexrem
