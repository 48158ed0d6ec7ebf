// The environment as Linux reports it: DMI strings and hypervisor signatures
// mapped to environment kinds, and the probe of this machine.
#include "platform/posix/PosixVMDetection.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <fstream>
#include <ostream>
#include <unistd.h>

namespace vexrem {
namespace {

using K = EnvironmentKind;
using namespace std::string_literals;

struct HostRow {
    const char* vendor;
    const char* product;
    bool hypervisor;
    std::string signature;
    K expected;
};

std::ostream& operator<<(std::ostream& os, const HostRow& r) {
    return os << "'" << r.vendor << "' '" << r.product << "' " << r.hypervisor << " '"
              << r.signature << "'";
}

class HostMapping : public testing::TestWithParam<HostRow> {};

TEST_P(HostMapping, Classify) {
    const HostRow& r = GetParam();
    HostFacts facts;
    facts.sysVendor = r.vendor;
    facts.productName = r.product;
    facts.hypervisorPresent = r.hypervisor;
    facts.hypervisorVendor = r.signature;
    EXPECT_EQ(ClassifyHost(facts), r.expected);
}

INSTANTIATE_TEST_SUITE_P(
    Machines, HostMapping,
    testing::Values(
        // bare metal
        HostRow{"Dell Inc.", "XPS 13 9310", false, "", K::Native},
        HostRow{"", "", false, "", K::Native}, // no DMI at all (many ARM boards)
        HostRow{"Microsoft Corporation", "Surface Laptop 4", false, "", K::Native},
        HostRow{"Amazon EC2", "m5.metal", false, "", K::Native},
        // by hypervisor signature
        HostRow{"", "", true, "VMwareVMware", K::VMWare},
        HostRow{"", "", true, "Microsoft Hv", K::VirtualPC},
        HostRow{"", "", true, "VBoxVBoxVBox", K::VirtualBox},
        HostRow{"", "", true, "KVMKVMKVM\0\0\0"s, K::QEMU},
        HostRow{"", "", true, "TCGTCGTCGTCG", K::QEMU},
        HostRow{"", "", true, "prl hyperv  ", K::Parallels},
        HostRow{"", "", true, " lrpepyh  vr", K::Parallels},
        HostRow{"", "", true, " lrpepyh vr", K::Parallels},
        HostRow{"Google", "Google Compute Engine", true, "KVMKVMKVM\0\0\0"s, K::QEMU},
        // by DMI
        HostRow{"VMware, Inc.", "VMware Virtual Platform", true, "VMwareVMware", K::VMWare},
        HostRow{"vmware, inc.", "VMware20,1", false, "", K::VMWare},
        HostRow{"Microsoft Corporation", "Virtual Machine", true, "Microsoft Hv", K::VirtualPC},
        HostRow{"innotek GmbH", "VirtualBox", false, "", K::VirtualBox},
        HostRow{"Oracle Corporation", "VirtualBox", false, "", K::VirtualBox},
        HostRow{"Parallels Software International Inc.", "Parallels Virtual Platform", false, "",
                K::Parallels},
        HostRow{"Parallels International GmbH.", "Parallels ARM Virtual Machine", false, "",
                K::Parallels},
        HostRow{"QEMU", "Standard PC (Q35 + ICH9, 2009)", false, "", K::QEMU},
        HostRow{"", "Standard PC (i440FX + PIIX, 1996)", false, "", K::QEMU},
        HostRow{"Red Hat", "KVM", false, "", K::QEMU},
        // DMI wins over the paravirtual interface a guest is shown
        HostRow{"innotek GmbH", "VirtualBox", true, "KVMKVMKVM\0\0\0"s, K::VirtualBox},
        HostRow{"innotek GmbH", "VirtualBox", true, "Microsoft Hv", K::VirtualBox},
        HostRow{"QEMU", "Standard PC (Q35 + ICH9, 2009)", true, "Microsoft Hv", K::QEMU},
        // virtual machines of no known kind
        HostRow{"Xen", "HVM domU", true, "XenVMMXenVMM", K::Unknown},
        HostRow{"Xen", "HVM domU", true, "Microsoft Hv", K::Unknown},
        HostRow{"Bochs", "Bochs", false, "", K::Unknown},
        HostRow{"FreeBSD", "BHYVE", true, "bhyve bhyve ", K::Unknown},
        HostRow{"", "", true, "bhyve bhyve ", K::Unknown},
        HostRow{"", "", true, "ACRNACRNACRN", K::Unknown}, HostRow{"", "", true, "", K::Unknown},
        // near misses of the signatures
        HostRow{"", "", true, "VMwareVMwar", K::Unknown},
        HostRow{"", "", true, "KVMKVMKV", K::Unknown},
        HostRow{"", "", true, "microsoft hv", K::Unknown},
        // a Microsoft machine that is no virtual one, under some other hypervisor
        HostRow{"Microsoft Corporation", "Surface Book", true, "KVMKVMKVM", K::QEMU}));

TEST(HostDmi, ReadsFirstLineWithoutBlanks) {
    test::TempDir dir;
    test::WriteFileBytes(dir / "sys_vendor", "QEMU\n");
    test::WriteFileBytes(dir / "product_name", "  Standard PC (Q35 + ICH9, 2009)  \nsecond line\n");
    HostFacts facts;
    ReadDmiFacts(dir.Str(), facts);
    EXPECT_EQ(facts.sysVendor, "QEMU");
    EXPECT_EQ(facts.productName, "Standard PC (Q35 + ICH9, 2009)");
    EXPECT_EQ(ClassifyHost(facts), K::QEMU);
}

TEST(HostDmi, MissingFilesReadEmpty) {
    test::TempDir dir;
    HostFacts facts;
    facts.sysVendor = "stale";
    ReadDmiFacts(dir / "none", facts);
    EXPECT_EQ(facts.sysVendor, "");
    EXPECT_EQ(facts.productName, "");
}

// The kernel's own view of the hypervisor bit, from /proc/cpuinfo.
std::optional<bool> CpuinfoHypervisorFlag() {
    std::ifstream in("/proc/cpuinfo");
    std::string line;
    while (std::getline(in, line)) {
        if (line.rfind("flags", 0) == 0) {
            return (line + " ").find(" hypervisor ") != std::string::npos;
        }
    }
    return std::nullopt;
}

TEST(HostProbe, HypervisorBitAgreesWithTheKernel) {
#if defined(__i386__) || defined(__x86_64__)
    const std::optional<bool> flag = CpuinfoHypervisorFlag();
    if (!flag) {
        GTEST_SKIP() << "no flags in /proc/cpuinfo";
    }
    HostFacts facts;
    ReadCpuidFacts(facts);
    EXPECT_EQ(facts.hypervisorPresent, *flag);
    EXPECT_EQ(facts.hypervisorVendor.size(), *flag ? 12u : 0u);
#else
    GTEST_SKIP() << "no cpuid on this processor";
#endif
}

TEST(HostProbe, OneKindPerOnlineProcessor) {
    const std::vector<K> kinds = ProbeProcessorKinds();
    ASSERT_EQ(static_cast<long>(kinds.size()), sysconf(_SC_NPROCESSORS_ONLN));
    for (const K k : kinds) {
        EXPECT_EQ(k, kinds.front());
    }
    EXPECT_EQ(kinds.front(), ClassifyHost(ReadHostFacts()));
}

TEST(HostProbe, DetectEnvironmentTellsNativeOrNot) {
    DetectEnvironment();
    EXPECT_EQ(NotNativeEnvironment, DetectedEnvironment != K::Native);
    EXPECT_EQ(DetectedEnvironment, ClassifyHost(ReadHostFacts()));
    // Never WINE: a Linux program does not run under WINE.
    EXPECT_NE(DetectedEnvironment, K::WINE);
}

} // namespace
} // namespace vexrem
