// The tray icon: image and tooltip per result, error blinking and its preview,
// the tray menu.
#include "ui/BalloonNotifier.h"
#include "ui/MainWin.h"
#include "ui/PlainText.h"
#include "ui/TrayHost.h"

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QFont>
#include <QLabel>
#include <QMenu>
#include <QRadioButton>
#include <QSlider>
#include <QSystemTrayIcon>
#include <QTimer>

namespace vexrem {

namespace {
// The most a tray tooltip shows.
constexpr int kMaxTip = 127;
// How often and how long to look for a tray that is not there yet.
constexpr int kTrayWatchMs = 2000;
constexpr int kTrayWatchTicks = 30;
} // namespace

void TMainWin::CreateTray() {
    timerTrayClick_.setSingleShot(true);
    connect(&timerTrayClick_, &QTimer::timeout, this, &TMainWin::NotifyIconClick);
    popupMenu_ = new QMenu(this);
    popupMenu_->setObjectName(QStringLiteral("PopupMenu"));
    auto add = [this](const char* name, const QString& caption, void (TMainWin::*slot)()) {
        QAction* a = popupMenu_->addAction(caption);
        a->setObjectName(QString::fromLatin1(name));
        connect(a, &QAction::triggered, this, slot);
        return a;
    };
    Einstellungen3 =
        add("Einstellungen3", QStringLiteral("&Einstellungen"), &TMainWin::ffnen1Click);
    QFont bold = Einstellungen3->font();
    bold.setBold(true);
    Einstellungen3->setFont(bold); // the default item
    popupMenu_->setDefaultAction(Einstellungen3);
    Vexelfeldde1 = add("Vexelfeldde1", QStringLiteral("&Vexelfeld"), &TMainWin::Vexelfeldde1Click);
    Aktualisieren1 =
        add("Aktualisieren1", QStringLiteral("&Aktualisieren"), &TMainWin::Aktualisieren1Click);
    N1 = popupMenu_->addSeparator();
    N1->setObjectName(QStringLiteral("N1"));
    Deaktivieren1 =
        add("Deaktivieren1", QStringLiteral("&Deaktivieren"), &TMainWin::Deaktivieren1Click);
    Aktivieren1 = add("Aktivieren1", QStringLiteral("&Aktivieren"), &TMainWin::Aktivieren1Click);
    Beenden1 = add("Beenden1", QStringLiteral("&Beenden"), &TMainWin::Beenden1Click);
    connect(popupMenu_, &QMenu::aboutToShow, this, &TMainWin::PopupMenuPopup);

    if (TrayHostPresent() || !TrayHostMayAppear()) {
        InstallTrayIcon();
    }
    if (balloon_ == nullptr) {
        // Desktop notifications do not need the icon; they work while we wait.
        balloon_ = new BalloonNotifier(nullptr, this);
        connect(balloon_, &BalloonNotifier::clicked, this, &TMainWin::NotifyIconBalloonClick);
    }
    WatchForTray();
}

void TMainWin::InstallTrayIcon() {
    tray_ = new QSystemTrayIcon(this);
    tray_->setContextMenu(popupMenu_);
    connect(tray_, &QSystemTrayIcon::activated, this,
            [this](QSystemTrayIcon::ActivationReason reason) { TrayIconActivated(reason); });
    // A balloon made while waiting for the tray keeps running when it has one
    // on screen (so a click on it still counts); otherwise the new one also
    // has the icon's own message as its fallback.
    if (balloon_ == nullptr || balloon_->CurrentId() == 0) {
        delete balloon_;
        balloon_ = new BalloonNotifier(tray_, this);
        connect(balloon_, &BalloonNotifier::clicked, this, &TMainWin::NotifyIconBalloonClick);
    }
    tray_->setIcon(imageSet_->Icon(trayIndex_));
    tray_->setToolTip(trayTip_);
    tray_->show();
}

void TMainWin::TrayIconActivated(int reason) {
    switch (reason) {
    case QSystemTrayIcon::Trigger:
        // The first click of a double click comes as a click too: a click acts
        // only once the system's double-click time has passed without a
        // second one. A second click within it is the double click (an
        // XEmbed tray reports both, a StatusNotifierItem host only the clicks).
        if (timerTrayClick_.isActive()) {
            timerTrayClick_.stop();
            ffnen1Click();
        } else {
            timerTrayClick_.start(QApplication::doubleClickInterval());
        }
        break;
    case QSystemTrayIcon::DoubleClick:
    // A StatusNotifierItem host has no double click; its middle click
    // (SecondaryActivate) reaches the default item instead.
    case QSystemTrayIcon::MiddleClick:
        timerTrayClick_.stop();
        ffnen1Click();
        break;
    default:
        break;
    }
}

void TMainWin::WatchForTray() {
    // A tray host that starts (late, or again after a crash of the panel)
    // knows nothing of us: show the icon to it anew, or make it now if it
    // was waiting for a tray.
    OnTrayHostStarted(this, [this] {
        if (tray_ == nullptr) {
            if (TrayHostPresent()) {
                InstallTrayIcon();
            }
        } else if (tray_->isVisible()) {
            tray_->hide();
            tray_->show();
        }
    });

    // A panel may start after us. Once a tray icon exists, QSystemTrayIcon
    // shows itself when an XEmbed tray appears. Qt decides between
    // StatusNotifierItem and XEmbed once, when the first icon is made, so
    // where a StatusNotifierItem host may still come (a session bus, no
    // tray yet) the icon is made only when a tray is there. If none has
    // come after a while, the settings window shows, so the program is never
    // running without anything to click.
    if (tray_ != nullptr && QSystemTrayIcon::isSystemTrayAvailable()) {
        return;
    }
    timerTrayWatch_.setInterval(kTrayWatchMs);
    connect(&timerTrayWatch_, &QTimer::timeout, this, [this] {
        if (tray_ == nullptr && TrayHostPresent()) {
            InstallTrayIcon();
        }
        if (tray_ != nullptr && QSystemTrayIcon::isSystemTrayAvailable()) {
            timerTrayWatch_.stop();
            tray_->hide();
            tray_->show();
            return;
        }
        if (++trayWaitTicks_ >= kTrayWatchTicks) {
            timerTrayWatch_.stop();
            if (tray_ == nullptr) {
                InstallTrayIcon(); // shows itself should an XEmbed tray come
            }
            ShowSettingsWindow();
        }
    });
    timerTrayWatch_.start();
}

void TMainWin::SetTrayIndex(int index) {
    trayIndex_ = index;
    // Menus exported to a StatusNotifierItem host are read without being
    // opened first: the activation items follow the state at all times.
    if (Aktivieren1 != nullptr) {
        UpdateActivationMenu();
    }
    if (tray_ != nullptr) {
        tray_->setIcon(imageSet_->Icon(index));
    }
}

void TMainWin::SetTrayTip(const QString& tip) {
    trayTip_ = tip.left(kMaxTip);
    if (tray_ != nullptr) {
        // The tip carries the server's page after a failure: never markup.
        tray_->setToolTip(ShownLiterally(trayTip_));
    }
}

void TMainWin::ShowTrayState() {
    const TTrayState& state = core_->Tray();
    SetTrayIndex(static_cast<int>(state.Light()));
    const QString tip = QString::fromLocal8Bit(state.Tip());
    // The failure text is the server's: its direction controls go.
    SetTrayTip(state.TipFromServer() ? NeutralizeBidi(tip) : tip);
    SetTimer(timerErrorIcon_, state.Blinking(), Config().TrayIconBlinkSpeed);
}

void TMainWin::SetTrayState(int n, const std::string& errorText) {
    core_->Tray().SetTrayState(n, errorText, Config());
    ShowTrayState();
}

void TMainWin::SetErrorState(bool failed, const std::string& text) {
    if (failed && !text.empty()) {
        SetLastResult("Fehler: " + text);
    }
    core_->Tray().SetErrorState(failed, Config());
    ShowTrayState();
}

void TMainWin::timerErrorIconTimer() {
    SetTrayIndex(static_cast<int>(core_->Tray().BlinkTick(Config().TrayIconModeNormal)));
}

void TMainWin::cbBlinkOnErrorClick(QObject* sender) {
    const bool on = ui_.cbBlinkOnError->isChecked();
    ui_.imageIconError->setVisible(on);
    SetTimer(timerErrorIconTest_, on, ui_.tbBlinkSpeed->value());
    if (sender != nullptr) {
        HandleSettingChange(sender);
    }
}

void TMainWin::tbBlinkSpeedChange() {
    SetTimerInterval(timerErrorIconTest_, ui_.tbBlinkSpeed->value());
    HandleSettingChange(ui_.tbBlinkSpeed);
}

void TMainWin::timerErrorIconTestTimer() {
    const TrayImageSet& set = ui_.rbTrayIcon16Cols->isChecked() ? imageIcons16_ : imageIcons_;
    const TrayLight light = testBlink_.Tick(ui_.rbIconModeNormal->isChecked());
    ui_.imageIconError->setPixmap(set.Pixmap(static_cast<int>(light), 16));
}

void TMainWin::PopupMenuPopup() {
    UpdateActivationMenu();
}

void TMainWin::ffnen1Click() {
    ShowSettingsWindow();
}

void TMainWin::Deaktivieren1Click() {
    SetActive(false);
}

void TMainWin::Aktivieren1Click() {
    SetActive(true);
}

} // namespace vexrem
