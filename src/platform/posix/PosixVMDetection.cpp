#include "platform/VMDetection.h"

namespace vexrem {

std::vector<EnvironmentKind> ProbeProcessorKinds() {
    return {};
}

} // namespace vexrem
