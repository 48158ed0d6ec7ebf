// The startup entry on POSIX desktops: an XDG autostart desktop entry.
#include "platform/StartupLink.h"
#include "platform/posix/PosixFiles.h"
#include "platform/posix/PosixPlatform.h"

#include <cerrno>
#include <cstdio>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace vexrem {

namespace {

class TempFile {
public:
    explicit TempFile(std::string pattern)
        : path_(std::move(pattern)), fd_(mkostemp(path_.data(), O_CLOEXEC)) {
        if (fd_.Get() < 0) {
            path_.clear();
        }
    }
    ~TempFile() {
        fd_.Close();
        if (!path_.empty()) {
            unlink(path_.c_str());
        }
    }
    TempFile(const TempFile&) = delete;
    TempFile& operator=(const TempFile&) = delete;

    int Fd() const { return fd_.Get(); }
    bool Close() { return fd_.Close(); }
    // Gives the file its final name; from then on it is no longer ours to remove.
    bool RenameTo(const std::string& target) {
        if (path_.empty() || rename(path_.c_str(), target.c_str()) != 0) {
            return false;
        }
        path_.clear();
        return true;
    }

private:
    std::string path_; // before fd_: the descriptor is made from it
    posix::UniqueFd fd_;
};

} // namespace

bool PosixPlatform::CreateStartupLink(const std::string& linkPath, const std::string& target,
                                      const std::string& description) {
    if (linkPath.empty() || target.empty()) {
        return false;
    }
    // Written beside its final place and renamed there, so a session manager
    // reading the folder never sees half an entry.
    TempFile temp(posix::TempPatternBeside(linkPath));
    if (temp.Fd() < 0) {
        return false;
    }
    // Readable for everyone: the shared folder serves every user's session.
    if (fchmod(temp.Fd(), 0644) != 0 ||
        posix::WriteAll(temp.Fd(), DesktopEntryText(target, description)) != 0 ||
        fsync(temp.Fd()) != 0 || !temp.Close()) {
        return false;
    }
    return temp.RenameTo(linkPath);
}

} // namespace vexrem
