#pragma once
// Owner of the worker threads. A worker either uses only what it owns a share
// of (the checks: see TCheckShared), so that its owner may Release it at the
// end instead of waiting for one stuck where nothing reaches it (a long
// parse); or it borrows, and is joined before what it borrows goes away.

#include <cstddef>
#include <functional>
#include <list>
#include <memory>
#include <mutex>
#include <thread>

namespace vexrem {

class TWorkerThreads {
public:
    TWorkerThreads() = default;
    ~TWorkerThreads(); // joins whatever still runs and was not released
    TWorkerThreads(const TWorkerThreads&) = delete;
    TWorkerThreads& operator=(const TWorkerThreads&) = delete;

    // Runs body on a new thread. body must not throw (it is the worker's own
    // business to catch everything); should it, the program ends.
    void Start(std::function<void()> body);
    // Waits for every started thread.
    void JoinAll();
    // Waits for the finished threads and lets the others run on by
    // themselves; they must own what they use.
    void Release();
    // Threads started and not yet finished.
    std::size_t Running() const;

private:
    struct Worker {
        std::thread thread;
        bool finished = false;
    };
    // Shared with the threads, which mark their node when done, also after a
    // Release.
    struct State {
        std::mutex mutex;
        std::list<Worker> workers;
    };
    static void ReapFinished(State& state); // state.mutex held

    std::shared_ptr<State> state_ = std::make_shared<State>();
};

} // namespace vexrem
