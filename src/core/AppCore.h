#pragma once
// The application without its screen: owns the configuration, the HTTP client
// with its gate and run flags (shared with the workers) and the workers; runs
// the checks and decides what their results show. The view forwards events
// here and shows what comes back; results reach it through CoreListener.

#include "config/Config.h"
#include "core/CheckCycle.h"
#include "core/WakeCycle.h"
#include "worker/CheckShared.h"
#include "worker/WorkerThreads.h"

#include <memory>
#include <string>

namespace vexrem {

struct rUpdateResult;

// What the core tells the screen, always on the GUI thread.
class CoreListener {
public:
    virtual ~CoreListener() = default;
    virtual void HandleDranbinInfo(const rDranbinInfo& info, bool forced) = 0;
    virtual void ShowUpdateResult(const rUpdateResult& result) = 0;
};

class TAppCore {
public:
    // Loads the configuration from configPath (see ConfigModuleStartup), its
    // messages for the user going to messages; results are handed over to
    // the GUI thread through invoker.
    TAppCore(const std::string& configPath, ConfigMessageSink messages,
             std::shared_ptr<GuiInvoker> invoker, CoreListener& listener);
    // Shuts down; a worker still running is let go with its share of what it
    // uses, and the program does not wait for it.
    ~TAppCore();
    TAppCore(const TAppCore&) = delete;
    TAppCore& operator=(const TAppCore&) = delete;

    tConfig& Config() { return *config_; }
    const tConfig& Config() const { return *config_; }
    THttpClient& HttpClient() { return shared_->client; }
    TRunningRequests& RunningRequests() { return shared_->RunningRequests; }
    TTrayState& Tray() { return tray_; }
    bool DranCheckRunning() const { return shared_->DranCheckRunning; }
    bool UpdateCheckRunning() const { return shared_->UpdateCheckRunning; }
    const TCheckCycle& Cycle() const { return cycle_; }
    // What sleep and wake of the computer change in the check cycle.
    TWakeCycle& Wake() { return wake_; }

    // The agent the client names: the program's version and internal build.
    void SetUserAgent(const std::string& version, int build);

    // Starts a status check; false when one runs (the request is dropped,
    // not queued). A pending client set-up goes in first.
    bool CheckDranbin(bool forced);
    // Starts an update check; false when one runs. Throws when no thread
    // can be started.
    bool CheckForUpdate();

    // A result arrived: counters, last result and tray state change, unless
    // a failure soon after a wake is held back for another try.
    CheckOutcome HandleResult(const rDranbinInfo& info, bool forced, bool popupSnoozing);
    // Settings applied: the tray's tip and blinking follow them, and the
    // client is set up anew.
    void ApplySettings();

    // The client's proxy from the settings, but never under a running
    // request: then it stays pending (see TryConfigureHttpClient).
    void ConfigureHttpClient();
    // Carries out a pending client set-up; false while it must wait.
    bool TryConfigureHttpClient();
    bool ClientConfigPending() const { return clientConfigPending_; }

    // Releases a worker waiting for the GUI thread, fails a running request
    // at once. Idempotent.
    void Shutdown();
    bool WorkersRunning() const { return workers_.Running() != 0; }

private:
    CoreListener& listener_;
    std::unique_ptr<tConfig> config_;
    std::shared_ptr<TCheckShared> shared_;
    TWorkerThreads workers_;
    TCheckCycle cycle_;
    TWakeCycle wake_;
    TTrayState tray_;
    bool clientConfigPending_ = false;
};

} // namespace vexrem
