#include "update/UpdateThread.h"

#include "worker/CheckShared.h"
#include "worker/ServerAddress.h"

#include <memory>

namespace vexrem {

std::string VersionListUrl(const std::string& siteBase) {
    return (siteBase.empty() ? SiteBase() : siteBase) + kVersionListPath;
}

std::string SiteHostName(const std::string& siteBase) {
    std::string host = siteBase.empty() ? SiteBase() : siteBase;
    const auto scheme = host.find("://");
    if (scheme != std::string::npos) {
        host.erase(0, scheme + 3);
    }
    const auto path = host.find('/');
    if (path != std::string::npos) {
        host.erase(path);
    }
    return host;
}

TUpdateThread::TUpdateThread(std::shared_ptr<TCheckShared> shared, UpdateHandler onResult,
                             std::string url)
    : onResult_(std::move(onResult)),
      worker_(SharedParts(shared, &TCheckShared::UpdateCheckRunning), std::move(url), Steps()) {}

CheckSteps TUpdateThread::Steps() {
    CheckSteps steps;
    steps.evaluate = [this](std::string body) {
        ReadVersionList(std::move(body), result_);
    };
    // What was read before the failure stays: the page shows it with the text.
    steps.fail = [this](const std::string& text) {
        result_.ErrorText = text;
    };
    steps.handOver = [this] {
        onResult_(result_);
    };
    steps.unknownFailure = "Unbekannter Fehler";
    // The list reader's messages say what is wrong with the list.
    steps.evaluationMessages = true;
    return steps;
}

void TUpdateThread::Execute() {
    worker_.Execute();
}

void StartUpdateCheck(const std::shared_ptr<TCheckShared>& shared, UpdateHandler onResult,
                      TWorkerThreads& workers, const std::string& siteBase) {
    auto worker =
        std::make_shared<TUpdateThread>(shared, std::move(onResult), VersionListUrl(siteBase));
    StartCheck(shared->UpdateCheckRunning, workers, [worker] { worker->Execute(); });
}

} // namespace vexrem
