// The real program as a native Wayland client: a headless weston, a private
// session bus with a StatusNotifierItem watcher and host and a real
// notification daemon (dunst), against the demo game server. No X display is
// given to the program. What the tray offers is read over D-Bus as a host
// reads it; the notification as the daemon receives it (dbus-monitor).
//
// dunst draws on a layer-shell surface, which weston lacks; it falls back to
// X11, so it (and only it) gets weston's XWayland.
#include "Program.h"
#include "Sni.h"

#include <algorithm>
#include <csignal>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <regex>

namespace vexrem::e2e {
namespace {

const std::string kNotifications = "org.freedesktop.Notifications";

// weston on its headless backend with XWayland, its session bus with tray
// and notification daemon, and the demo server, for the whole run.
class WaylandWorld : public ::testing::Environment {
public:
    void SetUp() override {
        std::string missing = MissingSniTool();
        for (const char* tool :
             {"weston", "Xwayland", "dunst", "dunstctl", "dbus-monitor", "xdotool"}) {
            if (missing.empty() && !InPath(tool)) {
                missing = tool;
            }
        }
        if (!missing.empty()) {
            Skip(missing + " is not installed (scripts/setup installs it)");
            return;
        }
        if (!StartCompositor()) {
            return;
        }
        e2e::Environment display = CurrentEnvironment();
        for (const char* name : {"DISPLAY", "WAYLAND_SOCKET", "QT_QPA_PLATFORM", "GDK_BACKEND"}) {
            display.erase(name);
        }
        // A path, so that a client's runtime folder may be another (the
        // program's is in its home); GTK wants one set at all.
        display["WAYLAND_DISPLAY"] = dir_ / "runtime/vexrem-e2e";
        display["XDG_RUNTIME_DIR"] = dir_ / "runtime";
        display["XDG_SESSION_TYPE"] = "wayland";
        session_ = std::make_unique<SniSession>(display);
        if (!session_->Ready()) {
            problem_ = "no session bus";
            return;
        }
        e2e::Environment daemonEnv = session_->Env();
        daemonEnv["DISPLAY"] = xDisplay_;
        std::ofstream(dir_ / "dunstrc") << "[global]\n";
        dunst_ = std::make_unique<Process>(
            std::vector<std::string>{"dunst", "-config", dir_ / "dunstrc"}, daemonEnv);
        if (!WaitUntil([&] {
                return session_
                           ->Gdbus({"--dest", kNotifications, "--object-path",
                                    "/org/freedesktop/Notifications"},
                                   "introspect")
                           .exitCode == 0;
            })) {
            problem_ = "dunst did not come up on " + xDisplay_;
            return;
        }
        server_ = std::make_unique<DemoServer>(VEXREM_DEMO_SERVER_EXE);
    }

    void TearDown() override {
        server_.reset();
        dunst_.reset();
        session_.reset();
        if (weston_) {
            weston_->Signal(SIGTERM);
            weston_->WaitExit(10s);
            weston_.reset();
        }
    }

    static SniSession* Session() { return problem_.empty() ? session_.get() : nullptr; }
    // Why there is no session; Skipped() when that is no fault of the program.
    static const std::string& Problem() { return problem_; }
    static bool Skipped() { return skipped_; }
    static int Port() { return server_ ? server_->Port() : 0; }
    // weston's XWayland, ":N".
    static const std::string& XDisplay() { return xDisplay_; }

private:
    static void Skip(const std::string& why) {
        problem_ = why;
        skipped_ = true;
        std::cout << "E2E-SKIP: " << why << std::endl;
    }

