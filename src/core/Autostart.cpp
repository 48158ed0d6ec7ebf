#include "core/Autostart.h"

#include "platform/Platform.h"
#include "platform/StartupLink.h"

#include <cerrno>

namespace vexrem {

namespace {

void DeleteIfExists(const std::string& path) {
    if (Platform().FileExists(path)) {
        Platform().RemoveFile(path); // missing rights: the next opening shows what is left
    }
}

// Puts the entry at path (in folder) in place, then removes other.
void MoveEntryTo(int folder, const std::string& path, const std::string& other) {
    if (!Platform().FileExists(path)) {
        AddStartupLink(folder, StartupLinkName);
    }
    if (Platform().FileExists(path)) {
        DeleteIfExists(other);
    }
}

} // namespace

AutostartPlaces AutostartLinkPaths() {
    return {StartupLinkPath(CsidlStartup, StartupLinkName),
            StartupLinkPath(CsidlCommonStartup, StartupLinkName)};
}

AutostartEntry FindAutostartEntry(const AutostartPlaces& places) {
    if (Platform().FileExists(places.personal)) {
        return AutostartEntry::Personal;
    }
    if (Platform().FileExists(places.common)) {
        return AutostartEntry::Common;
    }
    return AutostartEntry::None;
}

void ApplyAutostartChoice(AutostartEntry choice, const AutostartPlaces& places) {
    switch (choice) {
    case AutostartEntry::None:
        DeleteIfExists(places.common);
        DeleteIfExists(places.personal);
        break;
    case AutostartEntry::Personal:
        MoveEntryTo(CsidlStartup, places.personal, places.common);
        break;
    case AutostartEntry::Common:
        MoveEntryTo(CsidlCommonStartup, places.common, places.personal);
        break;
    }
}

void AddStartupLink(int folder, const std::string& linkName) {
    const std::string path = StartupLinkPath(folder, linkName);
    const std::string target = Platform().ExePath();
    if (path.empty() || target.empty()) {
        return;
    }
    // The personal folder lies in the user's configuration folder, which
    // exists; one missing level is made here. The shared one is the system's.
    const std::string dir = Platform().SpecialFolderPath(folder);
    if (folder == CsidlStartup && !Platform().DirectoryExists(dir)) {
        Platform().MakeDirectory(dir);
    }
    Platform().CreateStartupLink(path, target, StartupLinkDescription);
}

void OpenStartupFolder(int csidl) {
    const std::string folder = Platform().SpecialFolderPath(csidl);
    if (folder.empty()) {
        throw PlatformError(Platform().ErrorText(ENOENT));
    }
    if (csidl == CsidlStartup && !Platform().DirectoryExists(folder)) {
        Platform().MakeDirectory(folder);
    }
    if (!Platform().DirectoryExists(folder)) {
        throw PlatformError(folder + ": " + Platform().ErrorText(ENOENT));
    }
    Platform().ShellOpen(folder);
}

} // namespace vexrem
