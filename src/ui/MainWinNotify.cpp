// Balloon and popup when the player is due, and the clicks on tray icon and
// balloon.
#include "status/GameLinks.h"
#include "ui/BalloonNotifier.h"
#include "ui/MainWin.h"
#include "ui/Popup.h"

#include <QSystemTrayIcon>

namespace vexrem {

void TMainWin::ShowDranBalloon(int gameCount) {
    if (!Config().ShowBalloon) {
        return;
    }
    Balloon()->Remove();
    Balloon()->Show(QString::fromLocal8Bit(Config().BalloonCaption),
                   QString::fromLocal8Bit(SubstituteCount(Config().BalloonText, gameCount)),
                   Config().BalloonTimeout * 1000);
}

void TMainWin::ShowDranPopup(int gameCount) {
    if (!Config().ShowPopup) {
        return;
    }
    timerPopup_.stop(); // a running snooze ends here
    // Modal to the program's own window only: an application-modal popup
    // would also block the tray icon and the balloon where the tray and the
    // balloon are windows of ours (XEmbed trays), and they must stay live.
    TfrmPopup popup(this);
    popup.setWindowModality(Qt::WindowModal);
    popup.SetPopupTexts(Config().PopupCaption, SubstituteCount(Config().PopupMessage, gameCount),
                        Config().HindaText, Config().PopupDelay1, Config().PopupDelay2);
    const int result = popup.exec();
    switch (result) {
    case TfrmPopup::mrWait1:
        SetTimer(timerPopup_, true, Config().PopupDelay1 * 1000);
        break;
    case TfrmPopup::mrWait2:
        SetTimer(timerPopup_, true, Config().PopupDelay2 * 1000);
        break;
    case TfrmPopup::mrHinda:
        Vexelfeldde1Click();
        break;
    default:
        break;
    }
}

void TMainWin::timerPopupTimer() {
    timerPopup_.stop();
}

void TMainWin::NotifyIconClick() {
    Vexelfeldde1Click();
}

void TMainWin::Vexelfeldde1Click() {
    ReportErrors([this] { GotoGame(LastResult().Count, LastResult().GID, Config().UseZavazuzeza); });
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