    // weston with a socket in a runtime folder of its own; its log names the
    // X display its XWayland listens on.
    static bool StartCompositor() {
        const std::string runtime = dir_ / "runtime";
        std::filesystem::create_directories(runtime);
        std::filesystem::permissions(runtime, std::filesystem::perms::owner_all);
        e2e::Environment env = CurrentEnvironment();
        env.erase("DISPLAY");
        env.erase("WAYLAND_DISPLAY");
        env["XDG_RUNTIME_DIR"] = runtime;
        const std::string log = dir_ / "weston.log";
        weston_ = std::make_unique<Process>(
            std::vector<std::string>{"weston", "--backend=headless-backend.so",
                                     "--socket=vexrem-e2e", "--idle-time=0", "--xwayland",
                                     "--no-config", "--log=" + log},
            env);
        static const std::regex listening(R"(xserver listening on display (:\d+))");
        WaitUntil(
            [&] {
                std::smatch m;
                const std::string text = test::ReadFileBytes(log);
                if (std::regex_search(text, m, listening)) {
                    xDisplay_ = m[1];
                }
                return !xDisplay_.empty() && std::filesystem::exists(runtime + "/vexrem-e2e");
            },
            kWait, weston_.get());
        if (xDisplay_.empty()) {
            Skip("weston did not start:\n" + test::ReadFileBytes(log));
            return false;
        }
        return true;
    }

    static inline test::TempDir dir_;
    static inline std::unique_ptr<Process> weston_;
    static inline std::string xDisplay_;
    static inline std::unique_ptr<SniSession> session_;
    static inline std::unique_ptr<Process> dunst_;
    static inline std::unique_ptr<DemoServer> server_;
    static inline std::string problem_;
    static inline bool skipped_ = false;
};

// A Notify call as the daemon receives it.
struct Notification {
    std::string summary;
    std::string body;
    std::vector<std::string> actions; // key, label, key, label, ...

    std::vector<std::string> ActionKeys() const {
        std::vector<std::string> keys;
        for (std::size_t i = 0; i < actions.size(); i += 2) {
            keys.push_back(actions[i]);
        }
        return keys;
    }
};

// The next Notify call in dbus-monitor's output: its arguments are indented
// by three blanks, the action list's entries by six.
std::optional<Notification> NextNotify(Process& monitor, std::chrono::milliseconds timeout) {
    static const std::regex topString(R"re(^   string "(.*)"$)re");
    static const std::regex listString(R"re(^      string "(.*)"$)re");
    const auto deadline = Clock::now() + timeout;
    auto next = [&] {
        const auto left =
            std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now());
        return left > 0ms ? monitor.ReadLine(left) : std::nullopt;
    };
    std::optional<std::string> line;
    while ((line = next()) && line->find("member=Notify") == std::string::npos) {
    }
    if (!line) {
        return std::nullopt;
    }
    Notification n;
    std::vector<std::string> strings; // app name, icon, summary, body
    std::smatch m;
    while ((line = next())) {
        if (std::regex_match(*line, m, topString)) {
            strings.push_back(m[1]);
        } else if (*line == "   array [") {
            while ((line = next()) && *line != "   ]") {
                if (std::regex_match(*line, m, listString)) {
                    n.actions.push_back(m[1]);
                }
            }
            break; // the actions follow the body
        }
    }
    if (strings.size() < 4) {
        return std::nullopt;
    }
    n.summary = strings[2];
    n.body = strings[3];
    return n;
}

class WaylandSession : public ProgramTest {
protected:
    void SetUp() override {
        if (WaylandWorld::Skipped()) {
            GTEST_SKIP() << WaylandWorld::Problem();
        }
        session_ = WaylandWorld::Session();
        ASSERT_NE(session_, nullptr) << WaylandWorld::Problem();
        ASSERT_NE(WaylandWorld::Port(), 0) << "the demo server did not start";
        demoPort_ = WaylandWorld::Port();
        server_ = LoopbackUrl(demoPort_);
        env_ = ProgramEnvironment(home_, session_->Env(), server_, session_->Address());
        // The Qt platform is left to the program and Qt, as a desktop's
        // session leaves it: with no X display it must be Wayland.
        env_.erase("QT_QPA_PLATFORM");
        env_.erase("DISPLAY");
    }

