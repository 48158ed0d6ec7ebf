// On Linux the login manager tells sleep and wake on the system bus: its
// PrepareForSleep(true) before the sleep, PrepareForSleep(false) after it.
// D-Bus is spoken by Qt here, so this watcher lives in the Qt layer.
#include "ui/SleepWatch.h"

#include <QDBusConnection>
#include <QObject>

namespace vexrem {
namespace {

const QString kService = QStringLiteral("org.freedesktop.login1");
const QString kPath = QStringLiteral("/org/freedesktop/login1");
const QString kInterface = QStringLiteral("org.freedesktop.login1.Manager");
const QString kSignal = QStringLiteral("PrepareForSleep");

class LogindSleepWatcher : public QObject, public SleepWatcher {
    Q_OBJECT
public:
    explicit LogindSleepWatcher(PowerHandler handler) : handler_(std::move(handler)) {}

    // Only the name's owner (the login manager, which only the system may
    // start) is listened to. A login manager that comes later is heard too.
    bool Connect() {
        QDBusConnection bus = QDBusConnection::systemBus();
        return bus.isConnected() &&
               bus.connect(kService, kPath, kInterface, kSignal, this, SLOT(PrepareForSleep(bool)));
    }

private slots:
    void PrepareForSleep(bool start) { handler_(start ? PowerEvent::Sleep : PowerEvent::Wake); }

private:
    PowerHandler handler_;
};

} // namespace

std::unique_ptr<SleepWatcher> WatchSleep(PowerHandler handler) {
    auto watcher = std::make_unique<LogindSleepWatcher>(std::move(handler));
    if (!watcher->Connect()) {
        return nullptr; // no system bus: a system without sleep to tell of
    }
    return watcher;
}

} // namespace vexrem

#include "SleepWatchLinux.moc"
