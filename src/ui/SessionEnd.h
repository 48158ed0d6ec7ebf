#pragma once
// Ends the program in order when the desktop session ends: Qt's session
// manager hook (logout, shutdown) and the signals a session sends its
// processes (SIGTERM, SIGHUP) or a terminal user presses (SIGINT) all mark
// the session as ending, close the main window and leave the event loop, so
// settings are saved as at "Beenden". Stays alive until the process ends, so
// a signal also ends a message box shown while the settings are saved.

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

// Writes the settings without ending anything: for the moment the session
// manager may end the process without a further word. A failure goes to
// stderr only.
void SaveSettingsNow();

// The end of the run, after the event loop: saves the settings and destroys
// the configuration. A failure is always written to stderr; while a desktop
// is still there (the session is not ending) it is also shown to the user.
void SaveSettingsAtEnd(bool sessionEnding);

} // namespace vexrem
