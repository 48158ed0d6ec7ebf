// The Windows services behind the platform interface, through the real API
// (under wine in the cross build).
#include "platform/win32/Win32Platform.h"
#include "platform/StartupLink.h"
#include "platform/VMDetection.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <windows.h>

#include <objbase.h>
#include <shobjidl.h>

#include <vector>

namespace vexrem {
namespace {

using test::ReadFileBytes;
using test::TempDir;
using test::WriteFileBytes;

class Win32PlatformTest : public testing::Test {
protected:
    Win32Platform platform;
    TempDir dir;
};

TEST_F(Win32PlatformTest, ProfileValuesRoundTripWithTheSystemsSemantics) {
    const std::string ini = dir / "sub.ini";
    EXPECT_EQ(platform.ReadProfileString(ini, "s", "k", "def"), "def");
    EXPECT_FALSE(platform.ProfileSectionHasKeys(ini, "s"));

    platform.WriteProfileValue(ini, "Tester", "UserName", "pim");
    platform.WriteProfileValues(ini, {{"Tester", "Interval", "120"}, {"other", "a", "1"}});
    EXPECT_EQ(platform.ReadProfileString(ini, "tester", "username", ""), "pim");
    EXPECT_EQ(platform.ReadProfileString(ini, "Tester", "Interval", ""), "120");
    EXPECT_TRUE(platform.ProfileSectionHasKeys(ini, "other"));
    EXPECT_FALSE(platform.ProfileSectionHasKeys(ini, "missing"));

    // A line break cannot split a value over two lines.
    platform.WriteProfileValue(ini, "Tester", "Text", "one\r\nInjected=1");
    EXPECT_EQ(platform.ReadProfileString(ini, "Tester", "Text", ""), "one");
    EXPECT_EQ(platform.ReadProfileString(ini, "Tester", "Injected", "none"), "none");

    // The system's reading: blanks trimmed, a pair of quotes removed, at most 2047 bytes.
    WriteFileBytes(ini, "[q]\r\nquoted=\"a b\"\r\nblank=  x  \r\nlong=" + std::string(3000, 'z') +
                            "\r\n");
    EXPECT_EQ(platform.ReadProfileString(ini, "q", "quoted", ""), "a b");
    EXPECT_EQ(platform.ReadProfileString(ini, "q", "blank", ""), "x");
    EXPECT_EQ(platform.ReadProfileString(ini, "q", "long", "").size(), 2047u);
}

TEST_F(Win32PlatformTest, WriteIntoAMissingFolderThrowsWithThePath) {
    const std::string ini = dir / "missing\\sub.ini";
    try {
        platform.WriteProfileValue(ini, "s", "k", "v");
        FAIL() << "no error";
    } catch (const PlatformError& e) {
        EXPECT_EQ(std::string(e.what()).rfind(ini + ": ", 0), 0u) << e.what();
    }
}

TEST_F(Win32PlatformTest, FilesAndFolders) {
    const std::string folder = dir / "new";
    EXPECT_TRUE(platform.MakeDirectory(folder + "\\"));
    EXPECT_TRUE(platform.DirectoryExists(folder));
    EXPECT_FALSE(platform.FileExists(folder));
    EXPECT_FALSE(platform.MakeDirectory(dir / "a\\b")); // one level only

    const std::string file = folder + "\\f.txt";
    EXPECT_TRUE(platform.WriteNewFile(file, "bytes"));
    EXPECT_FALSE(platform.WriteNewFile(file, "other")); // never opens a taken name
    EXPECT_EQ(ReadFileBytes(file), "bytes");
    EXPECT_TRUE(platform.FileExists(file));
    EXPECT_TRUE(platform.RemoveFile(file));
    EXPECT_FALSE(platform.RemoveFile(file));
}

TEST_F(Win32PlatformTest, TempNamesAreNewFilesInTheGivenFolder) {
    const std::string temp = platform.TempPath();
    ASSERT_FALSE(temp.empty());
    EXPECT_EQ(temp.back(), '\\');
    EXPECT_TRUE(platform.DirectoryExists(temp));

    const std::string folder = IncludeTrailingPathDelimiter(dir.Str());
    const std::string a = platform.TempFileName(folder, "vfs");
    const std::string b = platform.TempFileName(folder, "vfs");
    EXPECT_NE(a, b);
    for (const std::string& name : {a, b}) {
        EXPECT_EQ(ExtractFilePath(name), folder) << name;
        EXPECT_EQ(ExtractFileName(name).rfind("vfs", 0), 0u) << name;
        EXPECT_EQ(name.substr(name.size() - 4), ".tmp") << name;
        EXPECT_TRUE(platform.FileExists(name)) << name;
    }
}

TEST_F(Win32PlatformTest, SpecialFoldersUserAndExecutable) {
    for (const int csidl : {CsidlAppData, CsidlCommonAppData, CsidlStartup, CsidlCommonStartup}) {
        const std::string path = platform.SpecialFolderPath(csidl);
        EXPECT_GT(path.size(), 3u) << csidl;
        EXPECT_NE(path.back(), '\\') << csidl;
    }
    EXPECT_EQ(platform.SpecialFolderPath(-1), "");
    EXPECT_FALSE(platform.UserName().empty());
    EXPECT_EQ(ExtractFileName(platform.ExePath()), "test_platform.exe");
    EXPECT_TRUE(platform.IsVistaOrLater());
}

TEST_F(Win32PlatformTest, SecondLockOfTheSameNameSeesTheFirst) {
    const std::string name = "VexelfeldReminderTest" + std::to_string(GetCurrentProcessId());
    auto first = platform.AcquireInstanceLock(name);
    EXPECT_EQ(first->State(), InstanceState::First);
    EXPECT_EQ(platform.AcquireInstanceLock(name)->State(), InstanceState::AlreadyRunning);
    first.reset();
    EXPECT_EQ(platform.AcquireInstanceLock(name)->State(), InstanceState::First);
}

TEST_F(Win32PlatformTest, ErrorTextsAreTheSystemsWithoutTheLineEnd) {
    const std::string text = platform.ErrorText(ERROR_FILE_NOT_FOUND);
    EXPECT_FALSE(text.empty());
    EXPECT_NE(text.back(), '\n');
    EXPECT_NE(text.back(), '\r');
    EXPECT_FALSE(platform.ErrorText(WSAECONNREFUSED).empty());
}

TEST_F(Win32PlatformTest, ShellLinkIsCreatedAndReadBack) {
    const std::string link = dir / StartupLinkName;
    const std::string target = platform.ExePath();
    ASSERT_TRUE(platform.CreateStartupLink(link, target, StartupLinkDescription));
    ASSERT_TRUE(platform.FileExists(link));

    ASSERT_TRUE(SUCCEEDED(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED)));
    IShellLinkA* shellLink = nullptr;
    ASSERT_TRUE(SUCCEEDED(CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER,
                                           IID_IShellLinkA, reinterpret_cast<void**>(&shellLink))));
    IPersistFile* file = nullptr;
    ASSERT_TRUE(
        SUCCEEDED(shellLink->QueryInterface(IID_IPersistFile, reinterpret_cast<void**>(&file))));
    std::wstring wide(link.begin(), link.end());
    EXPECT_TRUE(SUCCEEDED(file->Load(wide.c_str(), STGM_READ)));
    char path[MAX_PATH] = {};
    char description[MAX_PATH] = {};
    EXPECT_TRUE(SUCCEEDED(shellLink->GetPath(path, MAX_PATH, nullptr, 0)));
    EXPECT_TRUE(SUCCEEDED(shellLink->GetDescription(description, MAX_PATH)));
    EXPECT_STRCASEEQ(path, target.c_str());
    EXPECT_STREQ(description, StartupLinkDescription);
    file->Release();
    shellLink->Release();
    CoUninitialize();
}

