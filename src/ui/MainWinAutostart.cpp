// Autostart entry and the colour-depth advice, asked from the settings window.
#include "ui/MainWin.h"

namespace vexrem {

void TMainWin::btnAddAutostartClick() {}

void TMainWin::autostartDlg_ShowPersonalClick() {}

void TMainWin::autostartDlg_ShowCommonClick() {}

void TMainWin::labColorDepthClick() {}

} // namespace vexrem
