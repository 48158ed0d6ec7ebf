// The environment probe on Windows: each processor's descriptor-table
// registers, read in user mode while the thread runs on that processor.
#include "platform/VMDetection.h"

#include "platform/win32/Win32Platform.h"

#include <windows.h>
#if defined(_MSC_VER)
#include <intrin.h>
#endif

namespace vexrem {

namespace {

int ProcessorCount() {
    SYSTEM_INFO si{};
    GetSystemInfo(&si);
    return static_cast<int>(si.dwNumberOfProcessors);
}

bool IsNtFamily() {
    OSVERSIONINFOA vi{};
    vi.dwOSVersionInfoSize = sizeof vi;
#if defined(_MSC_VER)
#pragma warning(push)
#pragma warning(disable : 4996) // GetVersionEx: the platform id is all we ask for
#elif defined(__GNUC__)
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wdeprecated-declarations"
#endif
    const BOOL ok = GetVersionExA(&vi);
#if defined(_MSC_VER)
#pragma warning(pop)
#elif defined(__GNUC__)
#pragma GCC diagnostic pop
#endif
    return ok != 0 && vi.dwPlatformId == VER_PLATFORM_WIN32_NT;
}

#pragma pack(push, 1)
struct TableRegister {
    WORD limit;
    ULONG_PTR base; // 32 bits on a 32-bit build, 64 on a 64-bit one
};
#pragma pack(pop)

// The registers of the processor the thread runs on. Other processors than
// x86 have no such registers: an unread (untagged) fingerprint.
DescriptorTableInfo ReadTablesHere() {
#if defined(__i386__) || defined(__x86_64__) || defined(_M_IX86) || defined(_M_X64)
    TableRegister gdt{};
    TableRegister idt{};
    WORD ldt = 0;
#if defined(__GNUC__)
    __asm__ __volatile__("sgdt %0" : "=m"(gdt));
    __asm__ __volatile__("sidt %0" : "=m"(idt));
    __asm__ __volatile__("sldt %0" : "=m"(ldt));
#elif defined(_M_IX86)
    __asm {
        sgdt gdt
        sidt idt
        sldt ldt
    }
#else
    _sgdt(&gdt);
    __sidt(&idt);
    // No intrinsic reads the LDT selector on x64, and a 64-bit Windows gives
    // its processes no LDT: the selector is 0 there.
#endif
    DescriptorTableInfo info;
    info.GdtBase = static_cast<std::uint32_t>(gdt.base);
    info.IdtBase = static_cast<std::uint32_t>(idt.base);
    info.Ldtr = (LdtrTag << 16) | ldt;
    info.GdtLimit = gdt.limit;
    info.IdtLimit = idt.limit;
    return info;
#else
    return {};
#endif
}

} // namespace

DescriptorTableInfo ProbeProcessor(int n) {
    constexpr int MaskBits = static_cast<int>(sizeof(DWORD_PTR) * 8);
    if (n < 1 || n > ProcessorCount() || n > MaskBits) {
        return {};
    }
    const HANDLE thread = GetCurrentThread();
    // Restricting the affinity moves the thread onto processor n at once.
    const DWORD_PTR previous = SetThreadAffinityMask(thread, DWORD_PTR{1} << (n - 1));
    const DescriptorTableInfo info = ReadTablesHere();
    if (previous != 0) {
        SetThreadAffinityMask(thread, previous); // the starting thread keeps its own affinity
    }
    return info;
}

std::vector<DescriptorTableInfo> ProbeProcessors() {
    const int count = ProcessorCount();
    std::vector<DescriptorTableInfo> list;
    for (int n = 1; n <= count; ++n) {
        list.push_back(ProbeProcessor(n));
    }
    return list;
}

std::vector<EnvironmentKind> ProbeProcessorKinds() {
    const bool nt = IsNtFamily();
    const bool wine = RunsUnderWine();
    std::vector<EnvironmentKind> kinds;
    for (const DescriptorTableInfo& info : ProbeProcessors()) {
        kinds.push_back(ClassifyDescriptorTables(info, nt, wine));
    }
    return kinds;
}

} // namespace vexrem
