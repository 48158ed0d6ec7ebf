#include "ui/SessionEnd.h"

#include "config/Config.h"
#include "status/GameLinks.h"
#include "ui/MainWin.h"
#include "ui/MessageBox.h"

#include <QApplication>
#include <QMessageBox>
#include <QSessionManager>
#include <QSocketNotifier>
#include <QThread>

#include <iostream>

#ifndef _WIN32
#include <csignal>
#include <fcntl.h>
#include <unistd.h>
#endif

namespace vexrem {

#ifndef _WIN32
namespace {
int g_pipe[2] = {-1, -1};

// Only async-signal-safe work here: the event loop picks the byte up.
extern "C" void OnTerminationSignal(int sig) {
    const char c = static_cast<char>(sig);
    [[maybe_unused]] const ssize_t n = write(g_pipe[1], &c, 1);
}
} // namespace
#endif

SessionEnd::SessionEnd() {
    connect(qApp, &QGuiApplication::commitDataRequest, this, [this](QSessionManager&) {
        // Windows may end the process as soon as it has this answer: the
        // settings are written now. The save at the end of the run repeats
        // it when there is still time for one.
        if (!mainWin_) {
            // The settings were written when they were loaded, moments ago.
            EndSession();
            return;
        }
        mainWin_->WMQueryEndSession();
        SaveSettingsNow(mainWin_->Config());
        mainWin_->Terminate();
    });
#ifndef _WIN32
    if (pipe2(g_pipe, O_CLOEXEC | O_NONBLOCK) != 0) {
        return;
    }
    notifier_ = new QSocketNotifier(g_pipe[0], QSocketNotifier::Read, this);
    connect(notifier_, &QSocketNotifier::activated, this, &SessionEnd::OnSignal);
    struct sigaction sa {};
    sa.sa_handler = OnTerminationSignal;
    sigemptyset(&sa.sa_mask);
    sa.sa_flags = SA_RESTART;
    for (int sig : {SIGTERM, SIGINT, SIGHUP}) {
        sigaction(sig, &sa, nullptr);
    }
#endif
}

void SessionEnd::Attach(TMainWin& mainWin) {
    mainWin_ = &mainWin;
#ifdef _WIN32
    // Windows asks only top-level windows whether the session may end, and
    // a process without one is ended unasked. The main window stays hidden
    // most of the run, so it gets its native window now, without showing it.
    (void)mainWin.winId();
#endif
    if (endRequested_) {
        QMetaObject::invokeMethod(this, &SessionEnd::EndSession, Qt::QueuedConnection);
    }
}

SessionEnd::~SessionEnd() {
#ifndef _WIN32
    struct sigaction sa {};
    sa.sa_handler = SIG_DFL;
    sigemptyset(&sa.sa_mask);
    for (int sig : {SIGTERM, SIGINT, SIGHUP}) {
        sigaction(sig, &sa, nullptr);
    }
    if (g_pipe[0] >= 0) {
        close(g_pipe[0]);
        close(g_pipe[1]);
        g_pipe[0] = g_pipe[1] = -1;
    }
#endif
}

void SessionEnd::OnSignal() {
#ifndef _WIN32
    char buf[16];
    while (read(g_pipe[0], buf, sizeof buf) > 0) {
    }
#endif
    EndSession();
}

void SessionEnd::EndSession() {
    if (!mainWin_) {
        // The window is still being made, and a box it shows runs its own
        // loop: leave that loop (boxes after it return at once); the run ends
        // once the window is there.
        endRequested_ = true;
        if (QThread::currentThread()->loopLevel() > 0) {
            QCoreApplication::exit(0);
        }
        return;
    }
    // Like the end of a Windows session: the window may close, the run ends.
    mainWin_->WMQueryEndSession();
    mainWin_->Terminate();
}

namespace {

// Saves config with every message for the user going to sink.
void SaveWithMessagesTo(tConfig& config, const ConfigMessageSink& sink) {
    const ConfigMessageSink previous = config.SetMessageSink(sink);
    try {
        config.SaveToIni();
    } catch (const IniFileError& e) {
        sink(e.what());
    }
    config.SetMessageSink(previous);
}

} // namespace

void SaveSettingsNow(tConfig& config) {
    SaveWithMessagesTo(config, [](const std::string& msg) { std::cerr << msg << std::endl; });
}

void SaveSettingsAtEnd(tConfig& config, bool sessionEnding) {
    SaveWithMessagesTo(config, [sessionEnding](const std::string& msg) {
        std::cerr << msg << std::endl;
        // While the session ends, a box would hold the end until the session
        // manager kills the process.
        if (!sessionEnding && qobject_cast<QApplication*>(QCoreApplication::instance())) {
            ShowMessage(QMessageBox::Warning, QString::fromUtf8(kProgramName),
                        QString::fromLocal8Bit(msg), nullptr, Qt::ApplicationModal);
        }
    });
}

} // namespace vexrem
