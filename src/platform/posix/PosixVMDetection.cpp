#include "platform/posix/PosixVMDetection.h"

#include "platform/StringUtil.h"

#include <fstream>
#include <string_view>
#include <unistd.h>

#if defined(__i386__) || defined(__x86_64__)
#include <cpuid.h>
#include <cstring>
#endif

namespace vexrem {

namespace {

bool StartsWithNoCase(std::string_view text, std::string_view prefix) {
    return text.size() >= prefix.size() && EqualsNoCase(text.substr(0, prefix.size()), prefix);
}

std::string ReadFirstLine(const std::string& path) {
    std::ifstream in(path);
    std::string line;
    std::getline(in, line);
    return std::string(TrimBlanks(line));
}

struct Mark {
    std::string_view text;
    EnvironmentKind kind;
};

// Prefixes of DMI strings that name a virtual machine. Xen, Bochs and bhyve
// are virtual machines as well, but of no kind this program knows.
constexpr Mark VendorMarks[] = {
    {"VMware", EnvironmentKind::VMWare},       {"innotek", EnvironmentKind::VirtualBox},
    {"Parallels", EnvironmentKind::Parallels}, {"QEMU", EnvironmentKind::QEMU},
    {"Xen", EnvironmentKind::Unknown},         {"Bochs", EnvironmentKind::Unknown},
};
constexpr Mark ProductMarks[] = {
    {"VMware", EnvironmentKind::VMWare},       {"VirtualBox", EnvironmentKind::VirtualBox},
    {"Parallels", EnvironmentKind::Parallels}, {"KVM", EnvironmentKind::QEMU},
    {"Standard PC (", EnvironmentKind::QEMU},  {"HVM domU", EnvironmentKind::Unknown},
    {"BHYVE", EnvironmentKind::Unknown},
};
// Hypervisor signatures (blanks and NULs at the ends removed). KVM is QEMU's
// accelerator, Hyper-V the successor of VirtualPC.
constexpr Mark SignatureMarks[] = {
    {"VMwareVMware", EnvironmentKind::VMWare},     {"Microsoft Hv", EnvironmentKind::VirtualPC},
    {"VBoxVBoxVBox", EnvironmentKind::VirtualBox}, {"KVMKVMKVM", EnvironmentKind::QEMU},
    {"TCGTCGTCGTCG", EnvironmentKind::QEMU},       {"prl hyperv", EnvironmentKind::Parallels},
    {"lrpepyh  vr", EnvironmentKind::Parallels},   {"lrpepyh vr", EnvironmentKind::Parallels},
};

std::optional<EnvironmentKind> DmiKind(const HostFacts& facts) {
    // Hyper-V's vendor also makes laptops; only its product name tells.
    if (StartsWithNoCase(facts.sysVendor, "Microsoft") &&
        EqualsNoCase(facts.productName, "Virtual Machine")) {
        return EnvironmentKind::VirtualPC;
    }
    for (const Mark& m : VendorMarks) {
        if (StartsWithNoCase(facts.sysVendor, m.text)) {
            return m.kind;
        }
    }
    for (const Mark& m : ProductMarks) {
        if (StartsWithNoCase(facts.productName, m.text)) {
            return m.kind;
        }
    }
    return std::nullopt;
}

} // namespace

void ReadDmiFacts(const std::string& folder, HostFacts& facts) {
    facts.sysVendor = ReadFirstLine(folder + "/sys_vendor");
    facts.productName = ReadFirstLine(folder + "/product_name");
}

void ReadCpuidFacts(HostFacts& facts) {
    facts.hypervisorPresent = false;
    facts.hypervisorVendor.clear();
#if defined(__i386__) || defined(__x86_64__)
    constexpr unsigned HypervisorBit = 1u << 31;
    constexpr unsigned HypervisorLeaf = 0x40000000u;
    unsigned a = 0, b = 0, c = 0, d = 0;
    if (__get_cpuid(1, &a, &b, &c, &d) == 0 || (c & HypervisorBit) == 0) {
        return;
    }
    facts.hypervisorPresent = true;
    // The hypervisor leaves lie beyond the range __get_cpuid checks against.
    __cpuid(HypervisorLeaf, a, b, c, d);
    char vendor[12];
    std::memcpy(vendor, &b, 4);
    std::memcpy(vendor + 4, &c, 4);
    std::memcpy(vendor + 8, &d, 4);
    facts.hypervisorVendor.assign(vendor, sizeof vendor);
#endif
}

HostFacts ReadHostFacts() {
    HostFacts facts;
    ReadDmiFacts("/sys/class/dmi/id", facts);
    ReadCpuidFacts(facts);
    return facts;
}

EnvironmentKind ClassifyHost(const HostFacts& facts) {
    // DMI first: VirtualBox and QEMU often present a KVM or Hyper-V
    // signature to their guests for speed, while DMI names the machine.
    if (const std::optional<EnvironmentKind> kind = DmiKind(facts)) {
        return *kind;
    }
    // Signatures shorter than the twelve bytes are padded with NULs.
    const std::string_view vendor = facts.hypervisorVendor;
    const std::string_view signature = TrimBlanks(vendor.substr(0, vendor.find('\0')));
    for (const Mark& m : SignatureMarks) {
        if (signature == m.text) {
            return m.kind;
        }
    }
    if (facts.hypervisorPresent || !signature.empty()) {
        return EnvironmentKind::Unknown;
    }
    return EnvironmentKind::Native;
}

std::vector<EnvironmentKind> ProbeProcessorKinds() {
    // One machine, one answer: every processor gets the same kind.
    const long count = sysconf(_SC_NPROCESSORS_ONLN);
    if (count < 1) {
        return {};
    }
    return std::vector<EnvironmentKind>(static_cast<std::size_t>(count),
                                        ClassifyHost(ReadHostFacts()));
}

} // namespace vexrem
