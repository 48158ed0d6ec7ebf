// Start-up, the tray icon and the check cycle of the real main window against
// a fake game server.
#include "MainWinFixture.h"

#include "ui/BalloonNotifier.h"
#include "ui/Popup.h"
#include "update/ExeVersion.h"
#include "update/VersionList.h"

#include <QAction>
#include <QCheckBox>
#include <QLabel>
#include <QMenu>
#include <QMessageBox>
#include <QPushButton>
#include <QRegularExpression>
#include <QSignalSpy>
#include <QSystemTrayIcon>
#include <QTabWidget>
#include <QTextDocument>
#include <QTreeWidget>
#include <gmock/gmock.h>

namespace vexrem::test {
namespace {

using namespace std::chrono_literals;

TEST_F(MainWinTest, StartsHiddenAndChecksAfterTheStartupDelay) {
    StoreSettings("Active=1\nStartupDelay=1\nUserName=Anna Maria\n");
    server.SetDefault(FakeResponse::Ok(StatusPage(2)));
    Start();
    EXPECT_FALSE(win->isVisible());
    EXPECT_EQ(win->findChild<QTabWidget*>(), nullptr); // the pages come when first needed
    EXPECT_EQ(win->TrayIndex(), TrayImageDark);
    EXPECT_EQ(win->TrayTip(), "Bei keinem Spiel dran.");
    EXPECT_EQ(win->TimerStartupDelay().interval(), 1000);
    EXPECT_TRUE(win->TimerCheck().isActive()); // armed at creation, not after the delay
    EXPECT_EQ(win->TimerCheck().interval(), 120000);

    ASSERT_TRUE(WaitForCalls(1, 4000));
    EXPECT_FALSE(win->TimerStartupDelay().isActive()); // runs once
    EXPECT_EQ(win->TrayIndex(), TrayImageGreen);
    EXPECT_EQ(win->TrayTip(), "Dran bei 2 Spielen.");
    EXPECT_EQ(win->Ui().labCallsValue->text(), "1");
    EXPECT_EQ(win->Ui().labCallErrorsValue->text(), "0");
    EXPECT_TRUE(win->Ui().labLastResultValue->text().endsWith("] Dran bei 2 Spielen."));
    EXPECT_TRUE(win->Ui().labLastResultValue->text().startsWith("["));

    const std::string request = server.Requests().at(0);
    EXPECT_NE(request.find("GET /dran.php?login=Anna%20Maria HTTP/1.0\r\n"), std::string::npos);
    EXPECT_NE(request.find("User-Agent: Mozilla/3.0 (compatible; dVexRem " + GetExeVersion() +
                           "; internal 8)\r\n"),
              std::string::npos);
    EXPECT_TRUE(
        win->Ui().labProgName->text().endsWith(" V." + QString::fromStdString(GetExeVersion())));
    EXPECT_EQ(win->Ui().labMyVersion->text().toStdString(), GetExeVersion());
}

TEST_F(MainWinTest, FirstRunShowsTheSettingsWindowAndMakesNoCheck) {
    Start();
    EXPECT_TRUE(win->Config().FirstRun);
    win->timerStartupDelayTimer();
    EXPECT_FALSE(win->Config().FirstRun);
    EXPECT_TRUE(win->isVisible());
    EXPECT_EQ(win->Ui().XPPageControl->currentWidget(), win->Ui().tsBasics);
    EXPECT_EQ(win->TrayTip(), "Inaktiv.");
    Spin(100);
    EXPECT_EQ(server.RequestCount(), 0u);
}

TEST_F(MainWinTest, IniLineNamesFileAndSection) {
    Start();
    const QString hint = win->Ui().labFilename->toolTip();
    EXPECT_EQ(hint.toStdString(), IniPath() + "#tester");
    EXPECT_TRUE(win->Ui().labFilename->text().startsWith("INI-Datei: "));
    EXPECT_TRUE(
        win->Ui().labFilename->text().endsWith(PathDelim + QStringLiteral("vexrem.ini#tester")));
}

TEST_F(MainWinTest, CloseBoxAndEscapeOnlyHide) {
    StartAndRunStartup();
    ASSERT_TRUE(win->isVisible()); // first run
    win->close();
    EXPECT_FALSE(win->isVisible());
    win->ShowSettingsWindow();
    EXPECT_TRUE(win->isVisible());
    win->reject();
    EXPECT_FALSE(win->isVisible());
    // Once the session ends, the window may close.
    win->WMQueryEndSession();
    EXPECT_TRUE(win->SessionEnding());
}

TEST_F(MainWinTest, TrayShowsTheStateCutToWhatATrayShows) {
    StoreSettings("TooltipText=Dran bei %d Spielen, %d!\n");
    Start();
    win->SetTrayState(7, "");
    EXPECT_EQ(win->TrayIndex(), TrayImageGreen);
    EXPECT_EQ(win->TrayTip().toStdString(), "Dran bei 7 Spielen, 7!");
    win->SetTrayState(-1, std::string(300, 'x'));
    EXPECT_EQ(win->TrayIndex(), TrayImageRed);
    EXPECT_EQ(win->TrayTip().size(), 127);
}

TEST_F(MainWinTest, ErrorBlinkingRunsOnItsTimer) {
    StoreSettings("TrayIconBlinkOnError=1\nTrayIconBlinkSpeed=500\n");
    Start();
    win->SetErrorState(true, "weg");
    EXPECT_TRUE(win->TimerErrorIcon().isActive());
    EXPECT_EQ(win->TimerErrorIcon().interval(), 500);
    EXPECT_TRUE(win->Ui().labLastResultValue->text().endsWith("] Fehler: weg"));
    win->timerErrorIconTimer();
    EXPECT_EQ(win->TrayIndex(), TrayImageRed);
    win->timerErrorIconTimer();
    EXPECT_EQ(win->TrayIndex(), TrayImageDark);
    win->SetErrorState(false);
    EXPECT_FALSE(win->TimerErrorIcon().isActive());
}

TEST_F(MainWinTest, ReducedSetKeepsTheState) {
    server.SetDefault(FakeResponse::Ok(StatusPage(0)));
    StoreSettings("Active=1\nTrayIconReducedColors=0\n"); // not the default under WINE
    StartAndRunStartup();
    ASSERT_TRUE(WaitForCalls(1));
    EXPECT_FALSE(win->TrayReducedSet());
    win->Config().TrayIconReducedColors = true;
    win->ApplySettings();
    EXPECT_TRUE(win->TrayReducedSet());
    EXPECT_EQ(win->TrayIndex(), TrayImageYellow);
}

TEST_F(MainWinTest, MenuEnablesExactlyOneActivationItem) {
    Start();
    const QList<QAction*> items = win->PopupMenu()->actions();
    QStringList captions;
    for (QAction* a : items) {
        captions << a->text();
    }
    EXPECT_EQ(captions, QStringList({"&Einstellungen", "&Vexelfeld", "&Aktualisieren", "",
                                     "&Deaktivieren", "&Aktivieren", "&Beenden"}));
    EXPECT_EQ(win->PopupMenu()->defaultAction(), win->Einstellungen3);
    EXPECT_TRUE(win->Einstellungen3->font().bold());
    win->PopupMenuPopup();
    EXPECT_FALSE(win->Deaktivieren1->isEnabled());
    EXPECT_TRUE(win->Aktivieren1->isEnabled());

    server.SetDefault(FakeResponse::Ok(StatusPage(0)));
    win->Aktivieren1Click(); // switching on checks at once and periodically
    EXPECT_TRUE(win->Config().Active);
    EXPECT_TRUE(win->Ui().cbActive->isChecked());
    EXPECT_TRUE(win->TimerCheck().isActive());
    EXPECT_TRUE(win->Deaktivieren1->isEnabled());
    EXPECT_FALSE(win->Aktivieren1->isEnabled());
    ASSERT_TRUE(WaitForCalls(1));

    win->Deaktivieren1Click();
    EXPECT_FALSE(win->Config().Active);
    EXPECT_EQ(win->TrayIndex(), TrayImageDark);
    EXPECT_EQ(win->TrayTip(), "Inaktiv");
}

// Results in a row: what the balloon, the popup and the last-result line do.
class CycleTest : public MainWinTest {
protected:
    void SetUp() override {
        StoreSettings("Active=1\nShowPopup=1\nShowBalloon=1\n");
        Start();
        balloons = std::make_unique<QSignalSpy>(win->Balloon(), &BalloonNotifier::shown);
    }

