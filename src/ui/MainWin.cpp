// Creation, showing, closing and ending of the main window.
#include "ui/MainWin.h"

#include "platform/Platform.h"
#include "status/GameLinks.h"
#include "ui/MessageBox.h"
#include "ui/PagesSetup.h"
#include "ui/QtGuiInvoker.h"
#include "ui/SleepWatch.h"
#include "ui/UpdatePage.h"
#include "update/ExeVersion.h"

#include <QApplication>
#include <QCloseEvent>
#include <QThread>

namespace vexrem {

TMainWin::TMainWin(const std::string& configPath, QWidget* parent) : QDialog(parent) {
    FormCreate(configPath);
}

TMainWin::~TMainWin() {
    Shutdown();
}

void TMainWin::FormCreate(const std::string& configPath) {
    sessionEnding_ = false;
    settingsShown_ = false;

    connect(&timerStartupDelay_, &QTimer::timeout, this, &TMainWin::timerStartupDelayTimer);
    connect(&timerCheck_, &QTimer::timeout, this, &TMainWin::timerCheckTimer);
    connect(&timerErrorIcon_, &QTimer::timeout, this, &TMainWin::timerErrorIconTimer);
    connect(&timerErrorIconTest_, &QTimer::timeout, this, &TMainWin::timerErrorIconTestTimer);
    connect(&notifier_.Snooze(), &QTimer::timeout, this, &TMainWin::timerPopupTimer);
    timerClientConfig_.setInterval(100);
    connect(&timerClientConfig_, &QTimer::timeout, this, &TMainWin::TryConfigureHttpClient);
    timerWakeCheck_.setSingleShot(true);
    connect(&timerWakeCheck_, &QTimer::timeout, this, &TMainWin::timerWakeCheckTimer);
    timerWakeRetry_.setSingleShot(true);
    connect(&timerWakeRetry_, &QTimer::timeout, this, [this] { CheckDranbin(false); });

    // Loads and saves the user's section. A failing save is told in a plain
    // message box that names the file as it is and leaves the tray usable.
    core_ = std::make_unique<TAppCore>(
        configPath,
        [this](const std::string& msg) {
            ShowMessage(QMessageBox::Warning, QString::fromUtf8(kProgramName),
                        QString::fromLocal8Bit(msg), isVisible() ? this : nullptr);
        },
        std::make_shared<QtGuiInvoker>(this), *this);
    timerStartupDelay_.setInterval(Config().StartupDelay * 1000);
    const int build =
        qApp->property("internalBuild").isValid() ? qApp->property("internalBuild").toInt() : 8;
    core_->SetUserAgent(GetExeVersion(), build);

    CreateTray();
    ApplySettings();
    timerStartupDelay_.start();
    sleepWatcher_ = WatchSleep([this](PowerEvent event) { PowerChanged(event); });
}

TMainWinUi& TMainWin::Ui() {
    if (pagesBuilt_) {
        return ui_;
    }
    // Made when first needed: the program mostly only sits in the tray.
    pagesBuilt_ = true;
    SetUpPages(ui_, this, Config().Filename(), Config().SectionName());
    ConnectSettingControls();
    ResetConfigUIElements();
    ShowCheckCounts();
    ui_.btnCheck->setEnabled(!core_->DranCheckRunning());
    ui_.btnUpdateCheck->setEnabled(!core_->UpdateCheckRunning());
    if (lastUpdate_) {
        FillUpdatePage(ui_, *lastUpdate_);
        lastUpdate_.reset();
    }
    return ui_;
}

void TMainWin::timerStartupDelayTimer() {
    timerStartupDelay_.stop();
    if (Config().FirstRun) {
        Config().FirstRun = false;
        ShowSettingsWindow();
    } else if (Config().StartupCheck) {
        CheckForUpdate();
    }
    if (Config().Active) {
        CheckDranbin(false);
    } else {
        core_->Tray().SetTip("Inaktiv.");
        ShowTrayState();
    }
}

void TMainWin::ShowSettingsWindow() {
    Ui();
    if (!settingsShown_) {
        ApplySettings();
    }
    if (isMinimized()) {
        showNormal();
    }
    show();
    raise();
    activateWindow();
    settingsShown_ = true;
}

void TMainWin::WMQueryEndSession() {
    sessionEnding_ = true;
    close();
}

bool TMainWin::FormCloseQuery() {
    if (sessionEnding_) {
        return true;
    }
    btnCloseClick(nullptr);
    return false;
}

void TMainWin::closeEvent(QCloseEvent* event) {
    if (FormCloseQuery()) {
        // The session ends: the window closes and the program with it, also
        // when a close comes later (the session end may have been called off).
        event->accept();
        Terminate();
    } else {
        event->ignore();
    }
}

void TMainWin::reject() {
    // Closing by program: the window stays alive and is only hidden.
    btnCloseClick(nullptr);
}

void TMainWin::changeEvent(QEvent* event) {
    // A minimised window is hidden instead, leaving only the tray icon.
    if (event->type() == QEvent::WindowStateChange && isMinimized()) {
        QMetaObject::invokeMethod(
            this, [this] { hide(); }, Qt::QueuedConnection);
    }
    QDialog::changeEvent(event);
}

void TMainWin::ReportErrors(const std::function<void()>& fn) {
    try {
        fn();
    } catch (const std::exception& e) {
        ShowMessage(QMessageBox::Critical, QString::fromUtf8(kProgramName),
                    QString::fromLocal8Bit(e.what()), isVisible() ? this : nullptr);
    }
}

void TMainWin::Beenden1Click() {
    Terminate();
}

void TMainWin::btnExitClick() {
    Terminate();
}

void TMainWin::Terminate() {
    // Not quit(): that first asks every window to close, and this one refuses
    // (it only hides), which calls the end off. exit() leaves every running
    // event loop, those of an open popup or dialog included, whose code then
    // runs to its end without a further question. Without a running loop
    // there is nothing to leave (and exit() would make the next one return
    // at once).
    if (QThread::currentThread()->loopLevel() > 0) {
        QCoreApplication::exit(0);
    }
}

void TMainWin::Shutdown() {
    // A worker waiting for the GUI thread is released; one inside a request
    // gives up. One stuck where nothing can reach it (a long parse) goes on
    // with its share of what it uses.
    core_->Shutdown();
    timerStartupDelay_.stop();
    notifier_.Snooze().stop();
    timerCheck_.stop();
    timerErrorIcon_.stop();
    timerErrorIconTest_.stop();
    timerClientConfig_.stop();
    sleepWatcher_.reset();
    timerWakeCheck_.stop();
    timerWakeRetry_.stop();
    hide();
    if (tray_ != nullptr) {
        tray_->Shutdown();
    }
    Config().SetMessageSink({});
}

} // namespace vexrem
