// Linux: a StatusNotifierItem host on the session bus, or an XEmbed tray on
// the X server.
#include "ui/TrayHost.h"

#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QDBusServiceWatcher>
#include <QDBusVariant>
#include <QGuiApplication>
#include <QTimer>

#include <cstdlib>

#include <xcb/xcb.h>

namespace vexrem {

namespace {
// Time a new StatusNotifierItem watcher gets for its host to register.
constexpr int kHostSettleMs = 300;
constexpr int kHostQueryMs = 2000;

const QString kSniWatcher = QStringLiteral("org.kde.StatusNotifierWatcher");

} // namespace

// A StatusNotifierItem host is registered with the watcher (what Qt asks
// before it uses StatusNotifierItem), or an XEmbed tray owns its selection.
bool TrayHostPresent() {
    QDBusConnection bus = QDBusConnection::sessionBus();
    if (bus.isConnected() && bus.interface()->isServiceRegistered(kSniWatcher).value()) {
        QDBusMessage get = QDBusMessage::createMethodCall(
            kSniWatcher, QStringLiteral("/StatusNotifierWatcher"),
            QStringLiteral("org.freedesktop.DBus.Properties"), QStringLiteral("Get"));
        get << kSniWatcher << QStringLiteral("IsStatusNotifierHostRegistered");
        // A hung watcher must not hold up the start for long.
        const QDBusMessage reply = bus.call(get, QDBus::Block, kHostQueryMs);
        if (reply.type() == QDBusMessage::ReplyMessage && !reply.arguments().isEmpty() &&
            qvariant_cast<QDBusVariant>(reply.arguments().constFirst()).variant().toBool()) {
            return true;
        }
    }
    auto* x11 = qGuiApp->nativeInterface<QNativeInterface::QX11Application>();
    if (x11 == nullptr || x11->connection() == nullptr) {
        return false;
    }
    xcb_connection_t* c = x11->connection();
    // A desktop runs one X screen; its tray owns the selection of screen 0.
    const QByteArray name = QByteArrayLiteral("_NET_SYSTEM_TRAY_S0");
    xcb_intern_atom_reply_t* atom = xcb_intern_atom_reply(
        c, xcb_intern_atom(c, 1, static_cast<uint16_t>(name.size()), name.constData()), nullptr);
    if (atom == nullptr) {
        return false;
    }
    bool owned = false;
    if (atom->atom != XCB_ATOM_NONE) {
        xcb_get_selection_owner_reply_t* owner =
            xcb_get_selection_owner_reply(c, xcb_get_selection_owner(c, atom->atom), nullptr);
        owned = owner != nullptr && owner->owner != XCB_WINDOW_NONE;
        std::free(owner);
    }
    std::free(atom);
    return owned;
}

// Whether it is worth waiting with the icon: on a real screen with a session
// bus, where a StatusNotifierItem host can still start.
bool TrayHostMayAppear() {
    const QString platform = QGuiApplication::platformName();
    return (platform == QLatin1String("xcb") || platform.startsWith(QLatin1String("wayland"))) &&
           QDBusConnection::sessionBus().isConnected();
}

void OnTrayHostStarted(QObject* context, std::function<void()> fn) {
    if (!QDBusConnection::sessionBus().isConnected()) {
        return;
    }
    auto* watcher = new QDBusServiceWatcher(kSniWatcher, QDBusConnection::sessionBus(),
                                            QDBusServiceWatcher::WatchForRegistration, context);
    QObject::connect(watcher, &QDBusServiceWatcher::serviceRegistered, context,
                     [context, fn = std::move(fn)] {
                         // Its host registers with it a moment later.
                         QTimer::singleShot(kHostSettleMs, context, fn);
                     });
}

} // namespace vexrem
