#include "ui/QtPlatformSetup.h"

namespace vexrem {

std::string PreferredQtPlatform(std::string_view chosen, std::string_view waylandDisplay,
                                std::string_view x11Display) {
    if (!chosen.empty() || waylandDisplay.empty() || x11Display.empty()) {
        return {};
    }
    // Wayland after it: an XWayland that cannot be reached must not keep the
    // program from starting.
    return "xcb;wayland";
}

} // namespace vexrem
