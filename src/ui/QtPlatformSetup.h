#pragma once
// What Qt's platform layer needs on this system; one implementation per
// system.

#include <string>
#include <string_view>

namespace vexrem {

void PrepareQtPlatform();

// The Qt platform the program asks for, from the session's QT_QPA_PLATFORM,
// WAYLAND_DISPLAY and DISPLAY (each "" when unset); "" leaves the choice to
// Qt. A Wayland session with XWayland gets the X11 platform: on GNOME and KDE
// only an X11 window can stay above the others and place itself in the
// middle of the screen, as the popup does. A platform the user chose stays.
std::string PreferredQtPlatform(std::string_view chosen, std::string_view waylandDisplay,
                                std::string_view x11Display);

// Makes known to Qt the system's fonts that its font database misses. Runs
// once the application object exists.
void AddSystemFonts();

} // namespace vexrem
