// How the real program ends, on a virtual screen with a tray host: at once
// on "Beenden", on the settings window's exit button and on SIGTERM, whatever
// a worker is doing (stuck in the name resolver, waiting for a server that
// never answers, parsing a huge version list) and whatever window is open;
// the settings file then holds the settings last applied.
//
// The resolver that never returns is a preloaded getaddrinfo (StuckResolver).
// How long each end took is printed ("end took ... ms"); the assertions only
// bound it generously, since the machine may be busy.
#include "Program.h"

#include "support/FakeHttpServer.h"

#include <csignal>
#include <cstdlib>
#include <filesystem>
#include <iostream>
#include <thread>

namespace vexrem::e2e {
namespace {

// A program that waits for its workers never ends in these tests (the
// resolver hangs for good, the parse for minutes), so this bound is only
// about a busy machine.
constexpr auto kEndWait = 15s;
constexpr const char* kStuckHost = "stuck.invalid";

// A version list whose one entry has very many attributes: long to read for
// a reader that looks each attribute up by scanning the ones before.
std::string HugeVersionList() {
    std::string xml = "<versioninfos><versioninfo";
    for (int i = 0; i < 200000; ++i) {
        xml += " a" + std::to_string(i) + "=x";
    }
    return xml + " /></versioninfos>";
}

class ProgramEnd : public ProgramTest {
protected:
    void SetUpProgram() override {
        env_["LD_PRELOAD"] = VEXREM_STUCK_RESOLVER;
        env_["VEXREM_TEST_STUCK_HOST"] = kStuckHost;
        env_["VEXREM_TEST_STUCK_MARK"] = StuckMark();
        // A sanitizer build wants its runtime first; the preloaded library
        // needs none.
        env_["ASAN_OPTIONS"] = env_["ASAN_OPTIONS"] + ":verify_asan_link_order=0";
    }

    void TearDown() override {
        if (app_ && app_->Running()) {
            app_->Signal(SIGKILL);
            app_->WaitExit(kEndWait);
        }
    }

    std::string StuckMark() const { return home_ / "stuck-in-resolver"; }

    void SeedSettings(const std::string& extra) { Seed("e2e-end", "ShowBalloon=0\n" + extra); }

    void Start() {
        // VEXREM_E2E_PROGRAM: another build of the program, to compare.
        const char* other = std::getenv("VEXREM_E2E_PROGRAM");
        ProgramTest::Start(other != nullptr && *other != '\0' ? other : VEXREM_EXE);
    }

    bool WaitFor(const std::function<bool()>& pred) { return WaitUntil(pred, kWait, app_.get()); }

    // The middle of the program's tray icon, once it is there. Its colour
    // does not matter: a worker stuck in a request holds up the status check
    // too, and the icon stays dark.
    std::optional<std::pair<int, int>> WaitForIcon() {
        std::optional<std::pair<int, int>> at;
        WaitFor([&] {
            for (const std::string& id : desktop_->VisibleWindows("--classname", "^vexrem$")) {
                const auto r = desktop_->Geometry(id);
                if (r && r->width > 0 && r->width < 80 && r->height > 0 && r->height < 80) {
                    at = {r->x + r->width / 2, r->y + r->height / 2};
                }
            }
            return at.has_value();
        });
        return at;
    }

    // The settings window: its id and place, once it is visible.
    std::optional<std::pair<std::string, Rect>> WaitForSettingsWindow() {
        std::optional<std::pair<std::string, Rect>> found;
        WaitFor([&] {
            for (const std::string& id : desktop_->VisibleWindows("--name", "^VexelReminder$")) {
                const auto rect = desktop_->Geometry(id);
                if (rect && rect->width >= 400 && rect->height >= 300) {
                    found = {id, *rect};
                }
            }
            return found.has_value();
        });
        return found;
    }

    // Clicks into the topmost wide white field of the window (a line edit of
    // the first page) and types; true when the field then looks different.
    bool EditAField(const Rect& window) {
        const auto before = desktop_->Capture(window);
        if (!before) {
            return false;
        }
        for (int y = 0; y < before->height; ++y) {
            int run = 0;
            for (int x = 0; x < before->width; ++x) {
                const Rgb c = before->At(x, y);
                run = (c.r == 255 && c.g == 255 && c.b == 255) ? run + 1 : 0;
                if (run == 150) {
                    const int fieldY = y + 6;
                    if (!desktop_->Click(window.x + x - 75, window.y + fieldY) ||
                        !desktop_->Keys({"z", "z", "z"})) {
                        return false;
                    }
                    std::this_thread::sleep_for(300ms);
                    const auto after = desktop_->Capture(window);
                    return after && after->rgb != before->rgb;
                }
            }
        }
        return false;
    }

