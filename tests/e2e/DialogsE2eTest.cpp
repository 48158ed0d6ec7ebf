// The settings window and its questions on a real X screen with a tray host:
// each window carries exactly its own title, and while a question waits for
// its answer the tray icon's menu still opens and acts.
//
// The program runs against a game server that refuses the connection, so the
// tray shows the red lamp, which tells where the icon is.
#include "Program.h"

#include <csignal>
#include <filesystem>
#include <thread>

namespace vexrem::e2e {
namespace {

constexpr Rgb kLinkBlue{0, 0, 255}; // the link labels of the settings window
constexpr int kMinLinkPixels = 20;

class Questions : public ProgramTest {
protected:
    void SetUpProgram() override {
        if (!InPath("xprop")) {
            GTEST_SKIP() << "xprop is not installed";
        }
        Seed("e2e", "Active=1\nShowBalloon=0\nShowPopup=0\nTrayIconBlinkOnError=0\n");
        Start();
        ASSERT_FALSE(HasFatalFailure());
        ASSERT_TRUE(WaitUntil([&] { return RedLamp().has_value(); }))
            << "no red lamp in the tray; screen saved as " << SaveScreen("no-lamp");
        lamp_ = *RedLamp();
    }

    void TearDown() override {
        if (app_) {
            // Every test leaves a question open: SIGTERM must end the program all the same.
            app_->Signal(SIGTERM);
            const bool ended = app_->WaitExit(5s).has_value();
            EXPECT_TRUE(ended) << "SIGTERM with a question open did not end the program";
            if (!ended) {
                app_->Signal(SIGKILL);
                app_->WaitExit(5s);
            }
        }
        ProgramTest::TearDown();
    }

    std::optional<Lamp> RedLamp() const { return TrayLamp(*desktop_, kRed); }
    bool IconShown() override { return RedLamp().has_value(); }

    std::string SaveScreen(const std::string& name) const {
        const std::string file = "e2e-questions-" + name + ".png";
        desktop_->SaveCapture({0, 0, 800, 600}, file);
        return std::filesystem::absolute(file).string();
    }

    // The title the window manager is given (_NET_WM_NAME), as UTF-8.
    std::string WindowTitle(const std::string& id) const {
        Environment env = desktop_->ClientEnvironment();
        env["LC_ALL"] = "C.UTF-8"; // else xprop writes umlauts as octal escapes
        const RunResult r = e2e::Run({"xprop", "-id", id, "-notype", "_NET_WM_NAME"}, env);
        const std::size_t open = r.out.find('"');
        const std::size_t close = r.out.rfind('"');
        if (r.exitCode != 0 || open == std::string::npos || close <= open) {
            return {};
        }
        return r.out.substr(open + 1, close - open - 1);
    }

    std::vector<std::string> ProgramWindows() const {
        return desktop_->VisibleWindows("--classname", "^vexrem$");
    }

    // Waits for a visible window of the program with exactly that title.
    std::optional<std::string> WaitForTitle(const std::string& title) const {
        std::optional<std::string> found;
        WaitUntil([&] {
            for (const auto& id : ProgramWindows()) {
                if (WindowTitle(id) == title) {
                    found = id;
                    return true;
                }
            }
            return false;
        });
        return found;
    }

    bool OpenTrayMenu() const {
        return ProgramTest::OpenTrayMenu(lamp_.ScreenX(), lamp_.ScreenY());
    }

    // Opens the settings window from the tray menu; its window id.
    std::optional<std::string> OpenSettings() const {
        if (!OpenTrayMenu() || !desktop_->Keys({"e"})) { // "&Einstellungen"
            return std::nullopt;
        }
        return WaitForTitle("VexelReminder");
    }

    // Clicks the link label shown in the window.
    bool ClickLink(const std::string& windowId) const {
        const auto area = desktop_->Geometry(windowId);
        const auto image = area ? desktop_->Capture(*area) : std::nullopt;
        if (!image) {
            return false;
        }
        const ColourSpot spot = FindColour(*image, kLinkBlue, kTolerance);
        return spot.count >= kMinLinkPixels &&
               desktop_->Click(area->x + spot.centreX, area->y + spot.centreY);
    }

    // With the question open: the tray menu opens, and "&Deaktivieren" in it
    // puts out the red lamp, while the question stays.
    void TrayMenuWorksWhileOpen(const std::string& title) const {
        ASSERT_TRUE(OpenTrayMenu()) << "no tray menu while \"" << title
                                    << "\" is open; screen saved as " << SaveScreen("menu");
        ASSERT_TRUE(desktop_->Keys({"d"}));
        EXPECT_TRUE(WaitUntil([&] { return !RedLamp(); }))
            << "the menu's item had no effect; screen saved as " << SaveScreen("deactivate");
        EXPECT_TRUE(WaitForTitle(title)) << "the question went away";
    }

    Lamp lamp_;
};

TEST_F(Questions, ColourDepthDialogLeavesTheTrayMenuUsable) {
    const auto settings = OpenSettings();
    ASSERT_TRUE(settings) << "no window titled exactly VexelReminder; screen saved as "
                          << SaveScreen("settings");
    ASSERT_TRUE(desktop_->Keys({"ctrl+Tab"})); // the page "Tray-Icon"
    std::this_thread::sleep_for(500ms);
    ASSERT_TRUE(ClickLink(*settings)); // "Information zur Farbtiefe"
    ASSERT_TRUE(WaitForTitle("Farbtiefe des Tray-Icons"))
        << "no window titled exactly so; screen saved as " << SaveScreen("colour-depth");
    TrayMenuWorksWhileOpen("Farbtiefe des Tray-Icons");
}

TEST_F(Questions, AutostartDialogLeavesTheTrayMenuUsable) {
    const auto settings = OpenSettings();
    ASSERT_TRUE(settings);
    ASSERT_TRUE(ClickLink(*settings)); // "Autostart verwalten"
    ASSERT_TRUE(WaitForTitle("Autostart"))
        << "no window titled exactly so; screen saved as " << SaveScreen("autostart");
    TrayMenuWorksWhileOpen("Autostart");
}

TEST_F(Questions, ClosePromptLeavesTheTrayMenuUsable) {
    const auto settings = OpenSettings();
    ASSERT_TRUE(settings);
    // From the page tabs to "VexelReminder ist aktiv", untick it, then Enter
    // closes the window: the edit is not applied yet, so it asks.
    ASSERT_TRUE(desktop_->Keys({"Tab", "space", "Return"}));
    const std::string title = "VexelReminder - Ge\xc3\xa4nderte Einstellungen";
    ASSERT_TRUE(WaitForTitle(title))
        << "no window titled exactly so; screen saved as " << SaveScreen("close-prompt");
    TrayMenuWorksWhileOpen(title);
}

} // namespace
} // namespace vexrem::e2e

int main(int argc, char** argv) {
    return vexrem::e2e::RunAll(argc, argv, new vexrem::e2e::World(false));
}
