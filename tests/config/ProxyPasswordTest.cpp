// The scrambled proxy password: its stored form, round trips for every byte
// and many lengths, and stored texts that are not a scrambled password.
#include "ConfigFixture.h"

#include "config/ProxyPassword.h"
#include "support/TempDir.h"

#include <random>
#include <set>

namespace vexrem::test {
namespace {

using namespace std::string_literals;

std::string AllBytes() {
    std::string s;
    for (int b = 1; b <= 255; ++b) {
        s.push_back(static_cast<char>(b));
    }
    return s;
}

std::string RandomBytes(std::mt19937& rng, std::size_t n) {
    std::string s;
    for (std::size_t i = 0; i < n; ++i) {
        s.push_back(static_cast<char>(1 + rng() % 255));
    }
    return s;
}

TEST(PasswordScrambling, StoredFormByHand) {
    // seed 12: 'a' ^ 12 = 'm'; k = ((12 + 2) mod 31) + 1 = 15; 'b' ^ 15 = 'm'
    EXPECT_EQ(ScramblePassword("ab", 12), "1mm2");
    // seed 29: keys 29, 8, 17, 25
    EXPECT_EQ(ScramblePassword("AAAA", 29), "2\\IPX9");
    // seed 30: keys 30, 31, 2, 5, 11
    EXPECT_EQ(ScramblePassword("\x1e\x1f\x02\x05\x0b"s, 30), "3\0\0\0\0\0"s
                                                             "0");
    EXPECT_EQ(ScramblePassword("x", 1), "0y1");
}

TEST(PasswordScrambling, UnscramblesByHand) {
    EXPECT_EQ(UnscramblePassword("1mm2"), "ab");
    EXPECT_EQ(UnscramblePassword("2\\IPX9"), "AAAA");
    // Seeds a scrambler never picks still unscramble: 99 and 0.
    EXPECT_EQ(UnscramblePassword("9" + std::string(1, static_cast<char>('z' ^ 99)) + "9"), "z");
    EXPECT_EQ(UnscramblePassword("0z0"), "z");
}

TEST(PasswordScrambling, EveryByteWithEverySeed) {
    for (int seed = 1; seed <= 30; ++seed) {
        for (int b = 1; b <= 255; ++b) {
            const std::string p(1, static_cast<char>(b));
            const std::string stored = ScramblePassword(p, seed);
            ASSERT_EQ(stored.size(), 3u);
            ASSERT_EQ(stored.front(), '0' + seed / 10);
            ASSERT_EQ(stored.back(), '0' + seed % 10);
            ASSERT_EQ(UnscramblePassword(stored), p) << seed << " " << b;
        }
        ASSERT_EQ(UnscramblePassword(ScramblePassword(AllBytes(), seed)), AllBytes());
    }
}

TEST(PasswordScrambling, LengthsUpTo300) {
    std::mt19937 rng(4711);
    for (std::size_t n = 0; n <= 300; ++n) {
        const std::string p = RandomBytes(rng, n);
        for (int seed : {1, 9, 10, 17, 30}) {
            const std::string stored = ScramblePassword(p, seed);
            ASSERT_EQ(stored.size(), n == 0 ? 0 : n + 2);
            ASSERT_EQ(UnscramblePassword(stored), p) << n;
        }
        const std::string stored = ScramblePassword(p);
        ASSERT_EQ(UnscramblePassword(stored), stored.empty() ? "" : p) << n;
    }
}

TEST(PasswordScrambling, RandomSeedVariesAndFitsOnALine) {
    std::set<std::string> seen;
    std::set<int> seeds;
    for (int i = 0; i < 400; ++i) {
        const std::string stored = ScramblePassword("geheim");
        ASSERT_EQ(stored.size(), 8u);
        ASSERT_EQ(UnscramblePassword(stored), "geheim");
        seeds.insert(10 * (stored.front() - '0') + (stored.back() - '0'));
        seen.insert(stored);
    }
    EXPECT_EQ(*seeds.begin(), 1);
    EXPECT_EQ(*seeds.rbegin(), 30);
    EXPECT_EQ(seeds.size(), 30u); // 400 draws miss one of 30 seeds with odds below 1e-10
    EXPECT_EQ(seen.size(), 30u);

    for (int b = 1; b < 32; ++b) {
        const std::string p(3, static_cast<char>(b));
        for (int i = 0; i < 20; ++i) {
            const std::string stored = ScramblePassword(p);
            ASSERT_EQ(stored.find_first_of("\0\r\n"s), std::string::npos) << b;
            ASSERT_EQ(UnscramblePassword(stored), p) << b;
        }
    }
}

TEST(PasswordScrambling, ErrorsGiveTheEmptyText) {
    EXPECT_EQ(ScramblePassword(""), "");
    EXPECT_EQ(ScramblePassword("", 5), "");
    EXPECT_EQ(ScramblePassword("x", 0), "");
    EXPECT_EQ(ScramblePassword("x", 31), "");
    EXPECT_EQ(ScramblePassword("x", -3), "");
    for (const char* stored : {"", "1", "12", "ab", "x12", "12x", "a1b", "1ab ", " 1a2", "1a2x"}) {
        EXPECT_EQ(UnscramblePassword(stored), "") << stored;
    }
    // No seed keeps this one off a line break: 31 control characters in a row.
    std::string hopeless;
    for (int i = 0; i < 40; ++i) {
        hopeless += "\x01\x0a\x0d\x0b\x07\x0e"s;
    }
    bool anySeed = false;
    for (int seed = 1; seed <= 30; ++seed) {
        anySeed |= ScramblePassword(hopeless, seed).find_first_of("\0\r\n"s) == std::string::npos;
    }
    ASSERT_FALSE(anySeed);
    EXPECT_EQ(ScramblePassword(hopeless), "");
}

using PasswordInFile = ConfigTest;

TEST_F(PasswordInFile, EmptyPasswordIsAnEmptyValue) {
    tConfig config(ConfigPath, Collect());
    EXPECT_NE(CommonIniText().find("\nProxyPassword=\n"), std::string::npos);
    EXPECT_EQ(config.ProxyPassword, "");
}

TEST_F(PasswordInFile, StoredTextsThatAreNoPassword) {
    for (const char* stored : {"1", "12", "ab", "x", "x12", "12x", "a1b", "!!!"}) {
        WriteFileBytes(CommonIni(), DefaultSectionWith("ProxyPassword", stored));
        tConfig config(ConfigPath, Collect());
        EXPECT_EQ(config.ProxyPassword, "") << stored;
    }
    WriteFileBytes(CommonIni(), DefaultSectionWith("ProxyPassword", "1mm2"));
    tConfig config(ConfigPath, Collect());
    EXPECT_EQ(config.ProxyPassword, "ab");
}

TEST_F(PasswordInFile, NeverStoredInPlainAndDifferentEachSave) {
    tConfig config(ConfigPath, Collect());
    config.ProxyPassword = "Geheimnis";
    std::set<std::string> stored;
    for (int i = 0; i < 10; ++i) {
        config.SaveToIni();
        const std::string s =
            platform.ReadProfileString(CommonIni(), "tester", "ProxyPassword", "");
        EXPECT_EQ(s.size(), 11u);
        EXPECT_EQ(s.find("Geheimnis"), std::string::npos);
        stored.insert(s);
    }
    EXPECT_GT(stored.size(), 1u);
}

TEST_F(PasswordInFile, RoundTripsEveryByteAndManyLengths) {
    tConfig config(ConfigPath, Collect());
    std::vector<std::string> passwords;
    for (int b = 1; b <= 255; ++b) {
        passwords.emplace_back(1, static_cast<char>(b));
    }
    passwords.push_back(" leading and trailing blanks ");
    passwords.push_back("=;[]#\"' \t");
    passwords.push_back("Pässwörd€");
    std::mt19937 rng(99);
    for (std::size_t n = 0; n <= 300; n += 23) {
        std::string p;
        for (std::size_t i = 0; i < n; ++i) {
            p.push_back(static_cast<char>(32 + rng() % 224)); // no control characters
        }
        passwords.push_back(p);
    }
    for (const std::string& p : passwords) {
        config.ProxyPassword = p;
        config.SaveToIni();
        config.ProxyPassword = "overwritten";
        config.LoadFromIni();
        ASSERT_EQ(config.ProxyPassword, p) << testing::PrintToString(p);
    }
}

} // namespace
} // namespace vexrem::test
