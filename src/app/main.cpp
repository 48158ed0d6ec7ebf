// VexelReminder: a tray program that tells a Vexelfeld player when it is
// their turn. main() only runs the start-up and shut-down steps; the main
// window does the rest.

#include "config/Config.h"
#include "platform/Platform.h"
#include "status/GameLinks.h"
#include "ui/MainWin.h"
#include "ui/QtPlatformSetup.h"
#include "ui/SessionEnd.h"

#include <QApplication>

namespace {
constexpr int kInternalBuild = 8;
}

int main(int argc, char** argv) {
    const std::string configPath = vexrem::ConfigModuleStartup();

    // A second start in the same session ends at once and silently.
    const auto lock = vexrem::Platform().AcquireInstanceLock("VexelfeldReminder");
    if (lock->State() == vexrem::InstanceState::AlreadyRunning) {
        return 0;
    }
    // Temp files that saves killed part-way (at an earlier end, say) left
    // beside the settings go at start, not only with a save.
    vexrem::Platform().RemoveStaleProfileTempFiles(configPath);
    vexrem::PrepareQtPlatform();
    // The application object picks the platform; on a Wayland desktop the
    // popup needs XWayland to stay on top.
    const std::string platform = vexrem::PreferredQtPlatform(
        qgetenv("QT_QPA_PLATFORM").toStdString(), qgetenv("WAYLAND_DISPLAY").toStdString(),
        qgetenv("DISPLAY").toStdString());
    if (!platform.empty()) {
        qputenv("QT_QPA_PLATFORM", QByteArray::fromStdString(platform));
    }
    QApplication app(argc, argv);
    if (!platform.empty()) {
        // Chosen for this program only: the browser and whatever else it
        // starts pick their own.
        qunsetenv("QT_QPA_PLATFORM");
    }
    vexrem::AddSystemFonts();
    QApplication::setApplicationName(QString::fromUtf8(vexrem::kProgramName));
    // The installed menu entry: notifications and the tray name it.
    QGuiApplication::setDesktopFileName(QStringLiteral("net.vexelfeld.VexelReminder"));
    QApplication::setQuitOnLastWindowClosed(false);
    app.setProperty("internalBuild", kInternalBuild);

    // Logout and SIGTERM end the run in order, also while the main window is
    // being made.
    vexrem::SessionEnd sessionEnd;
    vexrem::TMainWin mainWin(configPath);
    sessionEnd.Attach(mainWin);
    QApplication::exec();
    mainWin.Shutdown();
    // Saved first, while nothing can hold it up, so that a session manager
    // that kills us soon after loses nothing. A worker still running (one in
    // a long parse, say) is not waited for: it holds its own share of what it
    // uses, and the end of the process ends it.
    vexrem::SaveSettingsAtEnd(mainWin.Config(), mainWin.SessionEnding());
    return 0;
}