    // Measures from t0 until the program has ended; expects a clean end.
    void ExpectPromptEnd(Clock::time_point t0, const std::string& what) {
        const auto code = app_->WaitExit(kEndWait);
        const auto ms =
            std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - t0).count();
        std::cout << "end took " << ms << " ms: " << what << std::endl;
        EXPECT_EQ(code, 0) << what << ": no end within " << kEndWait.count() << " s";
    }
};

TEST_F(ProgramEnd, SigtermEndsAtOnceWithAWorkerStuckInTheResolverAndSavesFirst) {
    env_["VEXREM_GAME_SERVER"] = std::string("http://") + kStuckHost;
    SeedSettings("Active=1\n");
    Start();
    ASSERT_TRUE(WaitFor([&] { return std::filesystem::exists(StuckMark()); }))
        << "the status check did not reach the resolver";

    // Whatever is found afterwards was written by the end of the run.
    ASSERT_TRUE(std::filesystem::remove(IniPath()));
    const auto t0 = Clock::now();
    app_->Signal(SIGTERM);
    ExpectPromptEnd(t0, "SIGTERM, status worker in the resolver");
    const std::string ini = test::ReadFileBytes(IniPath());
    EXPECT_NE(ini.find("UserName=e2e-end\n"), std::string::npos) << ini;
    EXPECT_NE(ini.find("TrayIconReducedColors="), std::string::npos) << "every key: " << ini;
}

TEST_F(ProgramEnd, BeendenEndsAtOnceWithTheUpdateCheckStuckInTheResolver) {
    env_["VEXREM_SITE"] = std::string("http://") + kStuckHost;
    SeedSettings("Active=1\nStartupCheck=1\n");
    Start();
    const auto icon = WaitForIcon();
    ASSERT_TRUE(icon);
    ASSERT_TRUE(WaitFor([&] { return std::filesystem::exists(StuckMark()); }))
        << "the update check did not reach the resolver";

    ASSERT_TRUE(std::filesystem::remove(IniPath()));
    ASSERT_TRUE(OpenTrayMenu(icon->first, icon->second));
    const auto t0 = Clock::now();
    ASSERT_TRUE(desktop_->Keys({"b"})); // "&Beenden"
    ExpectPromptEnd(t0, "Beenden, update worker in the resolver");
    EXPECT_NE(test::ReadFileBytes(IniPath()).find("UserName=e2e-end\n"), std::string::npos);
}

// SIGTERM while the program is busy or waits for the user: it ends at once
// and in order (exit code 0).
TEST_F(ProgramEnd, SigtermEndsAtOnceWhateverTheProgramIsDoing) {
    const std::string hugeList = HugeVersionList();
    const struct {
        const char* what;
        bool siteHangs;
        bool settingsUnwritable; // the start shows a box saying so
    } states[] = {
        {"update worker parsing a huge list", false, false},
        {"update site never answers", true, false},
        {"start-up box: the settings cannot be written", false, true},
    };
    for (const auto& state : states) {
        SCOPED_TRACE(state.what);
        test::FakeHttpServer site;
        test::FakeResponse response = test::FakeResponse::Ok(hugeList);
        response.hang = state.siteHangs;
        site.SetDefault(response);
        env_["VEXREM_SITE"] = site.BaseUrl();
        SeedSettings("StartupCheck=1\n");
        if (state.settingsUnwritable) {
            // A folder where the file should be stops root as well.
            std::filesystem::remove(IniPath());
            std::filesystem::create_directory(IniPath());
        }
        Start();
        if (state.settingsUnwritable) {
            ASSERT_TRUE(WaitFor([&] {
                return !desktop_->VisibleWindows("--name", "^VexelReminder$").empty();
            })) << "no box at the start";
            std::this_thread::sleep_for(500ms);
        } else {
            ASSERT_TRUE(site.WaitForRequests(1, kWait));
            std::this_thread::sleep_for(1500ms); // the list is in; the worker reads it
        }

        const auto t0 = Clock::now();
        app_->Signal(SIGTERM);
        ExpectPromptEnd(t0, std::string("SIGTERM, ") + state.what);
        if (state.settingsUnwritable) {
            std::filesystem::remove(IniPath());
        }
    }
}

// Both commands, with the settings window open, with and without an unapplied
// edit: the run ends without a question, and the file holds what was applied.
TEST_F(ProgramEnd, BeendenAndTheExitButtonEndTheRunWithTheSettingsWindowOpen) {
    for (int run = 0; run < 10; ++run) {
        const bool edit = run % 2 == 1;
        const bool button = run % 4 >= 2;
        SCOPED_TRACE("run " + std::to_string(run) + (edit ? ", edited" : "") +
                     (button ? ", exit button" : ", tray menu"));
        SeedSettings("Active=1\n");
        Start();
        const auto icon = WaitForIcon();
        ASSERT_TRUE(icon);
        const std::string applied = test::ReadFileBytes(IniPath()); // written by the start

        ASSERT_TRUE(OpenTrayMenu(icon->first, icon->second));
        ASSERT_TRUE(desktop_->Keys({"e"})); // "&Einstellungen"
        const auto window = WaitForSettingsWindow();
        ASSERT_TRUE(window);
        if (edit) {
            ASSERT_TRUE(EditAField(window->second)) << "no field took the typing";
        }
        if (!button) {
            ASSERT_TRUE(OpenTrayMenu(icon->first, icon->second));
        } else {
            ASSERT_EQ(e2e::Run({"xdotool", "windowfocus", "--sync", window->first},
                               desktop_->ClientEnvironment())
                          .exitCode,
                      0);
        }
        const auto t0 = Clock::now();
        // "VexelReminder be&enden" or "&Beenden"
        ASSERT_TRUE(desktop_->Keys({button ? "alt+e" : "b"}));
        ExpectPromptEnd(t0, std::string(button ? "exit button" : "Beenden") +
                                ", settings window open" + (edit ? ", edited" : ""));
        EXPECT_EQ(test::ReadFileBytes(IniPath()), applied);
        if (HasFailure()) {
            break;
        }
        // The next start must not find this run's icon.
        std::this_thread::sleep_for(500ms);
    }
}

} // namespace
} // namespace vexrem::e2e

int main(int argc, char** argv) {
    return vexrem::e2e::RunAll(argc, argv, new vexrem::e2e::World(true));
}
