#pragma once
// The main window: the settings dialog that is hidden most of the time, the
// tray icon with its menu, the check cycle and the notifications. It owns the
// configuration object's life (through the config module), the HTTP client,
// the timers and the workers, and wires the parts together.

#include "core/AppCore.h"
#include "platform/SleepWatcher.h"
#include "ui/Notifier.h"
#include "ui/SettingsPages.h"
#include "ui/Timers.h"
#include "ui/TrayPresenter.h"
#include "update/VersionList.h"

#include <QDialog>
#include <QLocale>
#include <QTimer>
#include <functional>
#include <memory>
#include <optional>
#include <string>

class QAction;
class QMenu;
class QSystemTrayIcon;

namespace vexrem {

class BalloonNotifier;
struct rUpdateResult;

class TMainWin : public QDialog, public CoreListener {
    Q_OBJECT
public:
    // Runs the creation steps (FormCreate): configuration from configPath
    // (see ConfigModuleStartup), INI line, version, agent, tray icon,
    // ApplySettings, start-up delay.
    explicit TMainWin(const std::string& configPath, QWidget* parent = nullptr);
    ~TMainWin() override;

    // --- start-up and end --------------------------------------------------
    void timerStartupDelayTimer();
    void ShowSettingsWindow();
    // The session is ending: the window may close from now on.
    void WMQueryEndSession();
    // Whether the window may close; otherwise the close acts as "Schließen".
    bool FormCloseQuery();
    void Beenden1Click();
    void btnExitClick();
    // Leaves the event loop after the current event, and the loop of any
    // popup or dialog open in it; no window is asked to close.
    void Terminate();
    // After the event loop: the tray icon goes, timers stop, workers are told
    // to give up (a request fails at once, a wait for the GUI thread is
    // refused). Does not wait for them; see WorkersRunning.
    void Shutdown();
    // Workers that have not ended yet. One stuck in the name resolver or in a
    // long parse may never end; the program does not wait for it.
    bool WorkersRunning() const { return core_->WorkersRunning(); }

    // --- check cycle ---------------------------------------------------------
    void CheckDranbin(bool forced);
    void btnCheckClick();
    void Aktualisieren1Click();
    void timerCheckTimer();
    void HandleDranbinInfo(const rDranbinInfo& info, bool forced) override;
    // Shows a result's outcome: tray, balloon, popup for n games (-1: failed).
    void ShowDranbinState(const CheckOutcome& outcome, int n);
    void SetLastResult(const std::string& s);
    void SetActive(bool on);
    void UpdateActivationMenu();
    // The computer goes to sleep or woke up (see TWakeCycle).
    void PowerChanged(PowerEvent event);
    void timerWakeCheckTimer();

    // --- tray icon -------------------------------------------------------------
    void SetTrayState(int n, const std::string& errorText);
    void SetErrorState(bool failed, const std::string& text = {});
    void timerErrorIconTimer();
    void timerErrorIconTestTimer();
    void cbBlinkOnErrorClick(QObject* sender);
    void tbBlinkSpeedChange();
    void PopupMenuPopup();
    void ffnen1Click();
    void Vexelfeldde1Click();
    void Deaktivieren1Click();
    void Aktivieren1Click();

    // --- notifications -----------------------------------------------------------
    void ShowDranBalloon(int gameCount);
    void ShowDranPopup(int gameCount);
    void NotifyIconClick();
    void NotifyIconBalloonClick();
    // One of the balloon's buttons: the popup's answers.
    void NotifyIconBalloonAction(BalloonAction action);
    void timerPopupTimer();
    bool BalloonTipsEnabled() const;

    // --- settings window -----------------------------------------------------------
    void ResetConfigUIElements();
    void ControlsToSettings();
    bool SettingsDiffer() const;
    void HandleSettingChange(QObject* sender = nullptr);
    void btnSetConfigClick(QObject* sender = nullptr);
    void ApplySettings();
    void btnCloseClick(QObject* sender = nullptr);
    void imgHelpZavazuzezaClick();

    void AboutLinkClick(int link); // an AboutLink
    void labAutostartClick();      // opens the autostart dialog
    void labColorDepthClick();

