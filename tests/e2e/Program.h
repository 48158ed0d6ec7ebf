#pragma once
// What every end-to-end test needs around the program: a screen (and the demo
// game server) for the whole run, a home folder of the program's own with its
// environment and settings, waiting, and the tray's lamps.

#include "Desktop.h"
#include "Process.h"

#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <chrono>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace vexrem::e2e {

using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;

// The lit lamps of the full-colour icon set.
constexpr Rgb kGreen{40, 220, 60};
constexpr Rgb kYellow{255, 214, 0};
constexpr Rgb kRed{255, 48, 40};
constexpr int kTolerance = 24;
constexpr int kMinLampPixels = 4;
// Generous: two cores shared with a parallel test run.
constexpr auto kWait = 40s;
constexpr auto kExitWait = 20s;
// Port 1 on the loopback: nobody listens, the connection is refused.
constexpr const char* kRefusingServer = "http://127.0.0.1:1";

std::string LoginName();
// The lines of a text file (none when it cannot be read).
std::vector<std::string> ReadLines(const std::string& path);

// Polls pred until it holds; false at the deadline, or at once when `alive`
// (if given) has ended.
bool WaitUntil(const std::function<bool()>& pred, std::chrono::milliseconds timeout = kWait,
               Process* alive = nullptr);

// A lit lamp of one colour in the tray host's panel (trayer).
struct Lamp {
    ColourSpot spot;
    Rect tray;
    int ScreenX() const { return tray.x + spot.centreX; }
    int ScreenY() const { return tray.y + spot.centreY; }
};
std::optional<Lamp> TrayLamp(const Desktop& desktop, Rgb colour);

// The demo game server on a free loopback port; stopped when it goes away.
class DemoServer {
public:
    explicit DemoServer(const std::string& exe);
    ~DemoServer();
    DemoServer(const DemoServer&) = delete;
    DemoServer& operator=(const DemoServer&) = delete;
    // 0 when it did not start.
    int Port() const { return port_; }

private:
    Process process_;
    int port_ = 0;
};

// One screen with a tray and, withDemoServer, one demo server for the whole
// run.
class World : public ::testing::Environment {
public:
    explicit World(bool withDemoServer) { withDemoServer_ = withDemoServer; }
    void SetUp() override;
    void TearDown() override;

    static Desktop* TheDesktop() {
        return desktop_ && desktop_->Ready() ? desktop_.get() : nullptr;
    }
    static bool WithDemoServer() { return withDemoServer_; }
    static int Port() { return server_ ? server_->Port() : 0; }

private:
    static inline bool withDemoServer_ = false;
    static inline std::unique_ptr<Desktop> desktop_;
    static inline std::unique_ptr<DemoServer> server_;
};

// A private D-Bus daemon of a type ("session", "system") that allows everything,
// its socket in dir; more lines of its configuration (service folders) in
// extra. Ended with SIGTERM when it goes away.
class PrivateBus {
public:
    PrivateBus(const test::TempDir& dir, const std::string& type, const std::string& extra = {});
    ~PrivateBus();
    PrivateBus(const PrivateBus&) = delete;
    PrivateBus& operator=(const PrivateBus&) = delete;
    // "" when it did not start.
    const std::string& Address() const { return address_; }

private:
    std::unique_ptr<Process> daemon_;
    std::string address_;
};

std::string LoopbackUrl(int port);
// One HTTP/1.0 GET on 127.0.0.1; the body, or "" on any failure.
std::string HttpGet(int port, const std::string& path);

// Prepares a home folder for the program and returns its environment: base
// (the screen's) with the home's folders, `server` as game server and site, a
// fake xdg-open first in PATH that notes each call in OpenedFile(home), and
// `busAddress` as session bus (none: no bus, so the tray icon is an XEmbed one
// and no bus is started on the program's behalf).
Environment ProgramEnvironment(const test::TempDir& home, Environment base,
                               const std::string& server, const std::string& busAddress = {});
std::string OpenedFile(const test::TempDir& home);
std::string IniPath(const test::TempDir& home);
// Settings that make the program check one second after start, with more
// key=value lines.
void SeedSettings(const test::TempDir& home, const std::string& userName, const std::string& more);

// A test of the program in a home folder of its own. SetUp takes World's
// screen (skips without one) and its demo server, or kRefusingServer in a
// world without, and prepares env_; then SetUpProgram. TearDown ends the
// program with SIGTERM and waits until its icon is gone, so that the next test
// cannot see it.
class ProgramTest : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;
    virtual void SetUpProgram() {}
    virtual bool IconShown() { return false; }

    // Starts the program with env_ as app_.
    void Start(const std::string& exe = VEXREM_EXE);
    std::string IniPath() const { return e2e::IniPath(home_); }
    void Seed(const std::string& userName, const std::string& more) {
        SeedSettings(home_, userName, more);
    }
    // Right-click at the icon; true once its menu is open: one more sizeable
    // window of the program (the settings window may be one).
    bool OpenTrayMenu(int x, int y) const;
    // Tells the demo server how many games are due for login.
    void SetDue(const std::string& login, int due) {
        ASSERT_EQ(HttpGet(demoPort_, "/admin/set?login=" + login + "&due=" + std::to_string(due)),
                  "ok");
    }

    Desktop* desktop_ = nullptr;
    test::TempDir home_;
    Environment env_;
    std::string server_;
    int demoPort_ = 0; // the demo server's, if any
    std::unique_ptr<Process> app_;
};

// Runs the tests of a binary in `world`.
int RunAll(int argc, char** argv, ::testing::Environment* world);

} // namespace vexrem::e2e
