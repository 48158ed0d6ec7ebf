#include "platform/posix/PosixFiles.h"

#include <cstdlib>
#include <cstring>
#include <fcntl.h>

namespace vexrem::posix {

void Fail(const std::string& path, const char* what, int err) {
    throw PlatformError(path + ": " + what + ": " + std::strerror(err));
}

void WriteFileAtomically(const std::string& path, const std::string& bytes,
                         std::optional<mode_t> mode) {
    struct stat old {};
    const bool keepOld = !mode && stat(path.c_str(), &old) == 0;

    const std::string folder = ExtractFilePath(path);
    std::string temp = TempPatternBeside(path);
    UniqueFd fd(mkostemp(temp.data(), O_CLOEXEC));
    if (fd.Get() < 0) {
        Fail(path, "create temp file", errno);
    }
    try {
        if (keepOld && (old.st_uid != geteuid() || old.st_gid != getegid())) {
            [[maybe_unused]] const int ignored = fchown(fd.Get(), old.st_uid, old.st_gid);
        }
        if ((mode || keepOld) && fchmod(fd.Get(), mode ? *mode : old.st_mode & 07777) != 0) {
            Fail(path, "chmod", errno);
        }
        if (const int err = WriteAll(fd.Get(), bytes); err != 0) {
            Fail(path, "write", err);
        }
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

} // namespace vexrem::posix