// This process's sleep watcher window, found as a sender of broadcasts finds it.
HWND OwnSleepWatcherWindow() {
    HWND window = nullptr;
    while ((window = FindWindowExA(nullptr, window, kSleepWatcherWindowClass, nullptr)) !=
           nullptr) {
        DWORD pid = 0;
        GetWindowThreadProcessId(window, &pid);
        if (pid == GetCurrentProcessId()) {
            return window;
        }
    }
    return nullptr;
}

TEST(Win32SleepWatcher, ATopLevelWindowTellsTheSleepAndOneWakePerResume) {
    std::vector<PowerEvent> told;
    auto watcher = WatchSleepWin32([&](PowerEvent e) { told.push_back(e); });
    ASSERT_NE(watcher, nullptr);
    const HWND window = OwnSleepWatcherWindow();
    ASSERT_NE(window, nullptr);
    // Power broadcasts reach top-level windows only, not message-only ones.
    EXPECT_EQ(GetAncestor(window, GA_PARENT), GetDesktopWindow());
    EXPECT_FALSE(IsWindowVisible(window));

    // A resume brings PBT_APMRESUMEAUTOMATIC, and PBT_APMRESUMESUSPEND after
    // it when a user is there: one wake.
    for (const WPARAM event :
         {PBT_APMSUSPEND, PBT_APMRESUMEAUTOMATIC, PBT_APMRESUMESUSPEND, PBT_APMPOWERSTATUSCHANGE}) {
        ASSERT_TRUE(PostMessageA(window, WM_POWERBROADCAST, event, 0));
    }
    MSG msg;
    while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
        DispatchMessageA(&msg);
    }
    EXPECT_EQ(told, (std::vector<PowerEvent>{PowerEvent::Sleep, PowerEvent::Wake}));

    watcher.reset();
    EXPECT_EQ(OwnSleepWatcherWindow(), nullptr);
}

