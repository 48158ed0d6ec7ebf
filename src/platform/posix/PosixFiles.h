#pragma once
// Small file helpers shared by the POSIX platform sources.

#include "platform/Platform.h"

#include <cerrno>
#include <optional>
#include <string>
#include <string_view>
#include <sys/stat.h>
#include <unistd.h>

namespace vexrem::posix {

// Owns a file descriptor.
class UniqueFd {
public:
    explicit UniqueFd(int fd) : fd_(fd) {}
    ~UniqueFd() { Close(); }
    UniqueFd(const UniqueFd&) = delete;
    UniqueFd& operator=(const UniqueFd&) = delete;
    int Get() const { return fd_; }
    // Hands the descriptor over to the caller.
    int Release() {
        const int fd = fd_;
        fd_ = -1;
        return fd;
    }
    // Closes now and reports whether the close went well.
    bool Close() {
        const int fd = fd_;
        fd_ = -1;
        return fd < 0 || close(fd) == 0;
    }

private:
    int fd_;
};

// Writes all of bytes; 0 or the errno of the failed write.
inline int WriteAll(int fd, const std::string& bytes) {
    std::size_t done = 0;
    while (done < bytes.size()) {
        const ssize_t n = write(fd, bytes.data() + done, bytes.size() - done);
        if (n < 0) {
            if (errno == EINTR) {
                continue;
            }
            return errno;
        }
        done += static_cast<std::size_t>(n);
    }
    return 0;
}

// A folder that no other user can put anything into: ours, and writable by
// us alone.
inline bool IsPrivateFolder(const std::string& path) {
    struct stat st {};
    return !path.empty() && stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode) &&
           st.st_uid == geteuid() && (st.st_mode & (S_IWGRP | S_IWOTH)) == 0;
}

// The mkostemp pattern of a file written beside path and then renamed over
// it: hidden, named after path, six letters or digits at the end.
inline std::string TempPatternBeside(const std::string& path) {
    return ExtractFilePath(path) + "." + ExtractFileName(path) + ".XXXXXX";
}

// True when name is one that TempPatternBeside made for a file named fileName.
inline bool IsTempNameFor(std::string_view name, std::string_view fileName) {
    if (fileName.empty() || name.size() != fileName.size() + 8 || name[0] != '.' ||
        name.substr(1, fileName.size()) != fileName || name[fileName.size() + 1] != '.') {
        return false;
    }
    for (const char c : name.substr(fileName.size() + 2)) {
        const bool alnum =
            (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9');
        if (!alnum) {
            return false;
        }
    }
    return true;
}

// Throws PlatformError "<path>: <what>: <the system's reason for err>".
[[noreturn]] void Fail(const std::string& path, const char* what, int err);

// Puts bytes into path so that the file is at every moment either wholly old
// or wholly new: a temp file beside it (TempPatternBeside), flushed to disk
// and renamed over it. The new file gets mode; without one it keeps the mode
// and owner of the file it replaces, and a file made new is private to the
// user. Throws PlatformError naming the step that failed; the temp file is
// gone then.
void WriteFileAtomically(const std::string& path, const std::string& bytes,
                         std::optional<mode_t> mode = std::nullopt);

} // namespace vexrem::posix
