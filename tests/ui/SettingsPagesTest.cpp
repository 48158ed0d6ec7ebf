// The settings window as built by TMainWinUi: every control is present under
// its name, with its caption, range and initial state, on the right page.
#include "ui/SettingsPages.h"
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

TEST_F(SettingsPagesTest, GroupsCarryTheirTitlesOnTheirPages) {
    const struct {
        const char* name;
        const char* title;
        Page page;
    } groups[] = {
        {"gbBasics", " Basiskonfiguration ", Basics},
        {"gbProxy", " Proxy-Einstellungen", Basics},
        {"gbInfo", " Information ", Basics},
        {"gbBalloon", " Balloontip-Optionen ", Messages},
        {"gbSonst", " Benachrichtigung ", Messages},
        {"gbTrayIconCols", " Farbtiefe ", Messages},
        {"gbTrayIcon", " Tray-Icon - Konfiguration ", Messages},
        {"gbIconSample", " Blinktest ", Messages},
        {"XPGroupBox1", " Popup-Einstellungen ", Popup},
        {"gbUpdateSettings", " Updateeinstellung ", Update},
        {"gbUpdResult", " Updatestatus ", Update},
    };
    for (const auto& g : groups) {
        SCOPED_TRACE(g.name);
        auto* box = find<QGroupBox>(g.name);
        ASSERT_NE(box, nullptr);
        EXPECT_EQ(box->title(), QString::fromUtf8(g.title));
        EXPECT_EQ(pageOf(box), g.page);
    }
    EXPECT_TRUE(ui.gbTrayIcon->isAncestorOf(ui.gbIconSample));
}

