// The settings window of the real main window: which controls count as a
// change, what "Übernehmen" puts into effect, and what closing the window asks.
#include "MainWinFixture.h"

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QFocusEvent>
#include <QImage>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QSlider>
#include <QSpinBox>
#include <QTest>

#include <algorithm>
#include <memory>
#include <vector>

namespace vexrem::test {
namespace {

using namespace std::chrono_literals;

// Known settings for every test, independent of the machine's defaults.
const char* const kBaseSettings = "Active=0\n"
                                  "Interval=120\n"
                                  "StartupDelay=5\n"
                                  "UserName=pim\n"
                                  "TrayIconReducedColors=0\n"
                                  "TrayIconModeNormal=1\n"
                                  "TrayIconBlinkOnError=0\n"
                                  "TrayIconBlinkSpeed=1000\n"
                                  "ProxyPort=8080\n";

// "key=value" lines of base with those of extra in place of the same keys
// (a profile file answers with the first of two equal keys).
std::string MergeSettings(const std::string& base, const std::string& extra) {
    std::vector<std::pair<std::string, std::string>> keys;
    for (const std::string& lines : {base, extra}) {
        std::size_t pos = 0;
        while (pos < lines.size()) {
            const std::size_t end = std::min(lines.find('\n', pos), lines.size());
            const std::string line = lines.substr(pos, end - pos);
            pos = end + 1;
            const std::size_t eq = line.find('=');
            if (eq == std::string::npos) {
                continue;
            }
            const std::string key = line.substr(0, eq);
            auto it = std::find_if(keys.begin(), keys.end(),
                                   [&](const auto& kv) { return kv.first == key; });
            if (it != keys.end()) {
                it->second = line.substr(eq + 1);
            } else {
                keys.emplace_back(key, line.substr(eq + 1));
            }
        }
    }
    std::string out;
    for (const auto& [key, value] : keys) {
        out += key + "=" + value + "\n";
    }
    return out;
}

class SettingsWindowTest : public MainWinTest {
protected:
    // Starts with the base settings plus extra lines, and shows the window
    // as the tray's "Einstellungen" does.
    void StartShown(const std::string& extra = {}) {
        StoreSettings(MergeSettings(kBaseSettings, extra));
        Start();
        win->ShowSettingsWindow();
        ASSERT_TRUE(win->isVisible());
    }

    bool ApplyEnabled() const { return win->Ui().btnSetConfig->isEnabled(); }

    // Presses "Übernehmen" as the user does.
    void Apply() {
        ASSERT_TRUE(ApplyEnabled());
        win->Ui().btnSetConfig->click();
    }

