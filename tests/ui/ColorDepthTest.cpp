// The colour-depth advice of the real main window: its text for each detected
// environment and what its answers do to the settings page.
#include "MainWinFixture.h"

#include "platform/VMDetection.h"

#include <QPushButton>
#include <QRadioButton>
#include <QSignalSpy>

namespace vexrem::test {
namespace {

const QString kIntro =
    QStringLiteral("Unter WINE und womöglich auch in anderen Situationen wird das Tray-Icon "
                   "eventuell nicht erkenntlich dargestellt. Sollte das der Fall sein, kann die "
                   "Verwendung eines farbreduzierten Icon-Sets Abhilfe schaffen. Solange die "
                   "Darstellung keine Probleme bereitet, kannst Du die volle Farbtiefe "
                   "aktiviert lassen.");
const QString kQuestion =
    QStringLiteral("Soll das Tray-Icon in voller Farbtiefe verwendet werden?");

// The detection results are process-wide; each test sets its own and puts the
// real ones back.
class ScopedEnvironment {
public:
    ScopedEnvironment(bool notNative, EnvironmentKind kind)
        : notNative_(NotNativeEnvironment), kind_(DetectedEnvironment) {
        NotNativeEnvironment = notNative;
        DetectedEnvironment = kind;
    }
    ~ScopedEnvironment() {
        NotNativeEnvironment = notNative_;
        DetectedEnvironment = kind_;
    }
    ScopedEnvironment(const ScopedEnvironment&) = delete;
    ScopedEnvironment& operator=(const ScopedEnvironment&) = delete;

private:
    bool notNative_;
    EnvironmentKind kind_;
};

class ColorDepthTest : public MainWinTest {
protected:
    void StartWithReducedColors(bool reduced) {
        StoreSettings(std::string("Active=0\nTrayIconReducedColors=") + (reduced ? "1" : "0") +
                      "\n");
        Start();
        ASSERT_EQ(win->Ui().rbTrayIcon16Cols->isChecked(), reduced);
        ASSERT_FALSE(win->Ui().btnSetConfig->isEnabled());
    }

    // Opens the dialog and answers it; returns the content it showed.
    QString Answer(const QString& button) {
        QString content;
        DialogAnswerer answerer;
        answerer.Then([&](ModalDialog& d) {
            content = d.Content();
            d.Click(button);
        });
        win->labColorDepthClick();
        EXPECT_TRUE(answerer.AllAnswered());
        return content;
    }
};

TEST_F(ColorDepthTest, ContentNamesTheDetectedEnvironment) {
    struct Row {
        bool notNative;
        EnvironmentKind kind;
        QString sentence;
    };
#ifdef Q_OS_WIN
    const QString system = QStringLiteral("Windows");
#else
    const QString system = QStringLiteral("Linux"); // the system it runs on, not Windows
#endif
    const QString native = QStringLiteral("Der VexelReminder scheint zurzeit in einer nativen ") +
                           system +
                           QStringLiteral("-Umgebung zu laufen. Die Darstellung des normalen "
                                          "Icons sollte keine Probleme bereiten.");
    const auto vm = [](const QString& name) {
        return QStringLiteral("Der VexelReminder scheint in einer VM (") + name +
               QStringLiteral(") zu laufen. Da solltest du die normalen Icons verwenden können.");
    };
    const Row rows[] = {
        {true, EnvironmentKind::WINE,
         QStringLiteral("Der VexelReminder scheint unter WINE ausgeführt zu werden. Vermutlich "
                        "wirst du nur die farbreduzierten Icons gut sehen können.")},
        {true, EnvironmentKind::VirtualBox, vm(QStringLiteral("VirtualBox"))},
        {true, EnvironmentKind::Parallels, vm(QStringLiteral("Parallels Workstation"))},
        {true, EnvironmentKind::Unknown, vm(QStringLiteral("Unknown"))},
        // One processor Unknown, the last one Native: still not native.
        {true, EnvironmentKind::Native, vm(QStringLiteral("Native"))},
        {true, static_cast<EnvironmentKind>(9), vm(QString())},
        {false, EnvironmentKind::Native, native},
        {false, EnvironmentKind::WINE, native}, // only a non-native run names WINE
    };
    StoreSettings("Active=0\n");
    Start();
    for (const Row& r : rows) {
        const ScopedEnvironment env(r.notNative, r.kind);
        // Each break in the text is a double line break.
        EXPECT_EQ(Answer(QStringLiteral("Nein")), kIntro + "\n\n" + r.sentence + "\n\n" + kQuestion)
            << static_cast<int>(r.kind);
    }
}

TEST_F(ColorDepthTest, DialogAsksWithYesAndNoOnly) {
    StartWithReducedColors(false);
    DialogAnswerer answerer;
    answerer.Then([](ModalDialog& d) {
        EXPECT_EQ(d.Title(), "Farbtiefe des Tray-Icons");
        EXPECT_EQ(d.Instruction(), "Volle Farbtiefe verwenden?");
        EXPECT_EQ(d.Icon(), "warning");
        EXPECT_EQ(d.Buttons(), QStringList({"Ja", "Nein"}));
        EXPECT_TRUE(d.Radios().isEmpty());
        d.PressEscape(); // without a Cancel button only an answer ends it
        EXPECT_TRUE(d.IsOpen());
        d.Click(QStringLiteral("Ja"));
    });
    emit win->Ui().labColorDepth->clicked();
    EXPECT_TRUE(answerer.AllAnswered());
    EXPECT_TRUE(win->Ui().rbTrayIconStandard->isChecked());
    EXPECT_FALSE(win->Ui().btnSetConfig->isEnabled()); // it already was
}

TEST_F(ColorDepthTest, NoSelectsSixteenColoursAsAChangeStoredOnlyWhenApplied) {
    StartWithReducedColors(false);
    Answer(QStringLiteral("Nein"));
    EXPECT_TRUE(win->Ui().rbTrayIcon16Cols->isChecked());
    EXPECT_FALSE(win->Ui().rbTrayIconStandard->isChecked());
    EXPECT_TRUE(win->Ui().btnSetConfig->isEnabled());
    EXPECT_FALSE(win->Config().TrayIconReducedColors);
    EXPECT_FALSE(win->TrayReducedSet());

    win->btnSetConfigClick();
    EXPECT_TRUE(win->Config().TrayIconReducedColors);
    EXPECT_TRUE(win->TrayReducedSet());
}

TEST_F(ColorDepthTest, YesSelectsFullColours) {
    StartWithReducedColors(true);
    Answer(QStringLiteral("Ja"));
    EXPECT_TRUE(win->Ui().rbTrayIconStandard->isChecked());
    EXPECT_TRUE(win->Ui().btnSetConfig->isEnabled());
    EXPECT_TRUE(win->Config().TrayIconReducedColors);
}

TEST_F(ColorDepthTest, NoWhenSixteenColoursAreSelectedIsNoChange) {
    StartWithReducedColors(true);
    QSignalSpy toggled(win->Ui().rbTrayIcon16Cols, &QRadioButton::toggled);
    Answer(QStringLiteral("Nein"));
    EXPECT_TRUE(win->Ui().rbTrayIcon16Cols->isChecked());
    EXPECT_EQ(toggled.count(), 0);
    EXPECT_FALSE(win->Ui().btnSetConfig->isEnabled());
}

} // namespace
} // namespace vexrem::test
