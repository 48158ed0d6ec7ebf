#pragma once
// Sleep and wake of the computer, as the system tells them. Each system tells
// them its own way (a message to top-level windows on Windows, a D-Bus signal
// of the login manager on Linux); a watcher turns that into one callback.

#include <functional>

namespace vexrem {

enum class PowerEvent {
    Sleep, // the computer is about to suspend or hibernate
    Wake,  // it runs again (told once per wake)
};

using PowerHandler = std::function<void(PowerEvent)>;

// Calls its handler on the thread that made it, for as long as it lives.
class SleepWatcher {
public:
    virtual ~SleepWatcher() = default;
};

} // namespace vexrem
