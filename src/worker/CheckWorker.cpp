#include "worker/CheckWorker.h"

#include "net/HttpClient.h"
#include "worker/CheckShared.h"
#include "worker/FailureText.h"
#include "worker/GuiInvoker.h"
#include "worker/RunningRequests.h"
#include "worker/WorkerThreads.h"

namespace vexrem {

TCheckWorker::TCheckWorker(CheckParts parts, std::string url, CheckSteps steps)
    : parts_(parts), url_(std::move(url)), steps_(std::move(steps)) {}

std::string TCheckWorker::Fetch() {
    // The buffer is ours; the client only writes into it during the GET. The
    // client is held for the download only: evaluating needs nothing shared.
    std::string body;
    auto entry = parts_.gate.Enter();
    parts_.client.Get(url_, body);
    return body;
}

void TCheckWorker::FetchAndEvaluate() {
    std::string body;
    try {
        body = Fetch();
    } catch (...) {
        steps_.fail(TextOf(std::current_exception(), true));
        return;
    }
    try {
        steps_.evaluate(std::move(body));
    } catch (...) {
        steps_.fail(TextOf(std::current_exception(), steps_.evaluationMessages));
    }
}

std::string TCheckWorker::TextOf(const std::exception_ptr& error, bool messages) const {
    if (messages) {
        try {
            std::rethrow_exception(error);
        } catch (const std::exception& e) {
            return FailureText(e.what());
        } catch (...) {
        }
    }
    return steps_.unknownFailure;
}

void TCheckWorker::Execute() noexcept {
    // Whatever happens below, a new check must be possible afterwards.
    struct ClearRunning {
        std::atomic<bool>& running;
        ~ClearRunning() { running = false; }
    } clearRunning{parts_.running};

    try {
        FetchAndEvaluate();
    } catch (...) {
        // Not even the failure could be put into words (out of memory and the
        // like): the check's own text, if that much is possible.
        try {
            steps_.fail(steps_.unknownFailure);
        } catch (...) {
        }
    }

    try {
        parts_.invoker.Invoke(steps_.handOver);
    } catch (...) {
        // A failing handler must not take the worker (and the program) down.
    }
}

CheckParts SharedParts(const std::shared_ptr<TCheckShared>& shared,
                       std::atomic<bool> TCheckShared::*running) {
    return {(*shared).*running, shared->RunningRequests, shared->client, *shared->invoker, shared};
}

void StartCheck(std::atomic<bool>& running, TWorkerThreads& workers, std::function<void()> body) {
    running = true;
    try {
        workers.Start(std::move(body));
    } catch (...) {
        running = false; // no thread: nobody else would clear it
        throw;
    }
}

} // namespace vexrem
