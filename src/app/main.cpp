// VexelReminder: a tray program that tells a Vexelfeld player when it is
// their turn. main() only runs the start-up and shut-down steps; the main
// window does the rest.

#include "config/Config.h"
#include "platform/Platform.h"
#include "ui/MainWin.h"
#include "ui/QtPlatformSetup.h"
#include "ui/SessionEnd.h"

#include <QApplication>
#include <cstdio>
#include <cstdlib>

namespace {
constexpr int kInternalBuild = 8;
}

int main(int argc, char** argv) {
    vexrem::ConfigModuleStartup();

    int exitCode = 0;
    {
        // A second start in the same session ends at once and silently.
        const auto lock = vexrem::Platform().AcquireInstanceLock("VexelfeldReminder");
        if (lock->State() != vexrem::InstanceState::AlreadyRunning) {
            // Temp files that saves killed part-way (at an earlier end, say)
            // left beside the settings go at start, not only with a save.
            vexrem::Platform().RemoveStaleProfileTempFiles(vexrem::ConfigPath);
            vexrem::PrepareQtPlatform();
            QApplication app(argc, argv);
            vexrem::AddSystemFonts();
            QApplication::setApplicationName(QStringLiteral("VexelReminder"));
            // The installed menu entry: notifications and the tray name it.
            QGuiApplication::setDesktopFileName(QStringLiteral("net.vexelfeld.VexelReminder"));
            QApplication::setQuitOnLastWindowClosed(false);
            app.setProperty("internalBuild", kInternalBuild);

            // Logout and SIGTERM end the run in order, also while the main
            // window is being made.
            vexrem::SessionEnd sessionEnd;
            vexrem::TMainWin mainWin;
            sessionEnd.Attach(mainWin);
            exitCode = QApplication::exec();
            mainWin.Shutdown();
            // Saved first, while nothing can hold it up, so that a session
            // manager that kills us soon after loses nothing.
            vexrem::SaveSettingsAtEnd(mainWin.SessionEnding());
            if (mainWin.WorkersRunning()) {
                // A worker stuck in the name resolver or in a long parse is not
                // waited for, and what it uses (the window's HTTP client and
                // hand-over) must not be destroyed under it: the process ends
                // here, without running any destructor.
                std::fflush(nullptr);
                std::_Exit(0);
            }
        }
    }

    vexrem::ConfigModuleShutdown();
    (void)exitCode;
    return 0;
}
