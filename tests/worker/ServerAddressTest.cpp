#include "worker/ServerAddress.h"
#include "support/TestGuards.h"

#include <gtest/gtest.h>

namespace vexrem {
namespace {

TEST(ServerAddress, EnvironmentOverridesTheDefaults) {
    test::SetEnv(kGameServerEnv, nullptr);
    test::SetEnv(kSiteEnv, nullptr);
    EXPECT_EQ(GameServerBase(), "http://www.vexelfeld.example");
    EXPECT_EQ(SiteBase(), "http://www.vexreminder.example");
    test::SetEnv(kGameServerEnv, "http://127.0.0.1:8080/");
    test::SetEnv(kSiteEnv, "http://127.0.0.1:8081");
    EXPECT_EQ(GameServerBase(), "http://127.0.0.1:8080");
    EXPECT_EQ(SiteBase(), "http://127.0.0.1:8081");
    test::SetEnv(kGameServerEnv, "");
    EXPECT_EQ(GameServerBase(), "http://www.vexelfeld.example");
    test::SetEnv(kGameServerEnv, nullptr);
    test::SetEnv(kSiteEnv, nullptr);
}

} // namespace
} // namespace vexrem
