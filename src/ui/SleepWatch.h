#pragma once
// The system's sleep and wake, told on the GUI thread (see SleepWatcher). One
// implementation per system.

#include "platform/SleepWatcher.h"

#include <memory>

namespace vexrem {

// Null where the system does not tell: then nothing changes at a wake.
std::unique_ptr<SleepWatcher> WatchSleep(PowerHandler handler);

} // namespace vexrem
