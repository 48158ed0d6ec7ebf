#pragma once
// Ends the program in order when the desktop session ends: Qt's session
// manager hook (logout, shutdown) and the signals a session sends its
// processes (SIGTERM, SIGHUP) or a terminal user presses (SIGINT) all close
// the main window and leave the event loop, so settings are saved as at
// "Beenden".

#include <QObject>

class QSocketNotifier;

namespace vexrem {

class TMainWin;

class SessionEnd : public QObject {
    Q_OBJECT
public:
    explicit SessionEnd(TMainWin& mainWin);
    ~SessionEnd() override;
    SessionEnd(const SessionEnd&) = delete;
    SessionEnd& operator=(const SessionEnd&) = delete;

private:
    void OnSignal();

    TMainWin& mainWin_;
    QSocketNotifier* notifier_ = nullptr;
};

} // namespace vexrem
