#pragma once
// The platform services on Windows: the system's own functions behind the
// common interface. Profile files go through the system's profile functions,
// so their semantics are the system's: a pair of quotes around a value is
// removed on reading, and a written file keeps CRLF line ends.

#include "platform/Platform.h"
#include "platform/SleepWatcher.h"

#include <string>
#include <vector>

namespace vexrem {

class Win32Platform : public IPlatform {
public:
    std::string SpecialFolderPath(int csidl) override;
    std::string UserName() override;
    std::string ExePath() override;
    bool IsVistaOrLater() override;

    bool FileExists(const std::string& path) override;
    bool DirectoryExists(const std::string& path) override;
    bool RemoveFile(const std::string& path) override;
    bool MakeDirectory(const std::string& path) override;

    std::string ReadProfileString(const std::string& file, const std::string& section,
                                  const std::string& key, const std::string& def) override;
    void WriteProfileValue(const std::string& file, const std::string& section,
                           const std::string& key, const std::string& value) override;
    void WriteProfileValues(const std::string& file,
                            const std::vector<ProfileEntry>& entries) override;
    bool ProfileSectionHasKeys(const std::string& file, const std::string& section) override;
    void RemoveStaleProfileTempFiles(const std::string& file) override;

    std::string TempPath() override;
    std::string TempFileName(const std::string& dir, const std::string& prefix) override;
    bool WriteNewFile(const std::string& path, const std::string& bytes) override;

    void ShellOpen(const std::string& target) override;
    bool CreateStartupLink(const std::string& linkPath, const std::string& target,
                           const std::string& description) override;

    std::string ErrorText(int code) override;
    std::unique_ptr<InstanceLock> AcquireInstanceLock(const std::string& name) override;
};

// The user's Explorer setting for balloon tips: true when the key or the
// value "EnableBalloonTips" is missing, otherwise whether the value is 1.
bool RegistryBalloonTipsEnabled();

// Whether the system is WINE: its ntdll.dll exports wine_get_version, the
// system's own never does.
bool RunsUnderWine();

// The file version from the version resource of the executable at path, as
// four numbers joined by dots; "" when it has none.
std::string FileVersionText(const std::string& path);

// The class and title of the sleep watcher's hidden window.
inline constexpr const char* kSleepWatcherWindowClass = "VexelReminderSleepWatcher";
// Tells sleep and wake to handler on this thread, whose message loop must
// run; null when its window cannot be made.
std::unique_ptr<SleepWatcher> WatchSleepWin32(PowerHandler handler);

} // namespace vexrem
