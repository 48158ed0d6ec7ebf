#include "ui/SettingsPages.h"

#include "config/Config.h"
#include "ui/PlatformTexts.h"
#include "ui_AboutPage.h"
#include "ui_BasicsPage.h"
#include "ui_MessagesPage.h"
#include "ui_PopupPage.h"
#include "ui_SettingsWindow.h"
#include "ui_UpdatePage.h"

#include <QApplication>
#include <QEvent>
#include <QPainter>
#include <QPainterPath>
#include <QProxyStyle>
#include <QScreen>
#include <QStyleFactory>

#include <algorithm>
#include <initializer_list>
#include <stdexcept>
#include <string_view>
#include <variant>

namespace vexrem {

namespace {

// The bounds and default of the integer setting stored under key, so a
// control offers exactly what loading the file accepts. A key that names no
// integer setting throws when the window is made (every window test would
// fail). Not consteval: the sanitizers' checks keep variant access from being
// a constant expression.
IntegerSetting integerSetting(std::string_view key) {
    for (const SettingEntry& entry : SettingsTable) {
        if (key == entry.key) {
            if (const auto* setting = std::get_if<IntegerSetting>(&entry.setting)) {
                return *setting;
            }
        }
    }
    throw std::logic_error("no integer setting under this key");
}

template <class Control> void setRange(Control* control, const IntegerSetting& setting) {
    control->setRange(setting.min, setting.max);
}

// The password field shows a "*" for each character, on every system,
// rather than the style's own mask character (a bullet in most styles).
class StarPasswordStyle : public QProxyStyle {
public:
    // Otherwise drawn like the application's style.
    StarPasswordStyle() : QProxyStyle(QStyleFactory::create(QApplication::style()->name())) {}

