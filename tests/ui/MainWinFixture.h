#pragma once
// A real main window on the offscreen platform, with its settings in a temp
// folder and the game server played by a fake HTTP server on 127.0.0.1.

#include "config/Config.h"
#include "support/FakeHttpServer.h"
#include "support/FakePlatform.h"
#include "support/TestGuards.h"
#include "support/qt/DialogAnswerer.h"
#include "ui/MainWin.h"
#include "ui/SessionEnd.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QThread>
#include <functional>
#include <gtest/gtest.h>
#include <memory>
#include <string>

namespace vexrem::test {

// Spins the event loop until pred holds or timeoutMs passed.
inline bool WaitUntil(const std::function<bool()>& pred, int timeoutMs = 5000) {
    QElapsedTimer t;
    t.start();
    while (!pred()) {
        if (t.elapsed() > timeoutMs) {
            return false;
        }
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
        QThread::msleep(2);
    }
    return true;
}

// Spins the event loop for ms milliseconds.
inline void Spin(int ms) {
    QElapsedTimer t;
    t.start();
    while (t.elapsed() < ms) {
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
        QThread::msleep(2);
    }
}

inline std::string StatusPage(int count, int gid = 0) {
    std::string page = "<html><head><title>Vexelfeld</title></head><body>\r\n<b>Vexel - " +
                       std::to_string(count) + "</b>\r\n";
    if (gid != 0) {
        page += "<a href=\"javascript:fenster(" + std::to_string(gid) + ")\">Spiel</a>\r\n";
    }
    return page + "</body></html>\r\n";
}

class MainWinTest : public ::testing::Test {
protected:
    MainWinTest() : scoped_(platform) { SetEnv("VEXREM_GAME_SERVER", server.BaseUrl().c_str()); }

    ~MainWinTest() override {
        Stop();
        SetEnv("VEXREM_GAME_SERVER", nullptr);
    }

    // Path of the settings file a fresh start uses.
    std::string IniPath() const {
        return NativePath(platform.commonAppData + "/VexelReminder/vexrem.ini");
    }

    // Stores settings for the test user ("key=value" lines) before the start.
    void StoreSettings(const std::string& lines) {
        WriteFileBytes(IniPath(), "[tester]\n" + lines);
    }

    // Starts the program's main window (start-up delay not yet run).
    void Start() { win = std::make_unique<TMainWin>(ConfigModuleStartup()); }

    // Ends the window as the program's end does, saving the settings.
    void Stop() {
        if (win) {
            win->Shutdown();
            SaveSettingsAtEnd(win->Config(), true);
            win.reset();
        }
    }

    // Starts and runs the start-up delay at once.
    void StartAndRunStartup() {
        Start();
        win->timerStartupDelayTimer();
    }

    // Waits until the window has handled n results in all.
    bool WaitForCalls(int n, int timeoutMs = 5000) {
        return WaitUntil([&] { return win->Calls() >= n; }, timeoutMs);
    }

    FakePlatform platform;
    FakeHttpServer server;
    std::unique_ptr<TMainWin> win;

private:
    ScopedPlatform scoped_;
};

} // namespace vexrem::test
