#pragma once
// Options for Qt's platform layer that this system needs. Runs before the
// application object exists; one implementation per system.

namespace vexrem {

void PrepareQtPlatform();

} // namespace vexrem