    int styleHint(StyleHint hint, const QStyleOption* option, const QWidget* widget,
                  QStyleHintReturn* returnData) const override {
        if (hint == SH_LineEdit_PasswordCharacter) {
            return '*';
        }
        return QProxyStyle::styleHint(hint, option, widget, returnData);
    }
};

// Gives the window the size of its contents and pins it there, so it has
// no resizable border. Done again at the first showing, when the style and
// any font chosen after setupUi are in effect. Not adjustSize(): that keeps a
// window within two thirds of the screen but takes the height for the width
// it wanted, so on a small screen the last lines of wrapped texts fell off.
void fitAndFix(QWidget* window) {
    window->setMinimumSize(0, 0);
    window->setMaximumSize(QWIDGETSIZE_MAX, QWIDGETSIZE_MAX);
    window->ensurePolished();
    QLayout* layout = window->layout();
    const QSize minimum = layout->totalMinimumSize();
    const int width = std::max(layout->totalSizeHint().width(), minimum.width());
    const int height = layout->hasHeightForWidth() ? layout->totalHeightForWidth(width)
                                                   : layout->totalSizeHint().height();
    window->setFixedSize(width, std::max(height, minimum.height()));
}

// At the first showing: fit the window, then centre it on its screen.
// Later showings keep the place the user moved it to.
class FirstShowPlacer : public QObject {
public:
    explicit FirstShowPlacer(QWidget* window) : QObject(window), window_(window) {
        window->installEventFilter(this);
    }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (watched == window_ && event->type() == QEvent::Show && !done_) {
            done_ = true;
            fitAndFix(window_);
            if (QScreen* screen = window_->screen()) {
                QRect frame = window_->frameGeometry();
                frame.moveCenter(screen->availableGeometry().center());
                window_->move(frame.topLeft());
            }
        }
        return QObject::eventFilter(watched, event);
    }

private:
    QWidget* window_;
    bool done_ = false;
};

// The window form makes the buttons before the pages are filled in, so they
// would come first in the focus chain; Tab has to reach them after the last
// control of the last page.
void moveToEndOfFocusChain(QWidget* window, std::initializer_list<QWidget*> widgets) {
    QWidget* last = window->previousInFocusChain();
    while (last != window && last->focusPolicy() == Qt::NoFocus) {
        last = last->previousInFocusChain();
    }
    for (QWidget* widget : widgets) {
        QWidget::setTabOrder(last, widget);
        last = widget;
    }
}

void setupBasicsPage(TMainWinUi& ui) {
    Ui::BasicsPage form;
    form.setupUi(ui.tsBasics);
    ui.gbBasics = form.gbBasics;
    ui.cbActive = form.cbActive;
    ui.cbZavazuzeza = form.cbZavazuzeza;
    ui.imgHelpZavazuzeza = form.imgHelpZavazuzeza;
    ui.labAutostart = form.labAutostart;
    ui.leUserNameLabel = form.leUserNameLabel;
    ui.leUserName = form.leUserName;
    ui.seIntervallLabel = form.seIntervallLabel;
    ui.seIntervall = form.seIntervall;
    ui.seStartupDelayLabel = form.seStartupDelayLabel;
    ui.seStartupDelay = form.seStartupDelay;
    ui.gbProxy = form.gbProxy;
    ui.cbUseProxy = form.cbUseProxy;
    ui.leProxyServerLabel = form.leProxyServerLabel;
    ui.leProxyServer = form.leProxyServer;
    ui.leProxyPortLabel = form.leProxyPortLabel;
    ui.leProxyPort = form.leProxyPort;
    ui.cbProxyAuth = form.cbProxyAuth;
    ui.leProxyUsernameLabel = form.leProxyUsernameLabel;
    ui.leProxyUsername = form.leProxyUsername;
    ui.leProxyPasswordLabel = form.leProxyPasswordLabel;
    ui.leProxyPassword = form.leProxyPassword;
    ui.gbInfo = form.gbInfo;
    ui.labFilename = form.labFilename;
    ui.labCallsText = form.labCallsText;
    ui.labCallsValue = form.labCallsValue;
    ui.labCallErrorsText = form.labCallErrorsText;
    ui.labCallErrorsValue = form.labCallErrorsValue;
    ui.labLastResultText = form.labLastResultText;
    ui.labLastResultValue = form.labLastResultValue;

    ui.imgHelpZavazuzeza->setPixmap(MakeHelpPixmap());
    setRange(ui.seIntervall, integerSetting("Interval"));
    setRange(ui.seStartupDelay, integerSetting("StartupDelay"));
    StyleAsLink(ui.labAutostart);
    // Owned by the field; the field forgets a style that is deleted.
    auto* starStyle = new StarPasswordStyle();
    starStyle->setParent(ui.leProxyPassword);
    ui.leProxyPassword->setStyle(starStyle);
    // Room for three lines; a longer failure text is cut rather than
    // resizing the fixed window.
    ui.labLastResultValue->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Fixed);
    ui.labLastResultValue->setFixedHeight(3 * ui.labLastResultValue->fontMetrics().lineSpacing());
}

void setupMessagesPage(TMainWinUi& ui) {
    Ui::MessagesPage form;
    form.setupUi(ui.tsMessages);
    ui.gbBalloon = form.gbBalloon;
    ui.cbShowBalloon = form.cbShowBalloon;
    ui.cbGotoGameOnBalloonClick = form.cbGotoGameOnBalloonClick;
    ui.labBalloonReg = form.labBalloonReg;
    ui.leBalloonCaptionLabel = form.leBalloonCaptionLabel;
    ui.leBalloonCaption = form.leBalloonCaption;
    ui.leBalloontextLabel = form.leBalloontextLabel;
    ui.leBalloontext = form.leBalloontext;
    ui.seBalloonTimeoutLabel = form.seBalloonTimeoutLabel;
    ui.seBalloonTimeout = form.seBalloonTimeout;
    ui.labBalloondescr = form.labBalloondescr;
    ui.gbSonst = form.gbSonst;
    ui.leTooltipTextLabel = form.leTooltipTextLabel;
    ui.leTooltipText = form.leTooltipText;
    ui.leToolTipTextNichtDranLabel = form.leToolTipTextNichtDranLabel;
    ui.leToolTipTextNichtDran = form.leToolTipTextNichtDran;
    ui.gbTrayIconCols = form.gbTrayIconCols;
    ui.rbTrayIconStandard = form.rbTrayIconStandard;
    ui.rbTrayIcon16Cols = form.rbTrayIcon16Cols;
    ui.labColorDepth = form.labColorDepth;
    ui.gbTrayIcon = form.gbTrayIcon;
    ui.rbIconModeNormal = form.rbIconModeNormal;
    ui.rbIconModeKing = form.rbIconModeKing;
    ui.cbBlinkOnError = form.cbBlinkOnError;
    ui.tbBlinkSpeedLabel = form.tbBlinkSpeedLabel;
    ui.tbBlinkSpeed = form.tbBlinkSpeed;
    ui.gbIconSample = form.gbIconSample;
    ui.imageIconError = form.imageIconError;

    ui.labBalloonReg->setToolTip(BalloonCheckHint());
    // Room for the longer of the two status texts the main window writes,
    // so filling it does not widen the fixed window.
    const QFontMetrics metrics = ui.labBalloonReg->fontMetrics();
    ui.labBalloonReg->setMinimumWidth(
        std::max(metrics.horizontalAdvance(BalloonTipsCaption(true)),
                 metrics.horizontalAdvance(BalloonTipsCaption(false))) +
        4);
    setRange(ui.seBalloonTimeout, integerSetting("BalloonTimeout"));
    const IntegerSetting blinkSpeed = integerSetting("TrayIconBlinkSpeed");
    setRange(ui.tbBlinkSpeed, blinkSpeed);
    ui.tbBlinkSpeed->setValue(blinkSpeed.def);
    StyleAsLink(ui.labColorDepth);
}

