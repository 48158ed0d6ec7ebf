#include "ui/Notifier.h"

#include "core/CheckCycle.h"
#include "ui/BalloonNotifier.h"
#include "ui/Popup.h"
#include "ui/Timers.h"

namespace vexrem {

void TNotifier::ShowBalloon(BalloonNotifier& balloon, const ConfigSettings& c, int count) {
    if (!c.ShowBalloon) {
        return;
    }
    balloon.Remove();
    balloon.Show(QString::fromLocal8Bit(c.BalloonCaption),
                 QString::fromLocal8Bit(SubstituteCount(c.BalloonText, count)),
                 c.BalloonTimeout * 1000);
}

bool TNotifier::ShowPopup(const ConfigSettings& c, int count) {
    if (!c.ShowPopup) {
        return false;
    }
    snooze_.stop();
    // Modal to the program's own window only: an application-modal popup
    // would also block the tray icon and the balloon where the tray and the
    // balloon are windows of ours (XEmbed trays), and they must stay live.
    TfrmPopup popup(window_);
    popup.setWindowModality(Qt::WindowModal);
    popup.SetPopupTexts(c.PopupCaption, SubstituteCount(c.PopupMessage, count), c.HindaText,
                        c.PopupDelay1, c.PopupDelay2);
    // The delays are read at the answer: they may change while it is open.
    switch (popup.exec()) {
    case TfrmPopup::mrWait1:
        SetTimer(snooze_, true, c.PopupDelay1 * 1000);
        return false;
    case TfrmPopup::mrWait2:
        SetTimer(snooze_, true, c.PopupDelay2 * 1000);
        return false;
    case TfrmPopup::mrHinda:
        return true;
    default:
        return false;
    }
}

} // namespace vexrem
