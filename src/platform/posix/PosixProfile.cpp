// Profile (INI) files on POSIX.
#include "platform/posix/PosixPlatform.h"

namespace vexrem {

std::string PosixPlatform::ReadProfileString(const std::string&, const std::string&,
                                             const std::string&, const std::string& def) {
    return def;
}

void PosixPlatform::WriteProfileString(const std::string& file, const std::string&,
                                       const std::string&, const std::string&) {
    throw PlatformError("not yet implemented: " + file);
}

bool PosixPlatform::ProfileSectionHasKeys(const std::string&, const std::string&) {
    return false;
}

} // namespace vexrem
