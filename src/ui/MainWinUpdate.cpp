// The update check as the main window runs it.
#include "status/GameLinks.h"
#include "ui/MainWin.h"
#include "ui/UpdatePage.h"

namespace vexrem {

void TMainWin::CheckForUpdate() {
    // Only one update check at a time; a request meanwhile changes nothing.
    // The result (on this thread) enables the button again.
    if (core_->CheckForUpdate() && pagesBuilt_) {
        ui_.btnUpdateCheck->setEnabled(false);
    }
}

void TMainWin::btnUpdateCheckClick() {
    CheckForUpdate();
}

void TMainWin::ShowUpdateResult(const rUpdateResult& result) {
    // A page not made yet shows the result when it is.
    if (!pagesBuilt_ && !ListsVersions(result)) {
        lastUpdate_ = result;
        return;
    }
    if (FillUpdatePage(Ui(), result)) {
        ShowSettingsWindow();
        ui_.XPPageControl->setCurrentWidget(ui_.tsUpdate);
    }
    ui_.btnUpdateCheck->setEnabled(true);
}

void TMainWin::labUpdLinkClick() {
    OpenHomePage();
}

} // namespace vexrem
