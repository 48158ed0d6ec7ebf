#include "ui/SettingsPages.h"

#include "ui/ElidedLabel.h"
#include "ui/LinkLabel.h"
#include "ui/PlatformTexts.h"
#include "ui/SpinEdit.h"

#include <QApplication>
#include <QCheckBox>
#include <QDialog>
#include <QEvent>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPainter>
#include <QPainterPath>
#include <QPixmap>
#include <QProxyStyle>
#include <QPushButton>
#include <QRadioButton>
#include <QScreen>
#include <QSlider>
#include <QSpinBox>
#include <QStyleFactory>
#include <QTabWidget>
#include <QTreeWidget>
#include <QVBoxLayout>

#include <algorithm>

namespace vexrem {

namespace {

// The window caption and the border around the pages and buttons.
constexpr int kWindowBorder = 5;
// Width of the INI file line; the main window shortens the path to it.
constexpr int kFilenameWidth = 513;
// Spin edits hold at most four digits; a fixed width keeps them aligned.
constexpr int kSpinWidth = 80;
// The About page keeps a wider border than the others.
constexpr int kAboutBorder = 20;

template <class W> W* named(W* widget, const char* name) {
    widget->setObjectName(QString::fromLatin1(name));
    return widget;
}

QLabel* makeLabel(QWidget* parent, const char* name, const QString& text) {
    auto* label = named(new QLabel(text, parent), name);
    // Captions are plain text: a failure text may contain markup of a page.
    label->setTextFormat(Qt::PlainText);
    return label;
}

QLabel* makeWrappedLabel(QWidget* parent, const char* name, const QString& text) {
    QLabel* label = makeLabel(parent, name, text);
    label->setWordWrap(true);
    label->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    return label;
}

ClickableLabel* makeLink(QWidget* parent, const char* name, const QString& text) {
    auto* label = named(new ClickableLabel(text, parent), name);
    label->setTextFormat(Qt::PlainText);
    StyleAsLink(label);
    return label;
}

QCheckBox* makeCheck(QWidget* parent, const char* name, const QString& text) {
    return named(new QCheckBox(text, parent), name);
}

QRadioButton* makeRadio(QWidget* parent, const char* name, const QString& text) {
    return named(new QRadioButton(text, parent), name);
}

QGroupBox* makeGroup(QWidget* parent, const char* name, const QString& title) {
    return named(new QGroupBox(title, parent), name);
}

// An edit with its caption label; the label is the edit's buddy so that a
// mnemonic in the caption moves the focus into the edit.
QLineEdit* makeEdit(QWidget* parent, const char* name, QLabel*& label, const QString& caption) {
    const QByteArray labelName = QByteArray(name) + "Label";
    label = makeLabel(parent, labelName.constData(), caption);
    auto* edit = named(new QLineEdit(parent), name);
    label->setBuddy(edit);
    return edit;
}

QSpinBox* makeSpin(QWidget* parent, const char* name, QLabel*& label, const QString& caption,
                   int minimum, int maximum, int step = 1) {
    const QByteArray labelName = QByteArray(name) + "Label";
    label = makeLabel(parent, labelName.constData(), caption);
    auto* spin = named(new SpinEdit(parent), name);
    spin->setRange(minimum, maximum);
    spin->setSingleStep(step);
    spin->setFixedWidth(kSpinWidth);
    spin->setAlignment(Qt::AlignRight);
    // Left holding no number, the box takes its minimum; a value out of
    // range is corrected into it (Qt would fall back to the previous value).
    spin->setCorrectionMode(QAbstractSpinBox::CorrectToNearestValue);
    label->setBuddy(spin);
    return spin;
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

} // namespace

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
    if (mainWin->objectName().isEmpty()) {
        mainWin->setObjectName(QStringLiteral("TMainWin"));
    }
    mainWin->setWindowTitle(QStringLiteral("VexelReminder"));
    mainWin->setWindowFlags(Qt::Dialog | Qt::WindowTitleHint | Qt::WindowCloseButtonHint |
                            Qt::CustomizeWindowHint);
    mainWin->setSizeGripEnabled(false);

