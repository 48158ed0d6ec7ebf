// The settings window: filling the controls, comparing, applying, closing.
#include "config/Config.h"
#include "dialogs/TaskDialog.h"
#include "status/GameLinks.h"
#include "ui/BalloonNotifier.h"
#include "ui/LinkDialogs.h"
#include "ui/LinkLabel.h"
#include "ui/MainWin.h"

#include <QCheckBox>
#include <QKeyEvent>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QSlider>
#include <QSpinBox>
#include <QSystemTrayIcon>
#include <algorithm>

namespace vexrem {

namespace {

std::string Text(const QLineEdit* e) {
    return e->text().toLocal8Bit().toStdString();
}

std::string Trimmed(const QLineEdit* e) {
    return e->text().trimmed().toLocal8Bit().toStdString();
}

void SetText(QLineEdit* e, const std::string& s) {
    e->setText(QString::fromLocal8Bit(s));
}

// The port as typed; 8080 when it is not a number.
int PortOf(const QLineEdit* e) {
    bool ok = false;
    const int port = e->text().trimmed().toInt(&ok);
    return ok ? port : 8080;
}

// A spin edit whose text is not a number counts as its minimum; one typed
// past the maximum (the box corrects it only when left) as its maximum.
int SpinValue(const QSpinBox* s) {
    bool ok = false;
    const QString text = s->cleanText();
    const qlonglong v = text.toLongLong(&ok);
    if (!ok) {
        return text.isEmpty() || !text.front().isDigit() ? s->minimum() : s->maximum();
    }
    return static_cast<int>(std::min<qlonglong>(v, s->maximum()));
}

} // namespace

void TMainWin::ConnectSettingControls() {
    auto change = [this](QObject* sender) {
        return [this, sender] {
            HandleSettingChange(sender);
        };
    };
    for (QLineEdit* e :
         {ui_.leUserName, ui_.leProxyServer, ui_.leProxyPort, ui_.leProxyUsername,
          ui_.leProxyPassword, ui_.leTooltipText, ui_.leToolTipTextNichtDran, ui_.leBalloonCaption,
          ui_.leBalloontext, ui_.lePopupCaption, ui_.lePopupMessage, ui_.editPopupHinda}) {
        connect(e, &QLineEdit::textChanged, this, change(e));
        connect(e, &QLineEdit::editingFinished, this, change(e));
    }
    for (QSpinBox* s :
         {ui_.seBalloonTimeout, ui_.sePopupDelay1, ui_.sePopupDelay2, ui_.seIntervall}) {
        connect(s, &QSpinBox::valueChanged, this, change(s));
        // Typing counts at once, also a text the box does not take as a value
        // yet (the comparison reads what is typed). The box itself tells only
        // of accepted values, its edit of every keystroke.
        if (auto* edit = s->findChild<QLineEdit*>()) {
            connect(edit, &QLineEdit::textChanged, this, change(s));
        }
        connect(s, &QSpinBox::editingFinished, this, change(s));
    }
    // The start-up delay reacts to its arrows and to leaving it, not to typing.
    ui_.seStartupDelay->setKeyboardTracking(false);
    connect(ui_.seStartupDelay, &QSpinBox::valueChanged, this, change(ui_.seStartupDelay));
    connect(ui_.seStartupDelay, &QSpinBox::editingFinished, this, change(ui_.seStartupDelay));
    for (QCheckBox* c :
         {ui_.cbActive, ui_.cbZavazuzeza, ui_.cbUseProxy, ui_.cbProxyAuth, ui_.cbPopup,
          ui_.cbStartupCheck, ui_.cbShowBalloon, ui_.cbGotoGameOnBalloonClick}) {
        connect(c, &QCheckBox::toggled, this, change(c));
    }
    for (QRadioButton* r :
         {ui_.rbIconModeNormal, ui_.rbIconModeKing, ui_.rbTrayIconStandard, ui_.rbTrayIcon16Cols}) {
        connect(r, &QRadioButton::toggled, this, change(r));
    }
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
    const std::pair<ClickableLabel*, AboutLink> links[] = {
        {ui_.labLinkVexelfeld, AboutLink::Vexelfeld},
        {ui_.labLinkVexelReminder, AboutLink::VexelReminder},
        {ui_.labLinkPim, AboutLink::Pim},
        {ui_.labLinkEclipsePlugin, AboutLink::EclipsePlugin}};
    for (const auto& [label, link] : links) {
        label->setText(QString::fromLocal8Bit(AboutLinkCaption(link)));
        label->setToolTip(QString::fromLocal8Bit(AboutLinkHint(link)));
        connect(label, &ClickableLabel::clicked, this,
                [this, l = link] { AboutLinkClick(static_cast<int>(l)); });
    }
}

void TMainWin::ResetConfigUIElements() {
    const tConfig& c = Config();
    ui_.seStartupDelay->setValue(std::clamp(c.StartupDelay, 1, 10));
    SetText(ui_.leUserName, c.UserName);
    ui_.seIntervall->setValue(c.Interval);
    ui_.cbActive->setChecked(c.Active);
    ui_.cbShowBalloon->setChecked(c.ShowBalloon);
    SetText(ui_.leBalloonCaption, c.BalloonCaption);
    SetText(ui_.leBalloontext, c.BalloonText);
    ui_.seBalloonTimeout->setValue(c.BalloonTimeout);
    ui_.cbGotoGameOnBalloonClick->setChecked(c.gotoGameOnBalloonClick);
    SetText(ui_.leTooltipText, c.ToolTipText);
    SetText(ui_.leToolTipTextNichtDran, c.ToolTipTextNDran);
    ui_.cbStartupCheck->setChecked(c.StartupCheck);
    ui_.cbPopup->setChecked(c.ShowPopup);
    SetText(ui_.lePopupCaption, c.PopupCaption);
    SetText(ui_.lePopupMessage, c.PopupMessage);
    ui_.sePopupDelay1->setValue(c.PopupDelay1);
    ui_.sePopupDelay2->setValue(c.PopupDelay2);
    SetText(ui_.editPopupHinda, c.HindaText);

    ui_.labBalloonReg->setText(BalloonTipsEnabled()
                                   ? QStringLiteral("(Balloontips sind enabled)")
                                   : QStringLiteral("(Balloontips sind disabled)"));

    ui_.cbUseProxy->setChecked(c.UseProxy);
    SetText(ui_.leProxyServer, c.ProxyServer);
    ui_.leProxyPort->setText(QString::number(c.ProxyPort));
    ui_.cbProxyAuth->setChecked(c.ProxyAuth);
    SetText(ui_.leProxyUsername, c.ProxyUsername);
    SetText(ui_.leProxyPassword, c.ProxyPassword);
    ui_.cbZavazuzeza->setChecked(c.UseZavazuzeza);

    ui_.rbIconModeNormal->setChecked(c.TrayIconModeNormal);
    ui_.rbIconModeKing->setChecked(!c.TrayIconModeNormal);
    ui_.cbBlinkOnError->setChecked(c.TrayIconBlinkOnError);
    ui_.tbBlinkSpeed->setValue(c.TrayIconBlinkSpeed);
    cbBlinkOnErrorClick(nullptr);

    ui_.rbTrayIcon16Cols->setChecked(c.TrayIconReducedColors);
    ui_.rbTrayIconStandard->setChecked(!c.TrayIconReducedColors);
}

bool TMainWin::SettingsDiffer() const {
    const tConfig& c = Config();
    return Trimmed(ui_.leUserName) != c.UserName ||
           Trimmed(ui_.leBalloonCaption) != c.BalloonCaption ||
           Trimmed(ui_.leBalloontext) != c.BalloonText ||
           Trimmed(ui_.leTooltipText) != c.ToolTipText ||
           Trimmed(ui_.leToolTipTextNichtDran) != c.ToolTipTextNDran ||
           Trimmed(ui_.leProxyServer) != c.ProxyServer ||
           Trimmed(ui_.leProxyUsername) != c.ProxyUsername ||
           Text(ui_.lePopupCaption) != c.PopupCaption ||
           Text(ui_.lePopupMessage) != c.PopupMessage || Text(ui_.editPopupHinda) != c.HindaText ||
           Text(ui_.leProxyPassword) != c.ProxyPassword ||
           SpinValue(ui_.seIntervall) != c.Interval ||
           SpinValue(ui_.seStartupDelay) != c.StartupDelay ||
           SpinValue(ui_.seBalloonTimeout) != c.BalloonTimeout ||
           SpinValue(ui_.sePopupDelay1) != c.PopupDelay1 ||
           SpinValue(ui_.sePopupDelay2) != c.PopupDelay2 ||
           ui_.tbBlinkSpeed->value() != c.TrayIconBlinkSpeed ||
           PortOf(ui_.leProxyPort) != c.ProxyPort || ui_.cbActive->isChecked() != c.Active ||
           ui_.cbZavazuzeza->isChecked() != c.UseZavazuzeza ||
           ui_.cbUseProxy->isChecked() != c.UseProxy ||
           ui_.cbProxyAuth->isChecked() != c.ProxyAuth || ui_.cbPopup->isChecked() != c.ShowPopup ||
           ui_.cbStartupCheck->isChecked() != c.StartupCheck ||
           ui_.cbShowBalloon->isChecked() != c.ShowBalloon ||
           ui_.cbGotoGameOnBalloonClick->isChecked() != c.gotoGameOnBalloonClick ||
           ui_.cbBlinkOnError->isChecked() != c.TrayIconBlinkOnError ||
           ui_.rbIconModeNormal->isChecked() != c.TrayIconModeNormal ||
           ui_.rbTrayIcon16Cols->isChecked() != c.TrayIconReducedColors;
}

void TMainWin::ControlsToSettings() {
    tConfig& c = Config();
    ui_.leUserName->setText(ui_.leUserName->text().trimmed());
    if (SpinValue(ui_.seIntervall) < 20) {
        ui_.seIntervall->setValue(20);
    }
    c.UserName = Trimmed(ui_.leUserName);
    c.Interval = SpinValue(ui_.seIntervall);
    c.Active = ui_.cbActive->isChecked();
    c.ShowBalloon = ui_.cbShowBalloon->isChecked();
    c.BalloonCaption = Trimmed(ui_.leBalloonCaption);
    c.BalloonText = Trimmed(ui_.leBalloontext);
    c.BalloonTimeout = SpinValue(ui_.seBalloonTimeout);
    c.gotoGameOnBalloonClick = ui_.cbGotoGameOnBalloonClick->isChecked();
    c.ToolTipText = Trimmed(ui_.leTooltipText);
    c.ToolTipTextNDran = Trimmed(ui_.leToolTipTextNichtDran);
    c.StartupCheck = ui_.cbStartupCheck->isChecked();
    c.StartupDelay = SpinValue(ui_.seStartupDelay);
    c.ShowPopup = ui_.cbPopup->isChecked();
    c.PopupCaption = Text(ui_.lePopupCaption);
    c.PopupMessage = Text(ui_.lePopupMessage);
    c.HindaText = Text(ui_.editPopupHinda);
    c.PopupDelay1 = SpinValue(ui_.sePopupDelay1);
    c.PopupDelay2 = SpinValue(ui_.sePopupDelay2);
    c.UseProxy = ui_.cbUseProxy->isChecked();
    c.ProxyServer = Trimmed(ui_.leProxyServer);
    c.ProxyPort = PortOf(ui_.leProxyPort);
    c.ProxyAuth = ui_.cbProxyAuth->isChecked();
    c.ProxyUsername = Trimmed(ui_.leProxyUsername);
    c.ProxyPassword = Text(ui_.leProxyPassword);
    c.UseZavazuzeza = ui_.cbZavazuzeza->isChecked();
    c.TrayIconModeNormal = ui_.rbIconModeNormal->isChecked();
    c.TrayIconBlinkOnError = ui_.cbBlinkOnError->isChecked();
    c.TrayIconBlinkSpeed = ui_.tbBlinkSpeed->value();
    c.TrayIconReducedColors = ui_.rbTrayIcon16Cols->isChecked();
}

void TMainWin::HandleSettingChange(QObject* sender) {
    Q_UNUSED(sender);
    ui_.btnSetConfig->setEnabled(SettingsDiffer());
}

void TMainWin::btnSetConfigClick(QObject* sender) {
    ControlsToSettings();
    ApplySettings();
    SetActive(Config().Active);
    HandleSettingChange(sender);
}

void TMainWin::ApplySettings() {
    ResetConfigUIElements();
    imageSet_ = Config().TrayIconReducedColors ? &imageIcons16_ : &imageIcons_;
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
        TTaskDialog dlg(this);
        dlg.SetTitle(QStringLiteral("VexelReminder - Geänderte Einstellungen"));
        dlg.SetMainInstruction(QStringLiteral("Geänderte Einstellungen übernehmen?"));
        dlg.SetContent(QStringLiteral("Einige der Einstellungen wurden verändert, aber noch nicht "
                                      "übernommen. Sollen die Änderungen jetzt angewandt werden?"));
        dlg.SetMainIcon(TaskDialogIcon::Warning);
        dlg.SetCommonButtons(0);
        const int yes = dlg.AddButton(QStringLiteral("Ja"));
        dlg.AddButton(QStringLiteral("Nein"));
        const int cancel = dlg.AddButton(QStringLiteral("Abbrechen"));
        dlg.Execute();
        if (dlg.ModalResult() == cancel) {
            return;
        }
        if (dlg.ModalResult() == yes) {
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
    const std::optional<bool> choice = ShowZavazuzezaHelp(this, ui_.cbZavazuzeza->isChecked());
    if (choice.has_value() && *choice != ui_.cbZavazuzeza->isChecked()) {
        ui_.cbZavazuzeza->setChecked(*choice); // counts as a change via its handler
    }
}

} // namespace vexrem
