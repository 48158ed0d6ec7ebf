#pragma once
// Scope guards for tests: an environment variable set for one scope, and a
// bound on how long a call that must not block may take.

#include <cstdlib>
#include <optional>
#include <string>
#include <unistd.h>

namespace vexrem::test {

// Sets (or with nullptr removes) an environment variable until the end of
// the scope.
class ScopedEnv {
public:
    ScopedEnv(const char* name, const char* value) : name_(name) {
        if (const char* old = std::getenv(name)) {
            old_ = old;
        }
        if (value != nullptr) {
            setenv(name, value, 1);
        } else {
            unsetenv(name);
        }
    }
    ~ScopedEnv() {
        if (old_) {
            setenv(name_, old_->c_str(), 1);
        } else {
            unsetenv(name_);
        }
    }
    ScopedEnv(const ScopedEnv&) = delete;
    ScopedEnv& operator=(const ScopedEnv&) = delete;

private:
    const char* name_;
    std::optional<std::string> old_;
};

// A call that blocks (on a pipe, say) would hang the test run; this ends the
// test process by SIGALRM instead, which fails the test visibly.
class HangGuard {
public:
    explicit HangGuard(unsigned seconds = 60) { alarm(seconds); }
    ~HangGuard() { alarm(0); }
    HangGuard(const HangGuard&) = delete;
    HangGuard& operator=(const HangGuard&) = delete;
};

} // namespace vexrem::test
