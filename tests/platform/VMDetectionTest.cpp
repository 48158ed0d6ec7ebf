// Environment kinds: names, the fingerprint rules with their near misses, and
// how the per-processor kinds make the two results.
#include "platform/VMDetection.h"

#include <gtest/gtest.h>

#include <ostream>

namespace vexrem {
namespace {

using K = EnvironmentKind;

TEST(EnvironmentNames, EveryKindHasItsName) {
    EXPECT_EQ(EnvironmentName(K::Unknown), "Unknown");
    EXPECT_EQ(EnvironmentName(K::VMWare), "VMWare");
    EXPECT_EQ(EnvironmentName(K::VirtualPC), "VirtualPC");
    EXPECT_EQ(EnvironmentName(K::VirtualBox), "VirtualBox");
    EXPECT_EQ(EnvironmentName(K::Native), "Native");
    EXPECT_EQ(EnvironmentName(K::WINE), "WINE");
    EXPECT_EQ(EnvironmentName(K::Parallels), "Parallels Workstation");
    EXPECT_EQ(EnvironmentName(K::QEMU), "QEMU");
}

TEST(EnvironmentNames, NoNameAboveSeven) {
    for (int v = 8; v <= 255; ++v) {
        EXPECT_EQ(EnvironmentName(static_cast<K>(v)), std::nullopt) << v;
    }
}

TEST(EnvironmentKinds, AreTheStoredBytes) {
    EXPECT_EQ(sizeof(K), 1u);
    EXPECT_EQ(static_cast<int>(K::Unknown), 0);
    EXPECT_EQ(static_cast<int>(K::VMWare), 1);
    EXPECT_EQ(static_cast<int>(K::VirtualPC), 2);
    EXPECT_EQ(static_cast<int>(K::VirtualBox), 3);
    EXPECT_EQ(static_cast<int>(K::Native), 4);
    EXPECT_EQ(static_cast<int>(K::WINE), 5);
    EXPECT_EQ(static_cast<int>(K::Parallels), 6);
    EXPECT_EQ(static_cast<int>(K::QEMU), 7);
}

constexpr std::uint32_t Tagged(std::uint32_t selector) {
    return 0xDEAD0000u | selector;
}

struct Row {
    const char* name;
    DescriptorTableInfo info; // GdtBase, IdtBase, Ldtr, GdtLimit, IdtLimit
    bool nt;
    K expected;
    bool wineNtdll = false; // ntdll.dll exports wine_get_version
};

std::ostream& operator<<(std::ostream& os, const Row& r) {
    return os << r.name << (r.nt ? " (NT)" : " (9x)") << (r.wineNtdll ? " (WINE's ntdll)" : "");
}

class Fingerprints : public testing::TestWithParam<Row> {};

TEST_P(Fingerprints, Classify) {
    const Row& r = GetParam();
    EXPECT_EQ(ClassifyDescriptorTables(r.info, r.nt, r.wineNtdll), r.expected);
}

const DescriptorTableInfo VMwareInfo{0xFFC07000u, 0xFFC18000u, Tagged(0x4060), 0x412F, 0x07FF};

INSTANTIATE_TEST_SUITE_P(
    Rules, Fingerprints,
    testing::Values(
        // 1 VMware, either family; every one of its four values counts
        Row{"vmware", VMwareInfo, true, K::VMWare}, Row{"vmware", VMwareInfo, false, K::VMWare},
        Row{"vmware gdt base off",
            {0xFFC07001u, 0xFFC18000u, Tagged(0x4060), 0x412F, 0},
            true,
            K::Unknown},
        Row{"vmware idt base off",
            {0xFFC07000u, 0xFFC18001u, Tagged(0x4060), 0x412F, 0},
            true,
            K::Unknown},
        Row{"vmware selector off",
            {0xFFC07000u, 0xFFC18000u, Tagged(0x4061), 0x412F, 0},
            true,
            K::Unknown},
        Row{"vmware gdt limit off",
            {0xFFC07000u, 0xFFC18000u, Tagged(0x4060), 0x4130, 0},
            true,
            K::Unknown},
        Row{"vmware untagged", {0xFFC07000u, 0xFFC18000u, 0x4060, 0x412F, 0}, true, K::Unknown},
        // 2 WINE
        Row{"wine", {0x12345678u, 0x9ABCDEF0u, Tagged(0x0088), 0x00FF, 0x1234}, true, K::WINE},
        Row{"wine", {0, 0, Tagged(0x0088), 0x00FF, 0}, false, K::WINE},
        Row{"wine gdt limit off", {0, 0, Tagged(0x0088), 0x0100, 0}, true, K::Unknown},
        Row{"wine selector off", {0, 0, Tagged(0x0089), 0x00FF, 0}, false, K::Unknown},
        Row{"wine untagged", {0, 0, 0x0088, 0x00FF, 0}, true, K::Unknown},
        Row{"wine wrong tag", {0, 0, 0xDEAC0088u, 0x00FF, 0}, true, K::Unknown},
        // 3 VirtualPC
        Row{"virtualpc", {0, 0, Tagged(0xFFA8), 0xFFFF, 0}, true, K::VirtualPC},
        Row{"virtualpc", {0, 0, Tagged(0xFFA8), 0xFFFF, 0}, false, K::VirtualPC},
        Row{"virtualpc gdt limit off", {0, 0, Tagged(0xFFA8), 0xFFFE, 0}, true, K::Unknown},
        Row{"virtualpc selector off", {0, 0, Tagged(0xFFA9), 0xFFFF, 0}, true, K::Unknown},
        // 4 Parallels
        Row{"parallels", {0, 0, Tagged(0xFF5B), 0xFFFF, 0}, true, K::Parallels},
        Row{"parallels", {0, 0, Tagged(0xFF5B), 0xFFFF, 0}, false, K::Parallels},
        Row{"parallels gdt limit off", {0, 0, Tagged(0xFF5B), 0x7FFF, 0}, false, K::Unknown},
        Row{"parallels selector off", {0, 0, Tagged(0xFF5A), 0xFFFF, 0}, false, K::Unknown},
        // 5 QEMU
        Row{"qemu", {0, 0, Tagged(0x00D0), 0x01F7, 0}, true, K::QEMU},
        Row{"qemu", {0, 0, Tagged(0x00D0), 0x01F7, 0}, false, K::QEMU},
        Row{"qemu gdt limit off", {0, 0, Tagged(0x00D0), 0x01F8, 0}, true, K::Unknown},
        Row{"qemu selector off", {0, 0, Tagged(0x00D1), 0x01F7, 0}, true, K::Unknown},
        // 6 VirtualBox: selector B8 outside NT, 0 on NT
        Row{"virtualbox", {0, 0, Tagged(0x00B8), 0xFFFF, 0x02FF}, false, K::VirtualBox},
        Row{"virtualbox", {0, 0, Tagged(0), 0xFFFF, 0}, true, K::VirtualBox},
        Row{"virtualbox 9x selector on NT", {0, 0, Tagged(0x00B8), 0xFFFF, 0}, true, K::Unknown},
        Row{"virtualbox NT selector on 9x", {0, 0, Tagged(0), 0xFFFF, 0}, false, K::Unknown},
        Row{"virtualbox gdt limit off", {0, 0, Tagged(0), 0xFFFE, 0}, true, K::Unknown},
        // 7 Native outside NT
        Row{"native 9x", {0, 0, Tagged(0x00B8), 0x0FFF, 0x02FF}, false, K::Native},
        Row{"native 9x small gdt", {0, 0, Tagged(0x00B8), 0, 0x02FF}, false, K::Native},
        Row{"native 9x gdt too big", {0, 0, Tagged(0x00B8), 0x1000, 0x02FF}, false, K::Unknown},
        Row{"native 9x idt limit off", {0, 0, Tagged(0x00B8), 0x0FFF, 0x02FE}, false, K::Unknown},
        Row{"native 9x idt limit over", {0, 0, Tagged(0x00B8), 0x0FFF, 0x0300}, false, K::Unknown},
        Row{"native 9x on NT", {0, 0, Tagged(0x00B8), 0x0FFF, 0x02FF}, true, K::Unknown},
        Row{"native 9x untagged", {0, 0, 0x00B8, 0x0FFF, 0x02FF}, false, K::Unknown},
        // 8 Native on NT
        Row{"native nt", {0x8003F000u, 0x8003F400u, Tagged(0), 0x03FF, 0x07FF}, true, K::Native},
        Row{"native nt limits at bound", {0, 0, Tagged(0), 0x03FF, 0x0FFF}, true, K::Native},
        Row{"native nt zero limits", {0, 0, Tagged(0), 0, 0}, true, K::Native},
        Row{"native nt gdt too big", {0, 0, Tagged(0), 0x0400, 0x07FF}, true, K::Unknown},
        Row{"native nt idt too big", {0, 0, Tagged(0), 0x03FF, 0x1000}, true, K::Unknown},
        Row{"native nt selector set", {0, 0, Tagged(0x0001), 0x03FF, 0x07FF}, true, K::Unknown},
        Row{"native nt outside NT", {0, 0, Tagged(0), 0x03FF, 0x07FF}, false, K::Unknown},
        Row{"native nt untagged", {0, 0, 0, 0x03FF, 0x07FF}, true, K::Unknown},
        // limits compare unsigned: 0x8000 is far above the bounds, not below
        Row{"native nt gdt limit high bit", {0, 0, Tagged(0), 0x8000, 0}, true, K::Unknown},
        Row{"native nt idt limit high bit", {0, 0, Tagged(0), 0, 0x8000}, true, K::Unknown},
        Row{"native 9x gdt limit high bit",
            {0, 0, Tagged(0x00B8), 0x8000, 0x02FF},
            false,
            K::Unknown},
        // 9 a processor beyond the count
        Row{"zero", {}, true, K::Unknown}, Row{"zero", {}, false, K::Unknown},
        // Under WINE's ntdll the registers are the host kernel's: a 64-bit
        // Linux's real tables (which look like a native Windows x64) or the
        // dummies of a kernel that keeps user mode from them. Only the export
        // tells WINE.
        Row{"linux tables",
            {0x0C205000u, 0x0C200000u, Tagged(0), 0x007F, 0x0FFF},
            true,
            K::WINE,
            true},
        Row{"linux tables", {0x0C205000u, 0x0C200000u, Tagged(0), 0x007F, 0x0FFF}, true, K::Native},
        Row{"kernel dummies", {0xFFFE0000u, 0xFFFF0000u, Tagged(0), 0, 0}, true, K::WINE, true},
        Row{"kernel dummies", {0xFFFE0000u, 0xFFFF0000u, Tagged(0), 0, 0}, true, K::Native},
        Row{"virtualbox", {0, 0, Tagged(0), 0xFFFF, 0}, true, K::WINE, true},
        Row{"wine", {0, 0, Tagged(0x0088), 0x00FF, 0}, false, K::WINE, true},
        Row{"zero", {}, true, K::Unknown, true}));

TEST(DetectFromKinds, OneProcessorGivesItsKind) {
    DetectEnvironmentFrom({K::QEMU});
    EXPECT_TRUE(NotNativeEnvironment);
    EXPECT_EQ(DetectedEnvironment, K::QEMU);
    DetectEnvironmentFrom({K::Native});
    EXPECT_FALSE(NotNativeEnvironment);
    EXPECT_EQ(DetectedEnvironment, K::Native);
}

TEST(DetectFromKinds, AnyNonNativeProcessorCountsAndTheLastNamesTheKind) {
    DetectEnvironmentFrom({K::Native, K::Unknown});
    EXPECT_TRUE(NotNativeEnvironment);
    EXPECT_EQ(DetectedEnvironment, K::Unknown);
    DetectEnvironmentFrom({K::Unknown, K::Native});
    EXPECT_TRUE(NotNativeEnvironment);
    EXPECT_EQ(DetectedEnvironment, K::Native);
    DetectEnvironmentFrom({K::Native, K::Native, K::Native, K::Native});
    EXPECT_FALSE(NotNativeEnvironment);
    EXPECT_EQ(DetectedEnvironment, K::Native);
    DetectEnvironmentFrom({K::WINE, K::WINE});
    EXPECT_TRUE(NotNativeEnvironment);
    EXPECT_EQ(DetectedEnvironment, K::WINE);
    EXPECT_TRUE(DetectedWine());
    DetectEnvironmentFrom({}); // the kind stays WINE, but nothing was found
    EXPECT_FALSE(DetectedWine());
}

TEST(DetectFromKinds, NoProcessorLeavesTheKindAsItWas) {
    DetectEnvironmentFrom({K::VMWare});
    DetectEnvironmentFrom({});
    EXPECT_FALSE(NotNativeEnvironment);
    EXPECT_EQ(DetectedEnvironment, K::VMWare);
}

TEST(DetectFromFingerprints, ClassifiedPerProcessor) {
    // What a Windows probe of two processors hands on, one native, one not.
    const DescriptorTableInfo native{0, 0, Tagged(0), 0x03FF, 0x07FF};
    const DescriptorTableInfo beyondCount{};
    std::vector<K> kinds;
    for (const DescriptorTableInfo& info : {native, beyondCount}) {
        kinds.push_back(ClassifyDescriptorTables(info, true, false));
    }
    DetectEnvironmentFrom(kinds);
    EXPECT_TRUE(NotNativeEnvironment);
    EXPECT_EQ(DetectedEnvironment, K::Unknown);
}

} // namespace
} // namespace vexrem
