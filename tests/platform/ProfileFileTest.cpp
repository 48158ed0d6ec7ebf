// The INI text engine: how keys are found, and that a change touches only its
// own line.
#include "platform/ProfileFile.h"
#include "platform/StringUtil.h"

#include <gtest/gtest.h>

#include <optional>
#include <random>
#include <string>
#include <vector>

namespace vexrem::profile {
namespace {

using namespace std::string_literals;

const std::string Sample = "; settings\n"
                           "[Alice]\n"
                           "UserName=alice\n"
                           "Interval = 300 \n"
                           "\n"
                           "[Bob]\n"
                           "UserName=bob\n"
                           "Empty=\n"
                           "Eq=a=b\n";

TEST(ProfileRead, FindsKeysWhateverTheirCase) {
    EXPECT_EQ(FindValue(Sample, "alice", "username"), "alice");
    EXPECT_EQ(FindValue(Sample, "ALICE", "USERNAME"), "alice");
    EXPECT_EQ(FindValue(Sample, "Bob", "UserName"), "bob");
}

TEST(ProfileRead, TrimsBlanksAroundKeyAndValue) {
    EXPECT_EQ(FindValue(Sample, "Alice", "Interval"), "300");
    EXPECT_EQ(FindValue("[s]\n \t k \t=\t v w \t\n", "s", "k"), "v w");
}

TEST(ProfileRead, EmptyValueIsAValue) {
    EXPECT_EQ(FindValue(Sample, "Bob", "Empty"), "");
}

TEST(ProfileRead, ValueRunsFromTheFirstEquals) {
    EXPECT_EQ(FindValue(Sample, "Bob", "Eq"), "a=b");
}

TEST(ProfileRead, MissingSectionOrKeyGivesNothing) {
    EXPECT_EQ(FindValue(Sample, "Carol", "UserName"), std::nullopt);
    EXPECT_EQ(FindValue(Sample, "Alice", "Missing"), std::nullopt);
    EXPECT_EQ(FindValue("", "Alice", "UserName"), std::nullopt);
    // A key of one section is not found in another.
    EXPECT_EQ(FindValue(Sample, "Alice", "Empty"), std::nullopt);
}

TEST(ProfileRead, KeysBeforeAnySectionBelongToNone) {
    EXPECT_EQ(FindValue("k=1\n[s]\n", "s", "k"), std::nullopt);
    EXPECT_EQ(FindValue("k=1\n", "", "k"), std::nullopt);
}

TEST(ProfileRead, ReadsCrLfAndLfAlike) {
    EXPECT_EQ(FindValue("[s]\r\nk=v\r\nl=w\r\n", "s", "k"), "v");
    EXPECT_EQ(FindValue("[s]\r\nk=v\r\nl=w\r\n", "s", "l"), "w");
    EXPECT_EQ(FindValue("[s]\r\nk=v\nl=w", "s", "l"), "w");
}

TEST(ProfileRead, LastLineNeedsNoLineBreak) {
    EXPECT_EQ(FindValue("[s]\nk=v", "s", "k"), "v");
}

TEST(ProfileRead, SkipsByteOrderMark) {
    EXPECT_EQ(FindValue("\xEF\xBB\xBF[s]\nk=v\n", "s", "k"), "v");
}

TEST(ProfileRead, FirstOfDuplicateSectionsAndKeysWins) {
    const std::string text = "[s]\nk=1\nk=2\n[S]\nk=3\nj=4\n";
    EXPECT_EQ(FindValue(text, "s", "k"), "1");
    // Keys of a later section of the same name are not seen.
    EXPECT_EQ(FindValue(text, "s", "j"), std::nullopt);
}

TEST(ProfileRead, IgnoresCommentsAndLinesWithoutEquals) {
    const std::string text = "[s]\n;k=comment\njunk line\nk\n  k=real\n";
    EXPECT_EQ(FindValue(text, "s", "k"), "real");
}

TEST(ProfileRead, SectionHeaderMayCarryBlanksAndTrailingText) {
    EXPECT_EQ(FindValue("  [ s ]  \nk=v\n", "s", "k"), "v");
    EXPECT_EQ(FindValue("[a]b]\nk=v\n", "a]b", "k"), "v");
    EXPECT_EQ(FindValue("[s\nk=v\n", "s", "k"), std::nullopt);
}

TEST(ProfileRead, ValueIsCutTo2047Bytes) {
    const std::string longValue(5000, 'x');
    const auto v = FindValue("[s]\nk=" + longValue + "\n", "s", "k");
    ASSERT_TRUE(v);
    EXPECT_EQ(*v, std::string(2047, 'x'));
    EXPECT_EQ(FindValue("[s]\nk=" + std::string(2047, 'y') + "\n", "s", "k"),
              std::string(2047, 'y'));
}

TEST(ProfileRead, ValueEndsAtNul) {
    EXPECT_EQ(FindValue("[s]\nk=ab\0cd\n"s, "s", "k"), "ab");
}

TEST(ProfileSectionKeys, CountsOnlyKeyLines) {
    EXPECT_TRUE(SectionHasKeys(Sample, "alice"));
    EXPECT_FALSE(SectionHasKeys(Sample, "carol"));
    EXPECT_FALSE(SectionHasKeys("[s]\n", "s"));
    EXPECT_FALSE(SectionHasKeys("[s]\n\n;note=x\njunk\n[t]\nk=v\n", "s"));
    EXPECT_TRUE(SectionHasKeys("[s]\n\n;note\nk=\n", "s"));
    EXPECT_FALSE(SectionHasKeys("", "s"));
}

TEST(ProfileWrite, NewTextGetsSectionAndKey) {
    EXPECT_EQ(SetValue("", "s", "k", "v"), "[s]\nk=v\n");
}

TEST(ProfileWrite, ReplacesValueInPlace) {
    const std::string out = SetValue(Sample, "ALICE", "interval", "60");
    std::string expected = Sample;
    expected.replace(expected.find("300 "), 4, "60");
    EXPECT_EQ(out, expected);
}

TEST(ProfileWrite, AppendsNewKeyAtEndOfItsSection) {
    const std::string out = SetValue(Sample, "Alice", "Active", "1");
    std::string expected = Sample;
    expected.insert(expected.find("\n\n[Bob]") + 1, "Active=1\n");
    EXPECT_EQ(out, expected);
    EXPECT_EQ(SetValue(Sample, "Bob", "New", "x"), Sample + "New=x\n");
}

TEST(ProfileWrite, AppendsNewSectionAtTheEnd) {
    EXPECT_EQ(SetValue(Sample, "Carol", "UserName", "carol"),
              Sample + "\n[Carol]\nUserName=carol\n");
    EXPECT_EQ(SetValue("[a]\nk=1\n\n", "b", "k", "2"), "[a]\nk=1\n\n[b]\nk=2\n");
}

TEST(ProfileWrite, KeepsCrLfStyle) {
    EXPECT_EQ(SetValue("[s]\r\nk=1\r\n", "s", "k", "2"), "[s]\r\nk=2\r\n");
    EXPECT_EQ(SetValue("[s]\r\nk=1\r\n", "s", "j", "2"), "[s]\r\nk=1\r\nj=2\r\n");
    EXPECT_EQ(SetValue("[s]\r\nk=1\r\n", "t", "j", "2"), "[s]\r\nk=1\r\n\r\n[t]\r\nj=2\r\n");
}

TEST(ProfileWrite, CompletesAMissingFinalLineBreak) {
    EXPECT_EQ(SetValue("[s]\nk=1", "s", "k", "2"), "[s]\nk=2");
    EXPECT_EQ(SetValue("[s]\nk=1", "s", "j", "2"), "[s]\nk=1\nj=2\n");
    EXPECT_EQ(SetValue("[s]", "s", "j", "2"), "[s]\nj=2\n");
    EXPECT_EQ(SetValue("[s]\nk=1", "t", "j", "2"), "[s]\nk=1\n\n[t]\nj=2\n");
}

TEST(ProfileWrite, KeepsSpellingAndSpacingOfTheKey) {
    EXPECT_EQ(SetValue("[S]\n  Key = old \n", "s", "KEY", "new"), "[S]\n  Key = new\n");
}

TEST(ProfileWrite, ChangesOnlyTheFirstOfDuplicates) {
    EXPECT_EQ(SetValue("[s]\nk=1\nk=2\n[s]\nk=3\n", "s", "k", "9"), "[s]\nk=9\nk=2\n[s]\nk=3\n");
    EXPECT_EQ(SetValue("[s]\n[s]\nk=3\n", "s", "k", "9"), "[s]\nk=9\n[s]\nk=3\n");
}

TEST(ProfileWrite, ValueStaysOnItsLine) {
    // A line break or NUL in a value would end it anyway; what follows must
    // not become lines (or sections) of its own.
    const std::string out = SetValue("[s]\n", "s", "k", "a\n[t]\nx=1");
    EXPECT_EQ(out, "[s]\nk=a\n");
    EXPECT_EQ(SetValue("[s]\n", "s", "k", "a\rb"), "[s]\nk=a\n");
    EXPECT_EQ(SetValue("[s]\n", "s", "k", "a\0b"s), "[s]\nk=a\n");
}

TEST(ProfileWrite, KeepsByteOrderMark) {
    EXPECT_EQ(SetValue("\xEF\xBB\xBF[s]\nk=1\n", "s", "k", "2"), "\xEF\xBB\xBF[s]\nk=2\n");
}

TEST(ProfileWrite, WrittenValueReadsBack) {
    std::string text;
    for (const char* value : {"plain", "", "with spaces inside", "%d games", "a=b", "ÄÖÜ äöü ß"}) {
        text = SetValue(text, "User", "Key", value);
        EXPECT_EQ(FindValue(text, "user", "key"), value);
    }
}

// Values are trimmed when read, so a line may hold more than its value says.
// Writing back what was read changes no byte, and writing the same value
// again changes nothing: a value with leading blanks must not gain another
// set of them at every save.
TEST(ProfileWrite, RewritingIsAFixedPoint) {
    const std::string longValue(3000, 'x');
    const std::string texts[] = {
        "[s]\nk=  lead\n", "[s]\nk = \t both \t\n",      "[s]\nk=trail  \r\n", "[s]\nk=   \n",
        "[s]\nk=a\0b\n"s,  "[s]\nk=" + longValue + "\n", "[s]\nk=  lead",      "[s]\nk=1\nk=  2\n",
        "[s]\nk=a\rb\n", // a lone CR: written anew it would cut the value, kept it is no new line
    };
    for (const std::string& text : texts) {
        const std::optional<std::string> read = FindValue(text, "s", "k");
        ASSERT_TRUE(read) << testing::PrintToString(text);
        EXPECT_EQ(SetValue(text, "s", "k", *read), text) << testing::PrintToString(text);
    }
    for (const char* value : {"  lead", " \t", "trail  ", "  both  ", "plain", ""}) {
        for (const char* line : {"k=old", "k=  old", "k = old "}) {
            const std::string once = SetValue("[s]\n"s + line + "\n", "s", "k", value);
            EXPECT_EQ(SetValue(once, "s", "k", value), once) << line << "|" << value;
            EXPECT_EQ(FindValue(once, "s", "k"), TrimBlanks(value)) << line << "|" << value;
        }
    }
}

// Random garbage around the sections we touch: never a crash, the written
// value always reads back, and a key of another section keeps its value.
TEST(ProfileGarbage, SurvivesRandomText) {
    const std::vector<std::string> pieces = {"[",
                                             "]",
                                             "[Sec]",
                                             "[sec]",
                                             "[Other]",
                                             "Key",
                                             "KEY",
                                             "x",
                                             "=",
                                             " ",
                                             "\t",
                                             "\r",
                                             "\n",
                                             "\r\n",
                                             ";",
                                             std::string(1, '\0'),
                                             "\xEF\xBB\xBF",
                                             "\xff",
                                             "\x80",
                                             "k=v",
                                             "Key=1\n"};
    std::mt19937 rng(12345);
    for (int round = 0; round < 3000; ++round) {
        std::string text;
        const int n = static_cast<int>(rng() % 40);
        for (int i = 0; i < n; ++i) {
            if (rng() % 5 == 0) {
                text.push_back(static_cast<char>(rng() % 256));
            } else {
                text += pieces[rng() % pieces.size()];
            }
        }
        const auto otherBefore = FindValue(text, "Other", "x");
        const bool hadKeys = SectionHasKeys(text, "Other");
        const std::string out = SetValue(text, "Sec", "Key", "value");
        ASSERT_EQ(FindValue(out, "sec", "key"), "value") << testing::PrintToString(text);
        ASSERT_EQ(FindValue(out, "Other", "x"), otherBefore) << testing::PrintToString(text);
        ASSERT_EQ(SectionHasKeys(out, "Other"), hadKeys) << testing::PrintToString(text);
        ASSERT_TRUE(SectionHasKeys(out, "Sec"));
        if (const auto read = FindValue(text, "Sec", "Key")) {
            ASSERT_EQ(SetValue(text, "Sec", "Key", *read), text) << testing::PrintToString(text);
        }
        ASSERT_EQ(SetValue(out, "Sec", "Key", "value"), out) << testing::PrintToString(text);
    }
}

TEST(ProfileGarbage, HandlesAHundredKilobyteLine) {
    const std::string big(100 * 1024, 'q');
    const std::string text = "[s]\n" + big + "\nk=1\n" + "j=" + big;
    EXPECT_EQ(FindValue(text, "s", "k"), "1");
    EXPECT_EQ(FindValue(text, "s", "j"), std::string(2047, 'q'));
    const std::string out = SetValue(text, "s", "k", "2");
    EXPECT_EQ(out.size(), text.size());
    EXPECT_EQ(FindValue(out, "s", "k"), "2");
}

TEST(ProfileTrim, BlanksOnly) {
    EXPECT_EQ(TrimBlanks(" \t\r\v\fa b\f\v\r\t "), "a b");
    EXPECT_EQ(TrimBlanks("   "), "");
    EXPECT_EQ(SingleLine("ab\r\ncd"), "ab");
    EXPECT_EQ(SingleLine("abc"), "abc");
}

} // namespace
} // namespace vexrem::profile
