#include "worker/GuiInvoker.h"

#include <gtest/gtest.h>

#include <atomic>
#include <future>
#include <stdexcept>
#include <thread>

namespace vexrem {
namespace {

using namespace std::chrono_literals;

TEST(GuiInvokers, RefuseAfterShutdownAndPassExceptionsBack) {
    DirectGuiInvoker direct;
    int runs = 0;
    EXPECT_TRUE(direct.Invoke([&] { ++runs; }));
    EXPECT_THROW(direct.Invoke([] { throw std::runtime_error("x"); }), std::runtime_error);
    direct.Shutdown();
    EXPECT_FALSE(direct.Invoke([&] { ++runs; }));
    EXPECT_EQ(runs, 1);

    QueuedGuiInvoker queued;
    auto caller = std::async(std::launch::async, [&] {
        return queued.Invoke([] { throw std::logic_error("from the handler"); });
    });
    while (queued.WaitAndProcess(20ms) == 0) {
    }
    EXPECT_THROW(caller.get(), std::logic_error);
}

TEST(GuiInvokers, CallRunningOnTheGuiThreadIsWaitedForDespiteShutdown) {
    QueuedGuiInvoker queued;
    std::atomic<bool> finished{false};
    auto caller = std::async(std::launch::async, [&] {
        return queued.Invoke([&] {
            queued.Shutdown(); // e.g. the user quits from a modal popup
            std::this_thread::sleep_for(50ms);
            finished = true;
        });
    });
    while (queued.WaitAndProcess(20ms) == 0) {
    }
    EXPECT_TRUE(caller.get());
    EXPECT_TRUE(finished);
}

} // namespace
} // namespace vexrem
