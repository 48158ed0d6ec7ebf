#pragma once
// The few texts that name the system the program runs on or what it asks of
// it; chosen here, once, by the build.

#include <QString>

namespace vexrem {

// Hint of the balloon status label: what BalloonTipsEnabled looks at.
QString BalloonCheckHint();

// The name of the system a native run is on ("Windows", "Linux").
QString NativeSystemName();

} // namespace vexrem