void setupPopupPage(TMainWinUi& ui) {
    Ui::PopupPage form;
    form.setupUi(ui.tsPopup);
    ui.XPGroupBox1 = form.XPGroupBox1;
    ui.cbPopup = form.cbPopup;
    ui.lePopupCaptionLabel = form.lePopupCaptionLabel;
    ui.lePopupCaption = form.lePopupCaption;
    ui.lePopupMessageLabel = form.lePopupMessageLabel;
    ui.lePopupMessage = form.lePopupMessage;
    ui.labDelayDescription = form.labDelayDescription;
    ui.sePopupDelay1Label = form.sePopupDelay1Label;
    ui.sePopupDelay1 = form.sePopupDelay1;
    ui.sePopupDelay2Label = form.sePopupDelay2Label;
    ui.sePopupDelay2 = form.sePopupDelay2;
    ui.editPopupHindaLabel = form.editPopupHindaLabel;
    ui.editPopupHinda = form.editPopupHinda;

    setRange(ui.sePopupDelay1, integerSetting("PopupDelay1"));
    setRange(ui.sePopupDelay2, integerSetting("PopupDelay2"));
}

void setupAboutPage(TMainWinUi& ui) {
    Ui::AboutPage form;
    form.setupUi(ui.tsAbout);
    ui.labProgName = form.labProgName;
    ui.labAboutText = form.labAboutText;
    ui.labLinkVexelfeld = form.labLinkVexelfeld;
    ui.labLinkVexelReminder = form.labLinkVexelReminder;
    ui.labLinkPim = form.labLinkPim;
    ui.labLinkEclipsePlugin = form.labLinkEclipsePlugin;

    // Larger than the window's font, whichever font that turns out to be.
    QFont titleFont = ui.labProgName->font();
    titleFont.setPointSizeF(titleFont.pointSizeF() * 1.75);
    titleFont.setBold(true);
    ui.labProgName->setFont(titleFont);
    for (const auto& [label, link] : AboutLinkLabels(ui)) {
        StyleAsLink(label);
        label->setText(QString::fromLocal8Bit(AboutLinkCaption(link)));
        label->setToolTip(QString::fromLocal8Bit(AboutLinkHint(link)));
    }
}

void setupUpdatePage(TMainWinUi& ui) {
    Ui::UpdatePage form;
    form.setupUi(ui.tsUpdate);
    ui.gbUpdateSettings = form.gbUpdateSettings;
    ui.btnUpdateCheck = form.btnUpdateCheck;
    ui.cbStartupCheck = form.cbStartupCheck;
    ui.gbUpdResult = form.gbUpdResult;
    ui.labCurrVer = form.labCurrVer;
    ui.labMyVersion = form.labMyVersion;
    ui.labActverText = form.labActverText;
    ui.labActver = form.labActver;
    ui.labNews = form.labNews;
    ui.tvFeatures = form.tvFeatures;
    ui.labUpdResult = form.labUpdResult;
    ui.imgUpdate = form.imgUpdate;
    ui.labUpdLink = form.labUpdLink;

    ui.imgUpdate->setPixmap(MakeUpdatePixmap());
    StyleAsLink(ui.labUpdLink);
}

} // namespace

