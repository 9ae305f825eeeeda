#include "support/process_resources.h"

#include <windows.h>
#include <winternl.h>

#include <cstddef>

namespace karnio::test {

namespace {

// One entry of the GDI handle table, 64-bit layout.
struct GdiHandleEntry {
    UINT64 object;
    ULONG owner;
    USHORT unique;
    UCHAR type;
    UCHAR flags;
    UINT64 user;
};
static_assert(sizeof(GdiHandleEntry) == 24);
constexpr std::size_t kGdiSharedHandleTableOffset = 0xF8;  // in the 64-bit PEB
constexpr int kGdiHandleCount = 0x10000;

long ProbeGdi()
{
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Warray-bounds"  // the TEB is read through gs, which GCC cannot follow
    auto* peb = reinterpret_cast<const char*>(NtCurrentTeb()->ProcessEnvironmentBlock);
#pragma GCC diagnostic pop
    const auto* table = *reinterpret_cast<const GdiHandleEntry* const*>(peb + kGdiSharedHandleTableOffset);
    if (!table) return -1;
    long count = 0;
    for (int i = 0; i < kGdiHandleCount; ++i) count += table[i].type != 0;
    return count;
}

// Wine takes a USER handle's low word alone as that slot's current object.
long ProbeUser()
{
    const DWORD self = GetCurrentProcessId();
    long count = 0;
    for (UINT slot = 0x20; slot <= 0xFFEF; slot += 2) {
        const HANDLE handle = reinterpret_cast<HANDLE>(static_cast<UINT_PTR>(slot));
        if (IsMenu(static_cast<HMENU>(handle))) {
            ++count;
        } else if (IsWindow(static_cast<HWND>(handle))) {
            DWORD owner = 0;
            GetWindowThreadProcessId(static_cast<HWND>(handle), &owner);
            count += owner == self;
        } else if (CopyAcceleratorTableW(static_cast<HACCEL>(handle), nullptr, 0) > 0) {
            ++count;
        } else {
            ICONINFO info;
            if (GetIconInfo(static_cast<HICON>(handle), &info)) {
                if (info.hbmMask) DeleteObject(info.hbmMask);
                if (info.hbmColor) DeleteObject(info.hbmColor);
                ++count;
            }
        }
    }
    return count;
}

long ProbeKernel()
{
    long count = 0;
    DWORD flags = 0;
    for (UINT_PTR value = 4; value < 0x10000; value += 4) count += GetHandleInformation(reinterpret_cast<HANDLE>(value), &flags) != 0;
    return count;
}

}  // namespace

ProcessResources CountProcessResources()
{
    ProcessResources counts;
    const HANDLE self = GetCurrentProcess();
    counts.gdi = static_cast<long>(GetGuiResources(self, GR_GDIOBJECTS));
    counts.user = static_cast<long>(GetGuiResources(self, GR_USEROBJECTS));
    DWORD handles = 0;
    GetProcessHandleCount(self, &handles);
    counts.kernel = static_cast<long>(handles);
    counts.how = "system";
    if (counts.gdi == 0 || counts.user == 0 || counts.kernel == 0) {
        counts.gdi = ProbeGdi();
        counts.user = ProbeUser();
        counts.kernel = ProbeKernel();
        counts.how = "probed";
    }
    return counts;
}

}  // namespace karnio::test