    std::vector<std::string> Opened() { return ReadLines(OpenedFile(home_)); }

    SniSession* session_ = nullptr;
};

TEST_F(WaylandSession, TrayNotificationAndEndOfANativeClient) {
    Process monitor({"dbus-monitor", "--session",
                     "type='method_call',interface='" + kNotifications + "',member='Notify'"},
                    session_->Env(), true);
    monitor.ReadLine(10s); // it is listening
    SetDue("wayland", 1);
    Seed("wayland", "Active=1\nShowBalloon=1\nShowPopup=0\ngotoGameOnBalloonClick=1\n");
    Start();

    const std::string item = session_->WaitForItem();
    ASSERT_FALSE(item.empty()) << "no tray item registered with the watcher";
    EXPECT_TRUE(WaitUntil(
        [&] {
            return session_->ItemProperty(item, "ToolTip").find("Dran bei 1 Spielen.") !=
                   std::string::npos;
        },
        kWait, app_.get()))
        << session_->ItemProperty(item, "ToolTip");

    // Activate is the host's left click: the due game opens.
    ASSERT_EQ(session_
                  ->CallItem(item, "/StatusNotifierItem", "org.kde.StatusNotifierItem.Activate",
                             {"0", "0"})
                  .exitCode,
              0);
    ASSERT_TRUE(WaitUntil([&] { return Opened().size() == 1; }, 20s));
    EXPECT_NE(Opened()[0].find("/index.php?main=showmap.php?GID="), std::string::npos);

    const auto note = NextNotify(monitor, kWait);
    ASSERT_TRUE(note) << "no notification reached the daemon";
    EXPECT_EQ(note->summary, "Vexelfeld");
    EXPECT_EQ(note->body, "Dran bei 1 Spiel(en).");
    const auto keys = note->ActionKeys();
    EXPECT_NE(std::find(keys.begin(), keys.end(), "default"), keys.end())
        << "no default action: a click on the notification would do nothing";
    // The popup is off: of its buttons the notification carries only the go
    // button, no snooze.
    EXPECT_EQ(keys, (std::vector<std::string>{"default", "hinda"}));

    // The daemon's default action, a click on the notification, opens the
    // game as the popup's go button would.
    ASSERT_EQ(e2e::Run({"dunstctl", "action", "0"}, session_->Env()).exitCode, 0);
    ASSERT_TRUE(WaitUntil([&] { return Opened().size() == 2; }, 20s))
        << "the notification's default action did not open the game";
    EXPECT_EQ(Opened()[1], Opened()[0]);

    // SIGTERM ends it, and the settings are saved at the end.
    ASSERT_TRUE(std::filesystem::remove(IniPath()));
    app_->Signal(SIGTERM);
    EXPECT_EQ(app_->WaitExit(kExitWait), 0);
    EXPECT_NE(test::ReadFileBytes(IniPath()).find("UserName=wayland\n"), std::string::npos);
    app_.reset();
}

// With XWayland in the session the program is an X11 client of it, where
// GNOME and KDE keep the popup on top and centred.
TEST_F(WaylandSession, WithXWaylandThePopupIsAnX11Window) {
    env_["DISPLAY"] = WaylandWorld::XDisplay();
    SetDue("wayland-x", 1);
    Seed("wayland-x", "Active=1\nShowBalloon=0\nShowPopup=1\n");
    Start();
    EXPECT_TRUE(WaitUntil(
        [&] {
            return !e2e::Run({"xdotool", "search", "--onlyvisible", "--name", "^VexelReminder$"},
                             env_)
                        .out.empty();
        },
        kWait, app_.get()))
        << "no window of the program on " << env_["DISPLAY"];
}

} // namespace
} // namespace vexrem::e2e

int main(int argc, char** argv) {
    return vexrem::e2e::RunAll(argc, argv, new vexrem::e2e::WaylandWorld);
}