    auto* windowLayout = new QVBoxLayout(mainWin);
    windowLayout->setContentsMargins(kWindowBorder, kWindowBorder, kWindowBorder, kWindowBorder);
    windowLayout->setSpacing(kWindowBorder);

    XPPageControl = named(new QTabWidget(mainWin), "XPPageControl");
    windowLayout->addWidget(XPPageControl);

    // ---- Grundeinstellungen ------------------------------------------------
    tsBasics = named(new QWidget(), "tsBasics");
    {
        auto* page = new QGridLayout(tsBasics);

        gbBasics = makeGroup(tsBasics, "gbBasics", QStringLiteral(" Basiskonfiguration "));
        {
            auto* g = new QGridLayout(gbBasics);
            cbActive = makeCheck(gbBasics, "cbActive", QStringLiteral("VexelReminder ist aktiv"));
            cbZavazuzeza = makeCheck(gbBasics, "cbZavazuzeza", QStringLiteral("Zavazuzeza"));
            imgHelpZavazuzeza = named(new ClickableLabel(gbBasics), "imgHelpZavazuzeza");
            imgHelpZavazuzeza->setPixmap(MakeHelpPixmap());
            imgHelpZavazuzeza->setFixedSize(16, 16);
            imgHelpZavazuzeza->setCursor(Qt::PointingHandCursor);
            leUserName = makeEdit(gbBasics, "leUserName", leUserNameLabel,
                                  QStringLiteral("Benutzername (von Vexelfeld)"));
            seIntervall = makeSpin(gbBasics, "seIntervall", seIntervallLabel,
                                   QStringLiteral("Abfrageintervall (sec)"), 20, 1800, 10);
            seStartupDelay = makeSpin(gbBasics, "seStartupDelay", seStartupDelayLabel,
                                      QStringLiteral("Sekunden vor erster Abfrage"), 1, 60);
            labAutostart =
                makeLink(gbBasics, "labAutostart", QStringLiteral("Autostart verwalten"));
            labAutostart->setAlignment(Qt::AlignRight | Qt::AlignVCenter);

            auto* zava = new QHBoxLayout();
            zava->setSpacing(4);
            zava->addWidget(cbZavazuzeza);
            zava->addWidget(imgHelpZavazuzeza);
            zava->addStretch();

            g->addWidget(cbActive, 0, 0, 1, 2);
            g->addLayout(zava, 1, 0, 1, 2);
            g->addWidget(leUserNameLabel, 2, 0, 1, 2);
            g->addWidget(leUserName, 3, 0, 1, 2);
            g->addWidget(seIntervallLabel, 4, 0);
            g->addWidget(seIntervall, 4, 1);
            g->addWidget(seStartupDelayLabel, 5, 0);
            g->addWidget(seStartupDelay, 5, 1);
            g->setRowStretch(6, 1);
            g->addWidget(labAutostart, 7, 0, 1, 2, Qt::AlignRight);
        }

        gbProxy = makeGroup(tsBasics, "gbProxy", QStringLiteral(" Proxy-Einstellungen"));
        {
            auto* g = new QGridLayout(gbProxy);
            cbUseProxy = makeCheck(gbProxy, "cbUseProxy", QStringLiteral("Proxy verwenden"));
            leProxyServer =
                makeEdit(gbProxy, "leProxyServer", leProxyServerLabel, QStringLiteral("Server"));
            leProxyPort =
                makeEdit(gbProxy, "leProxyPort", leProxyPortLabel, QStringLiteral("Port"));
            leProxyPort->setText(QStringLiteral("8080"));
            leProxyPort->setFixedWidth(kSpinWidth);
            cbProxyAuth = makeCheck(gbProxy, "cbProxyAuth", QStringLiteral("Authentifizierung"));
            leProxyUsername = makeEdit(gbProxy, "leProxyUsername", leProxyUsernameLabel,
                                       QStringLiteral("Benutzername"));
            leProxyPassword = makeEdit(gbProxy, "leProxyPassword", leProxyPasswordLabel,
                                       QStringLiteral("Passwort"));
            leProxyPassword->setEchoMode(QLineEdit::Password);
            // Owned by the field; the field forgets a style that is deleted.
            auto* starStyle = new StarPasswordStyle();
            starStyle->setParent(leProxyPassword);
            leProxyPassword->setStyle(starStyle);

            g->addWidget(cbUseProxy, 0, 0, 1, 2);
            g->addWidget(leProxyServerLabel, 1, 0);
            g->addWidget(leProxyServer, 1, 1);
            g->addWidget(leProxyPortLabel, 2, 0);
            g->addWidget(leProxyPort, 2, 1, Qt::AlignLeft);
            g->addWidget(cbProxyAuth, 3, 0, 1, 2);
            g->addWidget(leProxyUsernameLabel, 4, 0);
            g->addWidget(leProxyUsername, 4, 1);
            g->addWidget(leProxyPasswordLabel, 5, 0);
            g->addWidget(leProxyPassword, 5, 1);
            g->setRowStretch(6, 1);
        }

        gbInfo = makeGroup(tsBasics, "gbInfo", QStringLiteral(" Information "));
        {
            auto* g = new QGridLayout(gbInfo);
            labFilename = makeLabel(gbInfo, "labFilename", QStringLiteral("INI-Datei: "));
            labFilename->setFixedWidth(kFilenameWidth);
            labFilename->setWordWrap(false);
            labCallsText =
                makeLabel(gbInfo, "labCallsText", QStringLiteral("Abrufe in aktueller Instanz:"));
            // The counters stay empty until the first result.
            labCallsValue = makeLabel(gbInfo, "labCallsValue", QString());
            labCallErrorsText =
                makeLabel(gbInfo, "labCallErrorsText", QStringLiteral("Davon nicht geglückt:"));
            labCallErrorsValue = makeLabel(gbInfo, "labCallErrorsValue", QString());
            labLastResultText =
                makeLabel(gbInfo, "labLastResultText", QStringLiteral("Letztes Abfrageergebnis:"));
            labLastResultValue = makeWrappedLabel(gbInfo, "labLastResultValue", QString());
            // Room for three lines; a longer failure text is cut rather than
            // resizing the fixed window.
            labLastResultValue->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Fixed);
            labLastResultValue->setFixedHeight(3 * labLastResultValue->fontMetrics().lineSpacing());

            g->addWidget(labFilename, 0, 0, 1, 2);
            g->addWidget(labCallsText, 1, 0);
            g->addWidget(labCallsValue, 1, 1);
            g->addWidget(labCallErrorsText, 2, 0);
            g->addWidget(labCallErrorsValue, 2, 1);
            g->addWidget(labLastResultText, 3, 0, Qt::AlignTop);
            g->addWidget(labLastResultValue, 3, 1);
            g->setColumnStretch(1, 1);
        }

