#pragma once
// The entry that starts the program with the user's session, placed in the
// personal or the shared startup folder: a shell link on Windows, an XDG
// autostart desktop entry elsewhere. Writing it is IPlatform::CreateStartupLink;
// what is common to both lives here.

#include "platform/Platform.h"

#include <string>

namespace vexrem {

// File name of the entry, the same in both startup folders.
#ifdef _WIN32
inline constexpr char StartupLinkName[] = "VexelReminder.lnk";
#else
inline constexpr char StartupLinkName[] = "VexelReminder.desktop";
#endif

// What the entry calls the program it starts.
inline constexpr const char* StartupLinkDescription = kProgramName;

// The full name of linkName in folder: the folder with exactly one trailing
// separator, then the name. "" when the folder is unknown (""): an entry must
// never land in whatever the current folder happens to be.
std::string StartupLinkPathIn(const std::string& folder, const std::string& linkName);

// The same for a startup folder given by its CSIDL number, as the platform
// reports it.
std::string StartupLinkPath(int csidl, const std::string& linkName);

// --- desktop entries (XDG autostart) ---------------------------------------

// One argument of an Exec line, double-quoted so that blanks and the
// characters a launcher would interpret stay literal, and escaped again for
// the file's string syntax ("\" -> "\\"), and "%" doubled so it is no field code.
std::string QuoteDesktopExecArgument(const std::string& arg);

// A value of a string key in the file's escape syntax (backslash, line breaks
// and tabs escaped).
std::string EscapeDesktopString(const std::string& value);

// The complete autostart entry that starts target with no arguments.
std::string DesktopEntryText(const std::string& target, const std::string& description);

#ifdef _WIN32
// Writes a shell link at linkPath to target with that description, through the
// shell-link object and its file persistence. False when any step fails.
bool CreateShellLink(const std::string& linkPath, const std::string& target,
                     const std::string& description);
#endif

} // namespace vexrem
