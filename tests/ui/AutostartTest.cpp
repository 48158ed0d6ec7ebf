// The autostart dialog of the real main window: what it shows for the entries
// found on disk, what confirming each choice does, and the folder links.
#include "MainWinFixture.h"

#include "platform/StartupLink.h"

#include <filesystem>

namespace vexrem::test {
namespace {

namespace fs = std::filesystem;

const QString kNone = QStringLiteral("Kein Eintrag");
const QString kPersonal = QStringLiteral("Persönlich");
const QString kCommon = QStringLiteral("Für alle");
const QString kOpenPersonal = QStringLiteral("Persönlichen Autostart öffnen");
const QString kOpenCommon = QStringLiteral("Gemeinsamen Autostart öffnen");

class AutostartTest : public MainWinTest {
protected:
    AutostartTest() {
        StoreSettings("Active=0\n");
        Start();
    }

    std::string PersonalEntry() const {
        return NativePath(platform.startup + "/" + StartupLinkName);
    }
    std::string CommonEntry() const {
        return NativePath(platform.commonStartup + "/" + StartupLinkName);
    }

    // An entry as another program version left it: never rewritten by us.
    static void PlaceOldEntry(const std::string& path) { WriteFileBytes(path, "old entry"); }

    // Opens the dialog, expects the preselected choice, picks another and confirms.
    void Choose(const QString& expectedPreselection, const QString& choice) {
        DialogAnswerer answerer;
        answerer.Then([&](ModalDialog& d) {
            EXPECT_EQ(d.CheckedRadio(), expectedPreselection);
            d.ClickRadio(choice);
            d.Click(QStringLiteral("OK"));
        });
        win->btnAddAutostartClick();
        EXPECT_TRUE(answerer.AllAnswered());
    }
};

TEST_F(AutostartTest, DialogShowsTheChoicesAndTheFolderLinks) {
    DialogAnswerer answerer;
    answerer.Then([](ModalDialog& d) {
        EXPECT_EQ(d.Title(), "Autostart");
        EXPECT_EQ(d.Instruction(), "VexelReminder in Autostart eintragen?");
        EXPECT_EQ(d.Content(),
                  QStringLiteral("Mittels dieser Funktion kannst du den VexelReminder bei jedem "
                                 "Systemstart ausführen lassen. Dabei wird kein Eintrag in die "
                                 "Registry geschrieben, sondern ein Shortcut in deinem "
                                 "persönlichen Startup-Ordner oder dem für alle Benutzer "
                                 "angelegt. Soll der VexelReminder im Autostart eingetragen "
                                 "sein?\n"));
        EXPECT_EQ(d.Icon(), "information");
        EXPECT_EQ(d.Radios(), QStringList({kNone, kPersonal, kCommon}));
        EXPECT_EQ(d.CheckedRadio(), kNone);
        // The expand caption shows only with expanded information, and there is none.
        EXPECT_EQ(d.Buttons(), QStringList({kOpenPersonal, kOpenCommon, QStringLiteral("OK")}));
        EXPECT_TRUE(d.IsCommandLink(kOpenPersonal));
        EXPECT_TRUE(d.IsCommandLink(kOpenCommon));
        EXPECT_FALSE(d.IsCommandLink(QStringLiteral("OK")));
        d.PressEscape(); // no Cancel: the dialog stays
        d.CloseBox();
        EXPECT_TRUE(d.IsOpen());
        d.Click(QStringLiteral("OK"));
    });
    win->btnAddAutostartClick();
    EXPECT_TRUE(answerer.AllAnswered());
    // "Kein Eintrag" with no entry: nothing on disk changes, not even a folder.
    EXPECT_FALSE(fs::exists(platform.startup));
    EXPECT_FALSE(fs::exists(platform.commonStartup));
}

TEST_F(AutostartTest, TheSettingsLinkOpensIt) {
    DialogAnswerer answerer;
    answerer.Then([](ModalDialog& d) {
        EXPECT_EQ(d.Title(), "Autostart");
        d.Click(QStringLiteral("OK"));
    });
    emit win->Ui().labAutostart->clicked();
    EXPECT_TRUE(answerer.AllAnswered());
}

// What each choice does on disk is tested in the core (AutostartTest there);
// here, that the dialog's choice and the entries found reach it.
TEST_F(AutostartTest, PersonalCreatesTheMissingFolderAndTheEntry) {
    ASSERT_FALSE(fs::exists(platform.startup)); // its parent, the config folder, exists
    Choose(kNone, kPersonal);
    EXPECT_EQ(StartupEntryAt(PersonalEntry()), StartupEntryFor(platform.exePath));
}

TEST_F(AutostartTest, ExistenceIsLookedAtAgainWhenConfirmed) {
    PlaceOldEntry(PersonalEntry());
    DialogAnswerer answerer;
    answerer.Then([&](ModalDialog& d) {
        EXPECT_EQ(d.CheckedRadio(), kPersonal);
        fs::remove(PersonalEntry()); // gone meanwhile, e.g. by a file manager
        d.Click(QStringLiteral("OK"));
    });
    win->btnAddAutostartClick();
    EXPECT_EQ(StartupEntryAt(PersonalEntry()), StartupEntryFor(platform.exePath));
}

TEST_F(AutostartTest, FolderLinksOpenTheFoldersAndKeepTheDialogOpen) {
    fs::create_directories(platform.commonStartup);
    DialogAnswerer answerer;
    answerer.Then([](ModalDialog& d) { d.Click(kOpenPersonal); });
    answerer.Then([&](ModalDialog& d) {
        EXPECT_EQ(d.Title(), "Autostart"); // the same dialog, still open
        EXPECT_EQ(platform.Opened(), std::vector<std::string>({platform.startup}));
        d.ClickRadio(kPersonal);
        d.Click(kOpenCommon);
    });
    answerer.Then([&](ModalDialog& d) {
        EXPECT_EQ(d.Title(), "Autostart");
        EXPECT_EQ(platform.Opened(),
                  std::vector<std::string>({platform.startup, platform.commonStartup}));
        // The choice takes effect only with OK.
        EXPECT_FALSE(fs::exists(PersonalEntry()));
        d.Click(QStringLiteral("OK"));
    });
    win->btnAddAutostartClick();
    EXPECT_TRUE(answerer.AllAnswered());
    EXPECT_TRUE(fs::exists(PersonalEntry()));
}

// Only root may write the shared folder; elsewhere creating the entry there
// fails. Root gets past permissions, so a plain file stands in the folder's place.
class UnusableCommonFolderTest : public AutostartTest {
protected:
    UnusableCommonFolderTest() { WriteFileBytes(platform.commonStartup, "not a folder"); }
};

TEST_F(UnusableCommonFolderTest, OpeningItReportsTheErrorAndTheDialogStays) {
    DialogAnswerer answerer;
    answerer.Then([](ModalDialog& d) { d.Click(kOpenCommon); });
    answerer.Then([&](ModalDialog& d) {
        EXPECT_EQ(d.Icon(), "critical");
        EXPECT_TRUE(d.Instruction().startsWith(QString::fromStdString(platform.commonStartup)))
            << d.Instruction().toStdString();
        d.Click(QStringLiteral("OK"));
    });
    answerer.Then([](ModalDialog& d) {
        EXPECT_EQ(d.Title(), "Autostart");
        d.Click(QStringLiteral("OK"));
    });
    win->btnAddAutostartClick();
    EXPECT_TRUE(answerer.AllAnswered());
    EXPECT_TRUE(platform.Opened().empty());
}

} // namespace
} // namespace vexrem::test
