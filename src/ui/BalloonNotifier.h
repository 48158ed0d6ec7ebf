#pragma once
// The balloon at the tray icon. On Linux desktops it is a desktop notification
// sent over D-Bus (org.freedesktop.Notifications): only clicks on our own
// notification count, a new one takes the place of ours still shown, and it
// can be closed again. Where the service offers buttons, the balloon carries
// the popup's answers as well. Where no notification service runs, the tray
// icon's own message is the fallback. On Windows the tray icon's own message
// is the balloon (BalloonNotifierWin32.cpp).

#ifndef _WIN32
#include <QDBusConnection>
#endif
#include <QObject>
#include <QString>
#include <QVariantMap>

#include <optional>

class QSystemTrayIcon;

namespace vexrem {

// The buttons a balloon can carry besides the click on the balloon itself.
enum class BalloonAction { Wait1, Wait2, Hinda };

// Their captions; a button without one is left out.
struct BalloonButtons {
    QString wait1;
    QString wait2;
    QString hinda;
};

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

    // Shows a balloon (title and text cut to the shell's limits) in place of
    // the one still shown, with the buttons where the service offers them.
    void Show(const QString& title, const QString& text, int timeoutMs,
              const BalloonButtons& buttons = {});
    // Removes the balloon shown last, if it is still there.
    void Remove();

    // Id of our notification on screen (0 when none or shown as tray message).
    uint CurrentId() const {
        return currentId_;
    }

signals:
    // The user clicked our balloon.
    void clicked();
    // The user chose one of the balloon's buttons.
    void actionInvoked(vexrem::BalloonAction action);
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
    struct Request {
        QString title;
        QString text;
        int timeoutMs = 0;
        BalloonButtons buttons;
    };
    void Close(uint id);
    // Asks the service what it offers, then sends the balloon.
    void Send(const Request& r);
    void SendNotify(const Request& r, const QStringList& capabilities);
    // The Notify call has been answered (with id, or 0 on failure).
    void Sent(uint id);

    QDBusConnection bus_;
    // One balloon is on its way at a time, so that the next one knows the id
    // it takes the place of.
    bool sending_ = false;
    bool removedWhileSending_ = false;
    std::optional<Request> next_; // asked for while one was on its way
#endif
    QSystemTrayIcon* tray_;
    uint currentId_ = 0;
    bool iconPressed_ = false; // the tray icon was pressed since its message was clicked
};

} // namespace vexrem
