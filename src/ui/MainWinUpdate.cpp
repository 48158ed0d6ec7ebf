// The update check as the main window runs it.
#include "ui/MainWin.h"

namespace vexrem {

void TMainWin::CheckForUpdate() {}

} // namespace vexrem
