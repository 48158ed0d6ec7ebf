#pragma once
// The notifications that the player is due: the balloon and the popup with
// its snooze.

#include "config/Config.h"

#include <QTimer>

class QWidget;

namespace vexrem {

class BalloonNotifier;

class TNotifier {
public:
    // window: the program's window the popup belongs to.
    explicit TNotifier(QWidget* window) : window_(window) {}

    // The balloon for count games, when the settings want one; it replaces
    // one still shown.
    void ShowBalloon(BalloonNotifier& balloon, const ConfigSettings& c, int count);
    // The popup for count games, when the settings want one. A snooze answer
    // runs Snooze(); a popup ends a running snooze. True when the answer was
    // to go to the game.
    bool ShowPopup(const ConfigSettings& c, int count);

    // Runs while the popup is snoozed.
    QTimer& Snooze() { return snooze_; }

private:
    QWidget* window_;
    QTimer snooze_;
};

} // namespace vexrem
