// The settings window: filling the controls, comparing, applying, closing.
#include "status/GameLinks.h"
#include "ui/LinkDialogs.h"
#include "ui/MainWin.h"
#include "ui/Questions.h"
#include "ui/SettingBindings.h"

#include <QKeyEvent>

namespace vexrem {

void TMainWin::ConnectSettingControls() {
    ConnectBoundControls(ui_, this, [this](QObject* sender) { HandleSettingChange(sender); });
    connect(ui_.cbBlinkOnError, &QCheckBox::clicked, this,
            [this] { cbBlinkOnErrorClick(ui_.cbBlinkOnError); });
    connect(ui_.tbBlinkSpeed, &QSlider::valueChanged, this, &TMainWin::tbBlinkSpeedChange);

    connect(ui_.btnSetConfig, &QPushButton::clicked, this,
            [this] { btnSetConfigClick(ui_.btnSetConfig); });
    connect(ui_.btnClose, &QPushButton::clicked, this, [this] { btnCloseClick(ui_.btnClose); });
    connect(ui_.btnCheck, &QPushButton::clicked, this, &TMainWin::btnCheckClick);
    connect(ui_.btnExit, &QPushButton::clicked, this, &TMainWin::btnExitClick);
    connect(ui_.imgHelpZavazuzeza, &ClickableLabel::clicked, this,
            &TMainWin::imgHelpZavazuzezaClick);
    connect(ui_.labAutostart, &ClickableLabel::clicked, this, &TMainWin::labAutostartClick);
    connect(ui_.labColorDepth, &ClickableLabel::clicked, this, &TMainWin::labColorDepthClick);
    connect(ui_.btnUpdateCheck, &QPushButton::clicked, this, &TMainWin::btnUpdateCheckClick);
    connect(ui_.labUpdLink, &ClickableLabel::clicked, this, &TMainWin::labUpdLinkClick);
    connect(ui_.imgUpdate, &ClickableLabel::clicked, this, &TMainWin::labUpdLinkClick);
    for (const auto& [label, link] : AboutLinkLabels(ui_)) {
        connect(label, &ClickableLabel::clicked, this,
                [this, l = link] { AboutLinkClick(static_cast<int>(l)); });
    }
}

void TMainWin::ResetConfigUIElements() {
    if (!pagesBuilt_) {
        return; // done when they are made
    }
    SettingsToControls(Config(), ui_);
    ui_.labBalloonReg->setText(BalloonTipsCaption(BalloonTipsEnabled()));
    cbBlinkOnErrorClick(nullptr);
}

bool TMainWin::SettingsDiffer() const {
    if (!pagesBuilt_) {
        return false;
    }
    return ControlsDiffer(ui_, Config());
}

void TMainWin::ControlsToSettings() {
    Ui();
    ui_.leUserName->setText(ui_.leUserName->text().trimmed());
    if (SpinValue(ui_.seIntervall) < 20) {
        ui_.seIntervall->setValue(20);
    }
    vexrem::ControlsToSettings(ui_, Config());
}

void TMainWin::HandleSettingChange(QObject* sender) {
    Q_UNUSED(sender);
    Ui().btnSetConfig->setEnabled(SettingsDiffer());
}

void TMainWin::btnSetConfigClick(QObject* sender) {
    ControlsToSettings();
    ApplySettings();
    SetActive(Config().Active);
    HandleSettingChange(sender);
}

void TMainWin::ApplySettings() {
    ResetConfigUIElements();
    tray_->SetReduced(Config().TrayIconReducedColors);
    SetTimer(timerCheck_, Config().Active, Config().Interval * 1000);
    // The client is set up anew, but never under a running request.
    core_->ApplySettings();
    TryConfigureHttpClient();
    ShowTrayState();
}

void TMainWin::ConfigureHttpClient() {
    core_->ConfigureHttpClient();
    TryConfigureHttpClient();
}

void TMainWin::TryConfigureHttpClient() {
    if (core_->TryConfigureHttpClient()) {
        timerClientConfig_.stop();
    } else if (!timerClientConfig_.isActive()) {
        timerClientConfig_.start();
    }
}

void TMainWin::btnCloseClick(QObject* sender) {
    if (SettingsDiffer()) {
        const ApplyAnswer answer = AskApplyChanges(this);
        if (answer == ApplyAnswer::Cancel) {
            return;
        }
        if (answer == ApplyAnswer::Yes) {
            btnSetConfigClick(sender);
        }
    }
    hide();
}

void TMainWin::keyPressEvent(QKeyEvent* event) {
    // The window closes by its button, its close box and Enter; Escape does
    // nothing here, so a stray key press never hides the settings.
    if (event->matches(QKeySequence::Cancel)) {
        event->accept();
        return;
    }
    QDialog::keyPressEvent(event);
}

void TMainWin::AboutLinkClick(int link) {
    OpenAboutLink(static_cast<AboutLink>(link));
}

void TMainWin::labAutostartClick() {
    btnAddAutostartClick();
}

void TMainWin::imgHelpZavazuzezaClick() {
    const std::optional<bool> choice = ShowZavazuzezaHelp(this, Ui().cbZavazuzeza->isChecked());
    if (choice.has_value() && *choice != ui_.cbZavazuzeza->isChecked()) {
        ui_.cbZavazuzeza->setChecked(*choice); // counts as a change via its handler
    }
}

} // namespace vexrem
