#pragma once
// What the computer's sleep and wake change in the check cycle. After a wake
// the tray still shows the state from before the sleep, and the network is
// often not back yet: a check follows the wake after the start-up delay, and
// a check that fails soon after the wake is tried once more before the
// failure is shown. Decides only; the view holds the timers.

#include "config/Config.h"
#include "status/DranbinInfo.h"

#include <chrono>
#include <optional>

namespace vexrem {

class TWakeCycle {
public:
    using Clock = std::chrono::steady_clock;
    // How long after a wake a failure gets another try, and when it comes.
    static constexpr std::chrono::seconds kRetryWindow{60};
    static constexpr std::chrono::seconds kRetryDelay{10};

    // The computer goes to sleep: what the last wake allowed ends with it.
    // Nothing else changes, so a sleep that no wake follows is harmless.
    void Sleep();
    // The computer woke up at now. With checking on: the delay after which
    // the wake's check runs, and the periodic period starts anew with it.
    std::optional<std::chrono::seconds> Woke(Clock::time_point now, const ConfigSettings& c);
    // A result arrived at now. The delay after which its check is tried
    // again, the result being held back unseen and uncounted (the same check
    // goes on); nothing: show it. Only for a failure of a check nobody asked
    // for by hand, within kRetryWindow of a wake, once per wake.
    std::optional<std::chrono::seconds> RetryAfter(const rDranbinInfo& info, bool forced,
                                                   Clock::time_point now);

private:
    std::optional<Clock::time_point> wokeAt_;
    bool retried_ = false;
};

} // namespace vexrem
