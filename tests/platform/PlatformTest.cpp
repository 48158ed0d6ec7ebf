#include "platform/Platform.h"

#include <gtest/gtest.h>

namespace vexrem {
namespace {

TEST(PathParts, SplitsFolderAndName) {
    EXPECT_EQ(ExtractFilePath("/a/b/c.ini"), "/a/b/");
    EXPECT_EQ(ExtractFileName("/a/b/c.ini"), "c.ini");
    EXPECT_EQ(ExtractFilePath("c.ini"), "");
    EXPECT_EQ(ExtractFileName("c.ini"), "c.ini");
    EXPECT_EQ(IncludeTrailingPathDelimiter("/a"), "/a/");
    EXPECT_EQ(IncludeTrailingPathDelimiter("/a/"), "/a/");
}

TEST(ExeVersion, IsFourNumbers) {
    const std::string v = ExeVersionText();
    int dots = 0;
    for (char c : v) {
        if (c == '.') {
            ++dots;
        } else {
            EXPECT_TRUE(c >= '0' && c <= '9') << v;
        }
    }
    EXPECT_EQ(dots, 3) << v;
}

} // namespace
} // namespace vexrem
