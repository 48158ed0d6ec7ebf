// How the real program ends, on a virtual screen with a tray host: at once
// on "Beenden", on the settings window's exit button and on SIGTERM, whatever
// a worker is doing (stuck in the name resolver, waiting for a server that
// never answers, parsing a huge version list) and whatever window is open;
// the settings file then holds the settings last applied.
//
// The resolver that never returns is a preloaded getaddrinfo (StuckResolver).
// How long each end took is printed ("end took ... ms"); the assertions only
// bound it generously, since the machine may be busy.
#include "Desktop.h"
#include "Process.h"

#include "support/FakeHttpServer.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <csignal>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <sstream>
#include <thread>

#include <pwd.h>
#include <unistd.h>

namespace vexrem::e2e {
namespace {

using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;

constexpr auto kWait = 40s;
// A program that waits for its workers never ends in these tests (the
// resolver hangs for good, the parse for minutes), so this bound is only
// about a busy machine.
constexpr auto kEndWait = 15s;
constexpr const char* kStuckHost = "stuck.invalid";

std::string LoginName() {
    const passwd* pw = getpwuid(geteuid());
    return pw != nullptr && pw->pw_name != nullptr ? pw->pw_name : "";
}

std::string ReadText(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream s;
    s << in.rdbuf();
    return s.str();
}

// A version list whose one entry has very many attributes: long to read for
// a reader that looks each attribute up by scanning the ones before.
std::string HugeVersionList() {
    std::string xml = "<versioninfos><versioninfo";
    for (int i = 0; i < 200000; ++i) {
        xml += " a" + std::to_string(i) + "=x";
    }
    return xml + " /></versioninfos>";
}

class World : public ::testing::Environment {
public:
    void SetUp() override {
        desktop_ = std::make_unique<Desktop>();
        if (!desktop_->Ready()) {
            std::cout << "E2E-SKIP: no virtual desktop: " << desktop_->Problem() << std::endl;
            return;
        }
        server_ = std::make_unique<Process>(
            std::vector<std::string>{VEXREM_DEMO_SERVER_EXE, "--port", "0", "--bind", "127.0.0.1"},
            CurrentEnvironment(), true);
        const auto line = server_->ReadLine(30s);
        const std::string prefix = "listening on 127.0.0.1:";
        if (line && line->rfind(prefix, 0) == 0) {
            port_ = std::stoi(line->substr(prefix.size()));
        }
    }
    void TearDown() override {
        if (server_) {
            server_->Signal(SIGTERM);
            server_->WaitExit(10s);
        }
        server_.reset();
        desktop_.reset();
    }
    static Desktop* TheDesktop() {
        return desktop_ && desktop_->Ready() ? desktop_.get() : nullptr;
    }
    static int Port() { return port_; }

private:
    static inline std::unique_ptr<Desktop> desktop_;
    static inline std::unique_ptr<Process> server_;
    static inline int port_ = 0;
};

class ProgramEnd : public ::testing::Test {
protected:
    void SetUp() override {
        desktop_ = World::TheDesktop();
        if (desktop_ == nullptr) {
            GTEST_SKIP() << "no virtual desktop with a tray (Xvfb, trayer, xdotool, import)";
        }
        ASSERT_NE(World::Port(), 0) << "the demo server did not start";
        const std::string demo = "http://127.0.0.1:" + std::to_string(World::Port());
        for (const char* dir : {"bin", "config", "data/VexelReminder", "runtime", "tmp"}) {
            std::filesystem::create_directories(home_ / dir);
        }
        std::filesystem::permissions(home_ / "runtime", std::filesystem::perms::owner_all);
        env_ = desktop_->ClientEnvironment();
        env_["HOME"] = home_.Str();
        env_["XDG_CONFIG_HOME"] = home_ / "config";
        env_["XDG_DATA_HOME"] = home_ / "data";
        env_["XDG_RUNTIME_DIR"] = home_ / "runtime";
        env_["TMPDIR"] = home_ / "tmp";
        env_["VEXREM_GAME_SERVER"] = demo;
        env_["VEXREM_SITE"] = demo;
        env_["QT_QPA_PLATFORM"] = "xcb";
        env_["DBUS_SESSION_BUS_ADDRESS"] = "unix:path=" + (home_ / "no-bus");
        env_.erase("SESSION_MANAGER");
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

    std::string IniPath() const { return home_ / "data/VexelReminder/vexrem.ini"; }
    std::string StuckMark() const { return home_ / "stuck-in-resolver"; }

    void SeedSettings(const std::string& extra) {
        std::ofstream(IniPath()) << "[" << LoginName() << "]\nUserName=e2e-end\nInterval=20\n"
                                 << "StartupDelay=1\nShowBalloon=0\n"
                                 << extra;
    }

    void Start() {
        // VEXREM_E2E_PROGRAM: another build of the program, to compare.
        const char* other = std::getenv("VEXREM_E2E_PROGRAM");
        app_ = std::make_unique<Process>(
            std::vector<std::string>{other != nullptr && *other != '\0' ? other : VEXREM_EXE},
            env_);
        ASSERT_TRUE(app_->Started());
    }

    bool WaitFor(const std::function<bool()>& pred) {
        const auto deadline = Clock::now() + kWait;
        while (!pred()) {
            if (Clock::now() > deadline || !app_->Running()) {
                return false;
            }
            std::this_thread::sleep_for(100ms);
        }
        return true;
    }

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

    // Right-click on the icon; true once its menu is open. The menu is one
    // more sizeable window of the program (the settings window may be one).
    bool OpenTrayMenu(std::pair<int, int> icon) {
        const auto windows = [&] {
            return desktop_->LargeWindows("--classname", "^vexrem$", 80, 80).size();
        };
        const std::size_t before = windows();
        return desktop_->Click(icon.first, icon.second, 3) &&
               WaitFor([&] { return windows() > before; });
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

    Desktop* desktop_ = nullptr;
    test::TempDir home_;
    Environment env_;
    std::unique_ptr<Process> app_;
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
    const std::string ini = ReadText(IniPath());
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
    ASSERT_TRUE(OpenTrayMenu(*icon));
    const auto t0 = Clock::now();
    ASSERT_TRUE(desktop_->Keys({"b"})); // "&Beenden"
    ExpectPromptEnd(t0, "Beenden, update worker in the resolver");
    EXPECT_NE(ReadText(IniPath()).find("UserName=e2e-end\n"), std::string::npos);
}

TEST_F(ProgramEnd, SigtermEndsAtOnceWhileTheUpdateSiteHoldsOrTheListIsParsed) {
    const std::string hugeList = HugeVersionList();
    for (const bool hang : {false, true}) {
        SCOPED_TRACE(hang ? "site never answers" : "huge version list");
        test::FakeHttpServer site;
        test::FakeResponse response = test::FakeResponse::Ok(hugeList);
        response.hang = hang;
        site.SetDefault(response);
        env_["VEXREM_SITE"] = site.BaseUrl();
        SeedSettings("StartupCheck=1\n");
        Start();
        ASSERT_TRUE(site.WaitForRequests(1, kWait));
        std::this_thread::sleep_for(1500ms); // the list is in; the worker reads it

        const auto t0 = Clock::now();
        app_->Signal(SIGTERM);
        ExpectPromptEnd(t0, hang ? "SIGTERM, update site never answers"
                                 : "SIGTERM, update worker parsing a huge list");
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
        const std::string applied = ReadText(IniPath()); // written by the start

        ASSERT_TRUE(OpenTrayMenu(*icon));
        ASSERT_TRUE(desktop_->Keys({"e"})); // "&Einstellungen"
        const auto window = WaitForSettingsWindow();
        ASSERT_TRUE(window);
        if (edit) {
            ASSERT_TRUE(EditAField(window->second)) << "no field took the typing";
        }
        if (!button) {
            ASSERT_TRUE(OpenTrayMenu(*icon));
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
        EXPECT_EQ(ReadText(IniPath()), applied);
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
    ::testing::InitGoogleTest(&argc, argv);
    ::testing::AddGlobalTestEnvironment(new vexrem::e2e::World);
    return RUN_ALL_TESTS();
}
