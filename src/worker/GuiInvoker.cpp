#include "worker/GuiInvoker.h"

#include <exception>

namespace vexrem {

// Shared by the waiting caller and the posted task, which may outlive the
// caller when the call was refused.
struct PostingGuiInvoker::Call {
    enum class State { Queued, Running, Done, Refused };
    State state = State::Queued;
    const std::function<void()>* fn = nullptr; // valid while the caller waits
    std::exception_ptr error;
};

bool PostingGuiInvoker::Invoke(const std::function<void()>& fn) {
    auto call = std::make_shared<Call>();
    call->fn = &fn;
    auto shared = shared_;
    {
        std::lock_guard lock(shared->mutex);
        if (shared->shutDown) {
            return false;
        }
    }
    Post([shared, call] {
        {
            std::lock_guard lock(shared->mutex);
            if (call->state != Call::State::Queued) {
                return; // refused meanwhile; the caller is gone
            }
            call->state = Call::State::Running;
        }
        try {
            (*call->fn)();
        } catch (...) {
            call->error = std::current_exception();
        }
        {
            std::lock_guard lock(shared->mutex);
            call->state = Call::State::Done;
        }
        shared->changed.notify_all();
    });

    std::unique_lock lock(shared->mutex);
    shared->changed.wait(lock, [&] {
        return call->state == Call::State::Done ||
               (shared->shutDown && call->state == Call::State::Queued);
    });
    if (call->state == Call::State::Queued) {
        call->state = Call::State::Refused;
        return false;
    }
    lock.unlock();
    if (call->error) {
        std::rethrow_exception(call->error);
    }
    return true;
}

void PostingGuiInvoker::Shutdown() {
    {
        std::lock_guard lock(shared_->mutex);
        shared_->shutDown = true;
    }
    shared_->changed.notify_all();
}

void QueuedGuiInvoker::Post(std::function<void()> task) {
    {
        std::lock_guard lock(queueMutex_);
        queue_.push_back(std::move(task));
    }
    queued_.notify_all();
}

std::size_t QueuedGuiInvoker::ProcessPending() {
    std::deque<std::function<void()>> batch;
    {
        std::lock_guard lock(queueMutex_);
        batch.swap(queue_);
    }
    for (auto& task : batch) {
        task();
    }
    return batch.size();
}

std::size_t QueuedGuiInvoker::WaitAndProcess(std::chrono::milliseconds timeout) {
    {
        std::unique_lock lock(queueMutex_);
        queued_.wait_for(lock, timeout, [this] { return !queue_.empty(); });
    }
    return ProcessPending();
}

bool DirectGuiInvoker::Invoke(const std::function<void()>& fn) {
    {
        std::lock_guard lock(mutex_);
        if (shutDown_) {
            return false;
        }
    }
    fn();
    return true;
}

void DirectGuiInvoker::Shutdown() {
    std::lock_guard lock(mutex_);
    shutDown_ = true;
}

} // namespace vexrem
