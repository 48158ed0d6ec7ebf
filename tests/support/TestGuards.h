#pragma once
// Scope guards for tests: an environment variable set for one scope, and a
// bound on how long a call that must not block may take.

#include <cstdlib>
#include <optional>
#include <string>
#ifdef _WIN32
#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <mutex>
#include <thread>
#else
#include <unistd.h>
#endif

namespace vexrem::test {

// Sets an environment variable for this process (nullptr removes it).
inline void SetEnv(const char* name, const char* value) {
#ifdef _WIN32
    _putenv_s(name, value != nullptr ? value : ""); // "" removes it there
#else
    if (value != nullptr) {
        setenv(name, value, 1);
    } else {
        unsetenv(name);
    }
#endif
}

// Sets (or with nullptr removes) an environment variable until the end of
// the scope.
class ScopedEnv {
public:
    ScopedEnv(const char* name, const char* value) : name_(name) {
        if (const char* old = std::getenv(name)) {
            old_ = old;
        }
        SetEnv(name, value);
    }
    ~ScopedEnv() { SetEnv(name_, old_ ? old_->c_str() : nullptr); }
    ScopedEnv(const ScopedEnv&) = delete;
    ScopedEnv& operator=(const ScopedEnv&) = delete;

private:
    const char* name_;
    std::optional<std::string> old_;
};

// A call that blocks (on a pipe, say) would hang the test run; this ends the
// test process by SIGALRM instead, which fails the test visibly.
#ifdef _WIN32
class HangGuard {
public:
    explicit HangGuard(unsigned seconds = 60)
        : watcher_([this, seconds] {
              std::unique_lock lock(mutex_);
              if (!changed_.wait_for(lock, std::chrono::seconds(seconds),
                                     [this] { return done_; })) {
                  std::fputs("HangGuard: the call did not return\n", stderr);
                  std::_Exit(3);
              }
          }) {}
    ~HangGuard() {
        {
            std::lock_guard lock(mutex_);
            done_ = true;
        }
        changed_.notify_all();
        watcher_.join();
    }
    HangGuard(const HangGuard&) = delete;
    HangGuard& operator=(const HangGuard&) = delete;

private:
    std::mutex mutex_;
    std::condition_variable changed_;
    bool done_ = false;
    std::thread watcher_; // last: starts when the rest is ready
};
#else
class HangGuard {
public:
    explicit HangGuard(unsigned seconds = 60) { alarm(seconds); }
    ~HangGuard() { alarm(0); }
    HangGuard(const HangGuard&) = delete;
    HangGuard& operator=(const HangGuard&) = delete;
};
#endif

} // namespace vexrem::test
