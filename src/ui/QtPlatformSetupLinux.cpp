#include "ui/QtPlatformSetup.h"

namespace vexrem {

// Qt's defaults serve Linux desktops as they are.
void PrepareQtPlatform() {}

// Qt asks fontconfig, which knows them all.
void AddSystemFonts() {}

} // namespace vexrem
