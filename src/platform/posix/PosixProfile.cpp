// Profile (INI) files on POSIX: the text engine of ProfileFile over files that
// are read whole on every call and replaced whole on every write.
#include "platform/ProfileFile.h"
#include "platform/posix/PosixPlatform.h"

#include <cerrno>
#include <climits>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <optional>
#include <sys/stat.h>
#include <unistd.h>

namespace vexrem {

namespace {

class UniqueFd {
public:
    explicit UniqueFd(int fd) : fd_(fd) {}
    ~UniqueFd() { Close(); }
    UniqueFd(const UniqueFd&) = delete;
    UniqueFd& operator=(const UniqueFd&) = delete;
    int Get() const { return fd_; }
    // Closes now and reports whether the close went well.
    bool Close() {
        const int fd = fd_;
        fd_ = -1;
        return fd < 0 || close(fd) == 0;
    }

private:
    int fd_;
};

[[noreturn]] void Fail(const std::string& path, const char* what, int err) {
    throw PlatformError(path + ": " + what + ": " + std::strerror(err));
}

// The whole file; nothing when it (or a folder on its way) does not exist.
std::optional<std::string> ReadWhole(const std::string& path) {
    UniqueFd fd(open(path.c_str(), O_RDONLY | O_CLOEXEC));
    if (fd.Get() < 0) {
        if (errno == ENOENT || errno == ENOTDIR) {
            return std::nullopt;
        }
        Fail(path, "open", errno);
    }
    struct stat st {};
    if (fstat(fd.Get(), &st) != 0) {
        Fail(path, "stat", errno);
    }
    if (S_ISDIR(st.st_mode)) {
        Fail(path, "read", EISDIR);
    }
    std::string bytes;
    char buf[65536];
    for (;;) {
        const ssize_t n = read(fd.Get(), buf, sizeof buf);
        if (n < 0) {
            if (errno == EINTR) {
                continue;
            }
            Fail(path, "read", errno);
        }
        if (n == 0) {
            return bytes;
        }
        bytes.append(buf, static_cast<std::size_t>(n));
    }
}

// The text for reading: a file that is missing or cannot be read reads empty.
std::string TextForReading(const std::string& path) {
    try {
        return ReadWhole(path).value_or(std::string());
    } catch (const PlatformError&) {
        return {};
    }
}

void WriteAll(int fd, const std::string& bytes, const std::string& path) {
    std::size_t done = 0;
    while (done < bytes.size()) {
        const ssize_t n = write(fd, bytes.data() + done, bytes.size() - done);
        if (n < 0) {
            if (errno == EINTR) {
                continue;
            }
            Fail(path, "write", errno);
        }
        done += static_cast<std::size_t>(n);
    }
}

// Puts bytes into path so that the file is at every moment either wholly old
// or wholly new: a temp file beside it, flushed to disk, renamed over it. The
// file holds a scrambled password, so a new one is private to its owner; an
// existing one keeps its mode and owner.
void ReplaceFile(const std::string& path, const std::string& bytes) {
    struct stat old {};
    const bool existed = stat(path.c_str(), &old) == 0;

    const std::string folder = ExtractFilePath(path);
    std::string temp = folder + "." + ExtractFileName(path) + ".XXXXXX";
    UniqueFd fd(mkostemp(temp.data(), O_CLOEXEC));
    if (fd.Get() < 0) {
        Fail(path, "create temp file", errno);
    }
    try {
        if (existed) {
            if (old.st_uid != geteuid() || old.st_gid != getegid()) {
                [[maybe_unused]] const int ignored = fchown(fd.Get(), old.st_uid, old.st_gid);
            }
            if (fchmod(fd.Get(), old.st_mode & 07777) != 0) {
                Fail(path, "chmod", errno);
            }
        }
        WriteAll(fd.Get(), bytes, path);
        if (fsync(fd.Get()) != 0) {
            Fail(path, "fsync", errno);
        }
        if (!fd.Close()) {
            Fail(path, "close", errno);
        }
        if (rename(temp.c_str(), path.c_str()) != 0) {
            Fail(path, "rename", errno);
        }
    } catch (...) {
        unlink(temp.c_str());
        throw;
    }
    // The rename itself reaches the disk with the folder's entry.
    UniqueFd dir(open(folder.empty() ? "." : folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (dir.Get() >= 0) {
        fsync(dir.Get());
    }
}

// The file a write goes to: through a symbolic link to the file it names, so
// the link stays a link.
std::string WriteTarget(const std::string& path) {
    char resolved[PATH_MAX];
    struct stat st {};
    if (lstat(path.c_str(), &st) == 0 && S_ISLNK(st.st_mode) &&
        realpath(path.c_str(), resolved) != nullptr) {
        return resolved;
    }
    return path;
}

} // namespace

std::string PosixPlatform::ReadProfileString(const std::string& file, const std::string& section,
                                             const std::string& key, const std::string& def) {
    return profile::FindValue(TextForReading(file), section, key).value_or(def);
}

void PosixPlatform::WriteProfileString(const std::string& file, const std::string& section,
                                       const std::string& key, const std::string& value) {
    const std::string target = WriteTarget(file);
    const std::optional<std::string> old = ReadWhole(target);
    std::string updated = profile::SetValue(old.value_or(std::string()), section, key, value);
    // A value the file already holds needs no disk write; a start that finds
    // every setting in place then writes nothing at all.
    if (old && updated == *old) {
        return;
    }
    ReplaceFile(target, updated);
}

bool PosixPlatform::ProfileSectionHasKeys(const std::string& file, const std::string& section) {
    return profile::SectionHasKeys(TextForReading(file), section);
}

} // namespace vexrem
