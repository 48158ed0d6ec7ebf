#include "ui/Notifier.h"

#include "core/CheckCycle.h"
#include "ui/Popup.h"
#include "ui/Timers.h"

#include <utility>

namespace vexrem {

void TNotifier::ShowBalloon(BalloonNotifier& balloon, const ConfigSettings& c, int count) {
    if (!c.ShowBalloon) {
        return;
    }
    BalloonButtons buttons;
    if (c.ShowPopup) {
        // Snoozing is the popup's: without it they would do nothing to see.
        buttons.wait1 = QString::fromLocal8Bit(FormatDelay(c.PopupDelay1));
        buttons.wait2 = QString::fromLocal8Bit(FormatDelay(c.PopupDelay2));
    }
    buttons.hinda = QString::fromLocal8Bit(c.HindaText);
    // It takes the place of the one still shown.
    balloon.Show(QString::fromLocal8Bit(c.BalloonCaption),
                 QString::fromLocal8Bit(SubstituteCount(c.BalloonText, count)),
                 c.BalloonTimeout * 1000, buttons);
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
    TfrmPopup* const outer = std::exchange(open_, &popup);
    const int answer = popup.exec();
    open_ = outer;
    // The delays are read at the answer: they may change while it is open.
    return Act(answer, c);
}

bool TNotifier::AnswerFromBalloon(BalloonAction action, const ConfigSettings& c) {
    int answer = TfrmPopup::mrCancel;
    switch (action) {
    case BalloonAction::Wait1:
        answer = TfrmPopup::mrWait1;
        break;
    case BalloonAction::Wait2:
        answer = TfrmPopup::mrWait2;
        break;
    case BalloonAction::Hinda:
        answer = TfrmPopup::mrHinda;
        break;
    }
    if (open_ != nullptr) {
        open_->done(answer);
        return false;
    }
    return Act(answer, c);
}

bool TNotifier::Act(int answer, const ConfigSettings& c) {
    switch (answer) {
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
