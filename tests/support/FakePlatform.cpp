#include "support/FakePlatform.h"

#include <filesystem>

namespace vexrem::test {

FakePlatform::FakePlatform()
    : exePath(root / "bin/vexrem"), appData(root / "home/.config"),
      commonAppData(root / "home/.local/share"), startup(root / "home/.config/autostart"),
      commonStartup(root / "etc/xdg/autostart"), temp(root / "tmp") {
    for (const auto& d : {ExtractFilePath(exePath), appData, commonAppData, temp}) {
        std::filesystem::create_directories(d);
    }
}

std::string FakePlatform::SpecialFolderPath(int csidl) {
    if (failSpecialFolders) {
        return {};
    }
    switch (csidl) {
    case CsidlAppData:
        return appData;
    case CsidlCommonAppData:
        return commonAppData;
    case CsidlStartup:
        return startup;
    case CsidlCommonStartup:
        return commonStartup;
    default:
        return {};
    }
}

std::string FakePlatform::TempPath() {
    return temp.empty() ? std::string() : IncludeTrailingPathDelimiter(temp);
}

void FakePlatform::ShellOpen(const std::string& target) {
    std::lock_guard lock(mutex_);
    opened_.push_back(target);
}

std::vector<std::string> FakePlatform::Opened() const {
    std::lock_guard lock(mutex_);
    return opened_;
}

void FakePlatform::ClearOpened() {
    std::lock_guard lock(mutex_);
    opened_.clear();
}

bool FakePlatform::CreateStartupLink(const std::string& linkPath, const std::string& target,
                                     const std::string& description) {
    {
        std::lock_guard lock(mutex_);
        startupLinks_.push_back(linkPath);
    }
    return NativePlatformClass::CreateStartupLink(linkPath, target, description);
}

std::vector<std::string> FakePlatform::StartupLinksCreated() const {
    std::lock_guard lock(mutex_);
    return startupLinks_;
}

} // namespace vexrem::test
