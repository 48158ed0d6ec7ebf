#include "core/WakeCycle.h"

namespace vexrem {

void TWakeCycle::Sleep() {
    wokeAt_.reset();
}

std::optional<std::chrono::seconds> TWakeCycle::Woke(Clock::time_point now,
                                                     const ConfigSettings& c) {
    wokeAt_ = now;
    retried_ = false;
    if (!c.Active) {
        return std::nullopt;
    }
    return std::chrono::seconds(c.StartupDelay);
}

std::optional<std::chrono::seconds> TWakeCycle::RetryAfter(const rDranbinInfo& info, bool forced,
                                                           Clock::time_point now) {
    const bool justWoke = wokeAt_ && now >= *wokeAt_ && now - *wokeAt_ < kRetryWindow;
    // Whoever pressed "Jetzt prüfen" wants the answer now, failure included.
    if (!info.Error || forced || !justWoke || retried_) {
        return std::nullopt;
    }
    retried_ = true;
    return kRetryDelay;
}

} // namespace vexrem
