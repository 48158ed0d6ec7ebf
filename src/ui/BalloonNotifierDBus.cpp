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

void BalloonNotifier::Show(const QString& title, const QString& text, int timeoutMs) {
    const QString t = title.left(MaxTitle);
    const QString b = text.left(MaxText);
    emit shown(t, b, timeoutMs);
    if (!ServiceAvailable()) {
        if (tray_ != nullptr) {
            tray_->showMessage(t, b, QSystemTrayIcon::NoIcon, timeoutMs);
        }
        return;
    }
    // The summary is plain text for every service; the body is markup where
    // the service says so, and then it is escaped: the texts are shown as
    // typed, and no markup can make the service load what it names.
    const quint64 seq = ++lastSent_;
    const QDBusMessage ask = QDBusMessage::createMethodCall(kService, kPath, kInterface,
                                                            QStringLiteral("GetCapabilities"));
    auto* asked = new QDBusPendingCallWatcher(bus_.asyncCall(ask), this);
    connect(asked, &QDBusPendingCallWatcher::finished, this,
            [this, seq, t, b, timeoutMs](QDBusPendingCallWatcher* w) {
                QDBusPendingReply<QStringList> caps = *w;
                w->deleteLater();
                // No answer: escaped, the safe side.
                const bool markup =
                    caps.isError() || caps.value().contains(QStringLiteral("body-markup"));
                SendNotify(seq, t, markup ? b.toHtmlEscaped() : b, timeoutMs);
            });
}

void BalloonNotifier::SendNotify(quint64 seq, const QString& title, const QString& body,
                                 int timeoutMs) {
    QDBusMessage call =
        QDBusMessage::createMethodCall(kService, kPath, kInterface, QStringLiteral("Notify"));
    QVariantMap hints;
    // The installed menu entry, so the desktop shows our name and icon.
    const QString name = QString::fromLatin1(kProgramName);
    const QString entry = QGuiApplication::desktopFileName();
    hints.insert(QStringLiteral("desktop-entry"), entry.isEmpty() ? name : entry);
    call << name << uint(0) << QString() << title << body
         << QStringList{QStringLiteral("default"), QStringLiteral("Öffnen")} << hints << timeoutMs;
    auto* watcher = new QDBusPendingCallWatcher(bus_.asyncCall(call), this);
    connect(watcher, &QDBusPendingCallWatcher::finished, this,
            [this, seq](QDBusPendingCallWatcher* w) {
                QDBusPendingReply<uint> reply = *w;
                w->deleteLater();
                if (reply.isError()) {
                    return;
                }
                if (seq <= removedUpTo_) {
                    // Removed while its id was still on the way.
                    Close(reply.value());
                } else if (seq > shownSeq_) {
                    shownSeq_ = seq;
                    currentId_ = reply.value();
                }
            });
}

void BalloonNotifier::Remove() {
    removedUpTo_ = lastSent_;
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
    Q_UNUSED(actionKey);
    if (id != 0 && id == currentId_) {
        emit clicked();
    }
}

void BalloonNotifier::OnNotificationClosed(uint id, uint reason) {
    Q_UNUSED(reason);
    if (id == currentId_) {
        currentId_ = 0;
    }
}

} // namespace vexrem
