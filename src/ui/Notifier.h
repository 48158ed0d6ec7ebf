#pragma once
// The notifications that the player is due: the balloon and the popup with
// its snooze.

#include "config/Config.h"
#include "ui/BalloonNotifier.h"

#include <QTimer>

class QWidget;

namespace vexrem {

class TfrmPopup;

class TNotifier {
public:
    // window: the program's window the popup belongs to.
    explicit TNotifier(QWidget* window) : window_(window) {}

    // The balloon for count games, when the settings want one; it replaces
    // one still shown. It carries the popup's answers as buttons: the
    // snoozes while the popup is on, and the go button.
    void ShowBalloon(BalloonNotifier& balloon, const ConfigSettings& c, int count);
    // The popup for count games, when the settings want one. A snooze answer
    // runs Snooze(); a popup ends a running snooze. True when the answer was
    // to go to the game.
    bool ShowPopup(const ConfigSettings& c, int count);
    // An answer chosen on the balloon. An open popup closes as if its button
    // had been pressed, and ShowPopup acts on it; otherwise it takes effect
    // here. True when the player is to go to the game now.
    bool AnswerFromBalloon(BalloonAction action, const ConfigSettings& c);

    // Runs while the popup is snoozed.
    QTimer& Snooze() { return snooze_; }

private:
    // What an answer of the popup (a TfrmPopup::ModalResult) does; true:
    // go to the game.
    bool Act(int answer, const ConfigSettings& c);

    QWidget* window_;
    QTimer snooze_;
    TfrmPopup* open_ = nullptr; // the popup while it is shown
};

} // namespace vexrem
