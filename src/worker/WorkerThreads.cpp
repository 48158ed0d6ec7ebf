#include "worker/WorkerThreads.h"

#include <iterator>

namespace vexrem {

TWorkerThreads::~TWorkerThreads() {
    JoinAll();
}

void TWorkerThreads::Start(std::function<void()> body) {
    std::lock_guard lock(state_->mutex);
    ReapFinished(*state_);
    Worker& w = state_->workers.emplace_back();
    // The list node never moves, so the thread may mark it when it is done.
    w.thread = std::thread([state = state_, &w, body = std::move(body)] {
        body();
        std::lock_guard done(state->mutex);
        w.finished = true;
    });
}

void TWorkerThreads::JoinAll() {
    std::list<Worker> all;
    {
        // A released thread keeps its node: it marks it when done.
        std::lock_guard lock(state_->mutex);
        auto& workers = state_->workers;
        for (auto it = workers.begin(); it != workers.end();) {
            const auto next = std::next(it);
            if (it->thread.joinable()) {
                all.splice(all.end(), workers, it);
            }
            it = next;
        }
    }
    for (Worker& w : all) {
        if (w.thread.joinable()) {
            w.thread.join();
        }
    }
}

void TWorkerThreads::Release() {
    std::lock_guard lock(state_->mutex);
    ReapFinished(*state_);
    for (Worker& w : state_->workers) {
        w.thread.detach();
    }
}

std::size_t TWorkerThreads::Running() const {
    std::lock_guard lock(state_->mutex);
    std::size_t n = 0;
    for (const Worker& w : state_->workers) {
        n += w.finished ? 0 : 1;
    }
    return n;
}

void TWorkerThreads::ReapFinished(State& state) {
    for (auto it = state.workers.begin(); it != state.workers.end();) {
        if (it->finished) {
            if (it->thread.joinable()) {
                it->thread.join(); // returns at once: the body has ended
            }
            it = state.workers.erase(it);
        } else {
            ++it;
        }
    }
}

} // namespace vexrem
