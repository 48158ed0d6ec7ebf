#pragma once
// Ends the program in order when the desktop session ends: Qt's session
// manager hook (logout, shutdown) and the signals a session sends its
// processes (SIGTERM, SIGHUP) or a terminal user presses (SIGINT) all mark
// the session as ending, close the main window and leave the event loop, so
// settings are saved as at "Beenden". Made before the main window, so an end
// that comes while the window is being made (the box telling that the
// settings cannot be written is open) is orderly too. Stays alive until the
// process ends, so a signal also ends a message box shown while the settings
// are saved.

#include <QObject>
#include <QPointer>

class QSocketNotifier;

namespace vexrem {

class TMainWin;
class tConfig;

class SessionEnd : public QObject {
    Q_OBJECT
public:
    SessionEnd();
    ~SessionEnd() override;
    SessionEnd(const SessionEnd&) = delete;
    SessionEnd& operator=(const SessionEnd&) = delete;

    // The main window to end from now on. An end that came while it was being
    // made is carried out as soon as the event loop runs.
    void Attach(TMainWin& mainWin);

private:
    void OnSignal();
    void EndSession();

    QPointer<TMainWin> mainWin_;
    bool endRequested_ = false; // before there was a window to end
    QSocketNotifier* notifier_ = nullptr;
};

// Writes the settings without ending anything: for the moment the session
// manager may end the process without a further word. A failure goes to
// stderr only.
void SaveSettingsNow(tConfig& config);

// The end of the run, after the event loop: saves the settings. A failure is
// always written to stderr; while a desktop is still there (the session is not
// ending) it is also shown to the user.
void SaveSettingsAtEnd(tConfig& config, bool sessionEnding);

} // namespace vexrem
