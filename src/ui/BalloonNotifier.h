#pragma once
// The balloon at the tray icon. On Linux desktops it is a desktop notification
// sent over D-Bus (org.freedesktop.Notifications): only clicks on our own
// notification count, and it can be closed again. Where no notification
// service runs, the tray icon's own message is the fallback. On Windows the
// tray icon's own message is the balloon (BalloonNotifierWin32.cpp).

#ifndef _WIN32
#include <QDBusConnection>
#endif
#include <QObject>
#include <QString>
#include <QVariantMap>

class QSystemTrayIcon;

namespace vexrem {

class BalloonNotifier : public QObject {
    Q_OBJECT
public:
    // The limits the shell puts on a balloon's title and text.
    static constexpr int MaxTitle = 63;
    static constexpr int MaxText = 255;

    // On the session bus.
    explicit BalloonNotifier(QSystemTrayIcon* tray, QObject* parent = nullptr);
#ifndef _WIN32
    // On the given bus (a private bus in tests).
    BalloonNotifier(QSystemTrayIcon* tray, const QDBusConnection& bus, QObject* parent = nullptr);
#endif

    // Whether balloons can be shown at all: a notification service runs, or
    // the bus starts one on the first call.
    bool ServiceAvailable() const;
    // Whether the user gets to see balloons, iconShown telling whether our
    // tray icon exists yet (Qt chooses its kind of tray icon with the first).
    bool BalloonsPossible(bool iconShown) const;

    // Shows a balloon (title and text cut to the shell's limits).
    void Show(const QString& title, const QString& text, int timeoutMs);
    // Removes the balloon shown last, if it is still there.
    void Remove();

    // Id of our notification on screen (0 when none or shown as tray message).
    uint CurrentId() const {
        return currentId_;
    }

signals:
    // The user clicked our balloon.
    void clicked();
    // A balloon was requested (as shown to the shell, after cutting).
    void shown(const QString& title, const QString& text, int timeoutMs);

#ifndef _WIN32
private slots:
    void OnActionInvoked(uint id, const QString& actionKey);
    void OnNotificationClosed(uint id, uint reason);
#endif

private:
    void ConnectTrayClicks();
#ifndef _WIN32
    void Close(uint id);
    // Sends the Notify call of the balloon with sequence number seq.
    void SendNotify(quint64 seq, const QString& title, const QString& body, int timeoutMs);

    QDBusConnection bus_;
#endif
    QSystemTrayIcon* tray_;
    uint currentId_ = 0;
    quint64 lastSent_ = 0;     // sequence number of the last Notify sent
    quint64 shownSeq_ = 0;     // sequence number whose id is currentId_
    quint64 removedUpTo_ = 0;  // Notify calls up to this one are to be closed
    bool iconPressed_ = false; // the tray icon was pressed since its message was clicked
};

} // namespace vexrem
