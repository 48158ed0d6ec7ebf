// What the balloon does the same on every system.
#include "ui/BalloonNotifier.h"

#include <QSystemTrayIcon>
#include <QTimer>

namespace vexrem {

void BalloonNotifier::ConnectTrayClicks() {
    if (tray_ != nullptr) {
        // The tray's own message also reports a press on the icon as a click
        // on the balloon, followed at once by the icon's activation; such a
        // press (a right click for the menu, say) is no click on the balloon,
        // so the decision waits a turn.
        connect(tray_, &QSystemTrayIcon::messageClicked, this, [this] {
            iconPressed_ = false;
            QTimer::singleShot(0, this, [this] {
                if (!iconPressed_) {
                    emit clicked();
                }
            });
        });
        connect(tray_, &QSystemTrayIcon::activated, this, [this] { iconPressed_ = true; });
    }
}

} // namespace vexrem