        page->addWidget(gbBasics, 0, 0);
        page->addWidget(gbProxy, 0, 1);
        page->addWidget(gbInfo, 1, 0, 1, 2);
        page->setRowStretch(2, 1);
    }
    XPPageControl->addTab(tsBasics, QStringLiteral("Grundeinstellungen"));

    // ---- Tray-Icon ---------------------------------------------------------
    tsMessages = named(new QWidget(), "tsMessages");
    {
        auto* page = new QGridLayout(tsMessages);

        gbBalloon = makeGroup(tsMessages, "gbBalloon", QStringLiteral(" Balloontip-Optionen "));
        {
            auto* g = new QGridLayout(gbBalloon);
            cbShowBalloon =
                makeCheck(gbBalloon, "cbShowBalloon", QStringLiteral("Balloontips anzeigen"));
            cbGotoGameOnBalloonClick = makeCheck(gbBalloon, "cbGotoGameOnBalloonClick",
                                                 QStringLiteral("Bei Klick zu Vexelfeld"));
            labBalloonReg =
                named(new ClickableLabel(QStringLiteral("Balloontips-Status"), gbBalloon),
                      "labBalloonReg");
            labBalloonReg->setTextFormat(Qt::PlainText);
            labBalloonReg->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
            labBalloonReg->setToolTip(BalloonCheckHint());
            // Room for the longer of the two status texts the main window
            // writes, so filling it does not widen the fixed window.
            labBalloonReg->setMinimumWidth(labBalloonReg->fontMetrics().horizontalAdvance(
                                               QStringLiteral("(Balloontips sind disabled)")) +
                                           4);
            {
                QPalette pal = labBalloonReg->palette();
                pal.setColor(QPalette::WindowText, QColor(128, 128, 128));
                labBalloonReg->setPalette(pal);
            }
            leBalloonCaption = makeEdit(gbBalloon, "leBalloonCaption", leBalloonCaptionLabel,
                                        QStringLiteral("Überschrift"));
            leBalloontext = makeEdit(gbBalloon, "leBalloontext", leBalloontextLabel,
                                     QStringLiteral("Text (%d = Spieleanzahl)"));
            seBalloonTimeout = makeSpin(gbBalloon, "seBalloonTimeout", seBalloonTimeoutLabel,
                                        QStringLiteral("Anzeigedauer (sec)"), 1, 10);
            labBalloondescr = makeWrappedLabel(
                gbBalloon, "labBalloondescr",
                QStringLiteral("Wenn du bei einem Spiel dran bist und auf den Balloon klickst, "
                               "kommst Du direkt zu dem entsprechenden Spiel. Damit das klappt, "
                               "muss im (Standard-) Browser das vexelfeld-Cookie vorhanden sein."));

            g->addWidget(cbShowBalloon, 0, 0);
            g->addWidget(labBalloonReg, 0, 1, Qt::AlignRight);
            g->addWidget(cbGotoGameOnBalloonClick, 1, 0, 1, 2);
            g->addWidget(leBalloonCaptionLabel, 2, 0, 1, 2);
            g->addWidget(leBalloonCaption, 3, 0, 1, 2);
            g->addWidget(leBalloontextLabel, 4, 0, 1, 2);
            g->addWidget(leBalloontext, 5, 0, 1, 2);
            g->addWidget(seBalloonTimeoutLabel, 6, 0, 1, 2);
            g->addWidget(seBalloonTimeout, 7, 0, Qt::AlignLeft);
            g->addWidget(labBalloondescr, 8, 0, 1, 2);
            g->setRowStretch(9, 1);
        }

        gbTrayIcon =
            makeGroup(tsMessages, "gbTrayIcon", QStringLiteral(" Tray-Icon - Konfiguration "));
        {
            auto* g = new QGridLayout(gbTrayIcon);
            rbIconModeNormal =
                makeRadio(gbTrayIcon, "rbIconModeNormal",
                          QStringLiteral("Normal (Fehler=rot, Nichtdran=gelb, Dran=grün)"));
            rbIconModeNormal->setChecked(true);
            rbIconModeKing =
                makeRadio(gbTrayIcon, "rbIconModeKing",
                          QStringLiteral("Invers (Nichtdran=rot, Fehler=gelb, Dran=grün)"));
            cbBlinkOnError =
                makeCheck(gbTrayIcon, "cbBlinkOnError", QStringLiteral("Bei Fehler blinken"));

            gbIconSample = makeGroup(gbTrayIcon, "gbIconSample", QStringLiteral(" Blinktest "));
            {
                auto* s = new QVBoxLayout(gbIconSample);
                imageIconError = named(new QLabel(gbIconSample), "imageIconError");
                imageIconError->setFixedSize(16, 16);
                s->addWidget(imageIconError, 0, Qt::AlignCenter);
            }

            tbBlinkSpeedLabel =
                makeLabel(gbTrayIcon, "tbBlinkSpeedLabel", QStringLiteral("Blinkspeed"));
            tbBlinkSpeed = named(new QSlider(Qt::Vertical, gbTrayIcon), "tbBlinkSpeed");
            tbBlinkSpeed->setRange(500, 2000);
            tbBlinkSpeed->setTickInterval(100);
            tbBlinkSpeed->setSingleStep(100);
            tbBlinkSpeed->setPageStep(100);
            tbBlinkSpeed->setTickPosition(QSlider::TicksBothSides);
            // The fast end at the top; arrow keys move the thumb the way they point.
            tbBlinkSpeed->setInvertedAppearance(true);
            tbBlinkSpeed->setInvertedControls(true);
            tbBlinkSpeed->setValue(1000);
            tbBlinkSpeed->setMinimumHeight(110);
            tbBlinkSpeedLabel->setBuddy(tbBlinkSpeed);

            auto* blink = new QVBoxLayout();
            blink->addWidget(cbBlinkOnError);
            blink->addWidget(gbIconSample, 0, Qt::AlignLeft);
            blink->addStretch();
            auto* speed = new QVBoxLayout();
            speed->addWidget(tbBlinkSpeedLabel, 0, Qt::AlignHCenter);
            speed->addWidget(tbBlinkSpeed, 1, Qt::AlignHCenter);

            g->addWidget(rbIconModeNormal, 0, 0, 1, 2);
            g->addWidget(rbIconModeKing, 1, 0, 1, 2);
            g->addLayout(blink, 2, 0);
            g->addLayout(speed, 2, 1);
            g->setColumnStretch(0, 1);
        }

        gbTrayIconCols = makeGroup(tsMessages, "gbTrayIconCols", QStringLiteral(" Farbtiefe "));
        {
            auto* g = new QGridLayout(gbTrayIconCols);
            rbTrayIconStandard =
                makeRadio(gbTrayIconCols, "rbTrayIconStandard", QStringLiteral("Standard"));
            rbTrayIconStandard->setChecked(true);
            rbTrayIcon16Cols =
                makeRadio(gbTrayIconCols, "rbTrayIcon16Cols", QStringLiteral("16 Farben"));
            labColorDepth = makeLink(gbTrayIconCols, "labColorDepth",
                                     QStringLiteral("Information zur Farbtiefe"));
            g->addWidget(rbTrayIconStandard, 0, 0);
            g->addWidget(rbTrayIcon16Cols, 1, 0);
            g->addWidget(labColorDepth, 1, 1, Qt::AlignRight);
            g->setColumnStretch(1, 1);
        }

        gbSonst = makeGroup(tsMessages, "gbSonst", QStringLiteral(" Benachrichtigung "));
        {
            auto* g = new QVBoxLayout(gbSonst);
            leTooltipText = makeEdit(
                gbSonst, "leTooltipText", leTooltipTextLabel,
                QStringLiteral("Tooltip des Trayicons, wenn dran (%d = Anzahl der Spiele)"));
            leToolTipTextNichtDran =
                makeEdit(gbSonst, "leToolTipTextNichtDran", leToolTipTextNichtDranLabel,
                         QStringLiteral("Tooltip des Trayicons, wenn nicht dran"));
            g->addWidget(leTooltipTextLabel);
            g->addWidget(leTooltipText);
            g->addWidget(leToolTipTextNichtDranLabel);
            g->addWidget(leToolTipTextNichtDran);
        }

        auto* right = new QVBoxLayout();
        right->addWidget(gbTrayIcon);
        right->addWidget(gbTrayIconCols);
        page->addWidget(gbBalloon, 0, 0);
        page->addLayout(right, 0, 1);
        page->addWidget(gbSonst, 1, 0, 1, 2);
        page->setRowStretch(2, 1);
    }
    XPPageControl->addTab(tsMessages, QStringLiteral("Tray-Icon"));