    // --- autostart (MainWinAutostart.cpp) ---------------------------------------------
    void btnAddAutostartClick();
    // Command links of the autostart dialog: open a startup folder and leave
    // the dialog open (keepOpen).
    void autostartDlg_ShowPersonalClick(bool& keepOpen);
    void autostartDlg_ShowCommonClick(bool& keepOpen);

    // --- update check (MainWinUpdate.cpp) -----------------------------------------------
    void CheckForUpdate();
    void btnUpdateCheckClick();
    void labUpdLinkClick();
    // Fills the Update page from a finished check (GUI thread).
    void ShowUpdateResult(const rUpdateResult& result) override;

    // --- what tests and the tray read ------------------------------------------------
    // The pages, made when first asked for.
    TMainWinUi& Ui();
    TAppCore& Core() { return *core_; }
    tConfig& Config() const { return core_->Config(); }
    THttpClient& HttpClient() { return core_->HttpClient(); }
    QSystemTrayIcon* TrayIcon() const { return tray_->Icon(); }
    QMenu* PopupMenu() const { return popupMenu_; }
    BalloonNotifier* Balloon() const { return tray_->Balloon(); }
    int TrayIndex() const { return tray_->Index(); }
    const QString& TrayTip() const { return tray_->Tip(); }
    bool TrayReducedSet() const { return tray_->Reduced(); }
    const rDranbinInfo& LastResult() const { return core_->Cycle().LastResult(); }
    int Calls() const { return core_->Cycle().Calls(); }
    int CallErrors() const { return core_->Cycle().CallErrors(); }
    bool LastCheckFailed() const { return core_->Tray().LastCheckFailed(); }
    bool SessionEnding() const { return sessionEnding_; }
    bool ClientConfigPending() const { return core_->ClientConfigPending(); }
    QTimer& TimerStartupDelay() { return timerStartupDelay_; }
    QTimer& TimerCheck() { return timerCheck_; }
    QTimer& TimerErrorIcon() { return timerErrorIcon_; }
    QTimer& TimerErrorIconTest() { return timerErrorIconTest_; }
    QTimer& TimerPopup() { return notifier_.Snooze(); }

    QAction* Einstellungen3 = nullptr;
    QAction* Vexelfeldde1 = nullptr;
    QAction* Aktualisieren1 = nullptr;
    QAction* N1 = nullptr;
    QAction* Deaktivieren1 = nullptr;
    QAction* Aktivieren1 = nullptr;
    QAction* Beenden1 = nullptr;

public slots:
    void reject() override; // acts like "Schließen"; Escape never gets here

protected:
    void closeEvent(QCloseEvent* event) override;
    void changeEvent(QEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

private:
    void FormCreate(const std::string& configPath);
    // Shows the core's tray state: light, tip, blinking.
    void ShowTrayState();
    // The counters and the last result on the made pages.
    void ShowCheckCounts();
    void CreateTray();
    void ConnectSettingControls();
    void SetTrayIndex(int index);
    void ConfigureHttpClient();
    void TryConfigureHttpClient();
    // Runs fn; an error it raises is shown in the general error box and the
    // program goes on.
    void ReportErrors(const std::function<void()>& fn);

    TMainWinUi ui_;
    bool pagesBuilt_ = false;
    QString lastResultLine_;
    std::optional<rUpdateResult> lastUpdate_; // arrived before the pages were made
    std::unique_ptr<TAppCore> core_;

    QMenu* popupMenu_ = nullptr;
    TTrayPresenter* tray_ = nullptr;
    TNotifier notifier_{this};

    QTimer timerStartupDelay_;
    QTimer timerCheck_;
    QTimer timerErrorIcon_;
    QTimer timerErrorIconTest_;
    QTimer timerClientConfig_; // retries a deferred client set-up
    QTimer timerWakeCheck_;    // one-shot: the check after a wake
    QTimer timerWakeRetry_;    // one-shot: another try of a check that failed after a wake
    std::unique_ptr<SleepWatcher> sleepWatcher_;

    bool sessionEnding_ = false;
    bool settingsShown_ = false;
    TBlinkPhases testBlink_;
};

} // namespace vexrem
