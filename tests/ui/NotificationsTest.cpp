// The turn popup and the balloon of the real main window, and where the clicks
// on popup, balloon, tray icon and tray menu send the player.
#include "MainWinFixture.h"

#include "ui/BalloonNotifier.h"
#include "ui/Popup.h"

#include <QAction>
#include <QApplication>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSignalSpy>
#include <QSystemTrayIcon>
#include <QTest>

#include <filesystem>
#include <functional>

namespace vexrem::test {
namespace {

class NotificationsTest : public MainWinTest {
protected:
    void StartWith(const std::string& settings) {
        StoreSettings(settings);
        Start();
    }

    // One unforced check whose page names count games (and gid for one);
    // popup answers the popup, and none may appear when it is empty.
    void Check(int count, int gid = 0, DialogAnswerer::Step popup = {}) {
        server.Enqueue(FakeResponse::Ok(StatusPage(count, gid)));
        const int before = win->Calls();
        DialogAnswerer answerer(3000);
        if (popup) {
            answerer.Then(std::move(popup));
        }
        win->Aktualisieren1Click();
        ASSERT_TRUE(WaitForCalls(before + 1));
        ASSERT_TRUE(WaitUntil([&] { return !win->Core().DranCheckRunning(); }, 8000));
        EXPECT_TRUE(answerer.AllAnswered());
        popups += answerer.Answered();
    }

    std::string GameUrl(int gid) const {
        return server.BaseUrl() + "/index.php?main=showmap.php?GID=" + std::to_string(gid);
    }
    std::string ListUrl() const {
        return server.BaseUrl() + "/index.php?main=showgames.php?dranbin=1";
    }

    std::vector<std::string> TakeOpened() {
        auto opened = platform.Opened();
        platform.ClearOpened();
        return opened;
    }

    // The frameset file behind a file:/// URL that was opened.
    static std::string FramesetOf(const std::string& url) {
        return ReadFileBytes(PathOfFileUrl(url));
    }

    void ClickBalloon() { emit win->Balloon()->clicked(); }
    // A single click acts once the double-click time has passed without a
    // second one.
    void ClickTrayIcon() {
        emit win->TrayIcon()->activated(QSystemTrayIcon::Trigger);
        Spin(QApplication::doubleClickInterval() + 100);
    }

