#pragma once
// The autostart entry: which startup entry exists, and how a choice is put in
// place.

#include <string>

namespace vexrem {

// Which startup entry there is; the personal one wins when both exist, since
// that is the one the user's session would start anyway.
enum class AutostartEntry { None, Personal, Common };

// The two places an entry can have, by the program's link name.
struct AutostartPlaces {
    std::string personal;
    std::string common;
};
AutostartPlaces AutostartLinkPaths();

AutostartEntry FindAutostartEntry(const AutostartPlaces& places);

// Makes choice the one entry there is. Existence is looked at again at each
// step (the folders may have changed meanwhile), and an entry that is
// switched away from goes only once the chosen one is in place, so a failed
// write (the shared folder is seldom writable) never leaves the user without
// any entry.
void ApplyAutostartChoice(AutostartEntry choice, const AutostartPlaces& places);

// Creates the startup entry linkName in the startup folder with that CSIDL
// number; a failure goes unreported.
void AddStartupLink(int folder, const std::string& linkName);

// Opens a startup folder in the desktop's file manager. The personal one is
// created first when it is missing (it lies in the user's own configuration
// folder), so the user sees the place where the entry goes. Throws
// PlatformError when there is no such folder.
void OpenStartupFolder(int csidl);

} // namespace vexrem