TEST(Win32Registry, BalloonTipsFollowTheExplorerValue) {
    const char* key = "Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\Advanced";
    HKEY h = nullptr;
    ASSERT_EQ(RegCreateKeyExA(HKEY_CURRENT_USER, key, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &h,
                              nullptr),
              ERROR_SUCCESS);
    RegDeleteValueA(h, "EnableBalloonTips");
    EXPECT_TRUE(RegistryBalloonTipsEnabled()); // no value: the default is on
    // Only 1 means on: 2 or any other number is off.
    for (const DWORD value : {DWORD{0}, DWORD{1}, DWORD{2}, DWORD{0xFFFFFFFF}}) {
        RegSetValueExA(h, "EnableBalloonTips", 0, REG_DWORD, reinterpret_cast<const BYTE*>(&value),
                       sizeof value);
        EXPECT_EQ(RegistryBalloonTipsEnabled(), value == 1) << value;
    }
    // A value that is no number counts as missing.
    RegSetValueExA(h, "EnableBalloonTips", 0, REG_SZ, reinterpret_cast<const BYTE*>("0"), 2);
    EXPECT_TRUE(RegistryBalloonTipsEnabled());
    RegDeleteValueA(h, "EnableBalloonTips");
    RegCloseKey(h);
}

TEST(Win32Environment, UnderWineTheProbeSaysWine) {
    if (!RunsUnderWine()) {
        GTEST_SKIP() << "not under WINE";
    }
    const DescriptorTableInfo first = ProbeProcessor(1);
    SCOPED_TRACE(testing::Message()
                 << std::hex << "GDT " << first.GdtBase << "/" << first.GdtLimit << " IDT "
                 << first.IdtBase << "/" << first.IdtLimit << " LDTR " << first.Ldtr);
    const std::vector<EnvironmentKind> kinds = ProbeProcessorKinds();
    ASSERT_FALSE(kinds.empty());
    for (const EnvironmentKind kind : kinds) {
        EXPECT_EQ(kind, EnvironmentKind::WINE);
    }
    DetectEnvironment();
    EXPECT_TRUE(NotNativeEnvironment);
    EXPECT_EQ(DetectedEnvironment, EnvironmentKind::WINE);
}

} // namespace
} // namespace vexrem
