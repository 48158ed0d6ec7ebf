#pragma once
// The platform services on Linux and other POSIX systems.

#include "platform/Platform.h"

namespace vexrem {

class PosixPlatform : public IPlatform {
public:
    std::string SpecialFolderPath(int csidl) override;
    std::string UserName() override;
    std::string ExePath() override;
    bool IsVistaOrLater() override { return false; }

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
                           const std::string& description) override; // PosixStartupLink.cpp

    std::string ErrorText(int code) override;
    std::unique_ptr<InstanceLock> AcquireInstanceLock(const std::string& name) override;
};

} // namespace vexrem
