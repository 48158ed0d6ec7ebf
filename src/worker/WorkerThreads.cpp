#include "worker/WorkerThreads.h"

namespace vexrem {

TWorkerThreads::~TWorkerThreads() {
    JoinAll();
}

void TWorkerThreads::Start(std::function<void()> body) {
    std::lock_guard lock(mutex_);
    ReapFinished();
    Worker& w = workers_.emplace_back();
    // The list node never moves, so the thread may mark it when it is done.
    w.thread = std::thread([this, &w, body = std::move(body)] {
        body();
        std::lock_guard done(mutex_);
        w.finished = true;
    });
}

void TWorkerThreads::JoinAll() {
    std::list<Worker> all;
    {
        std::lock_guard lock(mutex_);
        all.splice(all.end(), workers_);
    }
    for (Worker& w : all) {
        if (w.thread.joinable()) {
            w.thread.join();
        }
    }
}

std::size_t TWorkerThreads::Running() const {
    std::lock_guard lock(mutex_);
    std::size_t n = 0;
    for (const Worker& w : workers_) {
        n += w.finished ? 0 : 1;
    }
    return n;
}

void TWorkerThreads::ReapFinished() {
    for (auto it = workers_.begin(); it != workers_.end();) {
        if (it->finished) {
            it->thread.join(); // returns at once: the body has ended
            it = workers_.erase(it);
        } else {
            ++it;
        }
    }
}

} // namespace vexrem
