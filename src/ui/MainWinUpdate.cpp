// The update check as the main window runs it.
#include "ui/MainWin.h"

namespace vexrem {

void TMainWin::CheckForUpdate() {}

void TMainWin::btnUpdateCheckClick() {
    CheckForUpdate();
}

void TMainWin::labUpdLinkClick() {}

} // namespace vexrem
