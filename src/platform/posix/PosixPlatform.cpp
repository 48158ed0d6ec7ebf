#include "platform/posix/PosixPlatform.h"

#include "platform/posix/PosixFiles.h"

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <pwd.h>
#include <random>
#include <spawn.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

extern char** environ;

namespace vexrem {

namespace {

std::string EnvOr(const char* name, const std::string& fallback) {
    const char* v = std::getenv(name);
    return (v != nullptr && *v != '\0') ? std::string(v) : fallback;
}

std::string HomeFolder() {
    const char* home = std::getenv("HOME");
    if (home != nullptr && *home != '\0') {
        return home;
    }
    if (const passwd* pw = getpwuid(geteuid()); pw != nullptr && pw->pw_dir != nullptr) {
        return pw->pw_dir;
    }
    return {};
}

std::string StripTrailingSlashes(std::string p) {
    while (p.size() > 1 && p.back() == '/') {
        p.pop_back();
    }
    return p;
}

using posix::IsPrivateFolder;
using posix::UniqueFd;
using posix::WriteAll;

// The session's runtime folder when it is ours alone; "" otherwise.
std::string PrivateRuntimeFolder() {
    std::string dir = StripTrailingSlashes(EnvOr("XDG_RUNTIME_DIR", ""));
    return IsPrivateFolder(dir) ? dir : std::string();
}

std::string ConfigHome() {
    const std::string home = HomeFolder();
    return StripTrailingSlashes(EnvOr("XDG_CONFIG_HOME", home.empty() ? "" : home + "/.config"));
}

class PosixInstanceLock : public InstanceLock {
public:
    PosixInstanceLock(int fd, InstanceState state) : fd_(fd), state_(state) {}
    ~PosixInstanceLock() override {
        if (fd_ >= 0) {
            close(fd_); // also drops the flock
        }
    }
    PosixInstanceLock(const PosixInstanceLock&) = delete;
    PosixInstanceLock& operator=(const PosixInstanceLock&) = delete;
    InstanceState State() const override { return state_; }

private:
    int fd_;
    InstanceState state_;
};

} // namespace

std::string PosixPlatform::SpecialFolderPath(int csidl) {
    switch (csidl) {
    case CsidlAppData:
        return ConfigHome();
    case CsidlCommonAppData: {
        // No folder on Linux is writable by every user; the per-user data
        // folder is the nearest thing to a shared application-data folder.
        const std::string home = HomeFolder();
        return StripTrailingSlashes(
            EnvOr("XDG_DATA_HOME", home.empty() ? "" : home + "/.local/share"));
    }
    case CsidlStartup: {
        const std::string cfg = ConfigHome();
        return cfg.empty() ? "" : cfg + "/autostart";
    }
    case CsidlCommonStartup:
        return "/etc/xdg/autostart";
    default:
        return {};
    }
}

std::string PosixPlatform::UserName() {
    if (const passwd* pw = getpwuid(geteuid()); pw != nullptr && pw->pw_name != nullptr) {
        return pw->pw_name;
    }
    return EnvOr("USER", "");
}

std::string PosixPlatform::ExePath() {
    std::string buf(4096, '\0');
    const ssize_t n = readlink("/proc/self/exe", buf.data(), buf.size() - 1);
    if (n <= 0) {
        return {};
    }
    buf.resize(static_cast<std::size_t>(n));
    return buf;
}

bool PosixPlatform::FileExists(const std::string& path) {
    struct stat st {};
    return !path.empty() && stat(path.c_str(), &st) == 0 && !S_ISDIR(st.st_mode);
}

bool PosixPlatform::DirectoryExists(const std::string& path) {
    struct stat st {};
    return !path.empty() && stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

bool PosixPlatform::RemoveFile(const std::string& path) {
    return !path.empty() && unlink(path.c_str()) == 0;
}

bool PosixPlatform::MakeDirectory(const std::string& path) {
    return !path.empty() && mkdir(StripTrailingSlashes(path).c_str(), 0777) == 0;
}

std::string PosixPlatform::TempPath() {
    // Files that other local users must not get at go to the session's own
    // folder when there is one; a shared temp folder is the last resort.
    if (const std::string runtime = PrivateRuntimeFolder(); !runtime.empty()) {
        return IncludeTrailingPathDelimiter(runtime);
    }
    std::string dir = StripTrailingSlashes(EnvOr("TMPDIR", "/tmp"));
    if (!DirectoryExists(dir)) {
        return {};
    }
    return IncludeTrailingPathDelimiter(dir);
}

std::string PosixPlatform::TempFileName(const std::string& dir, const std::string& prefix) {
    // Like GetTempFileName: <dir><prefix><4 hex digits>.tmp, created empty and
    // exclusively so no other process gets the same name.
    static thread_local std::mt19937 rng{std::random_device{}()};
    const std::string base = IncludeTrailingPathDelimiter(dir) + prefix.substr(0, 3);
    const unsigned start = rng() % 0xFFFFu;
    for (unsigned i = 0; i < 0xFFFFu; ++i) {
        const unsigned unique = (start + i) % 0xFFFFu + 1;
        char hex[8];
        std::snprintf(hex, sizeof hex, "%X", unique);
        const std::string name = base + hex + ".tmp";
        const int fd =
            open(name.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0600);
        if (fd >= 0) {
            close(fd);
            return name;
        }
        if (errno != EEXIST) {
            return {};
        }
    }
    return {};
}

bool PosixPlatform::WriteNewFile(const std::string& path, const std::string& bytes) {
    // O_EXCL never opens an existing name, and O_NOFOLLOW makes sure of it
    // for links: a planted link cannot redirect the write, a planted pipe
    // cannot make us wait.
    UniqueFd fd(open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0600));
    if (fd.Get() < 0) {
        if (errno == EEXIST || errno == ELOOP) {
            return false;
        }
        throw PlatformError(ErrorText(errno));
    }
    int err = WriteAll(fd.Get(), bytes);
    if (!fd.Close() && err == 0) {
        err = errno; // a full disk may show only now
    }
    if (err != 0) {
        unlink(path.c_str());
        throw PlatformError(ErrorText(err));
    }
    return true;
}

void PosixPlatform::ShellOpen(const std::string& target) {
    // xdg-open runs in a shell that is left at once, so the opener is
    // re-parented and never becomes our zombie; its outcome is not ours.
    const char* argv[] = {"sh", "-c",           "xdg-open \"$1\" </dev/null >/dev/null 2>&1 &",
                          "sh", target.c_str(), nullptr};
    pid_t pid = 0;
    if (posix_spawnp(&pid, "sh", nullptr, nullptr, const_cast<char* const*>(argv), environ) == 0) {
        int status = 0;
        while (waitpid(pid, &status, 0) < 0 && errno == EINTR) {
        }
    }
}

std::string PosixPlatform::ErrorText(int code) {
    char buf[256];
    const char* text = strerror_r(code, buf, sizeof buf);
    if (text == nullptr || std::strncmp(text, "Unknown error", 13) == 0) {
        return {};
    }
    return text;
}

namespace {
// Where the lock file lives: the session's runtime folder, so another login
// session has a lock of its own. Without one, the user's cache folder, never
// a shared temp folder, where another user could take the lock first and
// keep every start from running. "" when neither is private to the user.
std::string LockFolder() {
    if (std::string runtime = PrivateRuntimeFolder(); !runtime.empty()) {
        return runtime;
    }
    const std::string home = HomeFolder();
    const std::string cache =
        StripTrailingSlashes(EnvOr("XDG_CACHE_HOME", home.empty() ? "" : home + "/.cache"));
    if (cache.empty()) {
        return {};
    }
    if (mkdir(cache.c_str(), 0700) != 0 && errno != EEXIST) {
        return {};
    }
    return IsPrivateFolder(cache) ? cache : std::string();
}
} // namespace

std::unique_ptr<InstanceLock> PosixPlatform::AcquireInstanceLock(const std::string& name) {
    const auto unprotected = [] {
        return std::make_unique<PosixInstanceLock>(-1, InstanceState::Unprotected);
    };
    const std::string dir = LockFolder();
    if (dir.empty()) {
        return unprotected();
    }
    const std::string path = dir + "/" + name + ".lock";
    UniqueFd fd(open(path.c_str(), O_RDWR | O_CREAT | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC, 0600));
    struct stat st {};
    if (fd.Get() < 0 || fstat(fd.Get(), &st) != 0 || !S_ISREG(st.st_mode)) {
        return unprotected();
    }
    if (flock(fd.Get(), LOCK_EX | LOCK_NB) == 0) {
        return std::make_unique<PosixInstanceLock>(fd.Release(), InstanceState::First);
    }
    return errno == EWOULDBLOCK
               ? std::make_unique<PosixInstanceLock>(-1, InstanceState::AlreadyRunning)
               : unprotected();
}

std::string ExeVersionText() {
    return VEXREM_VERSION_TEXT; // the CMake project version
}

std::unique_ptr<IPlatform> MakeNativePlatform() {
    return std::make_unique<PosixPlatform>();
}

} // namespace vexrem
