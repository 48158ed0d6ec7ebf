#include "status/StatusPage.h"

#include <gtest/gtest.h>

#include <string>
#include <thread>
#include <vector>

namespace vexrem {
namespace {

struct PageCase {
    const char* name;
    std::string page;
    std::int32_t count;
    std::int32_t gid;
};

class StatusPageTable : public ::testing::TestWithParam<PageCase> {};

TEST_P(StatusPageTable, FindsTheLastOccurrence) {
    const PageCase& c = GetParam();
    EXPECT_EQ(GetDranCount(c.page), c.count);
    EXPECT_EQ(GetDranGID(c.page), c.gid);
}

INSTANTIATE_TEST_SUITE_P(
    Pages, StatusPageTable,
    ::testing::Values(
        PageCase{"Empty", "", -1, -1},
        PageCase{"OneGame", "<b>Vexel - 1</b> <a href=\"javascript:fenster(4711)\">", 1, 4711},
        PageCase{"Zero", "Vexel - 0", 0, -1},
        PageCase{"LastCountWins", "Vexel - 3\r\n...\r\nVexel - 0", 0, -1},
        PageCase{"DigitsStopAtNonDigit", "Vexel - 12abc", 12, -1},
        PageCase{"AllDigitsTaken", "Vexel - 0042 games", 42, -1},
        PageCase{"NoSpaceAfterHyphen", "Vexel -3", -1, -1},
        PageCase{"LowerCase", "vexel - 3", -1, -1},
        PageCase{"DigitsOnNextLine", "Vexel - \r\n3", -1, -1},
        PageCase{"LaterDigitlessOccurrenceIgnored", "Vexel - 5 and Vexel - none", 5, -1},
        PageCase{"LaterGameWins", "fenster(4711) fenster(815)", -1, 815},
        PageCase{"SpacesInsideParentheses", "fenster( 4711 )", -1, -1},
        PageCase{"UnclosedParenthesis", "fenster(4711", -1, -1},
        PageCase{"LaterBrokenGameFallsBack", "fenster(4711) fenster(12x)", -1, 4711},
        PageCase{"LargestInt", "Vexel - 2147483647 fenster(2147483647)", 2147483647, 2147483647},
        // A number beyond 32 bits counts as no number at all.
        PageCase{"TooLarge", "Vexel - 2147483648 fenster(99999999999)", -1, -1},
        PageCase{"BytesAboveAscii", "\xe4\xf6\xfc Vexel - 7 \xff fenster(9)\x80", 7, 9},
        PageCase{"NonAsciiDigitsAreNoDigits", "Vexel - \xd9\xa3", -1, -1}),
    [](const ::testing::TestParamInfo<PageCase>& info) { return std::string(info.param.name); });

TEST(StatusPage, NulBytesDoNotEndThePage) {
    const std::string page("abc\0def Vexel - 2\0 fenster(5)", 30);
    EXPECT_EQ(GetDranCount(page), 2);
    EXPECT_EQ(GetDranGID(page), 5);
}

// A long page must not run into the engine's step limit, whichever end the
// text is at.
TEST(StatusPage, SixteenMebibytePageFindsTextAtEitherEnd) {
    std::string page(16u << 20, 'x');
    for (std::size_t i = 80; i < page.size(); i += 81) {
        page[i] = '\n';
    }
    std::string nearStart = page;
    nearStart.replace(100, 24, "Vexel - 1 fenster(31337)");
    EXPECT_EQ(GetDranCount(nearStart), 1);
    EXPECT_EQ(GetDranGID(nearStart), 31337);

    std::string nearEnd = page;
    nearEnd.replace(page.size() - 200, 10, "Vexel - 23");
    EXPECT_EQ(GetDranCount(nearEnd), 23);
    EXPECT_EQ(GetDranCount(page), -1);
}

TEST(StatusPage, ManyThreadsShareThePatterns) {
    std::vector<std::thread> threads;
    std::vector<int> wrong(8, 0);
    for (int t = 0; t < 8; ++t) {
        threads.emplace_back([t, &wrong] {
            const std::string page = std::string(5000, '.') + "Vexel - " + std::to_string(t) +
                                     " fenster(" + std::to_string(1000 + t) + ")";
            for (int i = 0; i < 200; ++i) {
                if (GetDranCount(page) != t || GetDranGID(page) != 1000 + t) {
                    ++wrong[static_cast<std::size_t>(t)];
                }
            }
        });
    }
    for (auto& th : threads) {
        th.join();
    }
    EXPECT_EQ(wrong, std::vector<int>(8, 0));
}

} // namespace
} // namespace vexrem
