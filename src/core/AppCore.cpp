#include "core/AppCore.h"

#include "status/DranSeiThread.h"
#include "update/UpdateThread.h"

namespace vexrem {

TAppCore::TAppCore(const std::string& configPath, ConfigMessageSink messages,
                   std::shared_ptr<GuiInvoker> invoker, CoreListener& listener)
    : listener_(listener), config_(std::make_unique<tConfig>(configPath, std::move(messages))),
      shared_(std::make_shared<TCheckShared>(std::move(invoker))) {}

TAppCore::~TAppCore() {
    Shutdown();
    workers_.Release();
}

void TAppCore::SetUserAgent(const std::string& version, int build) {
    std::string agent = kHttpUserAgentFormat;
    agent.replace(agent.find("%s"), 2, version);
    agent.replace(agent.find("%s"), 2, std::to_string(build));
    shared_->client.SetUserAgent(agent);
}

bool TAppCore::CheckDranbin(bool forced) {
    if (shared_->DranCheckRunning) {
        return false;
    }
    // A proxy change still waiting for the last request goes in first.
    if (clientConfigPending_) {
        TryConfigureHttpClient();
    }
    StartDranCheck(
        config_->UserName, shared_, forced,
        [this](const rDranbinInfo& info, bool f) { listener_.HandleDranbinInfo(info, f); },
        workers_);
    return true;
}

bool TAppCore::CheckForUpdate() {
    if (shared_->UpdateCheckRunning) {
        return false;
    }
    StartUpdateCheck(
        shared_, [this](const rUpdateResult& result) { listener_.ShowUpdateResult(result); },
        workers_);
    return true;
}

CheckOutcome TAppCore::HandleResult(const rDranbinInfo& info, bool forced, bool popupSnoozing) {
    if (const auto retry = wake_.RetryAfter(info, forced, TWakeCycle::Clock::now())) {
        CheckOutcome held;
        held.retryAfter = retry;
        return held;
    }
    return cycle_.Handle(info, forced, popupSnoozing, *config_, tray_);
}

void TAppCore::ApplySettings() {
    tray_.ApplySettings(cycle_.LastResult().Count, *config_);
    ConfigureHttpClient();
}

void TAppCore::ConfigureHttpClient() {
    clientConfigPending_ = true;
    TryConfigureHttpClient();
}

bool TAppCore::TryConfigureHttpClient() {
    if (!clientConfigPending_) {
        return true;
    }
    // Closing the client under a running request would cut it short and make
    // the check fail. Holding the gate meanwhile keeps a new request from
    // starting half-configured.
    const TRunningRequests::Entry gate = shared_->RunningRequests.TryEnter();
    if (!gate) {
        return false;
    }
    const tConfig& c = *config_;
    HttpProxy proxy;
    if (c.UseProxy) {
        proxy.host = c.ProxyServer;
        proxy.port = std::to_string(c.ProxyPort);
        if (c.ProxyAuth) {
            proxy.username = c.ProxyUsername;
            proxy.password = c.ProxyPassword;
        }
    } else {
        proxy.port = "80";
    }
    shared_->client.SetProxy(proxy);
    clientConfigPending_ = false;
    return true;
}

void TAppCore::Shutdown() {
    shared_->invoker->Shutdown();
    shared_->client.Cancel();
}

} // namespace vexrem
