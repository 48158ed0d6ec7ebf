#pragma once
// A private session bus with a real StatusNotifierItem watcher
// (status-notifier-watcher) and host (gtk-sni-tray-standalone), as a desktop
// with such a tray has them, and what a host reads from an item over D-Bus.

#include "Process.h"
#include "Program.h"

#include "support/TempDir.h"

#include <map>
#include <memory>
#include <string>
#include <vector>

namespace vexrem::e2e {

// The first tool the session needs that is not installed; "" when all are.
std::string MissingSniTool();

class SniSession {
public:
    // Starts the bus, whose activatable services are `services` (bus name ->
    // command), then the watcher and the host; `display` is the environment
    // of the screen's clients (an X screen's or a Wayland compositor's).
    // Check Ready().
    explicit SniSession(Environment display,
                        const std::map<std::string, std::string>& services = {});
    ~SniSession();
    SniSession(const SniSession&) = delete;
    SniSession& operator=(const SniSession&) = delete;

    // The bus is up (whether watcher and host are is for the tests to see).
    bool Ready() const { return ready_; }
    const std::string& Address() const { return bus_->Address(); }
    // The display's environment with this bus as session bus.
    Environment Env() const;

    void StartWatcher();
    void StartHost();
    void StopWatcherAndHost();
    void RestartWatcher();
    // A host that has seen nothing of earlier items.
    void RestartHost();

    // gdbus on the bus: "call" or "introspect" with the arguments.
    RunResult Gdbus(std::vector<std::string> args, const std::string& verb = "call") const;
    std::string WatcherProperty(const std::string& name) const;
    // The first item the watcher lists ("" until there is one).
    std::string Item() const;
    std::string WaitForItem() const;
    RunResult CallItem(const std::string& item, const std::string& path, const std::string& method,
                       std::vector<std::string> args) const;
    std::string ItemProperty(const std::string& item, const std::string& name) const;

private:
    static void Stop(std::unique_ptr<Process>& p);

    test::TempDir dir_;
    Environment display_;
    std::unique_ptr<PrivateBus> bus_;
    std::unique_ptr<Process> watcher_;
    std::unique_ptr<Process> host_;
    bool ready_ = false;
};

} // namespace vexrem::e2e
