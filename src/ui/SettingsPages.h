#pragma once

// The widgets of the settings window: five pages in a tab control and the
// button row below them, built from the Designer forms in forms/ (one per
// page, one for the window). TMainWin owns the dialog and wires the
// behaviour; this class only builds and names the controls (every control's
// objectName equals its member name, so it can also be found by name).

// Brings in every widget class it names, so users can work with the members
// directly.
#include "status/GameLinks.h"
#include "ui/ElidedLabel.h"
#include "ui/LinkLabel.h"

#include <QCheckBox>
#include <QDialog>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPixmap>
#include <QPushButton>
#include <QRadioButton>
#include <QSlider>
#include <QSpinBox>
#include <QTabWidget>
#include <QTreeWidget>
#include <QWidget>
#include <array>
#include <utility>

namespace vexrem {

struct TMainWinUi {
    // Builds every control into mainWin, sets its caption, flags and fixed
    // size, and arranges for it to open centred on its screen.
    void setupUi(QDialog* mainWin);

    // Pages and the buttons below them.
    QTabWidget* XPPageControl = nullptr;
    QWidget* tsBasics = nullptr;
    QWidget* tsMessages = nullptr;
    QWidget* tsPopup = nullptr;
    QWidget* tsAbout = nullptr;
    QWidget* tsUpdate = nullptr;
    QPushButton* btnExit = nullptr;
    QPushButton* btnSetConfig = nullptr;
    QPushButton* btnCheck = nullptr;
    QPushButton* btnClose = nullptr;

    // "Grundeinstellungen"
    QGroupBox* gbBasics = nullptr;
    QCheckBox* cbActive = nullptr;
    QCheckBox* cbZavazuzeza = nullptr;
    ClickableLabel* imgHelpZavazuzeza = nullptr;
    ClickableLabel* labAutostart = nullptr;
    QLabel* leUserNameLabel = nullptr;
    QLineEdit* leUserName = nullptr;
    QLabel* seIntervallLabel = nullptr;
    QSpinBox* seIntervall = nullptr;
    QLabel* seStartupDelayLabel = nullptr;
    QSpinBox* seStartupDelay = nullptr;

    QGroupBox* gbProxy = nullptr;
    QCheckBox* cbUseProxy = nullptr;
    QLabel* leProxyServerLabel = nullptr;
    QLineEdit* leProxyServer = nullptr;
    QLabel* leProxyPortLabel = nullptr;
    QLineEdit* leProxyPort = nullptr;
    QCheckBox* cbProxyAuth = nullptr;
    QLabel* leProxyUsernameLabel = nullptr;
    QLineEdit* leProxyUsername = nullptr;
    QLabel* leProxyPasswordLabel = nullptr;
    QLineEdit* leProxyPassword = nullptr;

    QGroupBox* gbInfo = nullptr;
    QLabel* labFilename = nullptr;
    QLabel* labCallsText = nullptr;
    QLabel* labCallsValue = nullptr;
    QLabel* labCallErrorsText = nullptr;
    QLabel* labCallErrorsValue = nullptr;
    QLabel* labLastResultText = nullptr;
    QLabel* labLastResultValue = nullptr;

    // "Tray-Icon"
    QGroupBox* gbBalloon = nullptr;
    QCheckBox* cbShowBalloon = nullptr;
    QCheckBox* cbGotoGameOnBalloonClick = nullptr;
    ClickableLabel* labBalloonReg = nullptr;
    QLabel* leBalloonCaptionLabel = nullptr;
    QLineEdit* leBalloonCaption = nullptr;
    QLabel* leBalloontextLabel = nullptr;
    QLineEdit* leBalloontext = nullptr;
    QLabel* seBalloonTimeoutLabel = nullptr;
    QSpinBox* seBalloonTimeout = nullptr;
    QLabel* labBalloondescr = nullptr;

    QGroupBox* gbSonst = nullptr;
    QLabel* leTooltipTextLabel = nullptr;
    QLineEdit* leTooltipText = nullptr;
    QLabel* leToolTipTextNichtDranLabel = nullptr;
    QLineEdit* leToolTipTextNichtDran = nullptr;

    QGroupBox* gbTrayIconCols = nullptr;
    QRadioButton* rbTrayIconStandard = nullptr;
    QRadioButton* rbTrayIcon16Cols = nullptr;
    ClickableLabel* labColorDepth = nullptr;

    QGroupBox* gbTrayIcon = nullptr;
    QRadioButton* rbIconModeNormal = nullptr;
    QRadioButton* rbIconModeKing = nullptr;
    QCheckBox* cbBlinkOnError = nullptr;
    QLabel* tbBlinkSpeedLabel = nullptr;
    QSlider* tbBlinkSpeed = nullptr; // top end = 500 ms, bottom end = 2000 ms
    QGroupBox* gbIconSample = nullptr;
    QLabel* imageIconError = nullptr; // 16 x 16 blink preview

    // "Popup"
    QGroupBox* XPGroupBox1 = nullptr;
    QCheckBox* cbPopup = nullptr;
    QLabel* lePopupCaptionLabel = nullptr;
    QLineEdit* lePopupCaption = nullptr;
    QLabel* lePopupMessageLabel = nullptr;
    QLineEdit* lePopupMessage = nullptr;
    QLabel* labDelayDescription = nullptr;
    QLabel* sePopupDelay1Label = nullptr;
    QSpinBox* sePopupDelay1 = nullptr;
    QLabel* sePopupDelay2Label = nullptr;
    QSpinBox* sePopupDelay2 = nullptr;
    QLabel* editPopupHindaLabel = nullptr;
    QLineEdit* editPopupHinda = nullptr;

    // "Über VexelReminder"
    QLabel* labProgName = nullptr; // "VexelReminder"; TMainWin appends " V." + version
    QLabel* labAboutText = nullptr;
    ClickableLabel* labLinkVexelfeld = nullptr;
    ClickableLabel* labLinkVexelReminder = nullptr;
    ClickableLabel* labLinkPim = nullptr; // caption: the contact address, set by TMainWin
    ClickableLabel* labLinkEclipsePlugin = nullptr;

    // "Update"
    QGroupBox* gbUpdateSettings = nullptr;
    QPushButton* btnUpdateCheck = nullptr;
    QCheckBox* cbStartupCheck = nullptr;
    QGroupBox* gbUpdResult = nullptr;
    QLabel* labCurrVer = nullptr;
    QLabel* labMyVersion = nullptr;
    QLabel* labActverText = nullptr;
    ElidedLabel* labActver = nullptr;
    QLabel* labNews = nullptr;
    QTreeWidget* tvFeatures = nullptr;
    QLabel* labUpdResult = nullptr;      // shares its place with the picture
    ClickableLabel* imgUpdate = nullptr; // hidden until an update is listed
    ClickableLabel* labUpdLink = nullptr;
};

// The text of labBalloonReg for the state of the desktop's balloon tips.
QString BalloonTipsCaption(bool enabled);

// The labels of the About page's links, with the link each opens.
std::array<std::pair<ClickableLabel*, AboutLink>, 4> AboutLinkLabels(const TMainWinUi& ui);

// The 16 x 16 "?" of the help image beside cbZavazuzeza.
QPixmap MakeHelpPixmap();

// The picture that announces an update on the Update page.
QPixmap MakeUpdatePixmap();

} // namespace vexrem
