// The real program with a StatusNotifierItem tray: a private session bus, a
// real watcher (status-notifier-watcher) and host (gtk-sni-tray-standalone)
// on a virtual screen, against the demo game server. What the host shows is
// told apart by pixel colour; what the item offers is read over D-Bus, as a
// host reads it. The installed package is run the same way.
#include "Program.h"

#include <csignal>
#include <filesystem>
#include <fstream>
#include <regex>
#include <thread>

#include <unistd.h>

namespace vexrem::e2e {
namespace {

constexpr Rgb kHousing{48, 48, 52};
const std::string kWatcher = "org.kde.StatusNotifierWatcher";

// A screen, a private session bus with a watcher and a host, and the demo
// server, for the whole run. Watcher and host can be stopped and started.
class SniWorld : public ::testing::Environment {
public:
    void SetUp() override {
        for (const char* tool :
             {"dbus-daemon", "gdbus", "status-notifier-watcher", "gtk-sni-tray-standalone"}) {
            if (!InPath(tool)) {
                problem_ = std::string(tool) + " is not installed (scripts/setup installs it)";
                std::cout << "E2E-SKIP: " << problem_ << std::endl;
                return;
            }
        }
        desktop_ = std::make_unique<Desktop>(false);
        if (!desktop_->Ready()) {
            problem_ = desktop_->Problem();
            std::cout << "E2E-SKIP: no virtual desktop: " << problem_ << std::endl;
            return;
        }
        // A session bus whose notification service is a script that notes
        // each start: the program's Notify call starts it.
        std::filesystem::create_directories(dir_ / "services");
        const std::string notified = dir_ / "notified";
        std::ofstream(notified) << "#!/bin/sh\necho Notify >> '" << NotifiedLog() << "'\n";
        std::filesystem::permissions(notified, std::filesystem::perms::owner_all);
        std::ofstream(dir_ / "services/org.freedesktop.Notifications.service")
            << "[D-BUS Service]\nName=org.freedesktop.Notifications\nExec=" << notified << "\n";
        bus_ = std::make_unique<PrivateBus>(dir_, "session",
                                            "<servicedir>" + (dir_ / "services") + "</servicedir>");
        server_ = std::make_unique<DemoServer>(VEXREM_DEMO_SERVER_EXE);
        StartWatcher();
        StartHost();
    }

    void TearDown() override {
        host_.reset();
        watcher_.reset();
        server_.reset();
        bus_.reset();
        desktop_.reset();
    }

    static e2e::Environment Env() {
        e2e::Environment env = desktop_->ClientEnvironment();
        env["DBUS_SESSION_BUS_ADDRESS"] = bus_ ? bus_->Address() : "";
        env["NO_AT_BRIDGE"] = "1"; // no accessibility bus for the host
        return env;
    }

    static void StartWatcher() {
        watcher_ =
            std::make_unique<Process>(std::vector<std::string>{"status-notifier-watcher"}, Env());
        WaitUntil([] {
            return Gdbus({"--dest", kWatcher, "--object-path", "/StatusNotifierWatcher"},
                         "introspect")
                       .exitCode == 0;
        });
    }
    static void StartHost() {
        host_ = std::make_unique<Process>(std::vector<std::string>{"gtk-sni-tray-standalone",
                                                                   "--top", "--end", "-s", "32",
                                                                   "-c", "#d0d0d0"},
                                          Env());
        WaitUntil([] { return WatcherProperty("IsStatusNotifierHostRegistered") == "true"; });
    }
    static void Stop(std::unique_ptr<Process>& p) {
        if (p) {
            p->Signal(SIGTERM);
            p->WaitExit(10s);
            p.reset();
        }
    }
    static void StopWatcherAndHost() {
        Stop(host_);
        Stop(watcher_);
    }
    static void RestartWatcher() {
        Stop(watcher_);
        StartWatcher();
    }

    // gdbus on the private bus: "call" or "introspect" with the arguments.
    static RunResult Gdbus(std::vector<std::string> args, const std::string& verb = "call") {
        std::vector<std::string> argv{"gdbus", verb, "--session"};
        argv.insert(argv.end(), args.begin(), args.end());
        return e2e::Run(argv, Env(), 20s);
    }
    static std::string WatcherProperty(const std::string& name) {
        const RunResult r =
            Gdbus({"--dest", kWatcher, "--object-path", "/StatusNotifierWatcher", "--method",
                   "org.freedesktop.DBus.Properties.Get", kWatcher, name});
        std::smatch m;
        static const std::regex value(R"(^\(<(.*)>,\)\s*$)");
        return std::regex_search(r.out, m, value) ? m[1].str() : "";
    }