    // ---- Popup -------------------------------------------------------------
    tsPopup = named(new QWidget(), "tsPopup");
    {
        auto* page = new QVBoxLayout(tsPopup);
        XPGroupBox1 = makeGroup(tsPopup, "XPGroupBox1", QStringLiteral(" Popup-Einstellungen "));
        auto* g = new QGridLayout(XPGroupBox1);
        cbPopup =
            makeCheck(XPGroupBox1, "cbPopup", QStringLiteral("Anzeige des Popups aktivieren"));
        lePopupCaption = makeEdit(XPGroupBox1, "lePopupCaption", lePopupCaptionLabel,
                                  QStringLiteral("Fenstertitel"));
        lePopupMessage = makeEdit(XPGroupBox1, "lePopupMessage", lePopupMessageLabel,
                                  QStringLiteral("Nachricht (%d für Anzahl der Spiele)"));
        labDelayDescription = makeWrappedLabel(
            XPGroupBox1, "labDelayDescription",
            QStringLiteral("Gib hier die Sekunden für die zwei Warte-Buttons an. Das Popup wird "
                           "bei Klick auf einen dieser Buttons die entsprechende Zeit lang in "
                           "keinem Fall neu angezeigt. Nach Ablauf der Zeit wird das Popup beim "
                           "nächsten positiven Dransei-Check wieder erscheinen."));
        sePopupDelay1 = makeSpin(XPGroupBox1, "sePopupDelay1", sePopupDelay1Label,
                                 QStringLiteral("Wartezeit Knopf 1"), 1, 3600);
        sePopupDelay2 = makeSpin(XPGroupBox1, "sePopupDelay2", sePopupDelay2Label,
                                 QStringLiteral("Wartezeit Knopf 2"), 1, 3600);
        editPopupHinda = makeEdit(
            XPGroupBox1, "editPopupHinda", editPopupHindaLabel,
            QStringLiteral("Beschriftung für den Button, der dich vom Popup zu Vexelfeld bringt:"));

        g->addWidget(cbPopup, 0, 0, 1, 3);
        g->addWidget(lePopupCaptionLabel, 1, 0, 1, 3);
        g->addWidget(lePopupCaption, 2, 0, 1, 3);
        g->addWidget(lePopupMessageLabel, 3, 0, 1, 3);
        g->addWidget(lePopupMessage, 4, 0, 1, 3);
        g->addWidget(labDelayDescription, 5, 0, 1, 3);
        g->addWidget(sePopupDelay1Label, 6, 0);
        g->addWidget(sePopupDelay1, 6, 1);
        g->addWidget(sePopupDelay2Label, 7, 0);
        g->addWidget(sePopupDelay2, 7, 1);
        g->addWidget(editPopupHindaLabel, 8, 0, 1, 3);
        g->addWidget(editPopupHinda, 9, 0, 1, 3);
        g->setColumnStretch(2, 1);
        g->setRowStretch(10, 1);
        page->addWidget(XPGroupBox1);
    }
    XPPageControl->addTab(tsPopup, QStringLiteral("Popup"));

