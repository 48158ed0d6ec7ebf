#pragma once
// The operating system's services as this program uses them. One interface,
// one implementation per OS (posix/, win32/). The names and semantics follow
// the Windows services, so the Windows build is a thin layer over them; the
// POSIX implementation maps each to its native counterpart.
//
// Everything reaches the OS through Platform(), so tests can swap in a
// subclass (temp folders as special folders, a recording shell, a fixed user
// name) with ScopedPlatform.

#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

namespace vexrem {

// Shell special folders, numbered as on Windows (the system's own CSIDL_
// names are macros of <shlobj.h>, hence these).
enum Csidl : int {
    CsidlStartup = 7,
    CsidlCommonStartup = 24,
    CsidlAppData = 26,
    CsidlCommonAppData = 35,
};

// Path separator of the platform's file names ("\" on Windows, "/" here).
#ifdef _WIN32
inline constexpr char PathDelim = '\\';
#else
inline constexpr char PathDelim = '/';
#endif

// Raised by services that fail with a message of their own.
class PlatformError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// Outcome of the single-instance test.
enum class InstanceState {
    First,          // this process holds the lock
    AlreadyRunning, // another process of the same session holds it
    Unprotected,    // the lock could not be set up; run without protection
};

// One key of a batch of profile writes.
struct ProfileEntry {
    std::string section;
    std::string key;
    std::string value;
};

// Held for the whole run by the first instance; releases the lock when destroyed.
class InstanceLock {
public:
    virtual ~InstanceLock() = default;
    virtual InstanceState State() const = 0;
};

// Method names steer clear of the system functions' names (DeleteFile,
// CreateDirectory, WriteProfileString): <windows.h> makes those macros.
class IPlatform {
public:
    virtual ~IPlatform() = default;

    // --- identity and folders --------------------------------------------
    // Path of a special folder without a trailing separator; "" when unknown.
    virtual std::string SpecialFolderPath(int csidl) = 0;
    // Login name of the user running the process; "" when unknown.
    virtual std::string UserName() = 0;
    // Full path of the running executable.
    virtual std::string ExePath() = 0;
    // True on Windows Vista or later (never elsewhere).
    virtual bool IsVistaOrLater() = 0;

    // --- files -----------------------------------------------------------
    virtual bool FileExists(const std::string& path) = 0;
    virtual bool DirectoryExists(const std::string& path) = 0;
    virtual bool RemoveFile(const std::string& path) = 0;
    // Creates one folder level; the parent must exist. False on failure.
    virtual bool MakeDirectory(const std::string& path) = 0;

    // --- profile (INI) files, one key at a time ----------------------------
    // The value of key in section, trimmed of surrounding blanks, at most
    // 2047 bytes; def when the file, section or key is missing.
    virtual std::string ReadProfileString(const std::string& file, const std::string& section,
                                          const std::string& key, const std::string& def) = 0;
    // Writes key=value into section at once; other lines stay as they are.
    // Throws PlatformError when the file cannot be written.
    virtual void WriteProfileValue(const std::string& file, const std::string& section,
                                   const std::string& key, const std::string& value) = 0;
    // Every entry written in order, each as WriteProfileValue would, as one
    // change of the file where the system allows it: here the file then holds
    // all of them, or none when this throws PlatformError. (With the Windows
    // profile functions it is one WritePrivateProfileString per entry.)
    virtual void WriteProfileValues(const std::string& file,
                                    const std::vector<ProfileEntry>& entries) = 0;
    // True when the section exists and holds at least one key.
    virtual bool ProfileSectionHasKeys(const std::string& file, const std::string& section) = 0;
    // Removes the temp files that writes of file killed part-way left beside
    // it, as the next write would: only this program's own, and only ones old
    // enough that no write running now can own them. Nothing to do where the
    // system writes profile files itself.
    virtual void RemoveStaleProfileTempFiles(const std::string& file) = 0;

    // --- temporary files ---------------------------------------------------
    // The temporary folder with a trailing separator; "" on failure. Where
    // the user has a private one (the session's runtime folder), that one.
    virtual std::string TempPath() = 0;
    // Creates a new empty file "<dir><prefix>XXXX.tmp" and returns its path;
    // "" on failure. Never opens a name that is already taken.
    virtual std::string TempFileName(const std::string& dir, const std::string& prefix) = 0;
    // Creates path as a new file that only the user may read and writes bytes
    // into it. Whatever already has that name (a file, a link, a pipe someone
    // planted in a shared folder) is neither opened nor followed: the result
    // is then false and the caller picks another name. Throws PlatformError
    // with the system's reason for any other failure, leaving no file behind.
    virtual bool WriteNewFile(const std::string& path, const std::string& bytes) = 0;

    // --- shell -------------------------------------------------------------
    // Hands a URL, file or folder to the desktop; the outcome is not reported.
    virtual void ShellOpen(const std::string& target) = 0;

    // --- startup entry -----------------------------------------------------
    // Writes an entry at linkPath that starts target with the user's session
    // (a shell link on Windows, an autostart desktop entry elsewhere); an
    // existing file there is replaced whole. False when it could not be written.
    virtual bool CreateStartupLink(const std::string& linkPath, const std::string& target,
                                   const std::string& description) = 0;

    // --- system ------------------------------------------------------------
    // The system's text for an error number; "" when it knows none.
    virtual std::string ErrorText(int code) = 0;
    // The single-instance test under the given name (session-local).
    virtual std::unique_ptr<InstanceLock> AcquireInstanceLock(const std::string& name) = 0;
};

// The platform in use (the native one unless a test swapped it).
IPlatform& Platform();

// Makes p the platform in use for the lifetime of this object.
class ScopedPlatform {
public:
    explicit ScopedPlatform(IPlatform& p);
    ~ScopedPlatform();
    ScopedPlatform(const ScopedPlatform&) = delete;
    ScopedPlatform& operator=(const ScopedPlatform&) = delete;

private:
    IPlatform* previous_;
};

// The native implementation for this OS (a fresh instance; tests derive from it).
std::unique_ptr<IPlatform> MakeNativePlatform();

// The program's name as users and the system see it.
inline constexpr const char* kProgramName = "VexelReminder";

// Version of the running program: four numbers joined by dots.
std::string ExeVersionText();

// True for a character that ends a folder part: the separator, and on
// Windows also "/" and the ":" after a drive letter.
bool IsPathDelimiter(char c);
// Folder part of a path including the final separator ("" when there is none).
std::string ExtractFilePath(const std::string& path);
// File name part of a path.
std::string ExtractFileName(const std::string& path);
// The path with one trailing separator (unchanged when it already has one).
std::string IncludeTrailingPathDelimiter(const std::string& path);

} // namespace vexrem