    int popups = 0;
};

// Presses Enter where the keyboard focus is, as the user would.
void PressEnter(ModalDialog& d) {
    QWidget* target = QApplication::focusWidget();
    QTest::keyClick(target != nullptr ? target : d.Widget(), Qt::Key_Return);
}

// A click that comes from the window system, so modal blocking applies to it.
void ClickAsTheUser(QWidget* w) {
    QWidget* top = w->window();
    ASSERT_NE(top->windowHandle(), nullptr);
    const QPoint at = w->mapTo(top, w->rect().center());
    QTest::mouseClick(top->windowHandle(), Qt::LeftButton, {}, at);
}

// --- the popup -----------------------------------------------------------------

TEST_F(NotificationsTest, PopupShowsTheTextsOfTheSettingsAndEnterOpensTheGame) {
    StartWith("ShowPopup=1\nShowBalloon=0\nPopupCaption=Achtung, Rennen!\n"
              "PopupMessage=%d Spiele warten, %d mal %D.\nHindaText=Auf geht's\n");
    Check(1, 4711, [](ModalDialog& d) {
        EXPECT_EQ(d.Title(), "Achtung, Rennen!");
        EXPECT_TRUE(d.Labels().contains("1 Spiele warten, 1 mal %D."));
        EXPECT_EQ(d.Buttons(), QStringList({"5 min", "15 min", "Auf geht's"}));
        auto* popup = qobject_cast<TfrmPopup*>(d.Widget());
        ASSERT_NE(popup, nullptr);
        EXPECT_TRUE(popup->windowFlags().testFlag(Qt::WindowStaysOnTopHint));
        EXPECT_EQ(popup->focusWidget(), popup->btnHinda);
        PressEnter(d);
    });
    EXPECT_EQ(popups, 1);
    EXPECT_EQ(TakeOpened(), std::vector<std::string>{GameUrl(4711)});
    EXPECT_FALSE(win->TimerPopup().isActive());
}

TEST_F(NotificationsTest, GoButtonWithoutZavazuzezaOpensAFramesetFile) {
    StartWith("ShowPopup=1\nShowBalloon=0\nUseZavazuzeza=0\n");
    Check(1, 12, [](ModalDialog& d) { d.Click("Hin da!"); });
    Check(3, 0, [](ModalDialog& d) { d.Click("Hin da!"); });
    const auto opened = TakeOpened();
    ASSERT_EQ(opened.size(), 2u);
    EXPECT_EQ(opened[0].rfind("file:///", 0), 0u) << opened[0];
    EXPECT_NE(opened[0], opened[1]); // a new file each time
    EXPECT_NE(FramesetOf(opened[0]).find("<base href=\"" + server.BaseUrl() + "\">"),
              std::string::npos);
    EXPECT_NE(FramesetOf(opened[0]).find("SRC=\"/showmap.php?GID=12\" noresize>"),
              std::string::npos);
    EXPECT_NE(FramesetOf(opened[1]).find("SRC=\"showgames.php?dranbin=1\" noresize>"),
              std::string::npos);
}

TEST_F(NotificationsTest, CloseBoxNeitherSnoozesNorOpensSoThePopupComesBack) {
    StartWith("ShowPopup=1\nShowBalloon=0\n");
    Check(2, 0, [](ModalDialog& d) { d.CloseBox(); });
    EXPECT_FALSE(win->TimerPopup().isActive());
    EXPECT_TRUE(TakeOpened().empty());
    Check(2, 0, [](ModalDialog& d) { d.CloseBox(); });
    EXPECT_EQ(popups, 2);
}

TEST_F(NotificationsTest, SnoozeExpiresAndTheNextPositiveCheckShowsThePopupAgain) {
    StartWith("ShowPopup=1\nShowBalloon=0\nPopupDelay1=1\nPopupDelay2=90\n");
    Check(2, 0, [](ModalDialog& d) {
        EXPECT_EQ(d.Buttons(), QStringList({"1 sek", "1 min, 30 sek", "Hin da!"}));
        d.Click("1 sek");
    });
    EXPECT_TRUE(win->TimerPopup().isActive());
    EXPECT_EQ(win->TimerPopup().interval(), 1000);
    Check(2); // snoozed
    EXPECT_EQ(popups, 1);
    // The end of the snooze shows nothing by itself ...
    ASSERT_TRUE(WaitUntil([&] { return !win->TimerPopup().isActive(); }, 3000));
    EXPECT_EQ(DialogAnswerer::ActiveDialog(), nullptr);
    // ... the next positive check does.
    Check(2, 0, [](ModalDialog& d) { d.Click("1 min, 30 sek"); });
    EXPECT_EQ(popups, 2);
    EXPECT_EQ(win->TimerPopup().interval(), 90000);
    EXPECT_TRUE(TakeOpened().empty());
}

TEST_F(NotificationsTest, ChangedSnoozeSettingTakesEffectAtTheAnswer) {
    StartWith("ShowPopup=1\nShowBalloon=0\n");
    Check(2, 0, [this](ModalDialog& d) {
        win->Config().PopupDelay2 = 42; // changed while the popup is open
        d.Click("15 min");
    });
    EXPECT_EQ(win->TimerPopup().interval(), 42000);
}

TEST_F(NotificationsTest, WhileThePopupIsOpenTheProgramWindowWaitsButOtherWindowsStayLive) {
    StartWith("ShowPopup=1\nShowBalloon=0\n");
    // A top-level window of ours, as an XEmbed tray icon or the tray's own
    // balloon is.
    QPushButton trayWindow(QStringLiteral("tray"));
    trayWindow.show();
    QSignalSpy trayClicks(&trayWindow, &QPushButton::clicked);
    Check(1, 4711, [&](ModalDialog& d) {
        ClickAsTheUser(&trayWindow);
        EXPECT_EQ(trayClicks.count(), 1);
        win->ShowSettingsWindow();
        ClickAsTheUser(win->Ui().btnClose); // blocked: the window stays open
        EXPECT_TRUE(win->isVisible());
        d.Click("5 min");
    });
    EXPECT_TRUE(win->TimerPopup().isActive());
}

// The questions of the settings window and the error box wait for their
// answer the same way: the settings window waits, the tray stays live.
TEST_F(NotificationsTest, WhileAQuestionIsOpenOtherWindowsOfOursStayLive) {
    StartWith("ShowPopup=0\nShowBalloon=0\n");
    QPushButton trayWindow(QStringLiteral("tray"));
    trayWindow.show();
    QSignalSpy trayClicks(&trayWindow, &QPushButton::clicked);
    const struct {
        const char* name;
        const char* answer;
        bool blocksWindow; // the settings window waits for the answer
        std::function<void()> open;
    } rows[] = {
        {"colour depth", "Nein", true,
         [&] {
             win->labColorDepthClick();
         }},
        {"autostart", "OK", true,
         [&] {
             win->btnAddAutostartClick();
         }},
        {"close prompt", "Abbrechen", true,
         [&] {
             win->Ui().leUserName->setText(QStringLiteral("changed"));
             win->btnCloseClick();
         }},
        {"error box", "OK", false,
         [&] {
             rDranbinInfo failed;
             failed.Error = true;
             failed.Text = "Not Found";
             win->HandleDranbinInfo(failed, true);
         }},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        win->ShowSettingsWindow();
        const int before = trayClicks.count();
        DialogAnswerer answerer;
        answerer.Then([&](ModalDialog& d) {
            ClickAsTheUser(&trayWindow);
            EXPECT_EQ(trayClicks.count(), before + 1);
            if (row.blocksWindow) {
                ClickAsTheUser(win->Ui().btnClose); // blocked: the window stays open
                EXPECT_TRUE(win->isVisible());
            }
            d.Click(QString::fromUtf8(row.answer));
        });
        row.open();
        EXPECT_TRUE(answerer.AllAnswered());
    }
}

// --- the balloon -----------------------------------------------------------------

struct ClickCase {
    int count;
    int gid;
    bool gotoGame;
    bool opensGame; // else: the list, or nothing when opensList is false too
    bool opensList;
};

TEST_F(NotificationsTest, BalloonClickOpensTheGameTheListOrNothing) {
    StartWith("ShowPopup=0\nShowBalloon=1\n");
    for (const ClickCase c :
         {ClickCase{0, 0, true, false, false}, ClickCase{1, 4711, true, true, false},
          ClickCase{3, 0, true, false, true}, ClickCase{1, 4711, false, false, false},
          ClickCase{3, 0, false, false, false}}) {
        win->Config().gotoGameOnBalloonClick = c.gotoGame;
        Check(c.count, c.gid);
        ClickBalloon();
        std::vector<std::string> expected;
        if (c.opensGame) {
            expected.push_back(GameUrl(c.gid));
        } else if (c.opensList) {
            expected.push_back(ListUrl());
        }
        EXPECT_EQ(TakeOpened(), expected) << c.count << " games, goto " << c.gotoGame;
    }
}

TEST_F(NotificationsTest, BalloonClickAfterAFailedCheckOpensNothing) {
    StartWith("ShowPopup=0\nShowBalloon=1\n");
    Check(3);
    server.Enqueue(FakeResponse::Status(500, "Internal Server Error"));
    win->Aktualisieren1Click();
    ASSERT_TRUE(WaitForCalls(2));
    ClickBalloon();
    EXPECT_TRUE(TakeOpened().empty());
}

TEST_F(NotificationsTest, BalloonShowsTheSettingsTextsWithTheCount) {
    StartWith("ShowPopup=0\nShowBalloon=1\nBalloonCaption=Los!\nBalloonText=%d/%d dran\n"
              "BalloonTimeout=3\n");
    QSignalSpy shown(win->Balloon(), &BalloonNotifier::shown);
    Check(4);
    ASSERT_EQ(shown.count(), 1);
    EXPECT_EQ(shown.at(0).at(0).toString(), "Los!");
    EXPECT_EQ(shown.at(0).at(1).toString(), "4/4 dran");
    EXPECT_EQ(shown.at(0).at(2).toInt(), 3000);
    win->Config().ShowBalloon = false; // read at the moment of use
    Check(5);
    EXPECT_EQ(shown.count(), 1);
}

// The balloon's buttons answer as the popup's do: with the popup open they
// close it with their answer, without it they take effect at once.
TEST_F(NotificationsTest, BalloonButtonsAnswerAsThePopupsButtons) {
    StartWith("ShowPopup=1\nShowBalloon=1\nPopupDelay1=7\nPopupDelay2=9\n");
    const auto choose = [this](BalloonAction action) {
        emit win->Balloon()->actionInvoked(action);
    };
    Check(1, 4711, [&](ModalDialog& d) {
        choose(BalloonAction::Wait1);
        EXPECT_FALSE(d.IsOpen());
    });
    EXPECT_EQ(win->TimerPopup().interval(), 7000);
    EXPECT_TRUE(win->TimerPopup().isActive());
    EXPECT_TRUE(TakeOpened().empty());

    choose(BalloonAction::Wait2); // snoozed, no popup open
    EXPECT_EQ(win->TimerPopup().interval(), 9000);
    choose(BalloonAction::Hinda);
    EXPECT_EQ(TakeOpened(), std::vector<std::string>{GameUrl(4711)});

    win->TimerPopup().stop();
    Check(1, 4711, [&](ModalDialog& d) {
        choose(BalloonAction::Hinda);
        EXPECT_FALSE(d.IsOpen());
    });
    EXPECT_EQ(popups, 2);
    EXPECT_EQ(TakeOpened(), std::vector<std::string>{GameUrl(4711)}); // once
    EXPECT_FALSE(win->TimerPopup().isActive());
}

// --- the tray icon and its menu -----------------------------------------------------------

TEST_F(NotificationsTest, TrayClickOpensTheGameOrElseTheList) {
    StartWith("ShowPopup=0\nShowBalloon=0\n");
    ClickTrayIcon(); // nothing checked yet: count 0
    EXPECT_EQ(TakeOpened(), std::vector<std::string>{ListUrl()});
    Check(0);
    ClickTrayIcon();
    EXPECT_EQ(TakeOpened(), std::vector<std::string>{ListUrl()});
    Check(1, 815);
    ClickTrayIcon();
    EXPECT_EQ(TakeOpened(), std::vector<std::string>{GameUrl(815)});
    Check(2);
    ClickTrayIcon();
    win->Vexelfeldde1->trigger(); // the menu item does the same
    EXPECT_EQ(TakeOpened(), std::vector<std::string>({ListUrl(), ListUrl()}));
    EXPECT_FALSE(win->isVisible());
}

// A double click arrives as the tray reports it: a click, then (on X11 a
// second click and) the double click.
TEST_F(NotificationsTest, TrayDoubleClickOpensTheSettingsNotTheGame) {
    StartWith("ShowPopup=0\nShowBalloon=0\n");
    using R = QSystemTrayIcon::ActivationReason;
    const std::vector<R> sequences[] = {
        {R::Trigger, R::Trigger, R::DoubleClick}, // XEmbed tray
        {R::Trigger, R::DoubleClick},             // Windows shell
        {R::DoubleClick},
    };
    for (const auto& sequence : sequences) {
        SCOPED_TRACE(sequence.size());
        win->hide();
        for (const R reason : sequence) {
            emit win->TrayIcon()->activated(reason);
        }
        Spin(QApplication::doubleClickInterval() + 100);
        EXPECT_TRUE(win->isVisible());
        EXPECT_TRUE(TakeOpened().empty());
    }
    // A single click waits for the double-click time before it acts.
    win->hide();
    emit win->TrayIcon()->activated(R::Trigger);
    EXPECT_TRUE(TakeOpened().empty());
    Spin(QApplication::doubleClickInterval() + 100);
    EXPECT_EQ(TakeOpened(), std::vector<std::string>{ListUrl()});
    EXPECT_FALSE(win->isVisible());
}

// --- a frameset that cannot be written ---------------------------------------------------

TEST_F(NotificationsTest, UnusableTempFolderShowsTheErrorBoxAndTheProgramGoesOn) {
    StartWith("ShowPopup=1\nShowBalloon=0\nUseZavazuzeza=0\n");
    // A file where the temp folder should be: no name can be made in it.
    std::filesystem::remove_all(platform.temp);
    WriteFileBytes(platform.temp, "kein Ordner");

    const auto expectErrorBox = [](ModalDialog& d) {
        EXPECT_EQ(d.Instruction(), "error getting temp filename");
        EXPECT_EQ(d.Icon(), "critical");
        d.Click("OK");
    };
    {
        DialogAnswerer answerer;
        answerer.Then(expectErrorBox);
        ClickTrayIcon();
        EXPECT_TRUE(answerer.AllAnswered());
    }
    // From the popup's go button: the box comes once the popup has gone.
    server.Enqueue(FakeResponse::Ok(StatusPage(1, 7)));
    {
        DialogAnswerer answerer;
        answerer.ThenClick("Hin da!").Then(expectErrorBox);
        win->Aktualisieren1Click();
        ASSERT_TRUE(answerer.WaitAllAnswered());
        ASSERT_TRUE(WaitUntil([&] { return !win->Core().DranCheckRunning(); }));
    }
    EXPECT_EQ(win->Ui().labCallsValue->text(), "1"); // the check ran to its end
    EXPECT_TRUE(TakeOpened().empty());
    EXPECT_FALSE(win->TimerPopup().isActive());

    // The folder is back: the next click works.
    std::filesystem::remove(platform.temp);
    std::filesystem::create_directories(platform.temp);
    ClickTrayIcon();
    const auto opened = TakeOpened();
    ASSERT_EQ(opened.size(), 1u);
    EXPECT_NE(FramesetOf(opened[0]).find("SRC=\"/showmap.php?GID=7\" noresize>"),
              std::string::npos);
}

} // namespace
} // namespace vexrem::test