    // ---- Über VexelReminder ------------------------------------------------
    tsAbout = named(new QWidget(), "tsAbout");
    {
        auto* page = new QVBoxLayout(tsAbout);
        page->setContentsMargins(kAboutBorder, kAboutBorder, kAboutBorder, kAboutBorder);
        labProgName = makeLabel(tsAbout, "labProgName", QStringLiteral("VexelReminder"));
        labProgName->setAlignment(Qt::AlignCenter);
        QFont titleFont = labProgName->font();
        titleFont.setPointSizeF(titleFont.pointSizeF() * 1.75);
        titleFont.setBold(true);
        labProgName->setFont(titleFont);

        labAboutText = makeWrappedLabel(
            tsAbout, "labAboutText",
            QStringLiteral(
                "Der VexelReminder sitzt im Infobereich der Taskleiste und fragt in festen "
                "Abständen beim Spielserver von Vexelfeld nach, ob du in einem deiner laufenden "
                "Spiele am Zug bist. Ist das der Fall, sagt er es dir durch das Tray-Icon, einen "
                "Balloontip und auf Wunsch ein Popup, und bringt dich mit einem Klick direkt zum "
                "Spiel.\n\n"
                "Das Programm wird so, wie es ist, zur Verfügung gestellt. Für seine Funktion und "
                "für Schäden, die durch seine Benutzung entstehen, wird keinerlei Gewähr oder "
                "Haftung übernommen.\n\n"
                "Fehler, Fragen und Anregungen bitte per E-Mail an die unten genannte Adresse "
                "melden. Neue Versionen und weitere Informationen gibt es auf der Seite des "
                "VexelReminders."));

        labLinkVexelfeld = makeLink(tsAbout, "labLinkVexelfeld", QStringLiteral("Vexelfeld"));
        labLinkVexelReminder =
            makeLink(tsAbout, "labLinkVexelReminder", QStringLiteral("VexelReminder"));
        labLinkPim = makeLink(tsAbout, "labLinkPim", QString());
        labLinkEclipsePlugin =
            makeLink(tsAbout, "labLinkEclipsePlugin", QStringLiteral("Eclipse Plugin"));

        auto* links = new QHBoxLayout();
        links->addWidget(labLinkVexelfeld);
        links->addStretch();
        links->addWidget(labLinkVexelReminder);
        links->addStretch();
        links->addWidget(labLinkEclipsePlugin);
        links->addStretch();
        links->addWidget(labLinkPim);

        page->addWidget(labProgName);
        page->addSpacing(12);
        page->addWidget(labAboutText);
        page->addStretch();
        page->addLayout(links);
    }
    XPPageControl->addTab(tsAbout, QStringLiteral("Über VexelReminder"));

