// Profile (INI) files on POSIX: the text engine of ProfileFile over files that
// are read whole on every call and replaced whole on every write.
#include "platform/ProfileFile.h"
#include "platform/posix/PosixFiles.h"
#include "platform/posix/PosixPlatform.h"

#include <cerrno>
#include <climits>
#include <cstdlib>
#include <ctime>
#include <dirent.h>
#include <fcntl.h>
#include <optional>
#include <sys/stat.h>
#include <unistd.h>

namespace vexrem {

namespace {

using posix::Fail;
using posix::UniqueFd;

// Temp files of a save that never reached its rename (the process was
// killed) are removed once they are this old; a younger one may belong to a
// save running right now in another process. Only the age tells: the
// single-instance lock is per session, and another session of the same user
// shares the settings file.
constexpr time_t StaleTempAge = 60;

// The whole file; nothing when it (or a folder on its way) does not exist.
// Anything but a regular file (a pipe, a device, a folder) fails like a file
// that cannot be read; O_NONBLOCK lets the open of a pipe return at once.
std::optional<std::string> ReadWhole(const std::string& path) {
    UniqueFd fd(open(path.c_str(), O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC));
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
    if (!S_ISREG(st.st_mode)) {
        throw PlatformError(path + ": not a regular file");
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

// Removes the temp files that killed saves of path left beside it: only our
// own regular files of exactly our name pattern, and only old ones.
void RemoveStaleTempFiles(const std::string& path) {
    const std::string folder = ExtractFilePath(path);
    const std::string fileName = ExtractFileName(path);
    DIR* dir = opendir(folder.empty() ? "." : folder.c_str());
    if (dir == nullptr) {
        return;
    }
    const time_t now = time(nullptr);
    while (const dirent* entry = readdir(dir)) {
        if (!posix::IsTempNameFor(entry->d_name, fileName)) {
            continue;
        }
        struct stat st {};
        if (fstatat(dirfd(dir), entry->d_name, &st, AT_SYMLINK_NOFOLLOW) == 0 &&
            S_ISREG(st.st_mode) && st.st_uid == geteuid() && now - st.st_mtime >= StaleTempAge) {
            unlinkat(dirfd(dir), entry->d_name, 0);
        }
    }
    closedir(dir);
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

void PosixPlatform::WriteProfileValue(const std::string& file, const std::string& section,
                                      const std::string& key, const std::string& value) {
    WriteProfileValues(file, {ProfileEntry{section, key, value}});
}

void PosixPlatform::WriteProfileValues(const std::string& file,
                                       const std::vector<ProfileEntry>& entries) {
    if (entries.empty()) {
        return;
    }
    const std::string target = WriteTarget(file);
    RemoveStaleTempFiles(target);
    // Every change goes into one copy of the text, which then replaces the
    // file in one rename: a save killed at any point leaves all or nothing.
    const std::optional<std::string> old = ReadWhole(target);
    std::string updated = old.value_or(std::string());
    for (const ProfileEntry& e : entries) {
        updated = profile::SetValue(updated, e.section, e.key, e.value);
    }
    // Values the file already holds need no disk write; a start that finds
    // every setting in place then writes nothing at all.
    if (old && updated == *old) {
        return;
    }
    // The file holds a scrambled password: a new one is private to the user.
    posix::WriteFileAtomically(target, updated);
}

bool PosixPlatform::ProfileSectionHasKeys(const std::string& file, const std::string& section) {
    return profile::SectionHasKeys(TextForReading(file), section);
}

void PosixPlatform::RemoveStaleProfileTempFiles(const std::string& file) {
    RemoveStaleTempFiles(WriteTarget(file));
}

} // namespace vexrem
