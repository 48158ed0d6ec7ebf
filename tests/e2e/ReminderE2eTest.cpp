// The real program on a virtual screen with a real tray host, talking to the
// demo game server: what a player sees in the tray, what a click opens, what
// ends up in the settings file, and the single-instance rule.
//
// Each test runs the program in a home folder of its own, with a recording
// xdg-open first in PATH. With VEXREM_E2E_SCREENSHOTS=DIR the tray states are
// saved there as tray-green.png / tray-yellow.png / tray-red.png.
#include "Program.h"

#include <csignal>
#include <cstdlib>
#include <filesystem>
#include <regex>
#include <thread>

namespace vexrem::e2e {
namespace {

// With the user name, settings that check one second after the start.
constexpr const char* kSeed = "Active=1\nShowBalloon=0\n";

// Every key of a user's section, in the order the program writes them.
const std::vector<std::string> kKeysInOrder = {"UserName",
                                               "Interval",
                                               "Active",
                                               "ShowBalloon",
                                               "BalloonCaption",
                                               "BalloonText",
                                               "BalloonTimeout",
                                               "gotoGameOnBalloonClick",
                                               "TooltipText",
                                               "TooltipTextNDran",
                                               "StartupCheck",
                                               "StartupDelay",
                                               "ShowPopup",
                                               "PopupCaption",
                                               "PopupMessage",
                                               "HindaText",
                                               "UseProxy",
                                               "ProxyServer",
                                               "ProxyPort",
                                               "ProxyAuth",
                                               "ProxyUsername",
                                               "ProxyPassword",
                                               "UseZavazuzeza",
                                               "PopupDelay1",
                                               "PopupDelay2",
                                               "TrayIconModeNormal",
                                               "TrayIconBlinkOnError",
                                               "TrayIconBlinkSpeed",
                                               "TrayIconReducedColors"};

// key=value lines of one section of an INI text, in file order.
std::vector<std::pair<std::string, std::string>> SectionEntries(const std::string& ini,
                                                                const std::string& section) {
    std::vector<std::pair<std::string, std::string>> entries;
    std::istringstream in(ini);
    std::string line;
    bool inside = false;
    while (std::getline(in, line)) {
        if (!line.empty() && line.back() == '\r') {
            line.pop_back();
        }
        if (!line.empty() && line.front() == '[') {
            inside = line == "[" + section + "]";
            continue;
        }
        const std::size_t eq = line.find('=');
        if (inside && eq != std::string::npos) {
            entries.emplace_back(line.substr(0, eq), line.substr(eq + 1));
        }
    }
    return entries;
}

std::vector<std::string> Keys(const std::vector<std::pair<std::string, std::string>>& entries) {
    std::vector<std::string> keys;
    for (const auto& entry : entries) {
        keys.push_back(entry.first);
    }
    return keys;
}

std::string ValueOf(const std::vector<std::pair<std::string, std::string>>& entries,
                    const std::string& key) {
    for (const auto& [k, v] : entries) {
        if (k == key) {
            return v;
        }
    }
    return "<missing>";
}

class Reminder : public ProgramTest {
protected:
    // Polls the tray until a lamp of that colour is lit; saves the evidence
    // either way.
    std::optional<Lamp> WaitForLamp(Rgb colour, const std::string& name) {
        std::optional<Lamp> lamp;
        if (WaitUntil([&] { return (lamp = LampNow(colour)).has_value(); }, kWait, app_.get())) {
            SaveTrayShot(lamp->tray, "tray-" + name + ".png");
            return lamp;
        }
        if (app_ && !app_->Running()) {
            ADD_FAILURE() << "the program ended early with " << app_->WaitExit(0ms).value_or(-1);
            return std::nullopt;
        }
        const std::string failed = "e2e-failed-" + name + ".png";
        desktop_->SaveCapture({0, 0, 800, 600}, failed);
        ADD_FAILURE() << "no " << name << " lamp in the tray within the time; screen saved as "
                      << std::filesystem::absolute(failed).string();
        return std::nullopt;
    }
    std::optional<Lamp> LampNow(Rgb colour) { return TrayLamp(*desktop_, colour); }
    bool IconShown() override { return LampNow(kGreen) || LampNow(kYellow) || LampNow(kRed); }

