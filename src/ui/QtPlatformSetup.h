#pragma once
// What Qt's platform layer needs on this system; one implementation per
// system.

namespace vexrem {

void PrepareQtPlatform();

// Makes known to Qt the system's fonts that its font database misses. Runs
// once the application object exists.
void AddSystemFonts();

} // namespace vexrem
