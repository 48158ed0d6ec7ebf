// Ending the run from the program's own event loop: "Beenden" and the exit
// button end it in every state without a question and without applying
// edits; once the session is ending, a close ends it too; a failing save at
// the end is told to the user unless the session ends, and always logged.
#include "MainWinFixture.h"
#include "ui/SessionEnd.h"

#include <QAction>
#include <QApplication>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QTimer>
#include <filesystem>

namespace vexrem::test {
namespace {

class ProgramEndTest : public MainWinTest {
protected:
    void StartShown() {
        StoreSettings("UserName=anna\nShowPopup=1\n");
        Start();
        win->ShowSettingsWindow();
    }

    // Runs the event loop as main() does, with act as its first event. False
    // when the loop did not end by itself.
    static bool RunUntilTheEnd(const std::function<void()>& act) {
        QTimer deadline;
        deadline.setSingleShot(true);
        QObject::connect(&deadline, &QTimer::timeout, [] { QCoreApplication::exit(1); });
        deadline.start(10000);
        QTimer::singleShot(0, act);
        return QCoreApplication::exec() == 0;
    }

    // An unapplied edit of the user name.
    void Edit() {
        win->Ui().leUserName->setText(QStringLiteral("bert"));
        ASSERT_TRUE(win->Ui().btnSetConfig->isEnabled());
    }

    // Triggers "Beenden" from the tray menu once the loop of a modal window
    // opened meanwhile is running.
    void BeendenSoon() {
        QTimer::singleShot(300, win.get(), [this] { win->Beenden1->trigger(); });
    }
};

TEST_F(ProgramEndTest, BeendenAndTheExitButtonEndTheRunInEveryStateWithoutApplying) {
    const std::pair<const char*, std::function<void()>> states[] = {
        {"exit button, edit pending",
         [this] {
             Edit();
             win->Ui().btnExit->click();
         }},
        {"Beenden, window hidden",
         [this] {
             win->hide();
             win->Beenden1->trigger();
         }},
        {"Beenden, close prompt open",
         [this] {
             Edit();
             BeendenSoon();
             win->Ui().btnClose->click(); // asks whether to apply
         }},
        {"Beenden, popup open",
         [this] {
             Edit();
             BeendenSoon();
             win->ShowDranPopup(2);
         }},
    };
    for (const auto& [name, act] : states) {
        SCOPED_TRACE(name);
        StartShown();
        EXPECT_TRUE(RunUntilTheEnd(act));
        EXPECT_EQ(win->Config().UserName, "anna") << "an edit was applied";
        Stop();
    }
}

TEST_F(ProgramEndTest, OnceTheSessionEndsAClosedWindowEndsTheRun) {
    StartShown();
    Edit();
    win->WMQueryEndSession(); // no loop runs yet: only the mark is set
    EXPECT_TRUE(win->SessionEnding());
    EXPECT_TRUE(RunUntilTheEnd([this] {
        win->ShowSettingsWindow();
        win->close();
    }));
    EXPECT_EQ(win->Config().UserName, "anna");
}

TEST_F(ProgramEndTest, ASaveErrorAtTheEndIsShownUnlessTheSessionEndsAndAlwaysLogged) {
    for (const bool sessionEnding : {false, true}) {
        SCOPED_TRACE(sessionEnding ? "session ending" : "Beenden");
        Start();
        win->Shutdown();
        // The settings folder is a file now: nothing can be written.
        const std::filesystem::path folder = std::filesystem::path(IniPath()).parent_path();
        std::filesystem::remove_all(folder);
        WriteFileBytes(folder.string(), "in the way");

        QStringList shown;
        QTimer answer;
        QObject::connect(&answer, &QTimer::timeout, [&shown] {
            if (auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget())) {
                shown << box->text();
                EXPECT_EQ(box->textFormat(), Qt::PlainText); // the path is shown as it is
                box->accept();
            }
        });
        answer.start(20);
        testing::internal::CaptureStderr();
        SaveSettingsAtEnd(win->Config(), sessionEnding);
        const std::string logged = testing::internal::GetCapturedStderr();

        EXPECT_NE(logged.find(IniPath()), std::string::npos) << logged;
        if (sessionEnding) {
            EXPECT_TRUE(shown.empty()) << shown.join('|').toStdString();
        } else {
            ASSERT_FALSE(shown.empty());
            for (const QString& text : shown) {
                EXPECT_NE(logged.find(text.toStdString()), std::string::npos) << logged;
            }
        }
        win.reset();
        std::filesystem::remove(folder);
    }
}

} // namespace
} // namespace vexrem::test
