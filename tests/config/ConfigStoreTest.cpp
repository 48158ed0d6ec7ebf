// Where the settings live, what a start finds and leaves behind, and what
// happens when the file cannot be written.
#include "ConfigFixture.h"

#include "support/TempDir.h"
#include "support/TestGuards.h"

#include <algorithm>
#include <chrono>
#include <csignal>
#include <filesystem>
#include <random>
#include <sys/stat.h>
#include <thread>
#ifndef _WIN32
#include <sys/wait.h>
#include <unistd.h>
#endif

namespace vexrem::test {
namespace {

namespace fs = std::filesystem;

using ConfigPathChoice = ConfigTest;

TEST_F(ConfigPathChoice, AllUsersFileWhenNoPerUserFileExists) {
    ConfigPath = "stale";
    ConfigPath = ConfigModuleStartup();
    EXPECT_EQ(ConfigPath, CommonIni());
}

TEST_F(ConfigPathChoice, AllUsersFileWhetherItExistsOrNot) {
    WriteFileBytes(CommonIni(), "[other]\nUserName=x\n");
    ConfigPath = ConfigModuleStartup();
    EXPECT_EQ(ConfigPath, CommonIni());
}

TEST_F(ConfigPathChoice, PerUserFileWhenItExists) {
    WriteFileBytes(UserIni(), "");
    WriteFileBytes(CommonIni(), "[tester]\nUserName=common\n");
    ConfigPath = ConfigModuleStartup();
    EXPECT_EQ(ConfigPath, UserIni());
}

TEST_F(ConfigPathChoice, PerUserFolderAloneIsNotEnough) {
    fs::create_directories(ExtractFilePath(UserIni()));
    ConfigPath = ConfigModuleStartup();
    EXPECT_EQ(ConfigPath, CommonIni());
}

TEST_F(ConfigPathChoice, UnknownFoldersLeaveThePathBelowTheRoot) {
    platform.failSpecialFolders = true;
    ConfigPath = ConfigModuleStartup();
    EXPECT_EQ(ConfigPath, NativePath("/VexelReminder/vexrem.ini"));
}

TEST_F(ConfigPathChoice, StartupDetectsTheEnvironment) {
    NotNativeEnvironment = true;
    DetectedEnvironment = EnvironmentKind::WINE;
    ConfigModuleStartup();
    const std::vector<EnvironmentKind> kinds = ProbeProcessorKinds();
    ASSERT_FALSE(kinds.empty());
    EXPECT_EQ(DetectedEnvironment, kinds.back());
    EXPECT_EQ(NotNativeEnvironment, std::any_of(kinds.begin(), kinds.end(), [](EnvironmentKind k) {
                  return k != EnvironmentKind::Native;
              }));
}

TEST_F(ConfigPathChoice, ShutdownWithoutAConfigurationWritesNothing) {
    ConfigModuleStartup();
    std::unique_ptr<tConfig> none;
    ConfigModuleShutdown(none);
    EXPECT_FALSE(fs::exists(CommonIni()));
}

using ConfigCreation = ConfigTest;

TEST_F(ConfigCreation, FirstRunWritesCompleteSectionToAllUsersFile) {
    ASSERT_FALSE(fs::exists(ExtractFilePath(CommonIni())));
    tConfig config(ConfigPath, Collect());
    EXPECT_TRUE(config.FirstRun);
    EXPECT_EQ(config.Filename(), CommonIni());
    EXPECT_EQ(config.SectionName(), "tester");
    EXPECT_EQ(CommonIniText(), DefaultSection);
    EXPECT_TRUE(messages.empty());
}

TEST_F(ConfigCreation, StoredSectionIsLoadedAndCompleted) {
    WriteFileBytes(CommonIni(), "[tester]\nUserName=Racer\nInterval=60\nActive=1\n");
    tConfig config(ConfigPath, Collect());
    EXPECT_FALSE(config.FirstRun);
    EXPECT_EQ(config.UserName, "Racer");
    EXPECT_EQ(config.Interval, 60);
    EXPECT_TRUE(config.Active);
    EXPECT_EQ(config.HindaText, "Hin da!");
    std::string expected = DefaultSection;
    expected.replace(expected.find("UserName=pim"), 12, "UserName=Racer");
    expected.replace(expected.find("Interval=120"), 12, "Interval=60");
    expected.replace(expected.find("Active=0"), 8, "Active=1");
    EXPECT_EQ(CommonIniText(), expected);
}

TEST_F(ConfigCreation, SectionNameIgnoresCase) {
    WriteFileBytes(CommonIni(), "[TESTER]\nuserNAME=Racer\n");
    tConfig config(ConfigPath, Collect());
    EXPECT_FALSE(config.FirstRun);
    EXPECT_EQ(config.UserName, "Racer");
}

TEST_F(ConfigCreation, EmptySectionCountsAsMissing) {
    WriteFileBytes(CommonIni(), "[tester]\n; nothing yet\n");
    tConfig config(ConfigPath, Collect());
    EXPECT_TRUE(config.FirstRun);
    EXPECT_EQ(config.UserName, "pim");
    EXPECT_EQ(CommonIniText(), "[tester]\n; nothing yet\n" + DefaultSection.substr(9));
}

TEST_F(ConfigCreation, OtherUsersSectionsAreLeftAsTheyWere) {
    const std::string others = "[alice]\r\nUserName=Alice\r\nInterval=30\r\n\r\n"
                               "[bob]\r\nActive=1\r\n";
    WriteFileBytes(CommonIni(), others);
    tConfig config(ConfigPath, Collect());
    EXPECT_TRUE(config.FirstRun);
    EXPECT_EQ(config.UserName, "pim");
    EXPECT_EQ(config.Interval, 120);
#ifdef _WIN32
    // The system's profile functions own the file's layout there (wine drops
    // the blank lines between sections); every value of the others stays.
    EXPECT_EQ(Platform().ReadProfileString(CommonIni(), "alice", "UserName", ""), "Alice");
    EXPECT_EQ(Platform().ReadProfileString(CommonIni(), "alice", "Interval", ""), "30");
    EXPECT_EQ(Platform().ReadProfileString(CommonIni(), "bob", "Active", ""), "1");
#else
    std::string ours = DefaultSection;
    for (std::size_t p = 0; (p = ours.find('\n', p)) != std::string::npos; p += 2) {
        ours.insert(p, "\r"); // the file keeps its CRLF style
    }
    EXPECT_EQ(ReadFileBytes(CommonIni()), others + "\r\n" + ours);
#endif
}

TEST_F(ConfigCreation, PerUserFileIsUsedWhenChosen) {
    WriteFileBytes(UserIni(), "[tester]\nUserName=Mine\n");
    WriteFileBytes(CommonIni(), "[tester]\nUserName=Shared\n");
    tConfig config(ConfigModuleStartup(), Collect());
    EXPECT_EQ(config.UserName, "Mine");
    EXPECT_EQ(CommonIniText(), "[tester]\nUserName=Shared\n");
}

TEST_F(ConfigCreation, ReloadGivesWhatWasSaved) {
    {
        tConfig config(ConfigPath, Collect());
        config.UserName = "Speedy Gonzales";
        config.Interval = 45;
        config.Active = true;
        config.ShowBalloon = false;
        config.BalloonText = "  %d  ";
        config.ToolTipText = "Tip %d";
        config.ToolTipTextNDran = "Nix";
        config.PopupDelay1 = 17;
        config.PopupDelay2 = 3600;
        config.UseProxy = true;
        config.ProxyServer = "proxy.local";
        config.ProxyPort = 3128;
        config.ProxyAuth = true;
        config.ProxyUsername = "me";
        config.ProxyPassword = "s3cret=x";
        config.UseZavazuzeza = false;
        config.TrayIconReducedColors = true;
        config.SaveToIni();
    }
    tConfig config(ConfigPath, Collect());
    EXPECT_FALSE(config.FirstRun);
    EXPECT_EQ(config.UserName, "Speedy Gonzales");
    EXPECT_EQ(config.Interval, 45);
    EXPECT_TRUE(config.Active);
    EXPECT_FALSE(config.ShowBalloon);
    EXPECT_EQ(config.BalloonText, "%d"); // the file keeps no surrounding blanks
    EXPECT_EQ(config.ToolTipText, "Tip %d");
    EXPECT_EQ(config.ToolTipTextNDran, "Nix");
    EXPECT_EQ(config.PopupDelay1, 17);
    EXPECT_EQ(config.PopupDelay2, 3600);
    EXPECT_TRUE(config.UseProxy);
    EXPECT_EQ(config.ProxyServer, "proxy.local");
    EXPECT_EQ(config.ProxyPort, 3128);
    EXPECT_TRUE(config.ProxyAuth);
    EXPECT_EQ(config.ProxyUsername, "me");
    EXPECT_EQ(config.ProxyPassword, "s3cret=x");
    EXPECT_FALSE(config.UseZavazuzeza);
    EXPECT_TRUE(config.TrayIconReducedColors);
    const std::string file = CommonIniText();
    EXPECT_NE(file.find("TooltipText=Tip %d\n"), std::string::npos);
    EXPECT_EQ(file.find("s3cret"), std::string::npos);
}

TEST_F(ConfigCreation, SavingAgainAndReloadingChangeNoByte) {
    std::string saved;
    {
        tConfig config(ConfigPath, Collect());
        config.BalloonText = "  lead";
        config.PopupMessage = "\t tab";
        config.SaveToIni();
        saved = CommonIniText();
        config.SaveToIni();
        EXPECT_EQ(CommonIniText(), saved); // no second set of blanks
    }
    tConfig reloaded(ConfigPath, Collect()); // reads the values trimmed, writes them back
    EXPECT_EQ(reloaded.BalloonText, "lead");
    EXPECT_EQ(CommonIniText(), saved);
}

TEST_F(ConfigCreation, AssigningChangesMemoryOnly) {
    tConfig config(ConfigPath, Collect());
    config.Interval = 999;
    EXPECT_EQ(CommonIniText(), DefaultSection);
}

TEST_F(ConfigCreation, SetDefaultsRestoresEverySetting) {
    WriteFileBytes(CommonIni(), "[tester]\nUserName=x\nInterval=60\nProxyPassword=1mm2\n");
    tConfig config(ConfigPath, Collect());
    ASSERT_EQ(config.ProxyPassword, "ab");
    config.SetDefaults();
    EXPECT_EQ(config.UserName, "pim");
    EXPECT_EQ(config.Interval, 120);
    EXPECT_EQ(config.ProxyPassword, "");
    EXPECT_FALSE(config.FirstRun); // not a setting
}

using OldLayout = ConfigTest;

TEST_F(OldLayout, IsTakenOverAndDeleted) {
    WriteFileBytes(OldLayoutIni(), "[VexelReminder]\nUserName=Oldie\nInterval=200\n"
                                   "[tester]\nUserName=wrong\n");
    tConfig config(ConfigPath, Collect());
    EXPECT_FALSE(config.FirstRun);
    EXPECT_EQ(config.UserName, "Oldie");
    EXPECT_EQ(config.Interval, 200);
    EXPECT_FALSE(fs::exists(OldLayoutIni()));
    EXPECT_EQ(config.Filename(), CommonIni());
    EXPECT_EQ(config.SectionName(), "tester");
    std::string expected = DefaultSection;
    expected.replace(expected.find("UserName=pim"), 12, "UserName=Oldie");
    expected.replace(expected.find("Interval=120"), 12, "Interval=200");
    EXPECT_EQ(CommonIniText(), expected);
}

TEST_F(OldLayout, UserSectionOfTheNewFileWins) {
    WriteFileBytes(OldLayoutIni(), "[vexelreminder]\nUserName=Oldie\nInterval=200\n");
    WriteFileBytes(CommonIni(), "[tester]\nUserName=Newbie\n");
    tConfig config(ConfigPath, Collect());
    EXPECT_FALSE(config.FirstRun);
    EXPECT_EQ(config.UserName, "Newbie");
    EXPECT_EQ(config.Interval, 120); // a key missing there takes its default
    EXPECT_FALSE(fs::exists(OldLayoutIni()));
}

TEST_F(OldLayout, WithoutItsSectionStillEndsTheFirstRun) {
    WriteFileBytes(OldLayoutIni(), "junk\n");
    tConfig config(ConfigPath, Collect());
    EXPECT_FALSE(config.FirstRun);
    EXPECT_EQ(config.UserName, "pim");
    EXPECT_FALSE(fs::exists(OldLayoutIni()));
}

using ConfigSaveErrors = ConfigTest;

TEST_F(ConfigSaveErrors, FolderThatCannotBeCreatedIsReportedAndTheSaveGoesOn) {
    // A regular file where a folder should be stops root as well.
    WriteFileBytes(platform.root / "blocker", "x");
    ConfigPath = platform.root / "blocker/VexelReminder/vexrem.ini";
    tConfig config(ConfigPath, Collect()); // creation reports instead of failing
    EXPECT_TRUE(config.FirstRun);
    EXPECT_EQ(config.UserName, "pim");
    ASSERT_EQ(messages.size(), 2u);
    EXPECT_EQ(messages[0], "Fehler beim Schreiben der Config-Datei in " + ConfigPath);
    EXPECT_EQ(messages[1], "In " + ConfigPath + " kann nicht geschrieben werden");
}

TEST_F(ConfigSaveErrors, MissingParentFoldersAreCreatedToo) {
    // A fresh account may lack the data folder that holds the settings folder.
    ConfigPath = platform.root / "fresh/.local/share/VexelReminder/vexrem.ini";
    tConfig config(ConfigPath, Collect());
    EXPECT_TRUE(messages.empty());
    EXPECT_TRUE(fs::exists(ConfigPath));
}

TEST_F(ConfigSaveErrors, SaveThrowsWithThePathAndKeepsTheSettings) {
    tConfig config(ConfigPath, Collect());
    config.Interval = 77;
    config.UserName = "Kept";
    fs::remove(CommonIni());
    fs::create_directory(CommonIni()); // the file's place is taken by a folder
    messages.clear();
    try {
        config.SaveToIni();
        FAIL() << "no error";
    } catch (const IniFileError& e) {
        EXPECT_STREQ(e.what(), ("In " + CommonIni() + " kann nicht geschrieben werden").c_str());
    }
    EXPECT_TRUE(messages.empty()); // the folder exists; nothing else to report
    EXPECT_EQ(config.Interval, 77);
    EXPECT_EQ(config.UserName, "Kept");
}

#ifndef _WIN32 // pipes, fork and permission bits are POSIX things
TEST_F(ConfigSaveErrors, PipeAtTheSettingsPathIsReportedNotWaitedOn) {
    fs::create_directories(ExtractFilePath(CommonIni()));
    ASSERT_EQ(mkfifo(CommonIni().c_str(), 0600), 0);
    {
        HangGuard guard;
        tConfig config(ConfigPath, Collect());
        EXPECT_TRUE(config.FirstRun);
        EXPECT_EQ(config.Interval, 120);
    }
    EXPECT_EQ(messages,
              std::vector<std::string>{"In " + CommonIni() + " kann nicht geschrieben werden"});
    EXPECT_TRUE(fs::is_fifo(CommonIni()));
}

// Saves killed at random points (the session ends with SIGKILL, the power
// goes): the file afterwards holds one save whole, never keys of two saves.
TEST_F(ConfigSaveErrors, KilledSaveLeavesAllOrNothing) {
    { tConfig config(ConfigPath, Collect()); }
    std::mt19937 rng(20261208);
    int killedMidway = 0;
    for (int round = 0; round < 25; ++round) {
        const pid_t child = fork();
        ASSERT_GE(child, 0);
        if (child == 0) {
            try {
                tConfig config(ConfigPath, Collect());
                for (int i = 1;; ++i) {
                    // The first, a middle and the last key of a save carry i.
                    config.UserName = "save" + std::to_string(i);
                    config.ProxyUsername = "save" + std::to_string(i);
                    config.TrayIconBlinkSpeed = 500 + i % 1000;
                    config.SaveToIni();
                }
            } catch (...) {
            }
            _exit(1);
        }
        std::this_thread::sleep_for(std::chrono::microseconds(rng() % 30000));
        kill(child, SIGKILL);
        int status = 0;
        ASSERT_EQ(waitpid(child, &status, 0), child);
        killedMidway += WIFSIGNALED(status) ? 1 : 0;

        const std::string user =
            Platform().ReadProfileString(CommonIni(), "tester", "UserName", "");
        const std::string proxy =
            Platform().ReadProfileString(CommonIni(), "tester", "ProxyUsername", "");
        const std::string blink =
            Platform().ReadProfileString(CommonIni(), "tester", "TrayIconBlinkSpeed", "");
        if (user == "pim") {
            EXPECT_EQ(proxy, "");
            EXPECT_EQ(blink, "1000");
        } else {
            ASSERT_EQ(user.rfind("save", 0), 0u) << user;
            EXPECT_EQ(proxy, user);
            EXPECT_EQ(blink, std::to_string(500 + std::stoi(user.substr(4)) % 1000)) << user;
        }
    }
    EXPECT_EQ(killedMidway, 25);
}

TEST_F(ConfigSaveErrors, ReadOnlyFolderStopsTheSave) {
    if (geteuid() == 0) {
        GTEST_SKIP() << "permission bits do not stop root";
    }
    tConfig config(ConfigPath, Collect());
    ASSERT_EQ(chmod(ExtractFilePath(CommonIni()).c_str(), 0555), 0);
    config.Interval = 33;
    EXPECT_THROW(config.SaveToIni(), IniFileError);
}

#endif // !_WIN32

TEST_F(ConfigSaveErrors, DefaultSinkWritesToStandardError) {
    WriteFileBytes(platform.root / "blocker", "x");
    ConfigPath = platform.root / "blocker/VexelReminder/vexrem.ini";
    testing::internal::CaptureStderr();
    tConfig config(ConfigPath);
    const std::string err = testing::internal::GetCapturedStderr();
    EXPECT_NE(err.find("Fehler beim Schreiben der Config-Datei in " + ConfigPath + "\n"),
              std::string::npos);
    EXPECT_NE(err.find("In " + ConfigPath + " kann nicht geschrieben werden\n"), std::string::npos);
}

TEST_F(ConfigSaveErrors, SinkCanBeReplacedAndRestored) {
    std::vector<std::string> mine;
    WriteFileBytes(platform.root / "blocker", "x");
    ConfigPath = platform.root / "blocker/deeper/vexrem.ini"; // cannot be created
    tConfig config(ConfigPath, [&](const std::string& m) { mine.push_back(m); });
    EXPECT_EQ(mine.size(), 2u);
    const ConfigMessageSink previous = config.SetMessageSink(Collect());
    EXPECT_THROW(config.SaveToIni(), IniFileError);
    EXPECT_EQ(messages.size(), 1u); // the folder; the failure itself is thrown
    config.SetMessageSink(previous);
    EXPECT_THROW(config.SaveToIni(), IniFileError);
    EXPECT_EQ(mine.size(), 3u);
}

using ConfigShutdown = ConfigTest;

TEST_F(ConfigShutdown, SavesAndDestroys) {
    auto Config = std::make_unique<tConfig>(ConfigPath, Collect());
    Config->Active = true;
    Config->UserName = "Late change";
    ConfigModuleShutdown(Config);
    EXPECT_EQ(Config, nullptr);
    const std::string file = CommonIniText();
    EXPECT_NE(file.find("\nActive=1\n"), std::string::npos);
    EXPECT_NE(file.find("UserName=Late change\n"), std::string::npos);
}

TEST_F(ConfigShutdown, FailedSaveIsReportedAndTheObjectStillGoes) {
    auto Config = std::make_unique<tConfig>(ConfigPath, Collect());
    fs::remove(CommonIni());
    fs::create_directory(CommonIni());
    ConfigModuleShutdown(Config);
    EXPECT_EQ(Config, nullptr);
    ASSERT_EQ(messages.size(), 1u);
    EXPECT_EQ(messages[0], "In " + CommonIni() + " kann nicht geschrieben werden");
}

using ConfigServices = ConfigTest;

TEST_F(ConfigServices, UserNameAndFoldersComeFromThePlatform) {
    EXPECT_EQ(GetWindowsUserName(), "tester");
    platform.userName = std::string(300, 'u');
    EXPECT_EQ(GetWindowsUserName(), std::string(252, 'u'));
    EXPECT_EQ(GetSpecialFolderPath(CsidlAppData), platform.appData);
    EXPECT_EQ(GetSpecialFolderPath(CsidlCommonAppData), platform.commonAppData);
    platform.failSpecialFolders = true;
    EXPECT_EQ(GetSpecialFolderPath(CsidlAppData), "");
}

TEST_F(ConfigServices, SectionIsTheLoginName) {
    platform.userName = "Zweiter Nutzer";
    tConfig config(ConfigPath, Collect());
    EXPECT_EQ(config.SectionName(), "Zweiter Nutzer");
    EXPECT_EQ(CommonIniText().substr(0, 17), "[Zweiter Nutzer]\n");
}

} // namespace
} // namespace vexrem::test