    void SaveTrayShot(const Rect& tray, const std::string& file) {
        const char* dir = std::getenv("VEXREM_E2E_SCREENSHOTS");
        if (dir == nullptr || *dir == '\0') {
            return;
        }
        // The panel with a thin strip of the screen beside it, twice the size.
        const Rect area{std::max(0, tray.x - 8), 0, tray.width + 8, tray.height};
        desktop_->SaveCapture(area, (std::filesystem::path(dir) / file).string(), 200);
    }

    // Waits for a visible window of the program at least that large; by
    // title ("--name") or by the executable's name ("--classname").
    bool WaitForWindow(const std::string& by, const std::string& pattern, int minWidth,
                       int minHeight) {
        return WaitUntil(
            [&] { return !desktop_->LargeWindows(by, pattern, minWidth, minHeight).empty(); });
    }

    // The lines the fake xdg-open recorded, once at least `count` are there.
    std::vector<std::string> WaitForOpened(std::size_t count) {
        std::vector<std::string> lines;
        WaitUntil([&] { return (lines = ReadLines(OpenedFile(home_))).size() >= count; }, 20s);
        return lines;
    }

    // The game id of the only game the demo server shows as due for login.
    std::string DueGameId(const std::string& login) {
        const std::string page = HttpGet(demoPort_, "/dran.php?login=" + login);
        std::smatch m;
        if (std::regex_search(page, m, std::regex(R"(fenster\((\d+)\))"))) {
            return m[1];
        }
        return {};
    }
};

TEST_F(Reminder, LightsGreenWhenDueAndAClickOpensThatGame) {
    SetDue("e2e", 1);
    const std::string gid = DueGameId("e2e");
    ASSERT_FALSE(gid.empty());
    Seed("e2e", kSeed);
    Start();

    const auto lamp = WaitForLamp(kGreen, "green");
    ASSERT_TRUE(lamp);
    EXPECT_FALSE(LampNow(kYellow)) << "one lamp at a time";

    ASSERT_TRUE(desktop_->Click(lamp->ScreenX(), lamp->ScreenY()));
    const auto opened = WaitForOpened(1);
    ASSERT_EQ(opened.size(), 1u);
    EXPECT_EQ(opened[0], server_ + "/index.php?main=showmap.php?GID=" + gid);
}

TEST_F(Reminder, LightsYellowWhenNotDueAndAClickOpensTheGamesList) {
    SetDue("e2e", 0);
    Seed("e2e", kSeed);
    Start();

    const auto lamp = WaitForLamp(kYellow, "yellow");
    ASSERT_TRUE(lamp);
    EXPECT_FALSE(LampNow(kGreen));

    ASSERT_TRUE(desktop_->Click(lamp->ScreenX(), lamp->ScreenY()));
    const auto opened = WaitForOpened(1);
    ASSERT_EQ(opened.size(), 1u);
    EXPECT_EQ(opened[0], server_ + "/index.php?main=showgames.php?dranbin=1");
}

TEST_F(Reminder, TurnsGreenAfterARestartOnceThePlayerIsDue) {
    SetDue("e2e-turn", 0);
    Seed("e2e-turn", kSeed);
    Start();
    ASSERT_TRUE(WaitForLamp(kYellow, "yellow"));

    app_->Signal(SIGTERM);
    ASSERT_EQ(app_->WaitExit(kExitWait), 0);
    WaitUntil([&] { return !IconShown(); }, 10s);

    SetDue("e2e-turn", 2);
    Start();
    ASSERT_TRUE(WaitForLamp(kGreen, "green"));
}

TEST_F(Reminder, TheTrayMenusRefreshShowsTheNewStateAtOnce) {
    SetDue("e2e-menu", 0);
    Seed("e2e-menu", kSeed);
    Start();
    const auto lamp = WaitForLamp(kYellow, "yellow");
    ASSERT_TRUE(lamp);

    SetDue("e2e-menu", 1);
    ASSERT_TRUE(OpenTrayMenu(lamp->ScreenX(), lamp->ScreenY()));
    // "&Aktualisieren" is the first item with that mnemonic ("&Aktivieren"
    // shares it), so the key selects it and Return triggers it.
    ASSERT_TRUE(desktop_->Keys({"a", "Return"}));
    EXPECT_TRUE(WaitForLamp(kGreen, "green"));
}

TEST_F(Reminder, TheTrayMenusBeendenEndsTheRunAndSavesTheSettings) {
    SetDue("e2e", 0);
    Seed("e2e", kSeed);
    Start();
    const auto lamp = WaitForLamp(kYellow, "yellow");
    ASSERT_TRUE(lamp);

    ASSERT_TRUE(std::filesystem::remove(IniPath()));
    ASSERT_TRUE(OpenTrayMenu(lamp->ScreenX(), lamp->ScreenY()));
    ASSERT_TRUE(desktop_->Keys({"b"})); // "&Beenden"
    ASSERT_EQ(app_->WaitExit(kExitWait), 0);
    const auto entries = SectionEntries(test::ReadFileBytes(IniPath()), LoginName());
    EXPECT_EQ(Keys(entries), kKeysInOrder);
    EXPECT_EQ(ValueOf(entries, "UserName"), "e2e");
}

TEST_F(Reminder, LightsRedWhenTheServerCannotBeReached) {
    env_["VEXREM_GAME_SERVER"] = kRefusingServer;
    Seed("e2e", kSeed);
    Start();
    ASSERT_TRUE(WaitForLamp(kRed, "red"));
}

TEST_F(Reminder, FirstRunOpensTheSettingsWindowAndStoresEveryKey) {
    ASSERT_FALSE(std::filesystem::exists(IniPath()));
    Start();

    EXPECT_TRUE(WaitForWindow("--name", "^VexelReminder$", 400, 300))
        << "no settings window after the start-up delay";

    app_->Signal(SIGTERM);
    ASSERT_EQ(app_->WaitExit(kExitWait), 0);
    const auto entries = SectionEntries(test::ReadFileBytes(IniPath()), LoginName());
    EXPECT_EQ(Keys(entries), kKeysInOrder);
    EXPECT_EQ(ValueOf(entries, "Active"), "0");
}

TEST_F(Reminder, SigtermEndsTheRunInOrderAndSavesTheSettings) {
    SetDue("e2e", 0);
    Seed("e2e", kSeed);
    Start();
    ASSERT_TRUE(WaitForLamp(kYellow, "yellow"));

    // The start wrote the file already; take it away so that what is found
    // afterwards can only come from the end of the run.
    ASSERT_TRUE(std::filesystem::remove(IniPath()));
    app_->Signal(SIGTERM);
    ASSERT_EQ(app_->WaitExit(kExitWait), 0);

    const auto entries = SectionEntries(test::ReadFileBytes(IniPath()), LoginName());
    EXPECT_EQ(Keys(entries), kKeysInOrder);
    EXPECT_EQ(ValueOf(entries, "UserName"), "e2e");
    EXPECT_EQ(ValueOf(entries, "Interval"), "20");
    EXPECT_EQ(ValueOf(entries, "Active"), "1");
    EXPECT_EQ(ValueOf(entries, "StartupDelay"), "1");
    EXPECT_EQ(ValueOf(entries, "ShowBalloon"), "0");
}

TEST_F(Reminder, ASecondStartEndsAtOnceWhileTheFirstRuns) {
    SetDue("e2e", 0);
    Seed("e2e", kSeed);
    Start();
    ASSERT_TRUE(WaitForLamp(kYellow, "yellow"));

    Process second({VEXREM_EXE}, env_);
    EXPECT_EQ(second.WaitExit(kExitWait), 0);
    EXPECT_TRUE(app_->Running());
    EXPECT_TRUE(LampNow(kYellow)) << "the first one's icon stays";
    EXPECT_TRUE(std::filesystem::exists(home_ / "runtime/VexelfeldReminder.lock"));
}

} // namespace
} // namespace vexrem::e2e

int main(int argc, char** argv) {
    return vexrem::e2e::RunAll(argc, argv, new vexrem::e2e::World(true));
}
