#pragma once
// Owner of the worker threads. Nothing else refers to a worker after it has
// started, so this is where the program makes sure none outlives what it uses:
// the owner (the main window) shuts the GUI invoker down and cancels the HTTP
// client, and then either joins here before those go away, or, at program end
// with a worker stuck where nothing reaches it (the name resolver, a long
// parse), ends the process without destroying anything (see main).

#include <cstddef>
#include <functional>
#include <list>
#include <mutex>
#include <thread>

namespace vexrem {

class TWorkerThreads {
public:
    TWorkerThreads() = default;
    ~TWorkerThreads(); // joins whatever still runs
    TWorkerThreads(const TWorkerThreads&) = delete;
    TWorkerThreads& operator=(const TWorkerThreads&) = delete;

    // Runs body on a new thread. body must not throw (it is the worker's own
    // business to catch everything); should it, the program ends.
    void Start(std::function<void()> body);
    // Waits for every started thread.
    void JoinAll();
    // Threads started and not yet finished.
    std::size_t Running() const;

private:
    struct Worker {
        std::thread thread;
        bool finished = false;
    };
    void ReapFinished(); // mutex_ held

    mutable std::mutex mutex_;
    std::list<Worker> workers_;
};

} // namespace vexrem
