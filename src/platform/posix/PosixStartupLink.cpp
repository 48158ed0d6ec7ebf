// The startup entry on POSIX desktops: an XDG autostart desktop entry.
#include "platform/StartupLink.h"
#include "platform/posix/PosixFiles.h"
#include "platform/posix/PosixPlatform.h"

namespace vexrem {

bool PosixPlatform::CreateStartupLink(const std::string& linkPath, const std::string& target,
                                      const std::string& description) {
    if (linkPath.empty() || target.empty()) {
        return false;
    }
    // Written beside its final place and renamed there, so a session manager
    // reading the folder never sees half an entry. Readable for everyone: the
    // shared folder serves every user's session.
    try {
        posix::WriteFileAtomically(linkPath, DesktopEntryText(target, description), 0644);
        return true;
    } catch (const PlatformError&) {
        return false;
    }
}

} // namespace vexrem
