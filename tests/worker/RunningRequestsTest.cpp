#include "worker/RunningRequests.h"

#include <gtest/gtest.h>

#include <utility>

namespace vexrem {
namespace {

TEST(RunningRequestsGate, EntryLeavesWhenMovedFromAndDestroyed) {
    TRunningRequests RunningRequests;
    {
        auto first = RunningRequests.Enter();
        auto moved = std::move(first);
        EXPECT_FALSE(first);
        EXPECT_FALSE(RunningRequests.Empty());
    }
    EXPECT_TRUE(RunningRequests.Empty());
}

} // namespace
} // namespace vexrem
