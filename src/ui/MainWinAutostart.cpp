// Autostart entry and the colour-depth advice, asked from the settings window.
#include "ui/MainWin.h"

#include "ui/Questions.h"

namespace vexrem {

void TMainWin::btnAddAutostartClick() {
    const AutostartPlaces places = AutostartLinkPaths();
    const std::optional<AutostartEntry> choice = AskAutostartEntry(
        this, FindAutostartEntry(places),
        [this](bool& keepOpen) { autostartDlg_ShowPersonalClick(keepOpen); },
        [this](bool& keepOpen) { autostartDlg_ShowCommonClick(keepOpen); });
    if (choice) {
        ApplyAutostartChoice(*choice, places);
    }
}

void TMainWin::autostartDlg_ShowPersonalClick(bool& keepOpen) {
    keepOpen = true;
    ReportErrors([] { OpenStartupFolder(CsidlStartup); });
}

void TMainWin::autostartDlg_ShowCommonClick(bool& keepOpen) {
    keepOpen = true;
    ReportErrors([] { OpenStartupFolder(CsidlCommonStartup); });
}

void TMainWin::labColorDepthClick() {
    // Like a click on the radio button: its toggled signal marks the page as
    // changed, and nothing is stored before the settings are applied.
    const std::optional<bool> full = AskFullColorDepth(this);
    if (full) {
        (*full ? Ui().rbTrayIconStandard : Ui().rbTrayIcon16Cols)->setChecked(true);
    }
}

} // namespace vexrem
