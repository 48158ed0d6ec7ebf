#pragma once
// What the checks share with the rest of the program: the one HTTP client,
// the gate on it, the run flags of the two kinds of check and the hand-over to
// the GUI thread. The program and every running worker each hold a share, so
// a worker the program does not wait for at its end (one stuck in a long
// parse, say) never outlives what it uses.

#include "net/HttpClient.h"
#include "worker/GuiInvoker.h"
#include "worker/RunningRequests.h"

#include <atomic>
#include <memory>

namespace vexrem {

struct TCheckShared {
    explicit TCheckShared(std::shared_ptr<GuiInvoker> guiInvoker,
                          const HttpLimits& limits = HttpLimits())
        : client(limits), invoker(std::move(guiInvoker)) {}

    THttpClient client;
    TRunningRequests RunningRequests;
    // Set by the GUI thread when a check starts; cleared by its worker as its
    // last action.
    std::atomic<bool> DranCheckRunning{false};
    std::atomic<bool> UpdateCheckRunning{false};
    std::shared_ptr<GuiInvoker> invoker;
};

} // namespace vexrem
