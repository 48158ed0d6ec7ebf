#include "support/FakePlatform.h"

#include "platform/StartupLink.h"

#include <filesystem>
#ifdef _WIN32
#include <windows.h>

#include <objbase.h>
#include <shobjidl.h>

#include <algorithm>
#include <cctype>
#endif

namespace vexrem::test {

#ifdef _WIN32
namespace {
// Windows names are compared without case.
std::string Lower(std::string s) {
    std::transform(s.begin(), s.end(), s.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return s;
}
} // namespace

std::string StartupEntryAt(const std::string& linkPath) {
    // The widget tests' thread already has COM (as Qt's): then this only counts up.
    const HRESULT init = CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
    std::string entry;
    IShellLinkA* link = nullptr;
    IPersistFile* file = nullptr;
    if (SUCCEEDED(CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkA,
                                   reinterpret_cast<void**>(&link))) &&
        SUCCEEDED(link->QueryInterface(IID_IPersistFile, reinterpret_cast<void**>(&file)))) {
        const std::wstring wide = std::filesystem::path(linkPath).wstring();
        char path[MAX_PATH] = {};
        char description[MAX_PATH] = {};
        if (SUCCEEDED(file->Load(wide.c_str(), STGM_READ)) &&
            SUCCEEDED(link->GetPath(path, MAX_PATH, nullptr, 0)) &&
            SUCCEEDED(link->GetDescription(description, MAX_PATH))) {
            entry = Lower(path) + "|" + description;
        }
    }
    if (file != nullptr) {
        file->Release();
    }
    if (link != nullptr) {
        link->Release();
    }
    if (SUCCEEDED(init)) {
        CoUninitialize();
    }
    return entry;
}

std::string StartupEntryFor(const std::string& target) {
    return Lower(target) + "|" + StartupLinkDescription;
}
#else
std::string StartupEntryAt(const std::string& linkPath) {
    return ReadFileBytes(linkPath);
}

std::string StartupEntryFor(const std::string& target) {
    return DesktopEntryText(target, StartupLinkDescription);
}
#endif

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
