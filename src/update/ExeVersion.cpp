#include "update/ExeVersion.h"

#include "platform/Platform.h"

namespace vexrem {

std::string GetExeVersion() {
    // The platform layer knows where the version lives: the version resource
    // on Windows, the version compiled in elsewhere.
    return ExeVersionText();
}

} // namespace vexrem
