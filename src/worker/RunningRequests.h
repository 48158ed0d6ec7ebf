#pragma once
// The gate that gives one worker at a time the shared HTTP client.

#include <atomic>
#include <condition_variable>
#include <mutex>

namespace vexrem {

// Mutual exclusion on the shared client. Waiting for "empty" and entering are
// one step under the lock, so two workers can never both get in.
class TRunningRequests {
public:
    // Holds the gate while alive; leaves it when destroyed or on Leave().
    class Entry {
    public:
        Entry() = default;
        Entry(Entry&& other) noexcept : gate_(other.gate_) { other.gate_ = nullptr; }
        Entry& operator=(Entry&& other) noexcept;
        ~Entry() { Leave(); }
        Entry(const Entry&) = delete;
        Entry& operator=(const Entry&) = delete;

        void Leave();
        explicit operator bool() const { return gate_ != nullptr; }

    private:
        friend class TRunningRequests;
        explicit Entry(TRunningRequests* gate) : gate_(gate) {}
        TRunningRequests* gate_ = nullptr;
    };

    // Waits, without a time limit, until nobody is inside, then enters.
    Entry Enter();
    // Enters only when nobody is inside; an empty Entry otherwise. The GUI
    // thread uses it to reconfigure the client without a worker slipping in.
    Entry TryEnter();
    bool Empty() const;

private:
    void Release();

    mutable std::mutex mutex_;
    std::condition_variable freed_;
    bool busy_ = false;
};

} // namespace vexrem
