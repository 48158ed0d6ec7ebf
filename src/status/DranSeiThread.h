#pragma once
// One status check: a worker that asks the game server whether the player is
// due, evaluates the page and hands the result to the GUI thread.

#include "status/DranbinInfo.h"
#include "worker/CheckWorker.h"

#include <functional>
#include <memory>
#include <string>

namespace vexrem {

class TWorkerThreads;
struct TCheckShared;

// The main window's result handler; runs on the GUI thread.
using DranbinHandler = std::function<void(const rDranbinInfo& info, bool forced)>;

// The login encoding: ".", digits and ASCII letters stay, every other byte
// becomes "%XX" (upper-case hex).
std::string URLEncode(const std::string& s);

class TDranSeiThread {
public:
    TDranSeiThread(std::string userName, std::shared_ptr<TCheckShared> shared, bool forced,
                   DranbinHandler handler, std::string serverBase);
    // The worker's steps refer to this object.
    TDranSeiThread(const TDranSeiThread&) = delete;
    TDranSeiThread& operator=(const TDranSeiThread&) = delete;

    // The thread body. Catches everything; clears DranCheckRunning last.
    void Execute();

    const rDranbinInfo& Result() const { return result_; }

private:
    CheckSteps Steps();

    bool forced_;
    DranbinHandler handler_;
    rDranbinInfo result_;
    TCheckWorker worker_; // last: its steps use the members above
};

// Sets DranCheckRunning and starts a worker for userName on workers. GUI
// thread only, and only while DranCheckRunning is false. serverBase defaults
// to GameServerBase(). client, invoker and workers must outlive the worker,
// which the owner ensures by shutting the invoker down, cancelling the client
// and joining workers before they go away (or by never destroying them when
// the process ends with a worker still running).
// Sets the shared DranCheckRunning and runs a TDranSeiThread on a new thread
// of workers.
void StartDranCheck(const std::string& userName, const std::shared_ptr<TCheckShared>& shared,
                    bool forced, DranbinHandler handler, TWorkerThreads& workers,
                    const std::string& serverBase = {});

} // namespace vexrem
