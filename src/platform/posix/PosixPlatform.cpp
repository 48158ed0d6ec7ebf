#include "platform/posix/PosixPlatform.h"

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
    case CSIDL_APPDATA:
        return ConfigHome();
    case CSIDL_COMMON_APPDATA: {
        // No folder on Linux is writable by every user; the per-user data
        // folder is the nearest thing to a shared application-data folder.
        const std::string home = HomeFolder();
        return StripTrailingSlashes(
            EnvOr("XDG_DATA_HOME", home.empty() ? "" : home + "/.local/share"));
    }
    case CSIDL_STARTUP: {
        const std::string cfg = ConfigHome();
        return cfg.empty() ? "" : cfg + "/autostart";
    }
    case CSIDL_COMMON_STARTUP:
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

bool PosixPlatform::DeleteFile(const std::string& path) {
    return !path.empty() && unlink(path.c_str()) == 0;
}

bool PosixPlatform::CreateDirectory(const std::string& path) {
    return !path.empty() && mkdir(StripTrailingSlashes(path).c_str(), 0777) == 0;
}

std::string PosixPlatform::TempPath() {
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
        const int fd = open(name.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
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

void PosixPlatform::ShellOpen(const std::string& target) {
    // xdg-open runs in a shell that is left at once, so the opener is
    // re-parented and never becomes our zombie; its outcome is not ours.
    const char* argv[] = {"sh",
                          "-c",
                          "xdg-open \"$1\" </dev/null >/dev/null 2>&1 &",
                          "sh",
                          target.c_str(),
                          nullptr};
    pid_t pid = 0;
    if (posix_spawnp(&pid, "sh", nullptr, nullptr, const_cast<char* const*>(argv), environ) ==
        0) {
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

std::unique_ptr<InstanceLock> PosixPlatform::AcquireInstanceLock(const std::string& name) {
    // A lock file in the session's runtime folder: another login session has
    // a folder of its own, so each session may run one instance.
    std::string dir = EnvOr("XDG_RUNTIME_DIR", "");
    std::string path = dir.empty() ? "/tmp/" + name + "-" + std::to_string(geteuid()) + ".lock"
                                   : StripTrailingSlashes(dir) + "/" + name + ".lock";
    const int fd = open(path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0600);
    if (fd < 0) {
        return std::make_unique<PosixInstanceLock>(-1, InstanceState::Unprotected);
    }
    if (flock(fd, LOCK_EX | LOCK_NB) == 0) {
        return std::make_unique<PosixInstanceLock>(fd, InstanceState::First);
    }
    const int err = errno;
    close(fd);
    return std::make_unique<PosixInstanceLock>(
        -1, err == EWOULDBLOCK ? InstanceState::AlreadyRunning : InstanceState::Unprotected);
}

std::unique_ptr<IPlatform> MakeNativePlatform() {
    return std::make_unique<PosixPlatform>();
}

} // namespace vexrem
