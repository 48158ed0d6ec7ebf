#include "HttpText.h"
#include "ServerOptions.h"

#include <gtest/gtest.h>

namespace vexrem::demo {
namespace {

TEST(PercentDecoding, UndoesTheRemindersLoginEncoding) {
    const std::string login = std::string("Max M") + char(0xE4) + "-_ r.2";
    const std::string encoded = percentEncode(login);
    EXPECT_EQ(encoded, "Max%20M%E4%2D%5F%20r.2");
    EXPECT_EQ(percentDecode(encoded), login);
}

TEST(PercentDecoding, AcceptsLowerCaseHexAndPlusAsSpace) {
    EXPECT_EQ(percentDecode("a%2db+c"), "a-b c");
    EXPECT_EQ(percentDecode("%00"), std::string(1, '\0'));
}

TEST(PercentDecoding, RejectsBrokenEscapes) {
    for (const char* bad : {"%", "%4", "abc%", "%G1", "%1G", "x%%41"}) {
        EXPECT_EQ(percentDecode(bad), std::nullopt) << bad;
    }
}

TEST(QueryParsing, KeepsQuestionMarksAndEqualSignsInsideTheValue) {
    const auto items = parseQuery("main=showmap.php?GID=4711&x&&y=%41");
    ASSERT_TRUE(items);
    EXPECT_EQ(queryValue(*items, "main"), "showmap.php?GID=4711");
    EXPECT_EQ(queryValue(*items, "x"), "");
    EXPECT_EQ(queryValue(*items, "y"), "A");
    EXPECT_EQ(queryValue(*items, "z"), std::nullopt);
    EXPECT_EQ(parseQuery("a=%zz"), std::nullopt);
}

TEST(DisplayText, EscapesMarkupAndKeepsValidUtf8) {
    EXPECT_EQ(displayHtml("<b>\"Tom\" & 'Jerry'</b>"),
              "&lt;b&gt;&quot;Tom&quot; &amp; &#39;Jerry&#39;&lt;/b&gt;");
    EXPECT_EQ(displayHtml("M\xC3\xA4x \xE2\x82\xAC"), "M\xC3\xA4x \xE2\x82\xAC");
}

TEST(DisplayText, TurnsSingleByteCodePageTextIntoUtf8) {
    EXPECT_EQ(displayHtml("M\xE4x"), "M\xC3\xA4x");              // Latin-1 a-umlaut
    EXPECT_EQ(displayHtml("\xC3"), "\xC3\x83");                  // cut-off sequence
    EXPECT_EQ(displayHtml("\xED\xA0\x80"), "\xC3\xAD\xC2\xA0?"); // encoded surrogate
    EXPECT_EQ(displayHtml(std::string("a\nb\0c", 5)), "a?b?c");  // control characters
}

TEST(NumberParsing, AcceptsOnlyPlainNumbersInRange) {
    EXPECT_EQ(parseNumber("42", 0, 50), 42);
    for (const char* bad : {"", "-1", "51", "4x", " 4", "+4", "99999999999999999999"}) {
        EXPECT_EQ(parseNumber(bad, 0, 50), std::nullopt) << bad;
    }
}

TEST(CommandLine, ReadsEveryOptionInBothSpellings) {
    const auto options = parseServerOptions(
        {"--port", "0", "--bind=0.0.0.0", "--data", "/tmp/x", "--turn-delay=0.25"});
    EXPECT_EQ(options.port, 0);
    EXPECT_EQ(options.bindAddress, "0.0.0.0");
    EXPECT_EQ(options.dataDir, "/tmp/x");
    EXPECT_EQ(options.turnDelay, std::chrono::milliseconds(250));
}

TEST(CommandLine, RejectsNonsense) {
    const std::vector<std::vector<std::string>> bad = {
        {"--port"},
        {"--port", "65536"},
        {"--port", "x"},
        {"--turn-delay", "-1"},
        {"--turn-delay", "inf"},
        {"--frobnicate"},
        {"--data="},
    };
    for (const auto& args : bad) {
        EXPECT_THROW(parseServerOptions(args), UsageError) << args[0];
    }
}

} // namespace
} // namespace vexrem::demo
