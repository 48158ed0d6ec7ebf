#pragma once
// Whether the program runs natively, in a virtual machine or under WINE. Told
// once at start; it decides whether the reduced-colour tray icons are the
// default and which advice the colour-depth dialog gives.

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace vexrem {

// One byte, as stored; values above 7 have no name.
enum class EnvironmentKind : std::uint8_t {
    Unknown = 0,
    VMWare = 1,
    VirtualPC = 2,
    VirtualBox = 3,
    Native = 4,
    WINE = 5,
    Parallels = 6,
    QEMU = 7,
};

// The name shown for a kind; nothing for a value above 7, so the caller keeps
// whatever text it had.
std::optional<std::string> EnvironmentName(EnvironmentKind kind);

// One processor's descriptor-table registers as user mode sees them on
// Windows. The all-zero value stands for a processor that does not exist.
struct DescriptorTableInfo {
    std::uint32_t GdtBase = 0;
    std::uint32_t IdtBase = 0;
    std::uint32_t Ldtr = 0; // selector in the low half, LdtrTag in the high half
    std::uint16_t GdtLimit = 0;
    std::uint16_t IdtLimit = 0;
};

// Marks an Ldtr that was really read.
inline constexpr std::uint32_t LdtrTag = 0xDEAD;

// The environment a fingerprint belongs to; nt: the system is of the NT family;
// wineNtdll: the system's ntdll.dll exports wine_get_version. Under WINE the
// registers read are the host kernel's (a 64-bit Linux: its real tables, which
// look like a native Windows, or the dummies of a kernel that keeps user mode
// from reading them, selector and limits 0), so there the export decides.
EnvironmentKind ClassifyDescriptorTables(const DescriptorTableInfo& info, bool nt, bool wineNtdll);

// The environment kind of every processor of this machine, in processor order.
// Windows reads each processor's descriptor tables; Linux asks what the kernel
// reports about the machine (those instructions tell nothing there).
std::vector<EnvironmentKind> ProbeProcessorKinds();

#ifdef _WIN32
// Fingerprints of all processors, in processor order.
std::vector<DescriptorTableInfo> ProbeProcessors();
// The fingerprint of processor n (1-based); all zeros beyond the processor count.
DescriptorTableInfo ProbeProcessor(int n);
#endif

// Set by DetectEnvironment, read-only afterwards.
// True when any processor is something other than Native.
extern bool NotNativeEnvironment;
// The kind of the last processor examined.
extern EnvironmentKind DetectedEnvironment;
// True when the results say the program runs under WINE.
bool DetectedWine();

// Sets both results from ProbeProcessorKinds. Runs once at start, before any
// window or worker thread exists.
void DetectEnvironment();
// Sets both results from the given kinds, one per processor in order. With no
// kinds NotNativeEnvironment is false and DetectedEnvironment keeps its value
// (Unknown at start).
void DetectEnvironmentFrom(const std::vector<EnvironmentKind>& kinds);

} // namespace vexrem
