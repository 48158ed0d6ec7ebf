// How stored values are read: number forms, bounds, booleans, and the one
// default that depends on the environment.
#include "ConfigFixture.h"

#include "support/TempDir.h"

#include <algorithm>
#include <cctype>
#include <climits>
#include <optional>
#include <ostream>
#include <set>
#include <variant>
#include <vector>

namespace vexrem::test {
namespace {

struct IntegerCase {
    const char* key;
    const char* stored; // nullptr: the key is missing
    int ConfigSettings::*field;
    int expected;
};

std::ostream& operator<<(std::ostream& os, const IntegerCase& c) {
    return os << c.key << "=" << (c.stored != nullptr ? c.stored : "<missing>");
}

class IntegerSettings : public ConfigTest, public testing::WithParamInterface<IntegerCase> {};

TEST_P(IntegerSettings, LoadAsExpected) {
    const IntegerCase& c = GetParam();
    WriteFileBytes(CommonIni(), DefaultSectionWith(c.key, c.stored));
    tConfig config(ConfigPath, Collect());
    EXPECT_EQ(config.*c.field, c.expected);
    // The loaded value is what goes back into the file.
    EXPECT_EQ(platform.ReadProfileString(CommonIni(), "tester", c.key, "?"),
              std::to_string(c.expected));
}

using S = ConfigSettings;

INSTANTIATE_TEST_SUITE_P(
    BoundsAndForms, IntegerSettings,
    testing::Values(
        // Interval 20..1800, default 120
        IntegerCase{"Interval", "5", &S::Interval, 20},
        IntegerCase{"Interval", "20", &S::Interval, 20},
        IntegerCase{"Interval", "19", &S::Interval, 20},
        IntegerCase{"Interval", "1800", &S::Interval, 1800},
        IntegerCase{"Interval", "1801", &S::Interval, 1800},
        IntegerCase{"Interval", "5000", &S::Interval, 1800},
        IntegerCase{"Interval", "abc", &S::Interval, 120},
        IntegerCase{"Interval", "0x3C", &S::Interval, 60},
        IntegerCase{"Interval", "0X3c", &S::Interval, 60},
        IntegerCase{"Interval", "0x", &S::Interval, 120},
        IntegerCase{"Interval", "0x3G", &S::Interval, 120},
        IntegerCase{"Interval", "x3C", &S::Interval, 120},
        IntegerCase{"Interval", "  90  ", &S::Interval, 90},
        IntegerCase{"Interval", "+90", &S::Interval, 90},
        IntegerCase{"Interval", "-90", &S::Interval, 20},
        IntegerCase{"Interval", "90s", &S::Interval, 120},
        IntegerCase{"Interval", "9 0", &S::Interval, 120},
        IntegerCase{"Interval", "1e3", &S::Interval, 120},
        IntegerCase{"Interval", "", &S::Interval, 120},
        IntegerCase{"Interval", "99999999999", &S::Interval, 120},
        IntegerCase{"Interval", "2147483647", &S::Interval, 1800},
        IntegerCase{"Interval", "-2147483648", &S::Interval, 20},
        IntegerCase{"Interval", "0x7FFFFFFF", &S::Interval, 1800},
        IntegerCase{"Interval", "0xFFFFFFFF", &S::Interval, 20},
        IntegerCase{"Interval", "0x100000000", &S::Interval, 120},
        IntegerCase{"Interval", nullptr, &S::Interval, 120},
        // ProxyPort 0..65535, default 8080
        IntegerCase{"ProxyPort", "-1", &S::ProxyPort, 0},
        IntegerCase{"ProxyPort", "0", &S::ProxyPort, 0},
        IntegerCase{"ProxyPort", "65535", &S::ProxyPort, 65535},
        IntegerCase{"ProxyPort", "70000", &S::ProxyPort, 65535},
        IntegerCase{"ProxyPort", "0x50", &S::ProxyPort, 80},
        IntegerCase{"ProxyPort", "http", &S::ProxyPort, 8080},
        IntegerCase{"ProxyPort", nullptr, &S::ProxyPort, 8080},
        // StartupDelay 1..60, default 5
        IntegerCase{"StartupDelay", "0", &S::StartupDelay, 1},
        IntegerCase{"StartupDelay", "61", &S::StartupDelay, 60},
        IntegerCase{"StartupDelay", "7", &S::StartupDelay, 7},
        IntegerCase{"StartupDelay", nullptr, &S::StartupDelay, 5},
        // BalloonTimeout 1..10, default 10
        IntegerCase{"BalloonTimeout", "30", &S::BalloonTimeout, 10},
        IntegerCase{"BalloonTimeout", "0", &S::BalloonTimeout, 1},
        IntegerCase{"BalloonTimeout", "3", &S::BalloonTimeout, 3},
        IntegerCase{"BalloonTimeout", "zehn", &S::BalloonTimeout, 10},
        // PopupDelay1 / PopupDelay2 1..3600, defaults 300 / 900
        IntegerCase{"PopupDelay1", "0", &S::PopupDelay1, 1},
        IntegerCase{"PopupDelay1", "3601", &S::PopupDelay1, 3600},
        IntegerCase{"PopupDelay1", "", &S::PopupDelay1, 300},
        IntegerCase{"PopupDelay2", "0", &S::PopupDelay2, 1},
        IntegerCase{"PopupDelay2", "99999", &S::PopupDelay2, 3600},
        IntegerCase{"PopupDelay2", "?", &S::PopupDelay2, 900},
        // TrayIconBlinkSpeed 500..2000, default 1000
        IntegerCase{"TrayIconBlinkSpeed", "100", &S::TrayIconBlinkSpeed, 500},
        IntegerCase{"TrayIconBlinkSpeed", "2001", &S::TrayIconBlinkSpeed, 2000},
        IntegerCase{"TrayIconBlinkSpeed", "750", &S::TrayIconBlinkSpeed, 750},
        IntegerCase{"TrayIconBlinkSpeed", "fast", &S::TrayIconBlinkSpeed, 1000}));

struct BoolCase {
    const char* key;
    const char* stored;
    bool ConfigSettings::*field;
    bool expected;
};

std::ostream& operator<<(std::ostream& os, const BoolCase& c) {
    return os << c.key << "=" << (c.stored != nullptr ? c.stored : "<missing>");
}

class BoolSettings : public ConfigTest, public testing::WithParamInterface<BoolCase> {};

TEST_P(BoolSettings, LoadAsExpected) {
    const BoolCase& c = GetParam();
    WriteFileBytes(CommonIni(), DefaultSectionWith(c.key, c.stored));
    tConfig config(ConfigPath, Collect());
    EXPECT_EQ(config.*c.field, c.expected);
    EXPECT_EQ(platform.ReadProfileString(CommonIni(), "tester", c.key, "?"),
              c.expected ? "1" : "0");
}

INSTANTIATE_TEST_SUITE_P(
    NumbersAndDefaults, BoolSettings,
    testing::Values(
        BoolCase{"Active", "2", &S::Active, true}, BoolCase{"Active", "1", &S::Active, true},
        BoolCase{"Active", "-1", &S::Active, true}, BoolCase{"Active", "0x10", &S::Active, true},
        BoolCase{"Active", "0", &S::Active, false}, BoolCase{"Active", "yes", &S::Active, false},
        BoolCase{"Active", "true", &S::Active, false},
        BoolCase{"Active", nullptr, &S::Active, false},
        BoolCase{"ShowBalloon", "0", &S::ShowBalloon, false},
        BoolCase{"ShowBalloon", "no", &S::ShowBalloon, true},
        BoolCase{"ShowBalloon", nullptr, &S::ShowBalloon, true},
        BoolCase{"gotoGameOnBalloonClick", "0", &S::gotoGameOnBalloonClick, false},
        BoolCase{"gotoGameOnBalloonClick", nullptr, &S::gotoGameOnBalloonClick, true},
        BoolCase{"StartupCheck", "1", &S::StartupCheck, true},
        BoolCase{"ShowPopup", "7", &S::ShowPopup, true},
        BoolCase{"UseProxy", "1", &S::UseProxy, true},
        BoolCase{"ProxyAuth", "1", &S::ProxyAuth, true},
        BoolCase{"UseZavazuzeza", "0", &S::UseZavazuzeza, false},
        BoolCase{"UseZavazuzeza", "", &S::UseZavazuzeza, true},
        BoolCase{"TrayIconModeNormal", "0", &S::TrayIconModeNormal, false},
        BoolCase{"TrayIconBlinkOnError", "1", &S::TrayIconBlinkOnError, true},
        BoolCase{"TrayIconReducedColors", "1", &S::TrayIconReducedColors, true},
        BoolCase{"TrayIconReducedColors", "0", &S::TrayIconReducedColors, false}));

using TextSettings = ConfigTest;

TEST_F(TextSettings, AreTakenAsTheyAreButTrimmed) {
    WriteFileBytes(CommonIni(), "[tester]\n"
                                "UserName=  Max Mustermann  \n"
                                "BalloonCaption=\n"
                                "BalloonText=%d%d \"quoted\" ; not a comment\n"
                                "TooltipText=Äpfel=Birnen\n"
                                "TooltipTextNDran=" +
                                    std::string(3000, 'n') + "\n");
    tConfig config(ConfigPath, Collect());
    EXPECT_EQ(config.UserName, "Max Mustermann");
    EXPECT_EQ(config.BalloonCaption, "");
    EXPECT_EQ(config.BalloonText, "%d%d \"quoted\" ; not a comment");
    EXPECT_EQ(config.ToolTipText, "Äpfel=Birnen");
    EXPECT_EQ(config.ToolTipTextNDran, std::string(2047, 'n'));
}

TEST_F(TextSettings, TooltipPropertiesUseTheirOwnKeys) {
    WriteFileBytes(CommonIni(), "[tester]\nToolTipText=by property name\n"
                                "TOOLTIPTEXTNDRAN=by key, any case\n");
    tConfig config(ConfigPath, Collect());
    // Keys are compared without regard to case, so both spellings are one key.
    EXPECT_EQ(config.ToolTipText, "by property name");
    EXPECT_EQ(config.ToolTipTextNDran, "by key, any case");
}

using ReducedColorsDefault = ConfigTest;

TEST_F(ReducedColorsDefault, FollowsTheLastProcessorUnderWine) {
    struct Row {
        bool notNative;
        EnvironmentKind kind;
        bool expected;
    };
    const Row rows[] = {
        {true, EnvironmentKind::WINE, true},     {true, EnvironmentKind::VMWare, false},
        {true, EnvironmentKind::Unknown, false}, {true, EnvironmentKind::Native, false},
        {false, EnvironmentKind::Native, false}, {false, EnvironmentKind::WINE, false},
        {true, EnvironmentKind::QEMU, false},    {true, EnvironmentKind::VirtualBox, false},
    };
    for (const Row& r : rows) {
        NotNativeEnvironment = r.notNative;
        DetectedEnvironment = r.kind;
        SCOPED_TRACE(testing::Message() << r.notNative << " " << int(r.kind));
        EXPECT_EQ(ReducedColorsByDefault(), r.expected);
        EXPECT_EQ(ConfigSettings{}.TrayIconReducedColors, r.expected);

        // A missing key loads as the default ...
        WriteFileBytes(CommonIni(), DefaultSectionWith("TrayIconReducedColors", nullptr));
        tConfig config(ConfigPath, Collect());
        EXPECT_EQ(config.TrayIconReducedColors, r.expected);
        // ... and so do fresh defaults.
        config.TrayIconReducedColors = !r.expected;
        config.SetDefaults();
        EXPECT_EQ(config.TrayIconReducedColors, r.expected);
    }
}

TEST_F(ReducedColorsDefault, StoredValueWinsUnderWine) {
    NotNativeEnvironment = true;
    DetectedEnvironment = EnvironmentKind::WINE;
    WriteFileBytes(CommonIni(), "[tester]\nTrayIconReducedColors=0\n");
    tConfig config(ConfigPath, Collect());
    EXPECT_FALSE(config.TrayIconReducedColors);
}

// The table is the one list of settings: a key or field given twice makes
// two settings share one, a default outside its bounds changes at the first
// reload.
TEST(SettingsTable, EveryKeyAndFieldOnceAndDefaultsWithinBounds) {
    std::set<std::string> keys;
    std::vector<std::string ConfigSettings::*> texts;
    std::vector<int ConfigSettings::*> integers;
    std::vector<bool ConfigSettings::*> flags;
    for (const SettingEntry& e : SettingsTable) {
        std::string key = e.key;
        std::transform(key.begin(), key.end(), key.begin(), [](unsigned char c) {
            return static_cast<char>(std::tolower(c)); // the file's keys ignore case
        });
        EXPECT_TRUE(keys.insert(key).second) << e.key;
        if (const auto* t = std::get_if<TextSetting>(&e.setting)) {
            texts.push_back(t->field);
        } else if (const auto* p = std::get_if<PasswordSetting>(&e.setting)) {
            texts.push_back(p->field);
        } else if (const auto* f = std::get_if<FlagSetting>(&e.setting)) {
            flags.push_back(f->field);
        } else {
            const auto& i = std::get<IntegerSetting>(e.setting);
            integers.push_back(i.field);
            EXPECT_TRUE(i.min <= i.def && i.def <= i.max) << e.key;
        }
    }
    const auto eachOnce = [](const auto& fields) {
        return std::all_of(fields.begin(), fields.end(), [&](const auto& f) {
            return std::count(fields.begin(), fields.end(), f) == 1;
        });
    };
    EXPECT_TRUE(eachOnce(texts));
    EXPECT_TRUE(eachOnce(integers));
    EXPECT_TRUE(eachOnce(flags));
}

struct ParseCase {
    const char* text;
    std::optional<int> expected;
};

class IniIntegers : public testing::TestWithParam<ParseCase> {};

TEST_P(IniIntegers, Parse) {
    EXPECT_EQ(ParseIniInteger(GetParam().text), GetParam().expected) << GetParam().text;
}

INSTANTIATE_TEST_SUITE_P(
    Forms, IniIntegers,
    testing::Values(ParseCase{"0", 0}, ParseCase{"42", 42}, ParseCase{"-42", -42},
                    ParseCase{"+42", 42}, ParseCase{"007", 7}, ParseCase{"0x0", 0},
                    ParseCase{"0xff", 255}, ParseCase{"0XFF", 255},
                    ParseCase{"0x80000000", INT_MIN}, ParseCase{"2147483647", 2147483647},
                    ParseCase{"2147483648", std::nullopt}, ParseCase{"", std::nullopt},
                    ParseCase{"-", std::nullopt}, ParseCase{"+", std::nullopt},
                    ParseCase{"+-1", std::nullopt}, ParseCase{"--1", std::nullopt},
                    ParseCase{" 1", std::nullopt}, ParseCase{"1 ", std::nullopt},
                    ParseCase{"0x", std::nullopt}, ParseCase{"0x-1", std::nullopt},
                    ParseCase{"0x+1", std::nullopt}, ParseCase{"-0x10", std::nullopt},
                    ParseCase{"$10", std::nullopt}, ParseCase{"1.5", std::nullopt},
                    ParseCase{"١", std::nullopt}));

} // namespace
} // namespace vexrem::test
