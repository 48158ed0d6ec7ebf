#include "platform/VMDetection.h"

namespace vexrem {

bool NotNativeEnvironment = false;
EnvironmentKind DetectedEnvironment = EnvironmentKind::Unknown;

void DetectEnvironmentFrom(const std::vector<EnvironmentKind>& kinds) {
    NotNativeEnvironment = false;
    for (const EnvironmentKind kind : kinds) {
        DetectedEnvironment = kind;
        if (kind != EnvironmentKind::Native) {
            NotNativeEnvironment = true;
        }
    }
}

void DetectEnvironment() {
    DetectEnvironmentFrom(ProbeProcessorKinds());
}

} // namespace vexrem
