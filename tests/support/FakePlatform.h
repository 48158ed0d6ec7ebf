#pragma once
// The real platform of this OS whose special folders lie in a temp folder, with a fixed
// user name and executable path, and a shell that records what it is asked to
// open instead of starting a browser. Install it with ScopedPlatform.

#include "support/TempDir.h"
#ifdef _WIN32
#include "platform/win32/Win32Platform.h"
#else
#include "platform/posix/PosixPlatform.h"
#endif

#include <mutex>
#include <string>
#include <vector>

namespace vexrem::test {

#ifdef _WIN32
using NativePlatformClass = Win32Platform;
#else
using NativePlatformClass = PosixPlatform;
#endif

// The startup entry at linkPath as the native platform wrote it, in a form to
// compare with StartupEntryFor: the desktop entry's text; on Windows the shell
// link's target and description, read back through the shell ("" when none).
std::string StartupEntryAt(const std::string& linkPath);
// What StartupEntryAt gives for the program's entry that starts target.
std::string StartupEntryFor(const std::string& target);

class FakePlatform : public NativePlatformClass {
public:
    FakePlatform();

    std::string SpecialFolderPath(int csidl) override;
    std::string UserName() override { return userName; }
    std::string ExePath() override { return exePath; }
    std::string TempPath() override;
    void ShellOpen(const std::string& target) override;
    // Records the call, then writes the entry as the real platform does.
    bool CreateStartupLink(const std::string& linkPath, const std::string& target,
                           const std::string& description) override;

    // Every target handed to ShellOpen, in order.
    std::vector<std::string> Opened() const;
    void ClearOpened();
    // The linkPath of every CreateStartupLink call, in order.
    std::vector<std::string> StartupLinksCreated() const;

    TempDir root;
    std::string userName = "tester";
    std::string exePath;             // <root>/bin/vexrem
    std::string appData;             // CsidlAppData
    std::string commonAppData;       // CsidlCommonAppData
    std::string startup;             // CsidlStartup
    std::string commonStartup;       // CsidlCommonStartup
    std::string temp;                // temp folder, without trailing separator
    bool failSpecialFolders = false; // every special folder is unknown

private:
    mutable std::mutex mutex_;
    std::vector<std::string> opened_;
    std::vector<std::string> startupLinks_;
};

} // namespace vexrem::test
