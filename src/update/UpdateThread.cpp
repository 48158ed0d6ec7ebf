#include "update/UpdateThread.h"

#include "net/HttpClient.h"
#include "worker/FailureText.h"
#include "worker/GuiInvoker.h"
#include "worker/RunningRequests.h"
#include "worker/ServerAddress.h"
#include "worker/WorkerThreads.h"

#include <exception>
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

TUpdateThread::TUpdateThread(THttpClient& client, UpdateHandler onResult, GuiInvoker& invoker,
                             std::string url)
    : client_(client), onResult_(std::move(onResult)), invoker_(invoker), url_(std::move(url)) {}

void TUpdateThread::Execute() {
    // Whatever happens below, a new check must be possible afterwards.
    struct ClearRunning {
        ~ClearRunning() { UpdateCheckRunning = false; }
    } clearRunning;

    result_ = rUpdateResult{};
    try {
        std::string body;
        {
            // The client is shared with the status worker: hold it for the
            // download only; parsing needs nothing shared.
            auto entry = RunningRequests.Enter();
            client_.Get(url_, body);
        }
        ReadVersionList(std::move(body), result_);
    } catch (const std::exception& e) {
        result_.ErrorText = FailureText(e.what());
    } catch (...) {
        result_.ErrorText = "Unbekannter Fehler";
    }

    try {
        const rUpdateResult& result = result_;
        invoker_.Invoke([&] { onResult_(result); });
    } catch (...) {
        // A failing handler must not take the worker (and the program) down.
    }
}

void StartUpdateCheck(THttpClient& client, UpdateHandler onResult, GuiInvoker& invoker,
                      TWorkerThreads& workers, const std::string& siteBase) {
    UpdateCheckRunning = true;
    auto worker = std::make_shared<TUpdateThread>(client, std::move(onResult), invoker,
                                                  VersionListUrl(siteBase));
    try {
        workers.Start([worker] { worker->Execute(); });
    } catch (...) {
        UpdateCheckRunning = false; // no thread: nobody else would clear it
        throw;
    }
}

} // namespace vexrem
