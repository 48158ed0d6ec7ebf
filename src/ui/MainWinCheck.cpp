// The check cycle: when a status check runs and what each result does.
#include "ui/MainWin.h"
#include "ui/MessageBox.h"
#include "ui/PlainText.h"

#include <QLocale>
#include <QTime>

namespace vexrem {

void TMainWin::CheckDranbin(bool forced) {
    // A request while a check runs is dropped, not queued.
    if (core_->CheckDranbin(forced) && pagesBuilt_) {
        ui_.btnCheck->setEnabled(false);
    }
}

void TMainWin::btnCheckClick() {
    CheckDranbin(true);
}

void TMainWin::Aktualisieren1Click() {
    CheckDranbin(false);
}

void TMainWin::timerCheckTimer() {
    if (Config().Active) {
        CheckDranbin(false);
    }
}

void TMainWin::HandleDranbinInfo(const rDranbinInfo& info, bool forced) {
    const CheckOutcome outcome = core_->HandleResult(info, forced, notifier_.Snooze().isActive());
    if (outcome.retryAfter) {
        // Held back: the network is likely not back from the sleep yet.
        timerWakeRetry_.start(std::chrono::milliseconds(*outcome.retryAfter));
        if (pagesBuilt_) {
            ui_.btnCheck->setEnabled(true);
        }
        return;
    }
    // A later result stands for the one held back.
    timerWakeRetry_.stop();
    if (pagesBuilt_) {
        ui_.btnCheck->setEnabled(false);
    }
    if (outcome.lastResult) {
        SetLastResult(*outcome.lastResult);
    }
    ShowDranbinState(outcome, info.Error ? -1 : info.Count);
    if (outcome.errorBox) {
        ShowMessage(QMessageBox::Critical, QStringLiteral("Fehler"),
                    QStringLiteral("Die Abfrage ergab einen Fehler: \"") +
                        NeutralizeBidi(QString::fromLocal8Bit(info.Text)) + QStringLiteral("\""),
                    nullptr);
    }
    ShowCheckCounts();
    if (pagesBuilt_) {
        ui_.btnCheck->setEnabled(true);
    }
}

void TMainWin::ShowCheckCounts() {
    // Nothing is shown before the first result.
    if (pagesBuilt_ && Calls() > 0) {
        ui_.labCallsValue->setText(QString::number(Calls()));
        ui_.labCallErrorsValue->setText(QString::number(CallErrors()));
    }
    if (pagesBuilt_ && !lastResultLine_.isEmpty()) {
        ui_.labLastResultValue->setText(lastResultLine_);
    }
}

void TMainWin::ShowDranbinState(const CheckOutcome& outcome, int n) {
    ShowTrayState();
    if (outcome.balloon) {
        ShowDranBalloon(n);
    }
    if (outcome.popup) {
        ShowDranPopup(n);
    }
}

void TMainWin::SetLastResult(const std::string& s) {
    const QLocale locale;
    const QString time = locale.toString(QTime::currentTime(), TimeOfDayFormat(locale));
    lastResultLine_ = QStringLiteral("[") + time + QStringLiteral("] ") +
                      NeutralizeBidi(QString::fromLocal8Bit(s));
    ShowCheckCounts();
}

void TMainWin::SetActive(bool on) {
    const bool wasActive = Config().Active;
    Config().Active = on;
    if (pagesBuilt_) {
        ui_.cbActive->setChecked(on);
    }
    if (!on) {
        core_->Tray().SetLight(TrayLight::Dark);
        core_->Tray().SetTip("Inaktiv");
        ShowTrayState();
    } else if (!wasActive) {
        // Switched on from the tray: check now, and periodically from here on,
        // as a user who switches checking on expects.
        SetTimer(timerCheck_, true, Config().Interval * 1000);
        CheckDranbin(false);
    }
    UpdateActivationMenu();
}

void TMainWin::PowerChanged(PowerEvent event) {
    if (event == PowerEvent::Sleep) {
        core_->Wake().Sleep();
        // Nothing of ours is to run into the sleep; a wake brings its own check.
        timerWakeCheck_.stop();
        timerWakeRetry_.stop();
        return;
    }
    if (const auto delay = core_->Wake().Woke(TWakeCycle::Clock::now(), Config())) {
        // No tick before the wake's check: the period starts anew with it.
        timerCheck_.stop();
        timerWakeCheck_.start(std::chrono::milliseconds(*delay));
    }
}

void TMainWin::timerWakeCheckTimer() {
    timerCheck_.start();
    timerCheckTimer();
}

void TMainWin::UpdateActivationMenu() {
    Deaktivieren1->setEnabled(Config().Active);
    Aktivieren1->setEnabled(!Config().Active);
}

} // namespace vexrem
