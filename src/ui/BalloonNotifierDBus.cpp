#include "ui/BalloonNotifier.h"

#include "platform/Platform.h"

#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QDBusPendingCallWatcher>
#include <QDBusPendingReply>
#include <QGuiApplication>
#include <QSystemTrayIcon>
#include <QTimer>

namespace vexrem {

namespace {
const QString kService = QStringLiteral("org.freedesktop.Notifications");
const QString kPath = QStringLiteral("/org/freedesktop/Notifications");
const QString kInterface = QStringLiteral("org.freedesktop.Notifications");

// The keys of the balloon's buttons, as the service reports a choice.
constexpr BalloonAction kActions[] = {BalloonAction::Wait1, BalloonAction::Wait2,
                                      BalloonAction::Hinda};
constexpr const char* ActionKey(BalloonAction action) {
    switch (action) {
    case BalloonAction::Wait1:
        return "wait1";
    case BalloonAction::Wait2:
        return "wait2";
    case BalloonAction::Hinda:
        return "hinda";
    }
    return "";
}
} // namespace

BalloonNotifier::BalloonNotifier(QSystemTrayIcon* tray, QObject* parent)
    : BalloonNotifier(tray, QDBusConnection::sessionBus(), parent) {}

BalloonNotifier::BalloonNotifier(QSystemTrayIcon* tray, const QDBusConnection& bus, QObject* parent)
    : QObject(parent), bus_(bus), tray_(tray) {
    if (bus_.isConnected()) {
        // Bound to the service name: the same signal sent by anyone else on
        // the bus is not a click on our balloon.
        bus_.connect(kService, kPath, kInterface, QStringLiteral("ActionInvoked"), this,
                     SLOT(OnActionInvoked(uint, QString)));
        bus_.connect(kService, kPath, kInterface, QStringLiteral("NotificationClosed"), this,
                     SLOT(OnNotificationClosed(uint, uint)));
    }
    ConnectTrayClicks();
}

bool BalloonNotifier::BalloonsPossible(bool iconShown) const {
    // No registry here: balloons can be shown when a notification service or,
    // failing that, a tray that shows messages is there.
    return ServiceAvailable() || (iconShown && QSystemTrayIcon::supportsMessages());
}

bool BalloonNotifier::ServiceAvailable() const {
    QDBusConnectionInterface* daemon = bus_.isConnected() ? bus_.interface() : nullptr;
    if (daemon == nullptr) {
        return false;
    }
    if (daemon->isServiceRegistered(kService).value()) {
        return true;
    }
    // Many desktops start their notification daemon on the first call only.
    return daemon->activatableServiceNames().value().contains(kService);
}

void BalloonNotifier::Show(const QString& title, const QString& text, int timeoutMs,
                           const BalloonButtons& buttons) {
    const QString t = title.left(MaxTitle);
    const QString b = text.left(MaxText);
    emit shown(t, b, timeoutMs);
    if (!ServiceAvailable()) {
        if (tray_ != nullptr) {
            tray_->showMessage(t, b, QSystemTrayIcon::NoIcon, timeoutMs);
        }
        return;
    }
    const Request r{t, b, timeoutMs, buttons};
    if (sending_) {
        next_ = r; // the newest wins; it follows once the id is known
    } else {
        Send(r);
    }
}

void BalloonNotifier::Send(const Request& r) {
    sending_ = true;
    removedWhileSending_ = false;
    const QDBusMessage ask = QDBusMessage::createMethodCall(kService, kPath, kInterface,
                                                            QStringLiteral("GetCapabilities"));
    auto* asked = new QDBusPendingCallWatcher(bus_.asyncCall(ask), this);
    connect(asked, &QDBusPendingCallWatcher::finished, this, [this, r](QDBusPendingCallWatcher* w) {
        QDBusPendingReply<QStringList> caps = *w;
        w->deleteLater();
        SendNotify(r, caps.isError() ? QStringList() : caps.value());
    });
}

void BalloonNotifier::SendNotify(const Request& r, const QStringList& capabilities) {
    QDBusMessage call =
        QDBusMessage::createMethodCall(kService, kPath, kInterface, QStringLiteral("Notify"));
    QVariantMap hints;
    // The installed menu entry, so the desktop shows our name and icon.
    const QString name = QString::fromLatin1(kProgramName);
    const QString entry = QGuiApplication::desktopFileName();
    hints.insert(QStringLiteral("desktop-entry"), entry.isEmpty() ? name : entry);
    hints.insert(QStringLiteral("urgency"), QVariant::fromValue(uchar(1))); // normal
    // The summary is plain text for every service; the body is markup where
    // the service says so, and then it is escaped: the texts are shown as
    // typed, and no markup can make the service load what it names. No
    // answer: escaped, the safe side.
    const bool markup =
        capabilities.isEmpty() || capabilities.contains(QStringLiteral("body-markup"));
    QStringList actions{QStringLiteral("default"), QStringLiteral("Öffnen")};
    if (capabilities.contains(QStringLiteral("actions"))) {
        const auto add = [&](BalloonAction action, const QString& caption) {
            if (!caption.isEmpty()) {
                actions << QString::fromLatin1(ActionKey(action)) << caption;
            }
        };
        add(BalloonAction::Wait1, r.buttons.wait1);
        add(BalloonAction::Wait2, r.buttons.wait2);
        add(BalloonAction::Hinda, r.buttons.hinda);
    }
    // In place of our balloon still shown: one turn, one notification.
    call << name << currentId_ << QString() << r.title << (markup ? r.text.toHtmlEscaped() : r.text)
         << actions << hints << r.timeoutMs;
    auto* watcher = new QDBusPendingCallWatcher(bus_.asyncCall(call), this);
    connect(watcher, &QDBusPendingCallWatcher::finished, this, [this](QDBusPendingCallWatcher* w) {
        QDBusPendingReply<uint> reply = *w;
        w->deleteLater();
        Sent(reply.isError() ? 0 : reply.value());
    });
}

void BalloonNotifier::Sent(uint id) {
    sending_ = false;
    if (id != 0 && removedWhileSending_) {
        Close(id); // removed while its id was still on the way
    } else if (id != 0) {
        currentId_ = id;
    }
    if (next_) {
        const Request r = *next_;
        next_.reset();
        Send(r);
    }
}

void BalloonNotifier::Remove() {
    if (sending_) {
        removedWhileSending_ = true;
        next_.reset();
    }
    if (currentId_ != 0) {
        Close(currentId_);
        currentId_ = 0;
    }
}

void BalloonNotifier::Close(uint id) {
    QDBusMessage call = QDBusMessage::createMethodCall(kService, kPath, kInterface,
                                                       QStringLiteral("CloseNotification"));
    call << id;
    bus_.asyncCall(call);
}

void BalloonNotifier::OnActionInvoked(uint id, const QString& actionKey) {
    if (id == 0 || id != currentId_) {
        return;
    }
    // The key comes from outside: it only ever selects from our own table.
    if (actionKey == QLatin1String("default")) {
        emit clicked();
        return;
    }
    for (const auto action : kActions) {
        if (actionKey == QLatin1String(ActionKey(action))) {
            // Answered: the notification has done its job. Not every service
            // takes it away after a button.
            Close(currentId_);
            currentId_ = 0;
            emit actionInvoked(action);
            return;
        }
    }
}

void BalloonNotifier::OnNotificationClosed(uint id, uint reason) {
    Q_UNUSED(reason);
    if (id == currentId_) {
        currentId_ = 0;
    }
}

} // namespace vexrem
