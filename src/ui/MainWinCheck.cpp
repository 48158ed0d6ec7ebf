// The check cycle: when a status check runs and what each result does.
#include "config/Config.h"
#include "status/DranSeiThread.h"
#include "ui/MainWin.h"
#include "ui/PlainText.h"
#include "worker/RunningRequests.h"

#include <QAction>
#include <QCheckBox>
#include <QLabel>
#include <QLocale>
#include <QMessageBox>
#include <QPushButton>
#include <QTime>

namespace vexrem {

void TMainWin::CheckDranbin(bool forced) {
    // A request while a check runs is dropped, not queued.
    if (DranCheckRunning) {
        return;
    }
    ui_.btnCheck->setEnabled(false);
    // A proxy change still waiting for the last request goes in first.
    if (clientConfigPending_) {
        TryConfigureHttpClient();
    }
    StartDranCheck(
        Config->UserName, myHttpCli_, forced,
        [this](const rDranbinInfo& info, bool f) { HandleDranbinInfo(info, f); }, invoker_,
        workers_);
}

void TMainWin::btnCheckClick() {
    CheckDranbin(true);
}

void TMainWin::Aktualisieren1Click() {
    CheckDranbin(false);
}

void TMainWin::timerCheckTimer() {
    if (Config->Active) {
        CheckDranbin(false);
    }
}

void TMainWin::HandleDranbinInfo(const rDranbinInfo& info, bool forced) {
    const bool countChanged = info.Count != lastResult_.Count;
    ui_.btnCheck->setEnabled(false);
    ++calls_;
    lastResult_ = info;
    if (info.Error) {
        ++callErrors_;
        SetErrorState(true, info.Text);
        ShowDranbinState(-1, false, info);
        if (forced) {
            QMessageBox box(QMessageBox::Critical, QStringLiteral("Fehler"),
                            QStringLiteral("Die Abfrage ergab einen Fehler: \"") +
                                NeutralizeBidi(QString::fromLocal8Bit(info.Text)) +
                                QStringLiteral("\""),
                            QMessageBox::Ok);
            box.setTextFormat(Qt::PlainText); // the failure text may hold a page's markup
            // Blocks no window of ours: the tray and its menu stay live.
            box.setWindowModality(Qt::WindowModal);
            box.exec();
        }
    } else {
        SetErrorState(false);
        lastCountChanged_ = countChanged;
        ShowDranbinState(info.Count, forced, info);
        if (info.Count < 1) {
            SetLastResult("Bei keinem Spiel dran.");
        } else if (info.Count == 1) {
            SetLastResult("Dran bei einem Spiel. (GID=" + std::to_string(info.GID) + ")");
        } else {
            SetLastResult("Dran bei " + std::to_string(info.Count) + " Spielen.");
        }
    }
    ui_.labCallsValue->setText(QString::number(calls_));
    ui_.labCallErrorsValue->setText(QString::number(callErrors_));
    ui_.btnCheck->setEnabled(true);
}

void TMainWin::ShowDranbinState(int n, bool forced, const rDranbinInfo& info) {
    SetTrayState(n, info.Text);
    if ((n > 0 && lastCountChanged_) || (forced && n >= 0)) {
        ShowDranBalloon(n);
    }
    if ((n > 0 && !timerPopup_.isActive()) || (forced && n >= 0)) {
        ShowDranPopup(n);
    }
}

QString TimeOfDayFormat(const QLocale& locale) {
    // The user's long time format without its time zone: the hour, minute and
    // second fields, separators and any AM/PM designator stay as they are.
    const QString format = locale.timeFormat(QLocale::LongFormat);
    QString out;
    bool quoted = false;
    for (qsizetype i = 0; i < format.size(); ++i) {
        const QChar c = format[i];
        if (c == u'\'') {
            quoted = !quoted;
        } else if (!quoted && c == u't') {
            while (i + 1 < format.size() && format[i + 1] == u't') {
                ++i;
            }
            // The blank that parted the zone from the rest goes with it.
            while (!out.isEmpty() && out.back().isSpace()) {
                out.chop(1);
            }
            continue;
        }
        out += c;
    }
    return out.trimmed();
}

void TMainWin::SetLastResult(const std::string& s) {
    const QLocale locale;
    const QString time = locale.toString(QTime::currentTime(), TimeOfDayFormat(locale));
    ui_.labLastResultValue->setText(QStringLiteral("[") + time + QStringLiteral("] ") +
                                    NeutralizeBidi(QString::fromLocal8Bit(s)));
}

void TMainWin::SetActive(bool on) {
    const bool wasActive = Config->Active;
    Config->Active = on;
    ui_.cbActive->setChecked(on);
    if (!Config->Active) {
        SetTrayIndex(TrayImageDark);
        SetTrayTip(QStringLiteral("Inaktiv"));
    } else if (!wasActive) {
        // Switched on from the tray: check now, and periodically from here on,
        // as a user who switches checking on expects.
        SetTimer(timerCheck_, true, Config->Interval * 1000);
        CheckDranbin(false);
    }
    UpdateActivationMenu();
}

void TMainWin::UpdateActivationMenu() {
    Deaktivieren1->setEnabled(Config->Active);
    Aktivieren1->setEnabled(!Config->Active);
}

} // namespace vexrem