    static std::unique_ptr<Process>& Host() { return host_; }
    static std::string NotifiedLog() { return dir_ / "notified.log"; }
    static Desktop* TheDesktop() { return problem_.empty() ? desktop_.get() : nullptr; }
    static const std::string& Problem() { return problem_; }
    static int Port() { return server_ ? server_->Port() : 0; }

private:
    static inline test::TempDir dir_;
    static inline std::unique_ptr<Desktop> desktop_;
    static inline std::unique_ptr<PrivateBus> bus_;
    static inline std::unique_ptr<DemoServer> server_;
    static inline std::unique_ptr<Process> watcher_;
    static inline std::unique_ptr<Process> host_;
    static inline std::string problem_;
};

class SniTray : public ProgramTest {
protected:
    void SetUp() override {
        desktop_ = SniWorld::TheDesktop();
        if (desktop_ == nullptr) {
            GTEST_SKIP() << SniWorld::Problem();
        }
        ASSERT_NE(SniWorld::Port(), 0) << "the demo server did not start";
        demoPort_ = SniWorld::Port();
        server_ = LoopbackUrl(demoPort_);
        const Environment base = SniWorld::Env();
        env_ = ProgramEnvironment(home_, base, server_, base.at("DBUS_SESSION_BUS_ADDRESS"));
    }

    void Seed(const std::string& user, const std::string& extra = "ShowBalloon=0\n") {
        ProgramTest::Seed(user, "Active=1\n" + extra);
    }
    // The host's bar along the top edge.
    std::optional<Image> HostImage() {
        std::optional<Rect> best;
        for (const auto& id : desktop_->VisibleWindows("--name", "^gtk-sni-tray-standalone$")) {
            const auto g = desktop_->Geometry(id);
            if (g && g->y == 0 && (!best || g->width > best->width)) {
                best = g;
            }
        }
        return best ? desktop_->Capture(*best) : std::nullopt;
    }
    bool LampNow(Rgb colour) {
        const auto image = HostImage();
        return image && FindColour(*image, colour, kTolerance).count >= kMinLampPixels;
    }
    bool HousingNow() { return LampNow(kHousing); }
    bool IconShown() override { return HousingNow(); }
    bool DarkNow() {
        return HousingNow() && !LampNow(kGreen) && !LampNow(kYellow) && !LampNow(kRed);
    }
    bool WaitForLamp(Rgb colour) {
        return WaitUntil([&] { return LampNow(colour); });
    }