std::array<std::pair<ClickableLabel*, AboutLink>, 4> AboutLinkLabels(const TMainWinUi& ui) {
    return {{{ui.labLinkVexelfeld, AboutLink::Vexelfeld},
             {ui.labLinkVexelReminder, AboutLink::VexelReminder},
             {ui.labLinkPim, AboutLink::Pim},
             {ui.labLinkEclipsePlugin, AboutLink::EclipsePlugin}}};
}

QString BalloonTipsCaption(bool enabled) {
    return enabled ? QStringLiteral("(Balloontips sind enabled)")
                   : QStringLiteral("(Balloontips sind disabled)");
}

QPixmap MakeHelpPixmap() {
    QPixmap pixmap(16, 16);
    pixmap.fill(Qt::transparent);
    QPainter painter(&pixmap);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(QPen(QColor(0, 60, 160), 1));
    painter.setBrush(QColor(40, 110, 220));
    painter.drawEllipse(QRectF(0.5, 0.5, 15, 15));
    QFont font = painter.font();
    font.setBold(true);
    font.setPixelSize(12);
    painter.setFont(font);
    painter.setPen(Qt::white);
    painter.drawText(QRect(0, 0, 16, 16), Qt::AlignCenter, QStringLiteral("?"));
    return pixmap;
}

QPixmap MakeUpdatePixmap() {
    constexpr int size = 64;
    // Drawn at the screen's pixel density, so it stays sharp when scaled.
    const qreal ratio = qApp != nullptr ? qApp->devicePixelRatio() : 1.0;
    QPixmap pixmap(QSize(size, size) * ratio);
    pixmap.setDevicePixelRatio(ratio);
    pixmap.fill(Qt::transparent);
    QPainter painter(&pixmap);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(QPen(QColor(20, 110, 40), 2));
    painter.setBrush(QColor(60, 180, 80));
    painter.drawEllipse(QRectF(2, 2, size - 4, size - 4));
    // A downward arrow: something new is ready to be fetched.
    QPainterPath arrow;
    arrow.moveTo(26, 12);
    arrow.lineTo(38, 12);
    arrow.lineTo(38, 32);
    arrow.lineTo(48, 32);
    arrow.lineTo(32, 50);
    arrow.lineTo(16, 32);
    arrow.lineTo(26, 32);
    arrow.closeSubpath();
    painter.setPen(Qt::NoPen);
    painter.setBrush(Qt::white);
    painter.drawPath(arrow);
    return pixmap;
}

void TMainWinUi::setupUi(QDialog* mainWin) {
    // Only a close box in the title bar: no minimise, maximise or help button.
    mainWin->setWindowFlags(Qt::Dialog | Qt::WindowTitleHint | Qt::WindowCloseButtonHint |
                            Qt::CustomizeWindowHint);
    Ui::SettingsWindow window;
    window.setupUi(mainWin);
    XPPageControl = window.XPPageControl;
    tsBasics = window.tsBasics;
    tsMessages = window.tsMessages;
    tsPopup = window.tsPopup;
    tsAbout = window.tsAbout;
    tsUpdate = window.tsUpdate;
    btnExit = window.btnExit;
    btnSetConfig = window.btnSetConfig;
    btnCheck = window.btnCheck;
    btnClose = window.btnClose;

    setupBasicsPage(*this);
    setupMessagesPage(*this);
    setupPopupPage(*this);
    setupAboutPage(*this);
    setupUpdatePage(*this);
    moveToEndOfFocusChain(mainWin, {btnExit, btnSetConfig, btnCheck, btnClose});

    fitAndFix(mainWin);
    new FirstShowPlacer(mainWin); // owned by mainWin
}

} // namespace vexrem
