#pragma once
// The environment as Linux reports it. The descriptor-table instructions that
// tell environments apart on Windows say nothing here (with UMIP the kernel
// answers them with dummy values, older kernels fault), so the machine is
// told by its DMI strings and the processor's hypervisor leaf instead, and
// mapped to the same kinds.

#include "platform/VMDetection.h"

#include <string>

namespace vexrem {

struct HostFacts {
    std::string sysVendor;          // DMI sys_vendor
    std::string productName;        // DMI product_name
    bool hypervisorPresent = false; // cpuid leaf 1, ECX bit 31
    std::string hypervisorVendor;   // cpuid leaf 0x40000000: EBX, ECX, EDX
};

// The DMI strings below folder, without their line break ("" when unreadable).
void ReadDmiFacts(const std::string& folder, HostFacts& facts);
// The hypervisor bit and vendor signature; nothing on other processors than x86.
void ReadCpuidFacts(HostFacts& facts);
// Both, from this machine.
HostFacts ReadHostFacts();

// The kind of machine the facts describe: a virtual machine named by DMI,
// else one named by its hypervisor signature, else Unknown when any
// hypervisor shows, else Native.
EnvironmentKind ClassifyHost(const HostFacts& facts);

} // namespace vexrem