TEST_F(SettingsPagesTest, CheckBoxesAndRadioButtonsInTheirGroups) {
    const struct {
        const char* name;
        const char* caption;
        const char* group;
    } boxes[] = {
        {"cbActive", "VexelReminder ist aktiv", "gbBasics"},
        {"cbZavazuzeza", "Zavazuzeza", "gbBasics"},
        {"cbUseProxy", "Proxy verwenden", "gbProxy"},
        {"cbProxyAuth", "Authentifizierung", "gbProxy"},
        {"cbShowBalloon", "Balloontips anzeigen", "gbBalloon"},
        {"cbGotoGameOnBalloonClick", "Bei Klick zu Vexelfeld", "gbBalloon"},
        {"cbBlinkOnError", "Bei Fehler blinken", "gbTrayIcon"},
        {"cbPopup", "Anzeige des Popups aktivieren", "XPGroupBox1"},
        {"cbStartupCheck", "Bei Programmstart auf Updates prüfen", "gbUpdateSettings"},
        {"rbTrayIconStandard", "Standard", "gbTrayIconCols"},
        {"rbTrayIcon16Cols", "16 Farben", "gbTrayIconCols"},
        {"rbIconModeNormal", "Normal (Fehler=rot, Nichtdran=gelb, Dran=grün)", "gbTrayIcon"},
        {"rbIconModeKing", "Invers (Nichtdran=rot, Fehler=gelb, Dran=grün)", "gbTrayIcon"},
    };
    for (const auto& b : boxes) {
        SCOPED_TRACE(b.name);
        auto* button = find<QAbstractButton>(b.name);
        ASSERT_NE(button, nullptr);
        EXPECT_TRUE(button->isCheckable());
        EXPECT_EQ(button->text(), QString::fromUtf8(b.caption));
        EXPECT_TRUE(find<QGroupBox>(b.group)->isAncestorOf(button));
    }
    EXPECT_NE(qobject_cast<QRadioButton*>(ui.rbIconModeKing), nullptr);
    EXPECT_NE(qobject_cast<QCheckBox*>(ui.cbActive), nullptr);
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

TEST_F(SettingsPagesTest, EditsWithTheirLabelsAndInitialTexts) {
    const struct {
        const char* name;
        const char* label;
        const char* initial;
        Page page;
    } edits[] = {
        {"leUserName", "Benutzername (von Vexelfeld)", "", Basics},
        {"leProxyServer", "Server", "", Basics},
        {"leProxyPort", "Port", "8080", Basics},
        {"leProxyUsername", "Benutzername", "", Basics},
        {"leProxyPassword", "Passwort", "", Basics},
        {"leBalloonCaption", "Überschrift", "", Messages},
        {"leBalloontext", "Text (%d = Spieleanzahl)", "", Messages},
        {"leTooltipText", "Tooltip des Trayicons, wenn dran (%d = Anzahl der Spiele)", "",
         Messages},
        {"leToolTipTextNichtDran", "Tooltip des Trayicons, wenn nicht dran", "", Messages},
        {"lePopupCaption", "Fenstertitel", "", Popup},
        {"lePopupMessage", "Nachricht (%d für Anzahl der Spiele)", "", Popup},
        {"editPopupHinda",
         "Beschriftung für den Button, der dich vom Popup zu Vexelfeld bringt:", "", Popup},
    };
    for (const auto& e : edits) {
        SCOPED_TRACE(e.name);
        auto* edit = find<QLineEdit>(e.name);
        ASSERT_NE(edit, nullptr);
        EXPECT_EQ(edit->text(), QString::fromUtf8(e.initial));
        EXPECT_EQ(pageOf(edit), e.page);
        const QByteArray labelName = QByteArray(e.name) + "Label";
        auto* label = find<QLabel>(labelName.constData());
        ASSERT_NE(label, nullptr);
        EXPECT_EQ(label->text(), QString::fromUtf8(e.label));
        EXPECT_EQ(label->buddy(), edit);
        EXPECT_EQ(pageOf(label), e.page);
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

TEST_F(SettingsPagesTest, SpinEditsWithTheirRangesAndSteps) {
    const struct {
        const char* name;
        const char* label;
        int minimum, maximum, step;
        Page page;
    } spins[] = {
        {"seIntervall", "Abfrageintervall (sec)", 20, 1800, 10, Basics},
        {"seStartupDelay", "Sekunden vor erster Abfrage", 1, 60, 1, Basics},
        {"seBalloonTimeout", "Anzeigedauer (sec)", 1, 10, 1, Messages},
        {"sePopupDelay1", "Wartezeit Knopf 1", 1, 3600, 1, Popup},
        {"sePopupDelay2", "Wartezeit Knopf 2", 1, 3600, 1, Popup},
    };
    for (const auto& s : spins) {
        SCOPED_TRACE(s.name);
        auto* spin = find<QSpinBox>(s.name);
        ASSERT_NE(spin, nullptr);
        EXPECT_EQ(spin->minimum(), s.minimum);
        EXPECT_EQ(spin->maximum(), s.maximum);
        EXPECT_EQ(spin->singleStep(), s.step);
        EXPECT_EQ(pageOf(spin), s.page);
        const QByteArray labelName = QByteArray(s.name) + "Label";
        auto* label = find<QLabel>(labelName.constData());
        ASSERT_NE(label, nullptr);
        EXPECT_EQ(label->text(), QString::fromUtf8(s.label));
        EXPECT_EQ(label->buddy(), spin);
    }
}

TEST_F(SettingsPagesTest, BlinkSpeedTrackBarRunsFromFastAtTheTopToSlow) {
    auto* bar = find<QSlider>("tbBlinkSpeed");
    ASSERT_NE(bar, nullptr);
    EXPECT_EQ(bar->orientation(), Qt::Vertical);
    EXPECT_EQ(bar->minimum(), 500);
    EXPECT_EQ(bar->maximum(), 2000);
    EXPECT_EQ(bar->tickInterval(), 100);
    EXPECT_EQ(bar->value(), 1000);
    // A vertical slider has its minimum at the bottom unless inverted.
    EXPECT_TRUE(bar->invertedAppearance());
    EXPECT_EQ(ui.tbBlinkSpeedLabel->text(), "Blinkspeed");
    EXPECT_TRUE(ui.gbTrayIcon->isAncestorOf(bar));
    EXPECT_EQ(ui.imageIconError->size(), QSize(16, 16));
    EXPECT_TRUE(ui.gbIconSample->isAncestorOf(ui.imageIconError));
}

TEST_F(SettingsPagesTest, LabelsShowTheirDesignCaptions) {
    const struct {
        const char* name;
        const char* caption;
    } labels[] = {
        {"labFilename", "INI-Datei: "},
        {"labCallsText", "Abrufe in aktueller Instanz:"},
        {"labCallErrorsText", "Davon nicht geglückt:"},
        {"labLastResultText", "Letztes Abfrageergebnis:"},
        {"labBalloonReg", "Balloontips-Status"},
        {"labBalloondescr",
         "Wenn du bei einem Spiel dran bist und auf den Balloon klickst, kommst Du direkt zu dem "
         "entsprechenden Spiel. Damit das klappt, muss im (Standard-) Browser das "
         "vexelfeld-Cookie vorhanden sein."},
        {"labDelayDescription",
         "Gib hier die Sekunden für die zwei Warte-Buttons an. Das Popup wird bei Klick auf "
         "einen dieser Buttons die entsprechende Zeit lang in keinem Fall neu angezeigt. Nach "
         "Ablauf der Zeit wird das Popup beim nächsten positiven Dransei-Check wieder "
         "erscheinen."},
        {"labProgName", "VexelReminder"},
        {"labCurrVer", "Version:"},
        {"labMyVersion", "---"},
        {"labActverText", "Aktuelle:"},
        {"labActver", "---"},
        {"labNews", "Neuerungen in aktuelleren Versionen:"},
        {"labUpdResult", ""},
        {"labAutostart", "Autostart verwalten"},
        {"labColorDepth", "Information zur Farbtiefe"},
        {"labLinkVexelfeld", "Vexelfeld"},
        {"labLinkVexelReminder", "VexelReminder"},
        {"labLinkEclipsePlugin", "Eclipse Plugin"},
        {"labUpdLink", "Update-Link"},
    };
    for (const auto& l : labels) {
        SCOPED_TRACE(l.name);
        auto* label = find<QLabel>(l.name);
        ASSERT_NE(label, nullptr);
        EXPECT_EQ(label->text(), QString::fromUtf8(l.caption));
    }
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
    EXPECT_EQ(find<QPushButton>("btnUpdateCheck")->text(),
              QString::fromUtf8("Jetzt auf Updates prüfen"));
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
    dialog->show();
    QApplication::processEvents();
    const QSize before = dialog->size();
    for (int page = 0; page < ui.XPPageControl->count(); ++page) {
        ui.XPPageControl->setCurrentIndex(page);
        ui.labBalloonReg->setText(QStringLiteral("(Balloontips sind disabled)"));
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
