#include "platform/VMDetection.h"

namespace vexrem {

bool NotNativeEnvironment = false;
EnvironmentKind DetectedEnvironment = EnvironmentKind::Unknown;

std::optional<std::string> EnvironmentName(EnvironmentKind kind) {
    switch (kind) {
    case EnvironmentKind::Unknown:
        return "Unknown";
    case EnvironmentKind::VMWare:
        return "VMWare";
    case EnvironmentKind::VirtualPC:
        return "VirtualPC";
    case EnvironmentKind::VirtualBox:
        return "VirtualBox";
    case EnvironmentKind::Native:
        return "Native";
    case EnvironmentKind::WINE:
        return "WINE";
    case EnvironmentKind::Parallels:
        return "Parallels Workstation";
    case EnvironmentKind::QEMU:
        return "QEMU";
    }
    return std::nullopt;
}

EnvironmentKind ClassifyDescriptorTables(const DescriptorTableInfo& info, bool nt, bool wineNtdll) {
    // Known fingerprints; every one needs an Ldtr that was really read.
    if ((info.Ldtr >> 16) != LdtrTag) {
        return EnvironmentKind::Unknown;
    }
    // Under WINE the registers are the host kernel's, which no rule knows.
    if (wineNtdll) {
        return EnvironmentKind::WINE;
    }
    const std::uint32_t selector = info.Ldtr & 0xFFFFu;
    const std::uint32_t gdtLimit = info.GdtLimit;
    const std::uint32_t idtLimit = info.IdtLimit;

    if (selector == 0x4060 && gdtLimit == 0x412F && info.IdtBase == 0xFFC18000u &&
        info.GdtBase == 0xFFC07000u) {
        return EnvironmentKind::VMWare;
    }
    if (gdtLimit == 0x00FF && selector == 0x0088) {
        return EnvironmentKind::WINE;
    }
    if (gdtLimit == 0xFFFF && selector == 0xFFA8) {
        return EnvironmentKind::VirtualPC;
    }
    if (gdtLimit == 0xFFFF && selector == 0xFF5B) {
        return EnvironmentKind::Parallels;
    }
    if (gdtLimit == 0x01F7 && selector == 0x00D0) {
        return EnvironmentKind::QEMU;
    }
    if (gdtLimit == 0xFFFF && ((!nt && selector == 0x00B8) || (nt && selector == 0))) {
        return EnvironmentKind::VirtualBox;
    }
    if (!nt && selector == 0x00B8 && gdtLimit <= 0x0FFF && idtLimit == 0x02FF) {
        return EnvironmentKind::Native;
    }
    if (nt && selector == 0 && gdtLimit <= 0x03FF && idtLimit <= 0x0FFF) {
        return EnvironmentKind::Native;
    }
    return EnvironmentKind::Unknown;
}

void DetectEnvironmentFrom(const std::vector<EnvironmentKind>& kinds) {
    NotNativeEnvironment = false;
    for (const EnvironmentKind kind : kinds) {
        DetectedEnvironment = kind;
        if (kind != EnvironmentKind::Native) {
            NotNativeEnvironment = true;
        }
    }
}

bool DetectedWine() {
    return NotNativeEnvironment && DetectedEnvironment == EnvironmentKind::WINE;
}

void DetectEnvironment() {
    DetectEnvironmentFrom(ProbeProcessorKinds());
}

} // namespace vexrem
