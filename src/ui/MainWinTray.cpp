// The tray icon: image and tooltip per result, error blinking and its preview,
// the tray menu.
#include "ui/MainWin.h"
#include "ui/PlainText.h"
#include "ui/TrayPresenter.h"

#include <QAction>
#include <QFont>
#include <QMenu>

namespace vexrem {

void TMainWin::CreateTray() {
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

    tray_ = new TTrayPresenter(popupMenu_, this);
    connect(tray_, &TTrayPresenter::clicked, this, &TMainWin::NotifyIconClick);
    connect(tray_, &TTrayPresenter::opened, this, &TMainWin::ffnen1Click);
    connect(tray_, &TTrayPresenter::balloonClicked, this, &TMainWin::NotifyIconBalloonClick);
    connect(tray_, &TTrayPresenter::balloonAction, this, &TMainWin::NotifyIconBalloonAction);
    connect(tray_, &TTrayPresenter::waitedInVain, this, &TMainWin::ShowSettingsWindow);
    tray_->Start();
}

void TMainWin::SetTrayIndex(int index) {
    // Menus exported to a StatusNotifierItem host are read without being
    // opened first: the activation items follow the state at all times.
    UpdateActivationMenu();
    tray_->SetIndex(index);
}

void TMainWin::ShowTrayState() {
    const TTrayState& state = core_->Tray();
    SetTrayIndex(static_cast<int>(state.Light()));
    const QString tip = QString::fromLocal8Bit(state.Tip());
    // The failure text is the server's: its direction controls go.
    tray_->SetTip(state.TipFromServer() ? NeutralizeBidi(tip) : tip);
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
    const bool on = Ui().cbBlinkOnError->isChecked();
    ui_.imageIconError->setVisible(on);
    SetTimer(timerErrorIconTest_, on, ui_.tbBlinkSpeed->value());
    if (sender != nullptr) {
        HandleSettingChange(sender);
    }
}

void TMainWin::tbBlinkSpeedChange() {
    SetTimerInterval(timerErrorIconTest_, Ui().tbBlinkSpeed->value());
    HandleSettingChange(ui_.tbBlinkSpeed);
}

void TMainWin::timerErrorIconTestTimer() {
    const TrayImageSet& set = tray_->ImageSet(Ui().rbTrayIcon16Cols->isChecked());
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
