#pragma once
// The course every check worker takes: wait at the gate for the shared HTTP
// client, GET one address, leave the gate, evaluate the body, hand the result
// to the GUI thread and clear the check's run flag. What a check learns from
// the body and how it shows a failure is the check's own business (CheckSteps).

#include <atomic>
#include <exception>
#include <functional>
#include <memory>
#include <string>

namespace vexrem {

class GuiInvoker;
class THttpClient;
class TRunningRequests;
class TWorkerThreads;
struct TCheckShared;

// What a worker uses together with the rest of the program. keepAlive, when
// set, owns the rest; otherwise the owner keeps them alive until the worker
// has been joined (see TWorkerThreads).
struct CheckParts {
    std::atomic<bool>& running; // set by StartCheck, cleared by the worker last
    TRunningRequests& gate;
    THttpClient& client;
    GuiInvoker& invoker;
    std::shared_ptr<const void> keepAlive = {};
};

// The parts of shared for a check with that run flag, kept alive by the worker.
CheckParts SharedParts(const std::shared_ptr<TCheckShared>& shared,
                       std::atomic<bool> TCheckShared::*running);

// The part of a check that differs between the kinds of check. The callables
// write into a result the check keeps; the worker calls them in this order,
// evaluate or fail (or both, when evaluate throws), then handOver.
struct CheckSteps {
    // Turns the downloaded body into the result. Runs outside the gate; may
    // throw, and may leave a partial result behind for fail to keep or reset.
    std::function<void(std::string body)> evaluate;
    // Records a failure text as the result.
    std::function<void(const std::string& text)> fail;
    // Runs on the GUI thread: gives the result to the check's handler.
    std::function<void()> handOver;
    // The text of a failure that brings no message of its own.
    std::string unknownFailure;
    // Whether a failing evaluation shows its exception's message (FailureText)
    // or unknownFailure.
    bool evaluationMessages = true;
};

class TCheckWorker {
public:
    TCheckWorker(CheckParts parts, std::string url, CheckSteps steps);

    // The thread body. Catches everything; clears parts.running last.
    void Execute() noexcept;

private:
    std::string Fetch();
    void FetchAndEvaluate();
    std::string TextOf(const std::exception_ptr& error, bool messages) const;

    CheckParts parts_;
    std::string url_;
    CheckSteps steps_;
};

// Sets running and runs body on a new thread of workers. When no thread can
// be started, clears running again (nobody else would) and rethrows.
void StartCheck(std::atomic<bool>& running, TWorkerThreads& workers, std::function<void()> body);

} // namespace vexrem
