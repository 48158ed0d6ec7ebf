// On Windows the balloon is the tray icon's own message; whether the user sees
// balloons at all is the Explorer setting in the registry.
#include "platform/win32/Win32Platform.h"
#include "ui/BalloonNotifier.h"

#include <QSystemTrayIcon>
#include <QTimer>

namespace vexrem {

BalloonNotifier::BalloonNotifier(QSystemTrayIcon* tray, QObject* parent)
    : QObject(parent), tray_(tray) {
    ConnectTrayClicks();
}

bool BalloonNotifier::ServiceAvailable() const {
    return tray_ != nullptr && QSystemTrayIcon::supportsMessages();
}

bool BalloonNotifier::BalloonsPossible(bool iconShown) const {
    Q_UNUSED(iconShown);
    return RegistryBalloonTipsEnabled();
}

void BalloonNotifier::Show(const QString& title, const QString& text, int timeoutMs,
                           const BalloonButtons& buttons) {
    Q_UNUSED(buttons); // the shell's balloon has none
    const QString t = title.left(MaxTitle);
    const QString b = text.left(MaxText);
    emit shown(t, b, timeoutMs);
    if (tray_ != nullptr) {
        tray_->showMessage(t, b, QSystemTrayIcon::NoIcon, timeoutMs);
    }
}

void BalloonNotifier::Remove() {
    // The shell takes the balloon away itself after its time; a new message
    // replaces it.
}

} // namespace vexrem
