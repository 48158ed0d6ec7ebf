#include "Sni.h"

#include "Program.h"

#include <csignal>
#include <filesystem>
#include <fstream>
#include <regex>

namespace vexrem::e2e {

namespace {
const std::string kWatcher = "org.kde.StatusNotifierWatcher";
} // namespace

std::string MissingSniTool() {
    for (const char* tool :
         {"dbus-daemon", "gdbus", "status-notifier-watcher", "gtk-sni-tray-standalone"}) {
        if (!InPath(tool)) {
            return tool;
        }
    }
    return {};
}

SniSession::SniSession(Environment display, const std::map<std::string, std::string>& services)
    : display_(std::move(display)) {
    std::filesystem::create_directories(dir_ / "services");
    for (const auto& [name, command] : services) {
        std::ofstream(dir_ / ("services/" + name + ".service"))
            << "[D-BUS Service]\nName=" << name << "\nExec=" << command << "\n";
    }
    // The bus starts the services given on their first call.
    bus_ = std::make_unique<PrivateBus>(dir_, "session",
                                        "<servicedir>" + (dir_ / "services") + "</servicedir>");
    if (bus_->Address().empty()) {
        return;
    }
    ready_ = true;
    StartWatcher();
    StartHost();
}

SniSession::~SniSession() {
    Stop(host_);
    Stop(watcher_);
    bus_.reset();
}

Environment SniSession::Env() const {
    Environment env = display_;
    env["DBUS_SESSION_BUS_ADDRESS"] = Address();
    env["NO_AT_BRIDGE"] = "1"; // no accessibility bus for the host
    return env;
}

void SniSession::StartWatcher() {
    watcher_ =
        std::make_unique<Process>(std::vector<std::string>{"status-notifier-watcher"}, Env());
    WaitUntil([this] {
        return Gdbus({"--dest", kWatcher, "--object-path", "/StatusNotifierWatcher"}, "introspect")
                   .exitCode == 0;
    });
}

void SniSession::StartHost() {
    std::vector<std::string> argv{
        "gtk-sni-tray-standalone", "--top", "--end", "-s", "32", "-c", "#d0d0d0"};
    // The bar's place is an X11 window property; a Wayland host has none.
    if (display_.count("DISPLAY") == 0) {
        argv.emplace_back("--no-strut");
    }
    host_ = std::make_unique<Process>(argv, Env());
    WaitUntil([this] { return WatcherProperty("IsStatusNotifierHostRegistered") == "true"; });
}

void SniSession::Stop(std::unique_ptr<Process>& p) {
    if (p) {
        p->Signal(SIGTERM);
        p->WaitExit(10s);
        p.reset();
    }
}

void SniSession::StopWatcherAndHost() {
    Stop(host_);
    Stop(watcher_);
}

void SniSession::RestartWatcher() {
    Stop(watcher_);
    StartWatcher();
}

void SniSession::RestartHost() {
    Stop(host_);
    StartHost();
}

RunResult SniSession::Gdbus(std::vector<std::string> args, const std::string& verb) const {
    std::vector<std::string> argv{"gdbus", verb, "--session"};
    argv.insert(argv.end(), args.begin(), args.end());
    return e2e::Run(argv, Env(), 20s);
}

std::string SniSession::WatcherProperty(const std::string& name) const {
    const RunResult r = Gdbus({"--dest", kWatcher, "--object-path", "/StatusNotifierWatcher",
                               "--method", "org.freedesktop.DBus.Properties.Get", kWatcher, name});
    std::smatch m;
    static const std::regex value(R"(^\(<(.*)>,\)\s*$)");
    return std::regex_search(r.out, m, value) ? m[1].str() : "";
}

std::string SniSession::Item() const {
    std::smatch m;
    const std::string items = WatcherProperty("RegisteredStatusNotifierItems");
    return std::regex_search(items, m, std::regex(R"(':[0-9.]+')"))
               ? m.str().substr(1, m.length() - 2)
               : "";
}

std::string SniSession::WaitForItem() const {
    std::string item;
    WaitUntil([&] { return !(item = Item()).empty(); });
    return item;
}

RunResult SniSession::CallItem(const std::string& item, const std::string& path,
                               const std::string& method, std::vector<std::string> args) const {
    std::vector<std::string> a{"--dest", item, "--object-path", path, "--method", method};
    a.insert(a.end(), args.begin(), args.end());
    return Gdbus(a);
}

std::string SniSession::ItemProperty(const std::string& item, const std::string& name) const {
    return CallItem(item, "/StatusNotifierItem", "org.freedesktop.DBus.Properties.Get",
                    {"org.kde.StatusNotifierItem", name})
        .out;
}

} // namespace vexrem::e2e