    // Runs one unforced check answered by response; popups are answered with
    // the button popupAnswer (none expected when empty).
    void Check(FakeResponse response, const QString& popupAnswer = {}, bool forced = false) {
        server.Enqueue(std::move(response));
        const int before = win->Calls();
        DialogAnswerer answerer;
        if (!popupAnswer.isEmpty()) {
            answerer.ThenClick(popupAnswer);
        }
        forced ? win->btnCheckClick() : win->Aktualisieren1Click();
        ASSERT_TRUE(WaitForCalls(before + 1));
        EXPECT_TRUE(answerer.AllAnswered());
        ASSERT_TRUE(WaitUntil([&] { return !win->Core().DranCheckRunning(); }));
        popups += answerer.Answered();
    }

    std::unique_ptr<QSignalSpy> balloons;
    int popups = 0;
};

// Which result announces what is decided in the core (see CheckCycleTest);
// here, that the window shows it.
TEST_F(CycleTest, ResultsInARowShowTheirBalloonPopupAndLines) {
    Check(FakeResponse::Ok(StatusPage(1, 4711)), "Hin da!");
    EXPECT_EQ(win->LastResult().GID, 4711);
    EXPECT_TRUE(
        win->Ui().labLastResultValue->text().endsWith("] Dran bei einem Spiel. (GID=4711)"));
    Check(FakeResponse::Status(500, "Internal Server Error"));
    EXPECT_EQ(win->TrayIndex(), TrayImageRed);
    EXPECT_EQ(win->TrayTip(), "Fehler (Internal Server Error)");
    EXPECT_TRUE(win->Ui().labLastResultValue->text().endsWith("] Fehler: Internal Server Error"));
    Check(FakeResponse::Ok(StatusPage(2)), "Hin da!");
    Check(FakeResponse::Ok(StatusPage(2)), "Hin da!");
    EXPECT_EQ(popups, 3);
    ASSERT_EQ(balloons->count(), 2);
    EXPECT_EQ(balloons->at(1).at(1).toString(), "Dran bei 2 Spiel(en).");
    EXPECT_EQ(balloons->at(1).at(2).toInt(), 10000);
    EXPECT_TRUE(win->Ui().labLastResultValue->text().endsWith("] Dran bei 2 Spielen."));
    EXPECT_EQ(win->Ui().labCallsValue->text(), "4");
    EXPECT_EQ(win->Ui().labCallErrorsValue->text(), "1");
}

TEST_F(CycleTest, SnoozeKeepsThePopupAwayUntilItEnds) {
    Check(FakeResponse::Ok(StatusPage(2)), "5 min");
    EXPECT_TRUE(win->TimerPopup().isActive());
    EXPECT_EQ(win->TimerPopup().interval(), 300000);
    Check(FakeResponse::Ok(StatusPage(2))); // snoozed: no popup
    EXPECT_EQ(popups, 1);
    Check(FakeResponse::Ok(StatusPage(2)), "Hin da!", true); // forced: shows anyway
    EXPECT_FALSE(win->TimerPopup().isActive());
    EXPECT_EQ(popups, 2);
}

TEST_F(CycleTest, PageWithoutCountShowsErrorStateWithoutCountingAFailure) {
    Check(FakeResponse::Ok("<html>Wartung</html>"));
    EXPECT_EQ(win->CallErrors(), 0);
    EXPECT_EQ(win->LastResult().Count, -1);
    EXPECT_EQ(win->TrayIndex(), TrayImageRed);
    EXPECT_EQ(win->TrayTip(), "Fehler (<html>Wartung</html>)");
    EXPECT_EQ(balloons->count(), 0);
}

TEST_F(CycleTest, ForcedFailureShowsTheErrorBoxAndBlocksChecksMeanwhile) {
    server.Enqueue(FakeResponse::Status(404, "Not Found"));
    DialogAnswerer answerer;
    answerer.Then([this](ModalDialog& d) {
        EXPECT_EQ(d.Title(), "Fehler");
        EXPECT_EQ(d.Instruction(), "Die Abfrage ergab einen Fehler: \"Not Found\"");
        EXPECT_EQ(d.Icon(), "critical");
        EXPECT_FALSE(win->Ui().btnCheck->isEnabled());
        // While the box is open, further checks are dropped.
        win->Aktualisieren1Click();
        win->timerCheckTimer();
        Spin(100);
        EXPECT_EQ(server.RequestCount(), 1u);
        d.Click("OK");
    });
    win->btnCheckClick();
    ASSERT_TRUE(answerer.WaitAllAnswered());
    ASSERT_TRUE(WaitUntil([&] { return !win->Core().DranCheckRunning(); }));
    EXPECT_EQ(win->CallErrors(), 1);
    EXPECT_TRUE(win->Ui().btnCheck->isEnabled());
}

TEST_F(CycleTest, TwoQuickRequestsMakeOneCheck) {
    FakeResponse slow = FakeResponse::Ok(StatusPage(0));
    slow.delay = 200ms;
    server.Enqueue(slow);
    win->Aktualisieren1Click();
    win->Aktualisieren1Click();
    ASSERT_TRUE(WaitForCalls(1));
    Spin(100);
    EXPECT_EQ(server.RequestCount(), 1u);
    EXPECT_EQ(win->Calls(), 1);
}

TEST_F(CycleTest, DeactivatingDuringACheckShowsInactiveThenTheResult) {
    FakeResponse slow = FakeResponse::Ok(StatusPage(0));
    slow.delay = 300ms;
    server.Enqueue(slow);
    win->Aktualisieren1Click();
    ASSERT_TRUE(server.WaitForRequests(1, 2000ms));
    win->Deaktivieren1Click();
    EXPECT_EQ(win->TrayTip(), "Inaktiv");
    ASSERT_TRUE(WaitForCalls(1));
    EXPECT_EQ(win->TrayIndex(), TrayImageYellow);
    EXPECT_EQ(win->TrayTip(), "Bei keinem Spiel dran.");
}

TEST_F(CycleTest, ProgramEndDuringARequestDoesNotHang) {
    FakeResponse hang;
    hang.hang = true;
    server.Enqueue(hang);
    win->Aktualisieren1Click();
    ASSERT_TRUE(server.WaitForRequests(1, 2000ms));
    win->Shutdown(); // cancels the request; does not wait for the worker
    EXPECT_TRUE(WaitUntil([this] { return !win->WorkersRunning(); }));
    EXPECT_FALSE(win->Core().DranCheckRunning());
    EXPECT_EQ(win->Calls(), 0); // no result is shown
}

// What a reader sees of a text handed to a widget in that format.
std::string Seen(const QString& text, Qt::TextFormat format) {
    if (format == Qt::PlainText || (format == Qt::AutoText && !Qt::mightBeRichText(text))) {
        return text.toStdString();
    }
    QTextDocument doc;
    doc.setHtml(text);
    return doc.toPlainText().toStdString();
}

std::string Seen(const QLabel* label) {
    return Seen(label->text(), label->textFormat());
}

// Texts of the server, the version list and the settings file reach the
// screen as they are, markup and entities included.
TEST_F(MainWinTest, ServerAndSettingsTextsAreShownLiterally) {
    Start();
    const char* const samples[] = {
        R"(<img src="/usr/share/pixmaps/debian-logo.png" width=900 height=500>)", "&lt;b&gt;",
        "<b>x</b>", "a & b <i>c</i>  &amp;"};
    for (const char* raw : samples) {
        const std::string sample = raw;
        SCOPED_TRACE(raw);
        // Tray tooltip: a failure's page, and the user's own tooltip text.
        win->SetTrayState(-1, raw);
        EXPECT_EQ(Seen(win->TrayIcon()->toolTip(), Qt::AutoText), "Fehler (" + sample + ")");
        win->Config().ToolTipText = raw;
        win->SetTrayState(2, "");
        EXPECT_EQ(Seen(win->TrayIcon()->toolTip(), Qt::AutoText), sample);
        // The last-result line.
        win->SetErrorState(true, raw);
        EXPECT_THAT(Seen(win->Ui().labLastResultValue), ::testing::EndsWith("] Fehler: " + sample));
        // The error box of a forced check.
        {
            DialogAnswerer answerer;
            answerer.Then([&](ModalDialog& d) {
                auto* box = qobject_cast<QMessageBox*>(d.Widget());
                ASSERT_NE(box, nullptr);
                EXPECT_EQ(Seen(box->text(), box->textFormat()),
                          "Die Abfrage ergab einen Fehler: \"" + sample + "\"");
                d.Click("OK");
            });
            rDranbinInfo failed;
            failed.Error = true;
            failed.Text = raw;
            win->HandleDranbinInfo(failed, true);
            EXPECT_TRUE(answerer.AllAnswered());
        }
        // The popup, its texts from the settings file.
        {
            win->Config().ShowPopup = true;
            win->Config().PopupCaption = raw;
            win->Config().PopupMessage = raw;
            win->Config().HindaText = raw;
            DialogAnswerer answerer;
            answerer.Then([&](ModalDialog& d) {
                auto* popup = qobject_cast<TfrmPopup*>(d.Widget());
                ASSERT_NE(popup, nullptr);
                EXPECT_EQ(d.Title().toStdString(), sample);
                EXPECT_EQ(Seen(popup->labMessage), sample);
                EXPECT_EQ(popup->btnHinda->text().toStdString(), sample); // buttons know no markup
                popup->done(TfrmPopup::mrCancel);
            });
            win->ShowDranPopup(1);
            EXPECT_TRUE(answerer.AllAnswered());
        }
        // The Update page: the listed versions and news, and a failure.
        rUpdateResult listed;
        listed.Received = true;
        listed.HasEntries = true;
        listed.NewestVersion = raw;
        listed.Versions = {tVersionInfo{raw, raw, {raw}}};
        win->ShowUpdateResult(listed);
        EXPECT_EQ(Seen(win->Ui().labActver), sample);
        const QTreeWidgetItem* entry = win->Ui().tvFeatures->topLevelItem(0);
        ASSERT_NE(entry, nullptr);
        EXPECT_EQ(entry->text(0).toStdString(), sample + " (" + sample + ")");
        ASSERT_EQ(entry->childCount(), 1);
        EXPECT_EQ(entry->child(0)->text(0).toStdString(), sample);
        rUpdateResult failedList;
        failedList.ErrorText = raw;
        win->ShowUpdateResult(failedList);
        EXPECT_EQ(Seen(win->Ui().labUpdResult), "Fehler bei Abfrage: " + sample);
    }
}

// The time of the last result: the user's hours, minutes and seconds, no zone.
TEST_F(MainWinTest, LastResultTimeIsTheLocalesTimeOfDayWithoutZone) {
    Start();
    const struct {
        const char* locale;
        const char* pattern; // 21:05:09 in that locale
        const char* line;    // any time of day
    } rows[] = {
        {"de_DE", "^21:05:09$", R"(^\[\d\d:\d\d:\d\d\] x$)"},
        {"en_US", R"(^9:05:09[\s\x{202F}]?PM$)", R"(^\[\d\d?:\d\d:\d\d[\s\x{202F}]?[AP]M\] x$)"},
    };
    const QLocale before;
    for (const auto& row : rows) {
        SCOPED_TRACE(row.locale);
        const QLocale locale(QString::fromLatin1(row.locale));
        const QString time = locale.toString(QTime(21, 5, 9), TimeOfDayFormat(locale));
        EXPECT_TRUE(QRegularExpression(QString::fromLatin1(row.pattern)).match(time).hasMatch())
            << time.toStdString();
        QLocale::setDefault(locale);
        win->SetLastResult("x");
        const QString line = win->Ui().labLastResultValue->text();
        EXPECT_TRUE(QRegularExpression(QString::fromLatin1(row.line)).match(line).hasMatch())
            << line.toStdString();
    }
    QLocale::setDefault(before);
}

} // namespace
} // namespace vexrem::test