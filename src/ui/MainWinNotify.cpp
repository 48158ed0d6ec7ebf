// Balloon and popup when the player is due, and the clicks on tray icon and
// balloon.
#include "status/GameLinks.h"
#include "ui/BalloonNotifier.h"
#include "ui/MainWin.h"

namespace vexrem {

void TMainWin::ShowDranBalloon(int gameCount) {
    notifier_.ShowBalloon(*Balloon(), Config(), gameCount);
}

void TMainWin::ShowDranPopup(int gameCount) {
    if (notifier_.ShowPopup(Config(), gameCount)) {
        Vexelfeldde1Click();
    }
}

void TMainWin::NotifyIconBalloonAction(BalloonAction action) {
    // An open popup closes with the answer and ShowDranPopup acts on it.
    if (notifier_.AnswerFromBalloon(action, Config())) {
        Vexelfeldde1Click();
    }
}

void TMainWin::timerPopupTimer() {
    notifier_.Snooze().stop();
}

void TMainWin::NotifyIconClick() {
    Vexelfeldde1Click();
}

void TMainWin::Vexelfeldde1Click() {
    ReportErrors(
        [this] { GotoGame(LastResult().Count, LastResult().GID, Config().UseZavazuzeza); });
}

void TMainWin::NotifyIconBalloonClick() {
    if (!Config().gotoGameOnBalloonClick) {
        return;
    }
    const int count = LastResult().Count;
    const int gid = LastResult().GID;
    if (count >= 1) {
        const bool zavazuzeza = Config().UseZavazuzeza;
        ReportErrors([=] { OpenGamePage(zavazuzeza, count == 1 ? gid : -1); });
    }
}

bool TMainWin::BalloonTipsEnabled() const {
    return Balloon()->BalloonsPossible(TrayIcon() != nullptr);
}

} // namespace vexrem
