// The Windows services behind the platform interface, each called directly so
// that the program behaves as the system's own functions do. Text is in the
// ANSI code page throughout.
#include "platform/win32/Win32Platform.h"

#include "platform/ProfileFile.h"
#include "platform/StartupLink.h"

#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>

#include <sddl.h>
#include <shellapi.h>
#include <shlobj.h>

namespace vexrem {

namespace {

std::string StripTrailingDelims(std::string p) {
    // "C:\" keeps its separator: without it the name means the drive's current folder.
    while (p.size() > 3 && (p.back() == '\\' || p.back() == '/')) {
        p.pop_back();
    }
    return p;
}

// The system's text for the calling thread's last error.
std::string LastErrorText(IPlatform& platform) {
    const DWORD err = GetLastError();
    std::string text = platform.ErrorText(static_cast<int>(err));
    return text.empty() ? "error " + std::to_string(err) : text;
}

class MutexLock : public InstanceLock {
public:
    MutexLock(HANDLE mutex, InstanceState state) : mutex_(mutex), state_(state) {}
    ~MutexLock() override {
        if (mutex_ != nullptr) {
            CloseHandle(mutex_);
        }
    }
    MutexLock(const MutexLock&) = delete;
    MutexLock& operator=(const MutexLock&) = delete;
    InstanceState State() const override { return state_; }

private:
    HANDLE mutex_;
    InstanceState state_;
};

// The string form of the SID of the user running the process; "" if unknown.
std::string CurrentUserSid() {
    HANDLE token = nullptr;
    if (OpenProcessToken(GetCurrentProcess(), TOKEN_QUERY, &token) == 0) {
        return {};
    }
    std::string result;
    DWORD size = 0;
    GetTokenInformation(token, TokenUser, nullptr, 0, &size);
    std::vector<char> buf(size);
    char* text = nullptr;
    if (size > 0 && GetTokenInformation(token, TokenUser, buf.data(), size, &size) != 0 &&
        ConvertSidToStringSidA(reinterpret_cast<TOKEN_USER*>(buf.data())->User.Sid, &text) != 0) {
        result = text;
        LocalFree(text);
    }
    CloseHandle(token);
    return result;
}

// A security descriptor that lets only the user (and the system) in.
class PrivateSecurity {
public:
    PrivateSecurity() {
        attrs_.nLength = sizeof attrs_;
        attrs_.bInheritHandle = FALSE;
        const std::string sid = CurrentUserSid();
        if (!sid.empty() && ConvertStringSecurityDescriptorToSecurityDescriptorA(
                                ("D:P(A;;FA;;;" + sid + ")(A;;FA;;;SY)").c_str(), SDDL_REVISION_1,
                                &sd_, nullptr) != 0) {
            attrs_.lpSecurityDescriptor = sd_;
        }
    }
    ~PrivateSecurity() {
        if (sd_ != nullptr) {
            LocalFree(sd_);
        }
    }
    PrivateSecurity(const PrivateSecurity&) = delete;
    PrivateSecurity& operator=(const PrivateSecurity&) = delete;
    SECURITY_ATTRIBUTES* Get() {
        return attrs_.lpSecurityDescriptor != nullptr ? &attrs_ : nullptr;
    }

private:
    PSECURITY_DESCRIPTOR sd_ = nullptr;
    SECURITY_ATTRIBUTES attrs_{};
};

} // namespace

std::string Win32Platform::SpecialFolderPath(int csidl) {
    char buf[MAX_PATH + 1] = {};
    if (FAILED(SHGetFolderPathA(nullptr, csidl, nullptr, SHGFP_TYPE_CURRENT, buf))) {
        return {};
    }
    return StripTrailingDelims(buf);
}

std::string Win32Platform::UserName() {
    char buf[257] = {}; // UNLEN + 1
    DWORD size = sizeof buf;
    if (GetUserNameA(buf, &size) == 0) {
        return {};
    }
    return buf;
}

std::string Win32Platform::ExePath() {
    std::string buf(MAX_PATH, '\0');
    for (;;) {
        const DWORD n = GetModuleFileNameA(nullptr, buf.data(), static_cast<DWORD>(buf.size()));
        if (n == 0) {
            return {};
        }
        if (n < buf.size()) {
            buf.resize(n);
            return buf;
        }
        buf.resize(buf.size() * 2); // cut off: try again with room to spare
    }
}

bool Win32Platform::IsVistaOrLater() {
    OSVERSIONINFOA vi{};
    vi.dwOSVersionInfoSize = sizeof vi;
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wdeprecated-declarations"
    const BOOL ok = GetVersionExA(&vi);
#pragma GCC diagnostic pop
    return ok != 0 && vi.dwPlatformId == VER_PLATFORM_WIN32_NT && vi.dwMajorVersion >= 6;
}

bool Win32Platform::FileExists(const std::string& path) {
    const DWORD attrs = GetFileAttributesA(path.c_str());
    return !path.empty() && attrs != INVALID_FILE_ATTRIBUTES &&
           (attrs & FILE_ATTRIBUTE_DIRECTORY) == 0;
}

bool Win32Platform::DirectoryExists(const std::string& path) {
    const DWORD attrs = GetFileAttributesA(path.c_str());
    return !path.empty() && attrs != INVALID_FILE_ATTRIBUTES &&
           (attrs & FILE_ATTRIBUTE_DIRECTORY) != 0;
}

bool Win32Platform::RemoveFile(const std::string& path) {
    return !path.empty() && DeleteFileA(path.c_str()) != 0;
}

bool Win32Platform::MakeDirectory(const std::string& path) {
    return !path.empty() && CreateDirectoryA(StripTrailingDelims(path).c_str(), nullptr) != 0;
}

std::string Win32Platform::ReadProfileString(const std::string& file, const std::string& section,
                                             const std::string& key, const std::string& def) {
    char buf[profile::MaxValueLength + 1] = {};
    const std::string s(profile::SingleLine(section));
    const std::string k(profile::SingleLine(key));
    const DWORD n =
        GetPrivateProfileStringA(s.c_str(), k.c_str(), def.c_str(), buf, sizeof buf, file.c_str());
    return std::string(buf, n);
}

void Win32Platform::WriteProfileValue(const std::string& file, const std::string& section,
                                      const std::string& key, const std::string& value) {
    // A line break inside a value would start a new line in the file: cut there,
    // as the POSIX engine does.
    const std::string s(profile::SingleLine(section));
    const std::string k(profile::SingleLine(key));
    const std::string v(profile::SingleLine(value));
    if (WritePrivateProfileStringA(s.c_str(), k.c_str(), v.c_str(), file.c_str()) == 0) {
        throw PlatformError(file + ": " + LastErrorText(*this));
    }
}

void Win32Platform::WriteProfileValues(const std::string& file,
                                       const std::vector<ProfileEntry>& entries) {
    // The system writes key by key; there is no way to make a batch one change.
    for (const ProfileEntry& e : entries) {
        WriteProfileValue(file, e.section, e.key, e.value);
    }
}

bool Win32Platform::ProfileSectionHasKeys(const std::string& file, const std::string& section) {
    // With no key name the system lists the section's keys, each ending in a zero.
    char buf[64] = {};
    const std::string s(profile::SingleLine(section));
    return GetPrivateProfileStringA(s.c_str(), nullptr, "", buf, sizeof buf, file.c_str()) > 0;
}

void Win32Platform::RemoveStaleProfileTempFiles(const std::string& /*file*/) {
    // The system's profile functions write the file in place; no temp file of
    // ours ever lies beside it.
}

std::string Win32Platform::TempPath() {
    char buf[MAX_PATH + 2] = {};
    const DWORD n = GetTempPathA(sizeof buf, buf);
    if (n == 0 || n >= sizeof buf) {
        return {};
    }
    return IncludeTrailingPathDelimiter(std::string(buf, n));
}

std::string Win32Platform::TempFileName(const std::string& dir, const std::string& prefix) {
    char buf[MAX_PATH + 1] = {};
    if (GetTempFileNameA(dir.c_str(), prefix.c_str(), 0, buf) == 0) {
        return {};
    }
    return buf;
}

bool Win32Platform::WriteNewFile(const std::string& path, const std::string& bytes) {
    // CREATE_NEW never opens an existing name, a link included; the descriptor
    // keeps other users out even in a shared folder.
    PrivateSecurity security;
    HANDLE h = CreateFileA(path.c_str(), GENERIC_WRITE, 0, security.Get(), CREATE_NEW,
                           FILE_ATTRIBUTE_NORMAL, nullptr);
    if (h == INVALID_HANDLE_VALUE) {
        const DWORD err = GetLastError();
        if (err == ERROR_FILE_EXISTS || err == ERROR_ALREADY_EXISTS) {
            return false;
        }
        throw PlatformError(ErrorText(static_cast<int>(err)));
    }
    DWORD err = 0;
    std::size_t done = 0;
    while (done < bytes.size() && err == 0) {
        const DWORD chunk =
            static_cast<DWORD>(std::min<std::size_t>(bytes.size() - done, 1u << 20));
        DWORD written = 0;
        if (WriteFile(h, bytes.data() + done, chunk, &written, nullptr) == 0) {
            err = GetLastError();
        }
        done += written;
    }
    if (CloseHandle(h) == 0 && err == 0) {
        err = GetLastError();
    }
    if (err != 0) {
        DeleteFileA(path.c_str());
        throw PlatformError(ErrorText(static_cast<int>(err)));
    }
    return true;
}

void Win32Platform::ShellOpen(const std::string& target) {
    ShellExecuteA(nullptr, "open", target.c_str(), nullptr, nullptr, SW_SHOWNORMAL);
}

bool Win32Platform::CreateStartupLink(const std::string& linkPath, const std::string& target,
                                      const std::string& description) {
    return CreateShellLink(linkPath, target, description);
}

std::string Win32Platform::ErrorText(int code) {
    char* text = nullptr;
    const DWORD n = FormatMessageA(
        FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM |
            FORMAT_MESSAGE_IGNORE_INSERTS | FORMAT_MESSAGE_MAX_WIDTH_MASK,
        nullptr, static_cast<DWORD>(code), 0, reinterpret_cast<char*>(&text), 0, nullptr);
    std::string result = (n > 0 && text != nullptr) ? std::string(text, n) : std::string();
    if (text != nullptr) {
        LocalFree(text);
    }
    while (!result.empty() && static_cast<unsigned char>(result.back()) <= ' ') {
        result.pop_back();
    }
    return result;
}

std::unique_ptr<InstanceLock> Win32Platform::AcquireInstanceLock(const std::string& name) {
    // A plain name lives in the session's namespace: one instance per session.
    HANDLE mutex = CreateMutexA(nullptr, FALSE, name.c_str());
    if (mutex == nullptr) {
        return std::make_unique<MutexLock>(nullptr, InstanceState::Unprotected);
    }
    if (GetLastError() == ERROR_ALREADY_EXISTS) {
        CloseHandle(mutex);
        return std::make_unique<MutexLock>(nullptr, InstanceState::AlreadyRunning);
    }
    return std::make_unique<MutexLock>(mutex, InstanceState::First);
}

bool RegistryBalloonTipsEnabled() {
    DWORD value = 1;
    DWORD size = sizeof value;
    const LSTATUS rc = RegGetValueA(
        HKEY_CURRENT_USER, "Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\Advanced",
        "EnableBalloonTips", RRF_RT_REG_DWORD, nullptr, &value, &size);
    // Only 1 switches them on; a value of another kind counts as absent.
    return rc != ERROR_SUCCESS || value == 1;
}

bool RunsUnderWine() {
    const HMODULE ntdll = GetModuleHandleA("ntdll.dll");
    return ntdll != nullptr && GetProcAddress(ntdll, "wine_get_version") != nullptr;
}

std::string FileVersionText(const std::string& path) {
    DWORD handle = 0;
    const DWORD size = GetFileVersionInfoSizeA(path.c_str(), &handle);
    if (size == 0) {
        return {};
    }
    std::vector<char> data(size);
    if (GetFileVersionInfoA(path.c_str(), 0, size, data.data()) == 0) {
        return {};
    }
    VS_FIXEDFILEINFO* info = nullptr;
    UINT len = 0;
    if (VerQueryValueA(data.data(), "\\", reinterpret_cast<void**>(&info), &len) == 0 ||
        info == nullptr || len < sizeof *info) {
        return {};
    }
    return std::to_string(HIWORD(info->dwFileVersionMS)) + "." +
           std::to_string(LOWORD(info->dwFileVersionMS)) + "." +
           std::to_string(HIWORD(info->dwFileVersionLS)) + "." +
           std::to_string(LOWORD(info->dwFileVersionLS));
}

std::string ExeVersionText() {
    // The version resource of the running executable; test programs have
    // none and report the version they were built with.
    const std::string version = FileVersionText(Win32Platform().ExePath());
    return version.empty() ? VEXREM_VERSION_TEXT : version;
}

std::unique_ptr<IPlatform> MakeNativePlatform() {
    return std::make_unique<Win32Platform>();
}

} // namespace vexrem