    // Our item on the bus, as the watcher lists it ("" until it is there).
    std::string Item() {
        std::smatch m;
        const std::string items = SniWorld::WatcherProperty("RegisteredStatusNotifierItems");
        return std::regex_search(items, m, std::regex(R"(':[0-9.]+')"))
                   ? m.str().substr(1, m.length() - 2)
                   : "";
    }
    std::string WaitForItem() {
        std::string item;
        WaitUntil([&] { return !(item = Item()).empty(); });
        return item;
    }
    RunResult CallItem(const std::string& item, const std::string& path, const std::string& method,
                       std::vector<std::string> args) {
        std::vector<std::string> a{"--dest", item, "--object-path", path, "--method", method};
        a.insert(a.end(), args.begin(), args.end());
        return SniWorld::Gdbus(a);
    }
    std::string ItemProperty(const std::string& item, const std::string& name) {
        return CallItem(item, "/StatusNotifierItem", "org.freedesktop.DBus.Properties.Get",
                        {"org.kde.StatusNotifierItem", name})
            .out;
    }
    std::vector<std::string> Opened() { return ReadLines(OpenedFile(home_)); }
};

struct MenuEntry {
    int id = 0;
    std::string label; // "-" for a separator
    bool enabled = true;
};

// The top level of a com.canonical.dbusmenu GetLayout answer, as gdbus prints it.
std::vector<MenuEntry> TopLevel(const std::string& layout) {
    std::vector<MenuEntry> entries;
    static const std::regex item(R"(<\((\d+), \{([^}]*)\})");
    for (auto it = std::sregex_iterator(layout.begin(), layout.end(), item);
         it != std::sregex_iterator(); ++it) {
        MenuEntry e;
        e.id = std::stoi((*it)[1]);
        const std::string props = (*it)[2];
        std::smatch m;
        if (props.find("'separator'") != std::string::npos) {
            e.label = "-";
        } else if (std::regex_search(props, m, std::regex(R"('label': <'([^']*)'>)"))) {
            e.label = m[1];
        }
        e.enabled = props.find("'enabled': <false>") == std::string::npos;
        entries.push_back(e);
    }
    return entries;
}

TEST_F(SniTray, ShowsTheStatesActivatesAndOffersTheMenu) {
    SetDue("sni", 1);
    Seed("sni");
    Start();
    ASSERT_TRUE(WaitForLamp(kGreen)) << "no green light in the StatusNotifierItem host";
    EXPECT_FALSE(LampNow(kYellow));
    const std::string item = WaitForItem();
    ASSERT_FALSE(item.empty());
    EXPECT_NE(ItemProperty(item, "ToolTip").find("Dran bei 1 Spielen."), std::string::npos);

    // Activate is the host's left click: the due game opens.
    ASSERT_EQ(
        CallItem(item, "/StatusNotifierItem", "org.kde.StatusNotifierItem.Activate", {"0", "0"})
            .exitCode,
        0);
    ASSERT_TRUE(WaitUntil([&] { return !Opened().empty(); }, 20s));
    EXPECT_NE(Opened()[0].find("/index.php?main=showmap.php?GID="), std::string::npos);

    // The menu as a host reads it, without opening it first.
    const RunResult layout =
        CallItem(item, "/MenuBar", "com.canonical.dbusmenu.GetLayout", {"0", "--", "-1", "@as []"});
    const auto menu = TopLevel(layout.out);
    std::vector<std::string> labels;
    for (const auto& e : menu) {
        labels.push_back(e.label);
    }
    ASSERT_EQ(labels, (std::vector<std::string>{"_Einstellungen", "_Vexelfeld", "_Aktualisieren",
                                                "-", "_Deaktivieren", "_Aktivieren", "_Beenden"}))
        << layout.out;
    EXPECT_TRUE(menu[4].enabled) << "checking is on: Deaktivieren";
    EXPECT_FALSE(menu[5].enabled) << "checking is on: not Aktivieren";

    // "Aktualisieren" from the menu shows the new state; "Deaktivieren" the
    // dark light.
    SetDue("sni", 0);
    auto click = [&](int id) {
        return CallItem(item, "/MenuBar", "com.canonical.dbusmenu.Event",
                        {std::to_string(id), "clicked", "<0>", "0"})
            .exitCode;
    };
    ASSERT_EQ(click(menu[2].id), 0);
    EXPECT_TRUE(WaitForLamp(kYellow));
    ASSERT_EQ(click(menu[4].id), 0);
    EXPECT_TRUE(WaitUntil([&] { return DarkNow(); }));
    EXPECT_NE(ItemProperty(item, "ToolTip").find("Inaktiv"), std::string::npos);

    // The host's middle click reaches the default item, the settings window.
    ASSERT_EQ(CallItem(item, "/StatusNotifierItem", "org.kde.StatusNotifierItem.SecondaryActivate",
                       {"0", "0"})
                  .exitCode,
              0);
    EXPECT_TRUE(WaitUntil(
        [&] { return !desktop_->LargeWindows("--name", "^VexelReminder$", 400, 300).empty(); }));
}

TEST_F(SniTray, BlinksRedAndTellsTheFailureWhenTheServerCannotBeReached) {
    env_["VEXREM_GAME_SERVER"] = kRefusingServer;
    Seed("sni", "ShowBalloon=0\nTrayIconBlinkOnError=1\nTrayIconBlinkSpeed=500\n");
    Start();
    EXPECT_TRUE(WaitForLamp(kRed));
    EXPECT_TRUE(WaitUntil([&] { return DarkNow(); })) << "no dark phase: not blinking";
    EXPECT_TRUE(WaitForLamp(kRed));
    const std::string item = WaitForItem();
    EXPECT_NE(ItemProperty(item, "ToolTip").find("Fehler ("), std::string::npos);
}

TEST_F(SniTray, WithoutAnyTrayTheNotificationAndThePopupStillCome) {
    SniWorld::StopWatcherAndHost();
    SetDue("sni-none", 1);
    Seed("sni-none", "ShowBalloon=1\nShowPopup=1\n");
    Start();
    EXPECT_TRUE(WaitUntil([] { return !test::ReadFileBytes(SniWorld::NotifiedLog()).empty(); }))
        << "no desktop notification was asked for";
    EXPECT_TRUE(WaitUntil([&] {
        for (const Rect& r : desktop_->LargeWindows("--name", "^VexelReminder$", 300, 70)) {
            if (r.width < 400) { // the settings window is larger
                return true;
            }
        }
        return false;
    })) << "no popup";
    SniWorld::StartWatcher();
    SniWorld::StartHost();
}

TEST_F(SniTray, ALateWatcherGetsTheIconAndARestartedOneGetsItBack) {
    SniWorld::StopWatcherAndHost();
    SetDue("sni", 1);
    Seed("sni");
    Start();
    std::this_thread::sleep_for(4s); // the program is up and has checked once

    SniWorld::StartWatcher();
    SniWorld::StartHost();
    EXPECT_TRUE(WaitForLamp(kGreen)) << "no icon for a watcher that came late";

    SniWorld::RestartWatcher();
    EXPECT_FALSE(WaitForItem().empty()) << "not registered again with the restarted watcher";
    // The next test starts with a host that has seen nothing of this.
    SniWorld::Stop(SniWorld::Host());
    SniWorld::StartHost();
}

// The built package, unpacked into a scratch root: its menu entry's command
// starts the program, which shows the green light in the host.
std::optional<std::filesystem::path> BuiltPackage() {
    const std::filesystem::path dir = VEXREM_TEST_PACKAGE_DIR;
    std::error_code ec;
    for (const auto& entry : std::filesystem::directory_iterator(dir, ec)) {
        if (entry.path().extension() == ".deb") {
            return entry.path();
        }
    }
    return std::nullopt;
}

TEST_F(SniTray, ThePackagedProgramStartsFromItsMenuEntry) {
    const auto deb = BuiltPackage();
    if (!deb) {
        GTEST_SKIP() << "no package built (the package test builds it)";
    }
    const std::string root = home_ / "root";
    ASSERT_EQ(e2e::Run({"dpkg", "-x", deb->string(), root}, env_).exitCode, 0);
    const std::string entry =
        test::ReadFileBytes(root + "/usr/share/applications/net.vexelfeld.VexelReminder.desktop");
    std::smatch m;
    ASSERT_TRUE(std::regex_search(entry, m, std::regex(R"(\nExec=(\S+)\n)"))) << entry;
    ASSERT_TRUE(std::filesystem::exists(root + "/usr/share/icons/hicolor/48x48/apps/"
                                               "net.vexelfeld.VexelReminder.png"));

    env_["PATH"] = root + "/usr/bin:" + env_["PATH"];
    SetDue("sni-pkg", 1);
    Seed("sni-pkg");
    app_ = std::make_unique<Process>(std::vector<std::string>{m[1]}, env_);
    EXPECT_TRUE(WaitForLamp(kGreen));
}

TEST_F(SniTray, ThePackageInstallsAndRemovesCleanly) {
    const auto deb = BuiltPackage();
    if (!deb || geteuid() != 0) {
        GTEST_SKIP() << "needs the built package and root (CI)";
    }
    if (e2e::Run({"dpkg-query", "-W", "vexelreminder"}, env_).exitCode == 0) {
        GTEST_SKIP() << "vexelreminder is installed here already; left alone";
    }
    const std::vector<std::string> apt{"apt-get", "-y", "-q", "-o", "DPkg::Lock::Timeout=120"};
    auto with = [&](std::vector<std::string> tail) {
        std::vector<std::string> argv = apt;
        argv.insert(argv.end(), tail.begin(), tail.end());
        return argv;
    };
    e2e::Environment env = env_;
    env["DEBIAN_FRONTEND"] = "noninteractive";
    const RunResult install =
        e2e::Run(with({"install", "--no-install-recommends", deb->string()}), env, 180s);
    ASSERT_EQ(install.exitCode, 0) << install.out;
    EXPECT_TRUE(std::filesystem::exists("/usr/bin/vexrem"));
    EXPECT_TRUE(
        std::filesystem::exists("/usr/share/applications/net.vexelfeld.VexelReminder.desktop"));
    const RunResult files = e2e::Run({"dpkg", "-L", "vexelreminder"}, env);
    EXPECT_EQ(files.out.find("demo"), std::string::npos) << "the demo server stays out";

    const RunResult remove = e2e::Run(with({"purge", "vexelreminder"}), env, 180s);
    ASSERT_EQ(remove.exitCode, 0) << remove.out;
    EXPECT_FALSE(std::filesystem::exists("/usr/bin/vexrem"));
    EXPECT_FALSE(std::filesystem::exists("/usr/share/doc/vexelreminder"));
}

} // namespace
} // namespace vexrem::e2e

int main(int argc, char** argv) {
    return vexrem::e2e::RunAll(argc, argv, new vexrem::e2e::SniWorld);
}