    // ---- Update ------------------------------------------------------------
    tsUpdate = named(new QWidget(), "tsUpdate");
    {
        auto* page = new QVBoxLayout(tsUpdate);

        gbUpdateSettings =
            makeGroup(tsUpdate, "gbUpdateSettings", QStringLiteral(" Updateeinstellung "));
        {
            auto* g = new QHBoxLayout(gbUpdateSettings);
            btnUpdateCheck =
                named(new QPushButton(QStringLiteral("Jetzt auf Updates prüfen"), gbUpdateSettings),
                      "btnUpdateCheck");
            cbStartupCheck = makeCheck(gbUpdateSettings, "cbStartupCheck",
                                       QStringLiteral("Bei Programmstart auf Updates prüfen"));
            g->addWidget(btnUpdateCheck);
            g->addSpacing(12);
            g->addWidget(cbStartupCheck);
            g->addStretch();
        }

        gbUpdResult = makeGroup(tsUpdate, "gbUpdResult", QStringLiteral(" Updatestatus "));
        {
            auto* g = new QGridLayout(gbUpdResult);
            labCurrVer = makeLabel(gbUpdResult, "labCurrVer", QStringLiteral("Version:"));
            labMyVersion = makeLabel(gbUpdResult, "labMyVersion", QStringLiteral("---"));
            labActverText = makeLabel(gbUpdResult, "labActverText", QStringLiteral("Aktuelle:"));
            // The newest version as the site writes it: cut to fit.
            labActver = named(new ElidedLabel(QStringLiteral("---"), gbUpdResult), "labActver");
            labNews = makeLabel(gbUpdResult, "labNews",
                                QStringLiteral("Neuerungen in aktuelleren Versionen:"));
            tvFeatures = named(new QTreeWidget(gbUpdResult), "tvFeatures");
            tvFeatures->setHeaderHidden(true);
            tvFeatures->setColumnCount(1);
            tvFeatures->setEditTriggers(QAbstractItemView::NoEditTriggers);
            tvFeatures->setSelectionMode(QAbstractItemView::SingleSelection);
            labNews->setBuddy(tvFeatures);

            // The result text and the update picture with its link share one
            // place; the main window shows one or the other.
            auto* resultArea = new QWidget(gbUpdResult);
            resultArea->setObjectName(QStringLiteral("updResultArea"));
            resultArea->setFixedWidth(170);
            auto* area = new QGridLayout(resultArea);
            area->setContentsMargins(0, 0, 0, 0);
            labUpdResult = makeWrappedLabel(resultArea, "labUpdResult", QString());
            labUpdResult->setAlignment(Qt::AlignHCenter | Qt::AlignVCenter);
            labUpdResult->setFixedSize(170, 140);
            imgUpdate = named(new ClickableLabel(resultArea), "imgUpdate");
            imgUpdate->setPixmap(MakeUpdatePixmap());
            imgUpdate->setAlignment(Qt::AlignCenter);
            imgUpdate->setCursor(Qt::PointingHandCursor);
            imgUpdate->setVisible(false);
            labUpdLink = makeLink(resultArea, "labUpdLink", QStringLiteral("Update-Link"));
            labUpdLink->setAlignment(Qt::AlignCenter);
            labUpdLink->setVisible(false);
            auto* picture = new QVBoxLayout();
            picture->addStretch();
            picture->addWidget(imgUpdate, 0, Qt::AlignHCenter);
            picture->addWidget(labUpdLink, 0, Qt::AlignHCenter);
            picture->addStretch();
            area->addWidget(labUpdResult, 0, 0, Qt::AlignCenter);
            area->addLayout(picture, 0, 0);
            area->setRowMinimumHeight(0, 140);

            auto* versions = new QGridLayout();
            versions->addWidget(labCurrVer, 0, 0);
            versions->addWidget(labMyVersion, 0, 1);
            versions->addWidget(labActverText, 1, 0);
            versions->addWidget(labActver, 1, 1);
            versions->setColumnStretch(1, 1);

            g->addLayout(versions, 0, 0);
            g->addWidget(labNews, 1, 0);
            g->addWidget(tvFeatures, 2, 0);
            g->addWidget(resultArea, 0, 1, 3, 1, Qt::AlignCenter);
            g->setColumnStretch(0, 1);
            g->setRowStretch(2, 1);
        }

        page->addWidget(gbUpdateSettings);
        page->addWidget(gbUpdResult, 1);
    }
    XPPageControl->addTab(tsUpdate, QStringLiteral("Update"));
    XPPageControl->setCurrentWidget(tsBasics);

    // ---- Buttons below the pages -------------------------------------------
    {
        auto* row = new QHBoxLayout();
        btnExit =
            named(new QPushButton(QStringLiteral("VexelReminder be&enden"), mainWin), "btnExit");
        btnSetConfig =
            named(new QPushButton(QStringLiteral("Ü&bernehmen"), mainWin), "btnSetConfig");
        // Nothing to apply until a control differs from its setting.
        btnSetConfig->setEnabled(false);
        btnCheck = named(new QPushButton(QStringLiteral("&Jetzt prüfen"), mainWin), "btnCheck");
        btnClose = named(new QPushButton(QStringLiteral("Sch&ließen"), mainWin), "btnClose");
        btnClose->setDefault(true);
        row->addWidget(btnExit);
        row->addStretch();
        row->addWidget(btnSetConfig);
        row->addWidget(btnCheck);
        row->addWidget(btnClose);
        windowLayout->addLayout(row);
    }

    fitAndFix(mainWin);
    new FirstShowPlacer(mainWin); // owned by mainWin
}

} // namespace vexrem
