// On Windows the platform layer's window gets the power broadcasts; Qt's
// message loop on the GUI thread delivers them.
#include "platform/win32/Win32Platform.h"
#include "ui/SleepWatch.h"

namespace vexrem {

std::unique_ptr<SleepWatcher> WatchSleep(PowerHandler handler) {
    return WatchSleepWin32(std::move(handler));
}

} // namespace vexrem