    // Presses "Schließen", answering the question (if one comes) with answer.
    void CloseAnswering(const QString& answer) {
        DialogAnswerer answerer;
        answerer.ThenClick(answer);
        win->Ui().btnClose->click();
        EXPECT_TRUE(answerer.AllAnswered());
    }
};

// --- one row per bound control ----------------------------------------------

// A user's edit of a control, the edit undone, and what applying it stores.
struct BoundControl {
    const char* name;
    std::function<void(TMainWinUi&)> change;
    std::function<void(TMainWinUi&)> undo;
    std::function<bool(const tConfig&)> stored; // the change reached the setting
};

// Replaces the edit's text by typing, as a user does.
void Type(QLineEdit* e, const QString& text) {
    e->selectAll();
    if (text.isEmpty()) {
        QTest::keyClick(e, Qt::Key_Delete);
    } else {
        for (const QChar ch : text) {
            if (ch.unicode() < 0x80) {
                QTest::keyClicks(e, QString(ch));
            } else {
                e->insert(QString(ch)); // what the keyboard layout would produce
            }
        }
    }
}

BoundControl Edit(const char* name, QLineEdit* TMainWinUi::*edit, const char* typed,
                  std::function<bool(const tConfig&)> stored) {
    auto original = std::make_shared<QString>();
    return {name,
            [=](TMainWinUi& ui) {
                *original = (ui.*edit)->text();
                Type(ui.*edit, QString::fromUtf8(typed));
            },
            [=](TMainWinUi& ui) { Type(ui.*edit, *original); }, std::move(stored)};
}

BoundControl Check(const char* name, QCheckBox* TMainWinUi::*box,
                   std::function<bool(const tConfig&)> stored) {
    return {name, [=](TMainWinUi& ui) { (ui.*box)->click(); },
            [=](TMainWinUi& ui) { (ui.*box)->click(); }, std::move(stored)};
}

BoundControl Radio(const char* name, QRadioButton* TMainWinUi::*to, QRadioButton* TMainWinUi::*back,
                   std::function<bool(const tConfig&)> stored) {
    return {name, [=](TMainWinUi& ui) { (ui.*to)->click(); },
            [=](TMainWinUi& ui) { (ui.*back)->click(); }, std::move(stored)};
}

// A spin edit moved by its arrows.
BoundControl Arrows(const char* name, QSpinBox* TMainWinUi::*spin,
                    std::function<bool(const tConfig&)> stored) {
    return {name, [=](TMainWinUi& ui) { (ui.*spin)->stepUp(); },
            [=](TMainWinUi& ui) { (ui.*spin)->stepDown(); }, std::move(stored)};
}

std::vector<BoundControl> BoundControls() {
    using U = TMainWinUi;
    return {
        Edit("leUserName", &U::leUserName, "Anna", [](auto& c) { return c.UserName == "Anna"; }),
        Arrows("seIntervall", &U::seIntervall, [](auto& c) { return c.Interval == 130; }),
        Arrows("seStartupDelay", &U::seStartupDelay, [](auto& c) { return c.StartupDelay == 6; }),
        Check("cbActive", &U::cbActive, [](auto& c) { return c.Active; }),
        Check("cbZavazuzeza", &U::cbZavazuzeza, [](auto& c) { return !c.UseZavazuzeza; }),
        Check("cbUseProxy", &U::cbUseProxy, [](auto& c) { return c.UseProxy; }),
        Edit("leProxyServer", &U::leProxyServer, "proxy.local",
             [](auto& c) { return c.ProxyServer == "proxy.local"; }),
        Edit("leProxyPort", &U::leProxyPort, "3128", [](auto& c) { return c.ProxyPort == 3128; }),
        Check("cbProxyAuth", &U::cbProxyAuth, [](auto& c) { return c.ProxyAuth; }),
        Edit("leProxyUsername", &U::leProxyUsername, "jo",
             [](auto& c) { return c.ProxyUsername == "jo"; }),
        Edit("leProxyPassword", &U::leProxyPassword, " geheim ",
             [](auto& c) { return c.ProxyPassword == " geheim "; }),
        Check("cbShowBalloon", &U::cbShowBalloon, [](auto& c) { return !c.ShowBalloon; }),
        Check("cbGotoGameOnBalloonClick", &U::cbGotoGameOnBalloonClick,
              [](auto& c) { return !c.gotoGameOnBalloonClick; }),
        Edit("leBalloonCaption", &U::leBalloonCaption, "Zug!",
             [](auto& c) { return c.BalloonCaption == "Zug!"; }),
        Edit("leBalloontext", &U::leBalloontext, "%d mal",
             [](auto& c) { return c.BalloonText == "%d mal"; }),
        {"seBalloonTimeout", [](U& ui) { ui.seBalloonTimeout->stepDown(); },
         [](U& ui) { ui.seBalloonTimeout->stepUp(); },
         [](auto& c) {
             return c.BalloonTimeout == 9;
         }},
        Edit("leTooltipText", &U::leTooltipText, "%d Züge",
             [](auto& c) {
                 return c.ToolTipText == QStringLiteral("%d Züge").toLocal8Bit().toStdString();
             }),
        Edit("leToolTipTextNichtDran", &U::leToolTipTextNichtDran, "Ruhe",
             [](auto& c) { return c.ToolTipTextNDran == "Ruhe"; }),
        Radio("rbTrayIcon16Cols", &U::rbTrayIcon16Cols, &U::rbTrayIconStandard,
              [](auto& c) { return c.TrayIconReducedColors; }),
        Radio("rbIconModeKing", &U::rbIconModeKing, &U::rbIconModeNormal,
              [](auto& c) { return !c.TrayIconModeNormal; }),
        Check("cbBlinkOnError", &U::cbBlinkOnError, [](auto& c) { return c.TrayIconBlinkOnError; }),
        {"tbBlinkSpeed", [](U& ui) { ui.tbBlinkSpeed->setValue(1500); },
         [](U& ui) { ui.tbBlinkSpeed->setValue(1000); },
         [](auto& c) {
             return c.TrayIconBlinkSpeed == 1500;
         }},
        Check("cbPopup", &U::cbPopup, [](auto& c) { return c.ShowPopup; }),
        Edit("lePopupCaption", &U::lePopupCaption, "Los",
             [](auto& c) { return c.PopupCaption == "Los"; }),
        Edit("lePopupMessage", &U::lePopupMessage, "%d!",
             [](auto& c) { return c.PopupMessage == "%d!"; }),
        Arrows("sePopupDelay1", &U::sePopupDelay1, [](auto& c) { return c.PopupDelay1 == 301; }),
        Arrows("sePopupDelay2", &U::sePopupDelay2, [](auto& c) { return c.PopupDelay2 == 901; }),
        Edit("editPopupHinda", &U::editPopupHinda, "Ab!",
             [](auto& c) { return c.HindaText == "Ab!"; }),
        Check("cbStartupCheck", &U::cbStartupCheck, [](auto& c) { return c.StartupCheck; }),
    };
}

TEST_F(SettingsWindowTest, EveryBoundControlEnablesApplyUntilUndoneOrApplied) {
    StartShown();
    ASSERT_FALSE(ApplyEnabled());
    for (const BoundControl& control : BoundControls()) {
        SCOPED_TRACE(control.name);
        control.change(win->Ui());
        EXPECT_TRUE(win->SettingsDiffer());
        EXPECT_TRUE(ApplyEnabled());
        control.undo(win->Ui());
        EXPECT_FALSE(win->SettingsDiffer());
        EXPECT_FALSE(ApplyEnabled());

        control.change(win->Ui());
        EXPECT_FALSE(control.stored(win->Config()));
        Apply();
        EXPECT_TRUE(control.stored(win->Config()));
        EXPECT_FALSE(ApplyEnabled());
        EXPECT_FALSE(win->SettingsDiffer());
    }
    EXPECT_TRUE(win->isVisible()); // applying does not close the window
}

// Typing into a spin edit counts at once, even while the text is not yet a
// value the box accepts (the comparison reads what is typed).
TEST_F(SettingsWindowTest, TypingIntoTheIntervalIsSeenBeforeLeavingTheBox) {
    StartShown();
    win->Ui().seIntervall->selectAll();
    QTest::keyClicks(win->Ui().seIntervall, "5");
    EXPECT_TRUE(win->SettingsDiffer());
    EXPECT_TRUE(ApplyEnabled());
    // Applying raises it to the smallest interval.
    Apply();
    EXPECT_EQ(win->Config().Interval, 20);
    EXPECT_EQ(win->Ui().seIntervall->value(), 20);
    EXPECT_EQ(win->Ui().seIntervall->text(), "20");
    EXPECT_EQ(win->TimerCheck().interval(), 20000);
}

// Leaving a spin edit: no number counts as its minimum, a value out of range
// is corrected into it (not back to the value it held before). Typing past
// the maximum is not refused keystroke by keystroke.
TEST_F(SettingsWindowTest, ASpinEditLeftOutOfRangeTakesTheNearestEnd) {
    StartShown("Interval=300\nPopupDelay1=600\nStartupDelay=5\n");
    using U = TMainWinUi;
    const struct {
        QSpinBox* U::*spin;
        const char* typed; // replaces the whole text
        int left;          // the value after leaving
    } rows[] = {
        {&U::seIntervall, "", 20},          {&U::seIntervall, "-", 20},
        {&U::seIntervall, "5", 20},         {&U::sePopupDelay1, "", 1},
        {&U::seStartupDelay, "", 1},        {&U::seBalloonTimeout, "", 1},
        {&U::seIntervall, "5000", 1800},    {&U::seStartupDelay, "75", 60},
        {&U::sePopupDelay2, "99999", 3600},
    };
    for (const auto& row : rows) {
        QSpinBox* spin = win->Ui().*(row.spin);
        SCOPED_TRACE(spin->objectName().toStdString() + " <- '" + row.typed + "'");
        // Not the value expected after leaving.
        spin->setValue(row.left == spin->minimum() ? spin->maximum() : spin->minimum());
        spin->selectAll();
        QTest::keyClick(spin, Qt::Key_Backspace);
        QTest::keyClicks(spin, QString::fromLatin1(row.typed));
        QFocusEvent out(QEvent::FocusOut, Qt::TabFocusReason);
        QApplication::sendEvent(spin, &out);
        EXPECT_EQ(spin->value(), row.left);
        EXPECT_EQ(spin->text(), QString::number(row.left));
    }
}

// --- what applying puts into effect -------------------------------------------

TEST_F(SettingsWindowTest, ApplyRearmsTheCheckTimer) {
    StartShown("Active=1\n");
    ASSERT_TRUE(win->TimerCheck().isActive());
    win->Ui().seIntervall->setValue(60);
    Apply();
    EXPECT_TRUE(win->TimerCheck().isActive());
    EXPECT_EQ(win->TimerCheck().interval(), 60000);

    win->Ui().cbActive->click();
    Apply();
    EXPECT_FALSE(win->Config().Active);
    EXPECT_FALSE(win->TimerCheck().isActive());
    EXPECT_EQ(win->TrayIndex(), TrayImageDark);
    EXPECT_EQ(win->TrayTip(), "Inaktiv");
    EXPECT_TRUE(win->Aktivieren1->isEnabled());
    EXPECT_FALSE(win->Deaktivieren1->isEnabled());
}

TEST_F(SettingsWindowTest, SwitchingOnByApplyWaitsAFullIntervalForTheFirstCheck) {
    server.SetDefault(FakeResponse::Ok(StatusPage(0)));
    StartShown("Interval=20\n");
    ASSERT_FALSE(win->TimerCheck().isActive());
    win->Ui().cbActive->click();
    Apply();
    EXPECT_TRUE(win->Config().Active);
    EXPECT_TRUE(win->TimerCheck().isActive());
    EXPECT_GT(win->TimerCheck().remainingTime(), 19000);
    EXPECT_TRUE(win->Deaktivieren1->isEnabled());
    EXPECT_FALSE(win->Aktivieren1->isEnabled());
    Spin(200);
    EXPECT_EQ(server.RequestCount(), 0u);
    EXPECT_FALSE(win->Core().DranCheckRunning());
}

TEST_F(SettingsWindowTest, ApplyWithTheTimerUnchangedLeavesItsCountdownRunning) {
    StartShown("Interval=20\n");
    // A coarse timer may report more than its interval; the precise one
    // shows the countdown as it is.
    win->TimerCheck().setTimerType(Qt::PreciseTimer);
    win->Ui().cbActive->click();
    Apply();
    ASSERT_TRUE(win->TimerCheck().isActive());
    Spin(400);
    const int before = win->TimerCheck().remainingTime();
    ASSERT_LT(before, 19800);
    Type(win->Ui().leBalloonCaption, "Anderes");
    Apply();
    EXPECT_TRUE(win->TimerCheck().isActive());
    EXPECT_LE(win->TimerCheck().remainingTime(), before);
    EXPECT_EQ(server.RequestCount(), 0u); // already active: no check on Apply
}

TEST_F(SettingsWindowTest, ApplySetsIconSetAndTooltipByTheLastResult) {
    server.Enqueue(FakeResponse::Ok(StatusPage(2)));
    StartShown("Active=1\nShowPopup=0\nShowBalloon=0\n");
    win->Aktualisieren1Click();
    ASSERT_TRUE(WaitForCalls(1));
    ASSERT_EQ(win->TrayIndex(), TrayImageGreen);

    win->Ui().rbTrayIcon16Cols->click();
    Type(win->Ui().leTooltipText, "Zug in %d Spielen");
    EXPECT_FALSE(win->TrayReducedSet()); // only Apply changes the tray
    Apply();
    EXPECT_TRUE(win->TrayReducedSet());
    EXPECT_EQ(win->TrayIndex(), TrayImageGreen); // same state, other look
    EXPECT_EQ(win->TrayTip(), "Zug in 2 Spielen");

    win->Ui().rbTrayIconStandard->click();
    Apply();
    EXPECT_FALSE(win->TrayReducedSet());
}

TEST_F(SettingsWindowTest, ApplyAfterAFailureShowsTheNotDueTooltip) {
    server.Enqueue(FakeResponse::Status(500, "Internal Server Error"));
    StartShown("Active=1\n");
    win->Aktualisieren1Click();
    ASSERT_TRUE(WaitForCalls(1));
    ASSERT_EQ(win->TrayTip(), "Fehler (Internal Server Error)");
    Type(win->Ui().leToolTipTextNichtDran, "Nichts zu tun");
    Apply();
    EXPECT_EQ(win->TrayTip(), "Nichts zu tun");
}

struct ProxyCase {
    bool useProxy;
    bool auth;
    const char* host;
    const char* port;
    const char* user;
    const char* password;
};

TEST_F(SettingsWindowTest, ApplyGivesTheClientItsProxy) {
    StartShown();
    EXPECT_EQ(win->HttpClient().Proxy().host, "");
    EXPECT_EQ(win->HttpClient().Proxy().port, "80");
    auto& ui = win->Ui();
    Type(ui.leProxyServer, "  cache.lan  ");
    Type(ui.leProxyPort, "3128");
    Type(ui.leProxyUsername, "jo ");
    Type(ui.leProxyPassword, " pw ");
    for (const ProxyCase c : {ProxyCase{true, true, "cache.lan", "3128", "jo", " pw "},
                              ProxyCase{true, false, "cache.lan", "3128", "", ""},
                              ProxyCase{false, true, "", "80", "", ""},
                              ProxyCase{true, true, "cache.lan", "3128", "jo", " pw "}}) {
        SCOPED_TRACE(testing::Message() << c.useProxy << c.auth);
        ui.cbUseProxy->setChecked(c.useProxy);
        ui.cbProxyAuth->setChecked(c.auth);
        win->btnSetConfigClick(ui.btnSetConfig);
        EXPECT_FALSE(win->ClientConfigPending());
        const HttpProxy p = win->HttpClient().Proxy();
        EXPECT_EQ(p.host, c.host);
        EXPECT_EQ(p.port, c.port);
        EXPECT_EQ(p.username, c.user);
        EXPECT_EQ(p.password, c.password);
    }
    // The trimmed texts show in the boxes after Apply; the password is kept as typed.
    EXPECT_EQ(ui.leProxyServer->text(), "cache.lan");
    EXPECT_EQ(ui.leProxyUsername->text(), "jo");
    EXPECT_EQ(ui.leProxyPassword->text(), " pw ");
}

TEST_F(SettingsWindowTest, ApplyStartsAndStopsTheErrorBlinking) {
    StartShown("Active=1\n"); // off, the tray would show the dark light anyway
    win->SetErrorState(true, "weg");
    ASSERT_FALSE(win->TimerErrorIcon().isActive()); // blinking is off

    win->Ui().cbBlinkOnError->click();
    win->Ui().tbBlinkSpeed->setValue(700);
    EXPECT_FALSE(win->TimerErrorIcon().isActive()); // not before Apply
    Apply();
    EXPECT_TRUE(win->TimerErrorIcon().isActive());
    EXPECT_EQ(win->TimerErrorIcon().interval(), 700);

    win->Ui().tbBlinkSpeed->setValue(1800);
    Apply();
    EXPECT_TRUE(win->TimerErrorIcon().isActive());
    EXPECT_EQ(win->TimerErrorIcon().interval(), 1800);

    // Switched off during the dark phase: the steady failure image returns.
    win->timerErrorIconTimer();
    win->timerErrorIconTimer();
    ASSERT_EQ(win->TrayIndex(), TrayImageDark);
    win->Ui().cbBlinkOnError->click();
    Apply();
    EXPECT_FALSE(win->TimerErrorIcon().isActive());
    EXPECT_EQ(win->TrayIndex(), TrayImageRed);
}

TEST_F(SettingsWindowTest, ApplyWithoutAFailureDoesNotBlink) {
    StartShown("TrayIconBlinkOnError=0\n");
    win->Ui().cbBlinkOnError->click();
    Apply();
    EXPECT_FALSE(win->TimerErrorIcon().isActive());
}

// Closing the client under a running request would make the check fail; the
// proxy change waits for the request to end.
TEST_F(SettingsWindowTest, ApplyDuringARequestLetsItFinishThenChangesTheProxy) {
    FakeResponse slow = FakeResponse::Ok(StatusPage(1, 42));
    slow.delay = 600ms;
    server.Enqueue(slow);
    StartShown("Active=1\nShowPopup=0\nShowBalloon=0\n");
    win->Aktualisieren1Click();
    ASSERT_TRUE(server.WaitForRequests(1, 2000ms));

    win->Ui().cbUseProxy->click();
    Type(win->Ui().leProxyServer, "127.0.0.1");
    Type(win->Ui().leProxyPort, QString::number(UnusedPort()));
    Apply();
    EXPECT_TRUE(win->ClientConfigPending());
    EXPECT_EQ(win->HttpClient().Proxy().host, ""); // not under the running request
    EXPECT_TRUE(win->Config().UseProxy);           // the setting itself is in

    ASSERT_TRUE(WaitForCalls(1));
    EXPECT_FALSE(win->LastResult().Error) << win->LastResult().Text;
    EXPECT_EQ(win->LastResult().Count, 1);
    EXPECT_EQ(win->LastResult().GID, 42);
    ASSERT_TRUE(WaitUntil([&] { return !win->ClientConfigPending(); }, 3000));
    EXPECT_EQ(win->HttpClient().Proxy().host, "127.0.0.1");
    EXPECT_FALSE(win->isVisible() && win->Ui().btnSetConfig->isEnabled());
}

// --- edge cases of comparing and applying -------------------------------------

TEST_F(SettingsWindowTest, StoredStartupDelayAboveTenShowsTenAndCountsAsAChange) {
    StartShown("StartupDelay=30\n");
    EXPECT_EQ(win->Config().StartupDelay, 30);
    EXPECT_EQ(win->Ui().seStartupDelay->value(), 10);
    EXPECT_TRUE(win->SettingsDiffer());
    EXPECT_TRUE(ApplyEnabled());

    // Closing asks even though the user changed nothing.
    DialogAnswerer answerer;
    answerer.Then([](ModalDialog& d) {
        EXPECT_EQ(d.Title(), "VexelReminder - Ge\u00e4nderte Einstellungen");
        d.Click("Abbrechen");
    });
    win->Ui().btnClose->click();
    EXPECT_TRUE(answerer.AllAnswered());
    EXPECT_TRUE(win->isVisible());

    Apply();
    EXPECT_EQ(win->Config().StartupDelay, 10);
    EXPECT_FALSE(ApplyEnabled());
}

TEST_F(SettingsWindowTest, SpacesAroundTheUserNameAreNoChangeAndApplyTrimsThem) {
    StartShown("UserName=Anna Maria\n");
    Type(win->Ui().leUserName, "  Anna Maria  ");
    EXPECT_FALSE(win->SettingsDiffer());
    EXPECT_FALSE(ApplyEnabled());

    win->Ui().cbPopup->click(); // another change makes Apply possible
    Apply();
    EXPECT_EQ(win->Config().UserName, "Anna Maria");
    EXPECT_EQ(win->Ui().leUserName->text(), "Anna Maria");
}

TEST_F(SettingsWindowTest, TrailingSpaceInPopupCaptionIsAChangeAndIsKept) {
    StartShown("PopupCaption=Dran\n");
    win->Ui().lePopupCaption->end(false);
    QTest::keyClicks(win->Ui().lePopupCaption, " ");
    EXPECT_TRUE(ApplyEnabled());
    Apply();
    EXPECT_EQ(win->Config().PopupCaption, "Dran ");
    EXPECT_EQ(win->Ui().lePopupCaption->text(), "Dran ");
}

struct PortCase {
    const char* typed;
    int storedBefore;
    bool differs;
    int applied;
};

TEST_F(SettingsWindowTest, PortTextThatIsNoNumberCountsAs8080) {
    for (const PortCase c :
         {PortCase{"acht", 8080, false, 8080}, PortCase{"", 8080, false, 8080},
          PortCase{"80x", 3128, true, 8080}, PortCase{"99999999999", 3128, true, 8080}}) {
        SCOPED_TRACE(c.typed);
        Stop();
        StartShown("ProxyPort=" + std::to_string(c.storedBefore) + "\n");
        Type(win->Ui().leProxyPort, QString::fromUtf8(c.typed));
        EXPECT_EQ(win->SettingsDiffer(), c.differs);
        EXPECT_EQ(ApplyEnabled(), c.differs);
        win->Ui().cbStartupCheck->click();
        Apply();
        EXPECT_EQ(win->Config().ProxyPort, c.applied);
        EXPECT_EQ(win->Ui().leProxyPort->text(), QString::number(c.applied));
    }
}

TEST_F(SettingsWindowTest, PortAbove65535StaysUntilTheNextStart) {
    StartShown("UseProxy=1\nProxyServer=cache.lan\n");
    Type(win->Ui().leProxyPort, "70000");
    Apply();
    EXPECT_EQ(win->Config().ProxyPort, 70000);
    EXPECT_EQ(win->HttpClient().Proxy().port, "70000");
    EXPECT_EQ(win->Ui().leProxyPort->text(), "70000");

    Stop(); // saves
    Start();
    EXPECT_EQ(win->Config().ProxyPort, 65535);
    EXPECT_EQ(win->HttpClient().Proxy().port, "65535");
}

// --- closing --------------------------------------------------------------------

TEST_F(SettingsWindowTest, CloseWithoutChangesHidesAtOnce) {
    StartShown();
    DialogAnswerer none; // a question would fail the test
    win->Ui().btnClose->click();
    EXPECT_FALSE(win->isVisible());
    EXPECT_EQ(none.Answered(), 0);
}

TEST_F(SettingsWindowTest, CloseAsksWithTheThreeButtons) {
    StartShown();
    Type(win->Ui().leBalloonCaption, "Neu");
    DialogAnswerer answerer;
    answerer.Then([](ModalDialog& d) {
        EXPECT_EQ(d.Title(), "VexelReminder - Ge\u00e4nderte Einstellungen");
        EXPECT_EQ(d.Instruction(), "Ge\u00e4nderte Einstellungen \u00fcbernehmen?");
        EXPECT_EQ(d.Content(),
                  "Einige der Einstellungen wurden ver\u00e4ndert, aber noch nicht "
                  "\u00fcbernommen. Sollen die \u00c4nderungen jetzt angewandt werden?");
        EXPECT_EQ(d.Icon(), "warning");
        EXPECT_EQ(d.Buttons(), QStringList({"Ja", "Nein", "Abbrechen"}));
        d.Click("Abbrechen");
    });
    win->Ui().btnClose->click();
    EXPECT_TRUE(answerer.AllAnswered());
    EXPECT_TRUE(win->isVisible());
    EXPECT_EQ(win->Config().BalloonCaption, "Vexelfeld");
    EXPECT_TRUE(ApplyEnabled());
}

TEST_F(SettingsWindowTest, CloseYesAppliesThenHides) {
    StartShown("Active=0\n");
    win->Ui().cbActive->click();
    Type(win->Ui().leBalloonCaption, "Neu");
    CloseAnswering("Ja");
    EXPECT_FALSE(win->isVisible());
    EXPECT_EQ(win->Config().BalloonCaption, "Neu");
    EXPECT_TRUE(win->Config().Active);
    EXPECT_TRUE(win->TimerCheck().isActive());
    EXPECT_FALSE(ApplyEnabled());
    // Nothing left to ask about.
    win->ShowSettingsWindow();
    DialogAnswerer none;
    win->Ui().btnClose->click();
    EXPECT_FALSE(win->isVisible());
}

TEST_F(SettingsWindowTest, CloseNoKeepsTheEditsForTheNextShowing) {
    StartShown();
    Type(win->Ui().leUserName, "Bert");
    CloseAnswering("Nein");
    EXPECT_FALSE(win->isVisible());
    EXPECT_EQ(win->Config().UserName, "pim");

    win->ffnen1Click(); // from the tray
    EXPECT_TRUE(win->isVisible());
    EXPECT_EQ(win->Ui().leUserName->text(), "Bert");
    EXPECT_TRUE(ApplyEnabled());
    // ... and the question comes again.
    CloseAnswering("Nein");
    EXPECT_FALSE(win->isVisible());
}

TEST_F(SettingsWindowTest, CloseBoxActsLikeTheCloseButton) {
    StartShown();
    Type(win->Ui().lePopupMessage, "Los!");
    {
        DialogAnswerer answerer;
        answerer.ThenClick("Abbrechen");
        EXPECT_FALSE(win->close());
        EXPECT_TRUE(answerer.AllAnswered());
        EXPECT_TRUE(win->isVisible());
    }
    {
        DialogAnswerer answerer;
        answerer.ThenClick("Ja");
        EXPECT_FALSE(win->close()); // hidden, never closed for good
        EXPECT_TRUE(answerer.AllAnswered());
        EXPECT_FALSE(win->isVisible());
        EXPECT_EQ(win->Config().PopupMessage, "Los!");
    }
}

// The question offers no way out but its three answers.
TEST_F(SettingsWindowTest, QuestionNeedsOneOfItsAnswers) {
    StartShown();
    Type(win->Ui().leUserName, "Bert");
    DialogAnswerer answerer;
    answerer.Then([](ModalDialog& d) {
        d.CloseBox();
        d.PressEscape();
        EXPECT_TRUE(d.IsOpen());
        d.Click("Nein");
    });
    win->Ui().btnClose->click();
    EXPECT_TRUE(answerer.AllAnswered());
    EXPECT_FALSE(win->isVisible());
    EXPECT_EQ(win->Config().UserName, "pim");
    EXPECT_TRUE(ApplyEnabled());
}

TEST_F(SettingsWindowTest, EnterActsLikeTheCloseButtonAndEscapeDoesNothing) {
    StartShown();
    Type(win->Ui().leUserName, "Bert");
    {
        DialogAnswerer none; // no question, and the window stays
        QTest::keyClick(win->Ui().leUserName, Qt::Key_Escape);
        QTest::keyClick(win->Ui().XPPageControl, Qt::Key_Escape);
        EXPECT_EQ(none.Answered(), 0);
        EXPECT_TRUE(win->isVisible());
    }
    {
        DialogAnswerer answerer;
        answerer.ThenClick("Nein");
        QTest::keyClick(win->Ui().leUserName, Qt::Key_Return); // the default button
        EXPECT_TRUE(answerer.AllAnswered());
        EXPECT_FALSE(win->isVisible());
    }
}

TEST_F(SettingsWindowTest, WhileTheSessionEndsTheWindowClosesWithoutAsking) {
    StartShown();
    Type(win->Ui().leUserName, "Bert");
    DialogAnswerer none;
    win->WMQueryEndSession();
    EXPECT_FALSE(win->isVisible());
    EXPECT_EQ(none.Answered(), 0);
    EXPECT_EQ(win->Config().UserName, "pim");
}

TEST_F(SettingsWindowTest, LaterShowingsNeitherRefillNorApply) {
    StartShown();
    win->Ui().seIntervall->setValue(300);
    CloseAnswering("Nein");
    win->Config().UserName = "anders"; // e.g. changed behind the window's back
    win->ShowSettingsWindow();
    EXPECT_EQ(win->Ui().seIntervall->value(), 300);
    EXPECT_EQ(win->Ui().leUserName->text(), "pim");
}

TEST_F(SettingsWindowTest, InformationIsEmptyUntilTheFirstResult) {
    StartShown();
    EXPECT_EQ(win->Ui().labCallsValue->text(), "");
    EXPECT_EQ(win->Ui().labCallErrorsValue->text(), "");
    EXPECT_EQ(win->Ui().labLastResultValue->text(), "");
}

TEST_F(SettingsWindowTest, WindowHasAFixedSizeWithoutMinimiseOrMaximise) {
    StartShown();
    const QSize size = win->size();
    EXPECT_EQ(win->minimumSize(), size);
    EXPECT_EQ(win->maximumSize(), size);
    win->resize(size + QSize(100, 100));
    EXPECT_EQ(win->size(), size);
    const Qt::WindowFlags flags = win->windowFlags();
    EXPECT_FALSE(flags & Qt::WindowMinimizeButtonHint);
    EXPECT_FALSE(flags & Qt::WindowMaximizeButtonHint);
    EXPECT_TRUE(flags & Qt::WindowCloseButtonHint);
    EXPECT_EQ(win->windowTitle(), "VexelReminder");
    EXPECT_TRUE(win->Ui().btnClose->isDefault());
}

// --- blink preview -----------------------------------------------------------------

QImage PreviewImage(TMainWin& w) {
    return w.Ui().imageIconError->pixmap().toImage();
}

QImage Motif(bool reduced, int index) {
    return TrayImageSet(reduced).Pixmap(index, 16).toImage();
}

TEST_F(SettingsWindowTest, BlinkPreviewFollowsTheUnappliedChoices) {
    StartShown();
    auto& ui = win->Ui();
    EXPECT_TRUE(ui.imageIconError->isHidden());
    EXPECT_FALSE(win->TimerErrorIconTest().isActive());

    ui.cbBlinkOnError->click();
    EXPECT_FALSE(ui.imageIconError->isHidden());
    EXPECT_TRUE(win->TimerErrorIconTest().isActive());
    EXPECT_EQ(win->TimerErrorIconTest().interval(), 1000);
    EXPECT_TRUE(ApplyEnabled());

    ui.tbBlinkSpeed->setValue(500);
    EXPECT_EQ(win->TimerErrorIconTest().interval(), 500);
    EXPECT_EQ(win->TimerErrorIcon().interval(), 1000); // the tray waits for Apply

    // Lit lamp and dark light in turn, from the set and mode chosen on the page.
    win->timerErrorIconTestTimer();
    EXPECT_EQ(PreviewImage(*win), Motif(false, TrayImageRed));
    win->timerErrorIconTestTimer();
    EXPECT_EQ(PreviewImage(*win), Motif(false, TrayImageDark));
    ui.rbIconModeKing->click();
    ui.rbTrayIcon16Cols->click();
    win->timerErrorIconTestTimer();
    EXPECT_EQ(PreviewImage(*win), Motif(true, TrayImageYellow));
    win->timerErrorIconTestTimer();
    EXPECT_EQ(PreviewImage(*win), Motif(true, TrayImageDark));

    // It runs by itself, also while the window is hidden.
    CloseAnswering("Nein");
    const QImage before = PreviewImage(*win);
    ASSERT_TRUE(WaitUntil([&] { return PreviewImage(*win) != before; }, 3000));

    win->ShowSettingsWindow();
    ui.cbBlinkOnError->click();
    EXPECT_TRUE(ui.imageIconError->isHidden());
    EXPECT_FALSE(win->TimerErrorIconTest().isActive());
}

TEST_F(SettingsWindowTest, BlinkPreviewFollowsStoredSettingsWhenTheControlsAreFilled) {
    StartShown("TrayIconBlinkOnError=1\nTrayIconBlinkSpeed=1500\n");
    EXPECT_FALSE(win->Ui().imageIconError->isHidden());
    EXPECT_TRUE(win->TimerErrorIconTest().isActive());
    EXPECT_EQ(win->TimerErrorIconTest().interval(), 1500);
    EXPECT_FALSE(ApplyEnabled());
}

// --- Zavazuzeza help --------------------------------------------------------------

struct ZavaCase {
    bool stored;
    const char* answer;
    bool checked;
    bool differs;
};

TEST_F(SettingsWindowTest, ZavazuzezaHelpSetsTheBoxAsAnswered) {
    for (const ZavaCase c :
         {ZavaCase{true, "Nein", false, true}, ZavaCase{true, "Ja", true, false},
          ZavaCase{false, "Ja", true, true}, ZavaCase{false, "Nein", false, false}}) {
        SCOPED_TRACE(testing::Message() << c.stored << c.answer);
        Stop();
        StartShown(std::string("UseZavazuzeza=") + (c.stored ? "1" : "0") + "\n");
        DialogAnswerer answerer;
        answerer.Then([&](ModalDialog& d) {
            EXPECT_EQ(d.Title(), "Zavazuzeza - Info");
            d.Click(QString::fromUtf8(c.answer));
        });
        QTest::mouseClick(win->Ui().imgHelpZavazuzeza, Qt::LeftButton);
        EXPECT_TRUE(answerer.AllAnswered());
        EXPECT_EQ(win->Ui().cbZavazuzeza->isChecked(), c.checked);
        EXPECT_EQ(ApplyEnabled(), c.differs);
        EXPECT_EQ(win->Config().UseZavazuzeza, c.stored); // only Apply stores it
    }
}

} // namespace
} // namespace vexrem::test
