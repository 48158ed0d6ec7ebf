// Windows: the taskbar is the tray; Qt shows the icon to a restarted
// Explorer again by itself.
#include "ui/TrayHost.h"

#include <QSystemTrayIcon>

namespace vexrem {

bool TrayHostPresent() {
    return QSystemTrayIcon::isSystemTrayAvailable();
}

bool TrayHostMayAppear() {
    return false;
}

void OnTrayHostStarted(QObject* context, std::function<void()> fn) {
    Q_UNUSED(context);
    Q_UNUSED(fn);
}

} // namespace vexrem
