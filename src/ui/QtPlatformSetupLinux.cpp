#include "ui/QtPlatformSetup.h"

namespace vexrem {

// Qt's defaults serve Linux desktops as they are.
void PrepareQtPlatform() {}

} // namespace vexrem
