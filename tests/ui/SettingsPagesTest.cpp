// The settings window as TMainWinUi builds it from its forms: every control
// is present under its name, with its caption, range and initial state, on
// the right page.
#include "ui/SettingsPages.h"
#include "config/Config.h"
#include "ui/LinkLabel.h"

#include <QApplication>
#include <QCheckBox>
#include <QDialog>
#include <QGroupBox>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMouseEvent>
#include <QPushButton>
#include <QRadioButton>
#include <QSlider>
#include <QSpinBox>
#include <QTabWidget>
#include <QTreeWidget>

#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <string_view>
#include <variant>
#include <vector>

namespace vexrem {
namespace {

class SettingsPagesTest : public ::testing::Test {
protected:
    void SetUp() override {
        dialog = std::make_unique<QDialog>();
        ui.setupUi(dialog.get());
    }

    template <class W> W* find(const char* name) const {
        return dialog->findChild<W*>(QString::fromLatin1(name));
    }

    // Index of the page that holds the control, -1 if none does.
    int pageOf(const QWidget* widget) const {
        for (int i = 0; i < ui.XPPageControl->count(); ++i) {
            if (ui.XPPageControl->widget(i)->isAncestorOf(widget)) {
                return i;
            }
        }
        return -1;
    }

    std::unique_ptr<QDialog> dialog;
    TMainWinUi ui;
};

// Pages of XPPageControl, in order.
enum Page { Basics, Messages, Popup, About, Update };

TEST_F(SettingsPagesTest, FivePagesInOrderWithTheirCaptions) {
    const struct {
        const char* name;
        const char* caption;
    } pages[] = {{"tsBasics", "Grundeinstellungen"},
                 {"tsMessages", "Tray-Icon"},
                 {"tsPopup", "Popup"},
                 {"tsAbout", "Über VexelReminder"},
                 {"tsUpdate", "Update"}};
    ASSERT_EQ(ui.XPPageControl->count(), 5);
    EXPECT_EQ(ui.XPPageControl->objectName(), "XPPageControl");
    for (int i = 0; i < 5; ++i) {
        EXPECT_EQ(ui.XPPageControl->widget(i)->objectName(), pages[i].name);
        EXPECT_EQ(ui.XPPageControl->tabText(i), QString::fromUtf8(pages[i].caption));
    }
    EXPECT_EQ(ui.XPPageControl->currentWidget(), ui.tsBasics);
}

// Every captioned control, with the page or group that holds it.
const struct CaptionCase {
    const char* name;
    const char* caption;
    const char* in;
} captions[] = {
    {"gbBasics", " Basiskonfiguration ", "tsBasics"},
    {"cbActive", "VexelReminder ist aktiv", "gbBasics"},
    {"cbZavazuzeza", "Zavazuzeza", "gbBasics"},
    {"labAutostart", "Autostart verwalten", "gbBasics"},
    {"gbProxy", " Proxy-Einstellungen", "tsBasics"},
    {"cbUseProxy", "Proxy verwenden", "gbProxy"},
    {"cbProxyAuth", "Authentifizierung", "gbProxy"},
    {"gbInfo", " Information ", "tsBasics"},
    {"labFilename", "INI-Datei: ", "gbInfo"},
    {"labCallsText", "Abrufe in aktueller Instanz:", "gbInfo"},
    {"labCallErrorsText", "Davon nicht geglückt:", "gbInfo"},
    {"labLastResultText", "Letztes Abfrageergebnis:", "gbInfo"},
    {"gbBalloon", " Balloontip-Optionen ", "tsMessages"},
    {"cbShowBalloon", "Balloontips anzeigen", "gbBalloon"},
    {"cbGotoGameOnBalloonClick", "Bei Klick zu Vexelfeld", "gbBalloon"},
    {"labBalloonReg", "Balloontips-Status", "gbBalloon"},
    {"labBalloondescr",
     "Wenn du bei einem Spiel dran bist und auf den Balloon klickst, kommst Du direkt zu dem "
     "entsprechenden Spiel. Damit das klappt, muss im (Standard-) Browser das "
     "vexelfeld-Cookie vorhanden sein.",
     "gbBalloon"},
    {"gbSonst", " Benachrichtigung ", "tsMessages"},
    {"gbTrayIconCols", " Farbtiefe ", "tsMessages"},
    {"rbTrayIconStandard", "Standard", "gbTrayIconCols"},
    {"rbTrayIcon16Cols", "16 Farben", "gbTrayIconCols"},
    {"labColorDepth", "Information zur Farbtiefe", "gbTrayIconCols"},
    {"gbTrayIcon", " Tray-Icon - Konfiguration ", "tsMessages"},
    {"rbIconModeNormal", "Normal (Fehler=rot, Nichtdran=gelb, Dran=grün)", "gbTrayIcon"},
    {"rbIconModeKing", "Invers (Nichtdran=rot, Fehler=gelb, Dran=grün)", "gbTrayIcon"},
    {"cbBlinkOnError", "Bei Fehler blinken", "gbTrayIcon"},
    {"gbIconSample", " Blinktest ", "gbTrayIcon"},
    {"XPGroupBox1", " Popup-Einstellungen ", "tsPopup"},
    {"cbPopup", "Anzeige des Popups aktivieren", "XPGroupBox1"},
    {"labDelayDescription",
     "Gib hier die Sekunden für die zwei Warte-Buttons an. Das Popup wird bei Klick auf "
     "einen dieser Buttons die entsprechende Zeit lang in keinem Fall neu angezeigt. Nach "
     "Ablauf der Zeit wird das Popup beim nächsten positiven Dransei-Check wieder "
     "erscheinen.",
     "XPGroupBox1"},
    {"labProgName", "VexelReminder", "tsAbout"},
    {"labLinkVexelfeld", "Vexelfeld", "tsAbout"},
    {"labLinkVexelReminder", "VexelReminder", "tsAbout"},
    {"labLinkEclipsePlugin", "Eclipse Plugin", "tsAbout"},
    {"gbUpdateSettings", " Updateeinstellung ", "tsUpdate"},
    {"btnUpdateCheck", "Jetzt auf Updates prüfen", "gbUpdateSettings"},
    {"cbStartupCheck", "Bei Programmstart auf Updates prüfen", "gbUpdateSettings"},
    {"gbUpdResult", " Updatestatus ", "tsUpdate"},
    {"labCurrVer", "Version:", "gbUpdResult"},
    {"labMyVersion", "---", "gbUpdResult"},
    {"labActverText", "Aktuelle:", "gbUpdResult"},
    {"labActver", "---", "gbUpdResult"},
    {"labNews", "Neuerungen in aktuelleren Versionen:", "gbUpdResult"},
    {"labUpdResult", "", "gbUpdResult"},
    {"labUpdLink", "Update-Link", "gbUpdResult"},
};

TEST_F(SettingsPagesTest, ControlsCarryTheirCaptionsInTheirGroups) {
    for (const CaptionCase& c : captions) {
        SCOPED_TRACE(c.name);
        auto* widget = find<QWidget>(c.name);
        ASSERT_NE(widget, nullptr);
        // What the user reads: a group's title, a button's or a label's text.
        const char* caption = qobject_cast<QGroupBox*>(widget) != nullptr ? "title" : "text";
        EXPECT_EQ(widget->property(caption).toString(), QString::fromUtf8(c.caption));
        EXPECT_TRUE(find<QWidget>(c.in)->isAncestorOf(widget)) << "not in " << c.in;
        // The prefix tells the kind: check box, radio button.
        const QByteArray name(c.name);
        if (name.startsWith("cb")) {
            EXPECT_NE(qobject_cast<QCheckBox*>(widget), nullptr);
        } else if (name.startsWith("rb")) {
            EXPECT_NE(qobject_cast<QRadioButton*>(widget), nullptr);
        }
    }
}

TEST_F(SettingsPagesTest, RadioPairsExcludeEachOtherButNotAcrossGroups) {
    ui.rbIconModeKing->click();
    ui.rbTrayIcon16Cols->click();
    EXPECT_FALSE(ui.rbIconModeNormal->isChecked());
    EXPECT_FALSE(ui.rbTrayIconStandard->isChecked());
    EXPECT_TRUE(ui.rbIconModeKing->isChecked());
    ui.rbTrayIconStandard->click();
    EXPECT_TRUE(ui.rbIconModeKing->isChecked()); // the other pair is untouched
    EXPECT_FALSE(ui.rbTrayIcon16Cols->isChecked());
}

// Every field has a caption label named after it whose mnemonic moves the
// focus into it; the edits start empty but for the proxy port.
TEST_F(SettingsPagesTest, FieldsWithTheirCaptionLabels) {
    const struct {
        const char* name;
        const char* label;
        Page page;
    } fields[] = {
        {"leUserName", "Benutzername (von Vexelfeld)", Basics},
        {"seIntervall", "Abfrageintervall (sec)", Basics},
        {"seStartupDelay", "Sekunden vor erster Abfrage", Basics},
        {"leProxyServer", "Server", Basics},
        {"leProxyPort", "Port", Basics},
        {"leProxyUsername", "Benutzername", Basics},
        {"leProxyPassword", "Passwort", Basics},
        {"leBalloonCaption", "Überschrift", Messages},
        {"leBalloontext", "Text (%d = Spieleanzahl)", Messages},
        {"seBalloonTimeout", "Anzeigedauer (sec)", Messages},
        {"tbBlinkSpeed", "Blinkspeed", Messages},
        {"leTooltipText", "Tooltip des Trayicons, wenn dran (%d = Anzahl der Spiele)", Messages},
        {"leToolTipTextNichtDran", "Tooltip des Trayicons, wenn nicht dran", Messages},
        {"lePopupCaption", "Fenstertitel", Popup},
        {"lePopupMessage", "Nachricht (%d für Anzahl der Spiele)", Popup},
        {"sePopupDelay1", "Wartezeit Knopf 1", Popup},
        {"sePopupDelay2", "Wartezeit Knopf 2", Popup},
        {"editPopupHinda",
         "Beschriftung für den Button, der dich vom Popup zu Vexelfeld bringt:", Popup},
    };
    for (const auto& f : fields) {
        SCOPED_TRACE(f.name);
        auto* field = find<QWidget>(f.name);
        ASSERT_NE(field, nullptr);
        EXPECT_EQ(pageOf(field), f.page);
        const QByteArray labelName = QByteArray(f.name) + "Label";
        auto* label = find<QLabel>(labelName.constData());
        ASSERT_NE(label, nullptr);
        EXPECT_EQ(label->text(), QString::fromUtf8(f.label));
        EXPECT_EQ(label->buddy(), field);
        EXPECT_EQ(pageOf(label), f.page);
        if (auto* edit = qobject_cast<QLineEdit*>(field)) {
            EXPECT_EQ(edit->text(), edit == ui.leProxyPort ? "8080" : "");
        }
    }
}

TEST_F(SettingsPagesTest, OnlyThePasswordIsMaskedWithAStarPerCharacter) {
    EXPECT_EQ(ui.leProxyPassword->echoMode(), QLineEdit::Password);
    ui.leProxyPassword->setText(QStringLiteral("geheim"));
    EXPECT_EQ(ui.leProxyPassword->displayText(), "******");
    for (auto* edit : dialog->findChildren<QLineEdit*>()) {
        if (edit != ui.leProxyPassword && edit->parent() != nullptr &&
            qobject_cast<QSpinBox*>(edit->parent()) == nullptr) {
            EXPECT_EQ(edit->echoMode(), QLineEdit::Normal) << edit->objectName().toStdString();
        }
    }
}

TEST_F(SettingsPagesTest, ProxyFieldsEnabledWhateverTheCheckBoxes) {
    for (bool use : {false, true}) {
        ui.cbUseProxy->setChecked(use);
        ui.cbProxyAuth->setChecked(!use);
        const QWidget* fields[] = {ui.leProxyServer, ui.leProxyPort, ui.leProxyUsername,
                                   ui.leProxyPassword, ui.cbProxyAuth};
        for (const QWidget* w : fields) {
            EXPECT_TRUE(w->isEnabled()) << w->objectName().toStdString();
        }
    }
}

// The bounds and default of the integer setting stored under key.
IntegerSetting settingOf(const char* key) {
    for (const SettingEntry& entry : SettingsTable) {
        if (std::string_view(entry.key) == key) {
            if (const auto* setting = std::get_if<IntegerSetting>(&entry.setting)) {
                return *setting;
            }
        }
    }
    ADD_FAILURE() << "no integer setting " << key;
    return {};
}

// A control offers exactly the range that loading the INI file accepts.
TEST_F(SettingsPagesTest, SpinEditsOfferTheBoundsOfTheirSettings) {
    const struct {
        QSpinBox* spin;
        const char* key;
        int step;
    } spins[] = {
        {ui.seIntervall, "Interval", 10},           {ui.seStartupDelay, "StartupDelay", 1},
        {ui.seBalloonTimeout, "BalloonTimeout", 1}, {ui.sePopupDelay1, "PopupDelay1", 1},
        {ui.sePopupDelay2, "PopupDelay2", 1},
    };
    for (const auto& s : spins) {
        SCOPED_TRACE(s.key);
        const IntegerSetting setting = settingOf(s.key);
        EXPECT_EQ(s.spin->minimum(), setting.min);
        EXPECT_EQ(s.spin->maximum(), setting.max);
        EXPECT_EQ(s.spin->singleStep(), s.step);
    }
}

TEST_F(SettingsPagesTest, BlinkSpeedTrackBarRunsFromFastAtTheTopToSlow) {
    auto* bar = find<QSlider>("tbBlinkSpeed");
    ASSERT_NE(bar, nullptr);
    const IntegerSetting speed = settingOf("TrayIconBlinkSpeed");
    EXPECT_EQ(bar->orientation(), Qt::Vertical);
    EXPECT_EQ(bar->minimum(), speed.min);
    EXPECT_EQ(bar->maximum(), speed.max);
    EXPECT_EQ(bar->value(), speed.def);
    EXPECT_EQ(bar->tickInterval(), 100);
    // A vertical slider has its minimum at the bottom unless inverted.
    EXPECT_TRUE(bar->invertedAppearance());
    EXPECT_TRUE(ui.gbTrayIcon->isAncestorOf(bar));
    EXPECT_EQ(ui.imageIconError->size(), QSize(16, 16));
    EXPECT_TRUE(ui.gbIconSample->isAncestorOf(ui.imageIconError));
}

TEST_F(SettingsPagesTest, LabelsWrapSizeAndHintAsDesigned) {
    EXPECT_TRUE(ui.labBalloondescr->wordWrap());
    EXPECT_TRUE(ui.labDelayDescription->wordWrap());
    EXPECT_TRUE(ui.labLastResultValue->wordWrap());
    EXPECT_FALSE(ui.labFilename->wordWrap());
    EXPECT_EQ(ui.labFilename->width(), 513);
#ifdef Q_OS_WIN
    EXPECT_EQ(
        ui.labBalloonReg->toolTip(),
        QString::fromUtf8("Prüft, ob in der Registry das Anzeigen von Balloons erlaubt wird."));
#else
    // Here no registry is read but the desktop's notification service asked.
    EXPECT_TRUE(ui.labBalloonReg->toolTip().contains(QStringLiteral("Benachrichtigungsdienst")));
    EXPECT_FALSE(ui.labBalloonReg->toolTip().contains(QStringLiteral("Registry")));
#endif
    EXPECT_GT(ui.labProgName->font().pointSizeF(), ui.labCallsText->font().pointSizeF());
    EXPECT_FALSE(ui.labAboutText->text().isEmpty());
}

TEST_F(SettingsPagesTest, LinkLabelsLookLikeLinksAndReportClicks) {
    const char* links[] = {
        "labAutostart", "labColorDepth",        "labLinkVexelfeld", "labLinkVexelReminder",
        "labLinkPim",   "labLinkEclipsePlugin", "labUpdLink"};
    for (const char* name : links) {
        SCOPED_TRACE(name);
        auto* link = find<ClickableLabel>(name);
        ASSERT_NE(link, nullptr);
        EXPECT_TRUE(link->font().underline());
        EXPECT_EQ(link->palette().color(QPalette::WindowText), QColor(0, 0, 255));
        EXPECT_EQ(link->cursor().shape(), Qt::PointingHandCursor);
    }
    for (const char* name : {"imgHelpZavazuzeza", "imgUpdate"}) {
        auto* image = find<ClickableLabel>(name);
        ASSERT_NE(image, nullptr) << name;
        EXPECT_EQ(image->cursor().shape(), Qt::PointingHandCursor) << name;
        EXPECT_FALSE(image->pixmap().isNull()) << name;
    }
    EXPECT_EQ(ui.imgHelpZavazuzeza->size(), QSize(16, 16));
}

void mouse(QWidget* widget, QEvent::Type type, QPoint at) {
    QMouseEvent event(type, QPointF(at), QPointF(widget->mapToGlobal(at)), Qt::LeftButton,
                      type == QEvent::MouseButtonRelease ? Qt::NoButton : Qt::LeftButton,
                      Qt::NoModifier);
    QApplication::sendEvent(widget, &event);
}

TEST_F(SettingsPagesTest, ClickCountsOnlyWhenReleasedOverTheLabel) {
    ui.XPPageControl->setCurrentWidget(ui.tsBasics);
    dialog->show();
    int clicks = 0;
    QObject::connect(ui.labAutostart, &ClickableLabel::clicked, [&clicks] { ++clicks; });
    const QPoint inside = ui.labAutostart->rect().center();
    mouse(ui.labAutostart, QEvent::MouseButtonPress, inside);
    mouse(ui.labAutostart, QEvent::MouseButtonRelease, inside);
    EXPECT_EQ(clicks, 1);
    mouse(ui.labAutostart, QEvent::MouseButtonPress, inside);
    mouse(ui.labAutostart, QEvent::MouseButtonRelease, QPoint(-20, -20));
    EXPECT_EQ(clicks, 1);
}

TEST_F(SettingsPagesTest, ButtonRowWithCloseAsDefault) {
    const struct {
        const char* name;
        const char* caption;
    } buttons[] = {{"btnExit", "VexelReminder be&enden"},
                   {"btnSetConfig", "Ü&bernehmen"},
                   {"btnCheck", "&Jetzt prüfen"},
                   {"btnClose", "Sch&ließen"}};
    int previousX = -1;
    dialog->show();
    for (const auto& b : buttons) {
        SCOPED_TRACE(b.name);
        auto* button = find<QPushButton>(b.name);
        ASSERT_NE(button, nullptr);
        EXPECT_EQ(button->text(), QString::fromUtf8(b.caption));
        EXPECT_EQ(pageOf(button), -1); // below the pages, not on one
        EXPECT_GT(button->x(), previousX);
        previousX = button->x();
        EXPECT_EQ(button->isDefault(), button == ui.btnClose);
    }
}

TEST_F(SettingsPagesTest, EnterInAnEditPressesClose) {
    dialog->show();
    int closes = 0;
    QObject::connect(ui.btnClose, &QPushButton::clicked, [&closes] { ++closes; });
    QKeyEvent enter(QEvent::KeyPress, Qt::Key_Return, Qt::NoModifier);
    QApplication::sendEvent(ui.leUserName, &enter);
    EXPECT_EQ(closes, 1);
}

TEST_F(SettingsPagesTest, UpdatePageStartsWithoutPictureOrTree) {
    EXPECT_TRUE(ui.imgUpdate->isHidden());
    EXPECT_TRUE(ui.labUpdLink->isHidden());
    EXPECT_FALSE(ui.labUpdResult->isHidden());
    EXPECT_TRUE(ui.labUpdResult->wordWrap());
    EXPECT_EQ(ui.tvFeatures->topLevelItemCount(), 0);
    EXPECT_EQ(ui.tvFeatures->editTriggers(), QAbstractItemView::NoEditTriggers);
}

TEST_F(SettingsPagesTest, WindowHasOnlyACloseBoxAndAFixedSize) {
    EXPECT_EQ(dialog->windowTitle(), "VexelReminder");
    const Qt::WindowFlags flags = dialog->windowFlags();
    EXPECT_TRUE(flags & Qt::WindowCloseButtonHint);
    EXPECT_FALSE(flags & Qt::WindowMinimizeButtonHint);
    EXPECT_FALSE(flags & Qt::WindowMaximizeButtonHint);
    EXPECT_FALSE(flags & Qt::WindowContextHelpButtonHint);
    dialog->show();
    QApplication::processEvents();
    EXPECT_EQ(dialog->minimumSize(), dialog->maximumSize());
    EXPECT_EQ(dialog->size(), dialog->minimumSize());
}

TEST_F(SettingsPagesTest, FillingTheStatusLabelsKeepsTheWindowSize) {
    EXPECT_EQ(BalloonTipsCaption(true), "(Balloontips sind enabled)");
    EXPECT_EQ(BalloonTipsCaption(false), "(Balloontips sind disabled)");
    dialog->show();
    QApplication::processEvents();
    const QSize before = dialog->size();
    for (int page = 0; page < ui.XPPageControl->count(); ++page) {
        ui.XPPageControl->setCurrentIndex(page);
        ui.labBalloonReg->setText(BalloonTipsCaption(page % 2 == 0));
        ui.labLastResultValue->setText(QString(400, QLatin1Char('x')) +
                                       QStringLiteral(" Fehler: Verbindung abgelehnt"));
        ui.labActver->setText(QStringLiteral("1.3.0.0"));
        ui.labLinkPim->setText(QStringLiteral("kontakt@example.org"));
        QApplication::processEvents();
        EXPECT_EQ(dialog->size(), before) << "page " << page;
        EXPECT_GE(ui.labBalloonReg->width(), ui.labBalloonReg->sizeHint().width());
    }
}

TEST_F(SettingsPagesTest, TabOrderFollowsTheReadingOrder) {
    const QWidget* expected[] = {
        ui.cbActive,         ui.cbZavazuzeza,    ui.leUserName,       ui.seIntervall,
        ui.seStartupDelay,   ui.cbUseProxy,      ui.leProxyServer,    ui.leProxyPort,
        ui.cbProxyAuth,      ui.leProxyUsername, ui.leProxyPassword,  ui.cbShowBalloon,
        ui.leBalloonCaption, ui.leBalloontext,   ui.seBalloonTimeout, ui.rbIconModeNormal,
        ui.cbBlinkOnError,   ui.tbBlinkSpeed,    ui.leTooltipText,    ui.cbPopup,
        ui.lePopupCaption,   ui.sePopupDelay1,   ui.editPopupHinda,   ui.btnUpdateCheck,
        ui.cbStartupCheck,   ui.btnExit,         ui.btnSetConfig,     ui.btnCheck,
        ui.btnClose};
    // Walk the focus chain once around and note where each control comes.
    std::vector<const QWidget*> chain;
    QWidget* w = dialog.get();
    do {
        chain.push_back(w);
        w = w->nextInFocusChain();
    } while (w != dialog.get() && chain.size() < 1000);
    auto position = [&chain](const QWidget* widget) {
        return std::find(chain.begin(), chain.end(), widget) - chain.begin();
    };
    for (std::size_t i = 1; i < std::size(expected); ++i) {
        EXPECT_LT(position(expected[i - 1]), position(expected[i]))
            << expected[i - 1]->objectName().toStdString() << " before "
            << expected[i]->objectName().toStdString();
    }
}

} // namespace
} // namespace vexrem
