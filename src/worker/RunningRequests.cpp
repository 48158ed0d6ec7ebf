#include "worker/RunningRequests.h"

namespace vexrem {

TRunningRequests::Entry& TRunningRequests::Entry::operator=(Entry&& other) noexcept {
    if (this != &other) {
        Leave();
        gate_ = other.gate_;
        other.gate_ = nullptr;
    }
    return *this;
}

void TRunningRequests::Entry::Leave() {
    if (gate_ != nullptr) {
        gate_->Release();
        gate_ = nullptr;
    }
}

TRunningRequests::Entry TRunningRequests::Enter() {
    std::unique_lock lock(mutex_);
    freed_.wait(lock, [this] { return !busy_; });
    busy_ = true;
    return Entry(this);
}

TRunningRequests::Entry TRunningRequests::TryEnter() {
    std::lock_guard lock(mutex_);
    if (busy_) {
        return Entry();
    }
    busy_ = true;
    return Entry(this);
}

bool TRunningRequests::Empty() const {
    std::lock_guard lock(mutex_);
    return !busy_;
}

void TRunningRequests::Release() {
    {
        std::lock_guard lock(mutex_);
        busy_ = false;
    }
    freed_.notify_one();
}

} // namespace vexrem
