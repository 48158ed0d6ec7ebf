#include "Program.h"

#include <csignal>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <sstream>
#include <thread>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <pwd.h>
#include <sys/socket.h>
#include <sys/time.h>
#include <unistd.h>

namespace vexrem::e2e {

std::string LoginName() {
    const passwd* pw = getpwuid(geteuid());
    return pw != nullptr && pw->pw_name != nullptr ? pw->pw_name : "";
}

std::vector<std::string> ReadLines(const std::string& path) {
    std::vector<std::string> lines;
    std::ifstream in(path);
    for (std::string line; std::getline(in, line);) {
        lines.push_back(line);
    }
    return lines;
}

bool WaitUntil(const std::function<bool()>& pred, std::chrono::milliseconds timeout,
               Process* alive) {
    const auto deadline = Clock::now() + timeout;
    while (!pred()) {
        if (Clock::now() > deadline || (alive != nullptr && !alive->Running())) {
            return false;
        }
        std::this_thread::sleep_for(250ms);
    }
    return true;
}

std::optional<Lamp> TrayLamp(const Desktop& desktop, Rgb colour) {
    const auto tray = desktop.TrayArea();
    const auto image = tray ? desktop.Capture(*tray) : std::nullopt;
    if (!image) {
        return std::nullopt;
    }
    const ColourSpot spot = FindColour(*image, colour, kTolerance);
    if (spot.count < kMinLampPixels) {
        return std::nullopt;
    }
    return Lamp{spot, *tray};
}

DemoServer::DemoServer(const std::string& exe)
    : process_({exe, "--port", "0", "--bind", "127.0.0.1"}, CurrentEnvironment(), true) {
    const auto line = process_.ReadLine(30s);
    const std::string prefix = "listening on 127.0.0.1:";
    if (line && line->rfind(prefix, 0) == 0) {
        port_ = std::stoi(line->substr(prefix.size()));
    }
}

DemoServer::~DemoServer() {
    process_.Signal(SIGTERM);
    process_.WaitExit(10s);
}

void World::SetUp() {
    desktop_ = std::make_unique<Desktop>();
    if (!desktop_->Ready()) {
        std::cout << "E2E-SKIP: no virtual desktop: " << desktop_->Problem() << std::endl;
        return;
    }
    if (withDemoServer_) {
        server_ = std::make_unique<DemoServer>(VEXREM_DEMO_SERVER_EXE);
    }
}

void World::TearDown() {
    server_.reset();
    desktop_.reset();
}

Environment ProgramEnvironment(const test::TempDir& home, Environment base,
                               const std::string& server, const std::string& busAddress) {
    for (const char* dir : {"bin", "config", "data/VexelReminder", "runtime", "tmp"}) {
        std::filesystem::create_directories(home / dir);
    }
    std::filesystem::permissions(home / "runtime", std::filesystem::perms::owner_all);
    const std::string opener = home / "bin/xdg-open";
    std::ofstream(opener) << "#!/bin/sh\nprintf '%s\\n' \"$1\" >> '" << OpenedFile(home) << "'\n";
    std::filesystem::permissions(opener, std::filesystem::perms::owner_all);

    Environment env = std::move(base);
    env["HOME"] = home.Str();
    env["XDG_CONFIG_HOME"] = home / "config";
    env["XDG_DATA_HOME"] = home / "data";
    env["XDG_RUNTIME_DIR"] = home / "runtime";
    env["TMPDIR"] = home / "tmp";
    env["PATH"] = (home / "bin") + ":" + env["PATH"];
    env["VEXREM_GAME_SERVER"] = server;
    env["VEXREM_SITE"] = server;
    env["QT_QPA_PLATFORM"] = "xcb";
    env["DBUS_SESSION_BUS_ADDRESS"] =
        busAddress.empty() ? "unix:path=" + (home / "no-bus") : busAddress;
    env.erase("SESSION_MANAGER");
    return env;
}

std::string OpenedFile(const test::TempDir& home) {
    return home / "opened.txt";
}

std::string IniPath(const test::TempDir& home) {
    return home / "data/VexelReminder/vexrem.ini";
}

void SeedSettings(const test::TempDir& home, const std::string& userName, const std::string& more) {
    std::ofstream(IniPath(home)) << "[" << LoginName() << "]\nUserName=" << userName
                                 << "\nInterval=20\nStartupDelay=1\n"
                                 << more;
}

PrivateBus::PrivateBus(const test::TempDir& dir, const std::string& type,
                       const std::string& extra) {
    const std::string config = dir / (type + "-bus.conf");
    std::ofstream(config) << "<busconfig><type>" << type
                          << "</type><listen>unix:path=" << (dir / (type + "-bus")) << "</listen>"
                          << extra
                          << "<policy context=\"default\"><allow send_destination=\"*\"/>"
                             "<allow receive_sender=\"*\"/><allow eavesdrop=\"true\"/>"
                             "<allow own=\"*\"/></policy></busconfig>\n";
    daemon_ = std::make_unique<Process>(
        std::vector<std::string>{"dbus-daemon", "--nofork", "--nopidfile",
                                 "--config-file=" + config, "--print-address=1"},
        CurrentEnvironment(), true);
    address_ = daemon_->ReadLine(30s).value_or("");
}

PrivateBus::~PrivateBus() {
    daemon_->Signal(SIGTERM);
    daemon_->WaitExit(10s);
}

std::string LoopbackUrl(int port) {
    return "http://127.0.0.1:" + std::to_string(port);
}

std::string HttpGet(int port, const std::string& path) {
    const int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (fd < 0) {
        return {};
    }
    timeval tv{10, 0};
    ::setsockopt(fd, SOL_SOCKET, SO_RCVTIMEO, &tv, sizeof tv);
    ::setsockopt(fd, SOL_SOCKET, SO_SNDTIMEO, &tv, sizeof tv);
    sockaddr_in addr{};
    addr.sin_family = AF_INET;
    addr.sin_port = htons(static_cast<std::uint16_t>(port));
    addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    std::string response;
    if (::connect(fd, reinterpret_cast<const sockaddr*>(&addr), sizeof addr) == 0) {
        const std::string request = "GET " + path + " HTTP/1.0\r\nHost: 127.0.0.1\r\n\r\n";
        if (::send(fd, request.data(), request.size(), MSG_NOSIGNAL) ==
            static_cast<ssize_t>(request.size())) {
            char buf[4096];
            ssize_t n = 0;
            while ((n = ::recv(fd, buf, sizeof buf, 0)) > 0) {
                response.append(buf, static_cast<std::size_t>(n));
            }
        }
    }
    ::close(fd);
    const std::size_t body = response.find("\r\n\r\n");
    return body == std::string::npos ? "" : response.substr(body + 4);
}

void ProgramTest::SetUp() {
    desktop_ = World::TheDesktop();
    if (desktop_ == nullptr) {
        GTEST_SKIP() << "no virtual desktop with a tray (Xvfb, trayer, xdotool, import)";
    }
    server_ = kRefusingServer;
    if (World::WithDemoServer()) {
        ASSERT_NE(World::Port(), 0) << "the demo server did not start";
        demoPort_ = World::Port();
        server_ = LoopbackUrl(demoPort_);
    }
    env_ = ProgramEnvironment(home_, desktop_->ClientEnvironment(), server_);
    SetUpProgram();
}

void ProgramTest::TearDown() {
    if (app_) {
        // Whatever a test left open (a question, the popup), SIGTERM ends the program.
        app_->Signal(SIGTERM);
        EXPECT_TRUE(app_->WaitExit(kExitWait).has_value()) << "SIGTERM did not end the program";
    }
    app_.reset();
    if (desktop_ != nullptr) {
        WaitUntil([&] { return !IconShown(); }, 10s);
    }
}

void ProgramTest::Start(const std::string& exe) {
    app_ = std::make_unique<Process>(std::vector<std::string>{exe}, env_);
    ASSERT_TRUE(app_->Started());
}

bool ProgramTest::OpenTrayMenu(int x, int y) const {
    const auto windows = [&] {
        return desktop_->LargeWindows("--classname", "^vexrem$", 80, 80).size();
    };
    const std::size_t before = windows();
    return desktop_->Click(x, y, 3) &&
           WaitUntil([&] { return windows() > before; }, kWait, app_.get());
}

int RunAll(int argc, char** argv, ::testing::Environment* world) {
    ::testing::InitGoogleTest(&argc, argv);
    ::testing::AddGlobalTestEnvironment(world);
    return RUN_ALL_TESTS();
}

} // namespace vexrem::e2e
