#pragma once
// One update check: a worker that fetches the maker's version list, reads it
// and hands the outcome to the GUI thread.

#include "update/VersionList.h"
#include "worker/CheckWorker.h"

#include <functional>
#include <memory>
#include <string>

namespace vexrem {

class TWorkerThreads;
struct TCheckShared;

inline constexpr const char* kVersionListPath = "/vexrem/verinfo.php";

// The main window's result handler; runs on the GUI thread. The result is
// valid only during the call.
using UpdateHandler = std::function<void(const rUpdateResult& result)>;

// "http://<site>/vexrem/verinfo.php"; no query: the running version reaches
// the site only in the User-Agent.
std::string VersionListUrl(const std::string& siteBase = {});
// The site's host (and port) without scheme or path, as shown in hints.
std::string SiteHostName(const std::string& siteBase = {});

class TUpdateThread {
public:
    TUpdateThread(std::shared_ptr<TCheckShared> shared, UpdateHandler onResult, std::string url);
    // The worker's steps refer to this object.
    TUpdateThread(const TUpdateThread&) = delete;
    TUpdateThread& operator=(const TUpdateThread&) = delete;

    // The thread body. Catches everything; clears UpdateCheckRunning last.
    void Execute();

    const rUpdateResult& Result() const { return result_; }

private:
    CheckSteps Steps();

    UpdateHandler onResult_;
    rUpdateResult result_;
    TCheckWorker worker_; // last: its steps use the members above
};

// Sets UpdateCheckRunning and starts a worker on workers; returns at once.
// GUI thread only, and only while UpdateCheckRunning is false. siteBase
// defaults to SiteBase(). client, invoker and workers must outlive the
// worker (see StartDranCheck).
// Sets the shared UpdateCheckRunning and runs a TUpdateThread on a new thread
// of workers.
void StartUpdateCheck(const std::shared_ptr<TCheckShared>& shared, UpdateHandler onResult,
                      TWorkerThreads& workers, const std::string& siteBase = {});

} // namespace vexrem
