// The real program hears the computer's sleep and wake from the login manager
// on the system bus: here a private system bus with python3-dbusmock's logind
// template, which emits PrepareForSleep as the real one does. The game server
// is an in-process fake whose first answer after the wake fails.
#include "Program.h"

#include "support/FakeHttpServer.h"

#include <atomic>
#include <fstream>
#include <thread>

namespace vexrem::e2e {
namespace {

// A screen with a tray, a private system bus and the mocked login manager.
class SleepWorld : public World {
public:
    SleepWorld() : World(false) {}

    void SetUp() override {
        // The Debian package's module is the system Python's.
        std::string python;
        for (const char* p : {"/usr/bin/python3", "python3"}) {
            if (python.empty() && Run({p, "-c", "import dbusmock"}, env_).exitCode == 0) {
                python = p;
            }
        }
        if (python.empty() || !InPath("dbus-daemon") || !InPath("gdbus")) {
            missing_ = true;
            std::cout << "E2E-SKIP: python3-dbusmock, dbus-daemon or gdbus is missing" << std::endl;
            return;
        }
        World::SetUp();
        bus_ = std::make_unique<PrivateBus>(dir_, "system");
        env_["DBUS_SYSTEM_BUS_ADDRESS"] = bus_->Address();
        logind_ = std::make_unique<Process>(
            std::vector<std::string>{python, "-m", "dbusmock", "--system", "--template", "logind"},
            env_);
        WaitUntil([] { return Login1({"introspect"}).exitCode == 0; });
    }

    void TearDown() override {
        logind_.reset();
        bus_.reset();
        World::TearDown();
    }

    // gdbus on the private system bus, at the login manager's object.
    static RunResult Login1(std::vector<std::string> args) {
        args.insert(args.begin() + 1, {"--system", "--dest", "org.freedesktop.login1",
                                       "--object-path", "/org/freedesktop/login1"});
        args.insert(args.begin(), "gdbus");
        return Run(args, env_);
    }
    static bool PrepareForSleep(bool start) {
        return Login1({"call", "--method", "org.freedesktop.DBus.Mock.EmitSignal",
                       "org.freedesktop.login1.Manager", "PrepareForSleep", "b",
                       start ? "[<true>]" : "[<false>]"})
                   .exitCode == 0;
    }
    static bool Missing() { return missing_; }
    static std::string Address() { return bus_ ? bus_->Address() : ""; }

private:
    static inline test::TempDir dir_;
    static inline e2e::Environment env_ = CurrentEnvironment();
    static inline std::unique_ptr<PrivateBus> bus_;
    static inline std::unique_ptr<Process> logind_;
    static inline bool missing_ = false;
};

class Wake : public ProgramTest {
protected:
    void SetUpProgram() override {
        if (SleepWorld::Missing()) {
            GTEST_SKIP() << "python3-dbusmock, dbus-daemon or gdbus is missing";
        }
        ASSERT_EQ(SleepWorld::Login1({"introspect"}).exitCode, 0) << "no mocked login manager";
        env_["DBUS_SYSTEM_BUS_ADDRESS"] = SleepWorld::Address();
        env_["VEXREM_GAME_SERVER"] = game_.BaseUrl();
        // No periodic check comes during the test.
        std::ofstream(IniPath()) << "[" << LoginName() << "]\nUserName=wake\nActive=1\n"
                                 << "Interval=1800\nStartupDelay=3\nShowBalloon=0\nShowPopup=0\n";
        // Due in one game; after the wake one failure, then due in none.
        game_.SetHandler([this](const std::string&) {
            const int n = ++answers_;
            return n == 2 ? test::FakeResponse::Status(500, "Internal Server Error")
                          : test::FakeResponse::Ok("<b>Vexel - " + std::to_string(n == 1 ? 1 : 0) +
                                                   "</b>");
        });
    }
    bool Lit(Rgb colour) { return TrayLamp(*desktop_, colour).has_value(); }

    std::atomic<int> answers_{0}; // before the server, whose thread counts them
    test::FakeHttpServer game_;
};

TEST_F(Wake, AWakeChecksAfterTheStartUpDelayAndAnEarlyFailureIsTriedAgainUnseen) {
    Start();
    ASSERT_TRUE(WaitUntil([&] { return Lit(kGreen); }, kWait, app_.get())) << "no first check";
    ASSERT_TRUE(SleepWorld::PrepareForSleep(true));
    std::this_thread::sleep_for(1s);
    ASSERT_TRUE(SleepWorld::PrepareForSleep(false));
    const auto woke = Clock::now();

    ASSERT_TRUE(game_.WaitForRequests(2, kWait)) << "no check after the wake";
    EXPECT_GE(Clock::now() - woke, 2s) << "the check did not wait for the start-up delay";
    // The failed check is tried again; until its answer the light stays as
    // it was, and it never turns red.
    bool red = false;
    const bool yellow = WaitUntil([&] {
        red = red || Lit(kRed);
        return Lit(kYellow);
    });
    EXPECT_FALSE(red) << "the failure right after the wake was shown";
    EXPECT_TRUE(yellow) << "no second try";
    EXPECT_EQ(game_.RequestCount(), 3u);
}

} // namespace
} // namespace vexrem::e2e

int main(int argc, char** argv) {
    return vexrem::e2e::RunAll(argc, argv, new vexrem::e2e::SleepWorld);
}
