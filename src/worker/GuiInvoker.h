#pragma once
// How a worker hands its result to the GUI thread: Invoke runs a function
// there and returns only when it has finished (a modal dialog opened by the
// function included). At program end the invoker is shut down, and from then
// on it refuses, so no worker waits forever for a GUI thread that is gone.

#include <chrono>
#include <condition_variable>
#include <cstddef>
#include <deque>
#include <functional>
#include <memory>
#include <mutex>

namespace vexrem {

class GuiInvoker {
public:
    virtual ~GuiInvoker() = default;

    // Runs fn on the GUI thread and waits for it. False when refused (after
    // Shutdown); fn has not run then. An exception thrown by fn is rethrown
    // to the caller.
    virtual bool Invoke(const std::function<void()>& fn) = 0;

    // Refuses every later Invoke and releases callers whose function has not
    // started yet. A function already running is waited for by its caller, as
    // it may use the caller's data. Any thread; returns at once.
    virtual void Shutdown() = 0;
};

// The waiting and refusing, for invokers that can only post a task to the
// GUI thread's event queue (the Qt one posts a queued call). Post must not
// run the task before it returns.
class PostingGuiInvoker : public GuiInvoker {
public:
    bool Invoke(const std::function<void()>& fn) override;
    void Shutdown() override;

protected:
    // Puts task into the GUI thread's queue. The task may run late or never;
    // both are handled.
    virtual void Post(std::function<void()> task) = 0;

private:
    struct Call;
    // Kept alive by queued tasks too, so a task that runs after the invoker
    // is gone finds a valid (shut down) state and does nothing.
    struct Shared {
        std::mutex mutex;
        std::condition_variable changed;
        bool shutDown = false;
    };
    std::shared_ptr<Shared> shared_ = std::make_shared<Shared>();
};

// Keeps posted calls in a queue until the thread that stands for the GUI
// thread runs them: an event loop for tools and tests that have none.
class QueuedGuiInvoker : public PostingGuiInvoker {
public:
    // Runs every queued call on the calling thread; returns how many ran.
    std::size_t ProcessPending();
    // Waits up to timeout for a call to arrive, then runs what is queued.
    std::size_t WaitAndProcess(std::chrono::milliseconds timeout);

protected:
    void Post(std::function<void()> task) override;

private:
    std::mutex queueMutex_;
    std::condition_variable queued_;
    std::deque<std::function<void()>> queue_;
};

// Runs the function on the calling thread. For tests and for callers that
// already are on the GUI thread.
class DirectGuiInvoker : public GuiInvoker {
public:
    bool Invoke(const std::function<void()>& fn) override;
    void Shutdown() override;

private:
    std::mutex mutex_;
    bool shutDown_ = false;
};

} // namespace vexrem
