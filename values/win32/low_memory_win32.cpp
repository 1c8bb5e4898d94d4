// The Windows side of the low memory range. The heap cannot be asked for
// low addresses (under Wine it spills above 4 GB after a few hundred MB), so
// the first large free range below 2 GB is reserved once and committed as
// blocks are handed out.
#include <windows.h>

#include "values/low_memory.h"

namespace tolven::platform {

uintptr_t reserve_low(size_t wanted, size_t& got) {
    got = 0;
    uintptr_t best = 0;
    size_t best_size = 0;
    MEMORY_BASIC_INFORMATION mbi;
    for (uintptr_t at = 0x10000; at < 0x7FFF0000u;) {
        if (VirtualQuery(reinterpret_cast<void*>(at), &mbi, sizeof mbi) == 0) break;
        const uintptr_t start = reinterpret_cast<uintptr_t>(mbi.BaseAddress);
        uintptr_t end = start + mbi.RegionSize;
        if (end > 0x7FFF0000u) end = 0x7FFF0000u;
        if (mbi.State == MEM_FREE) {
            // Allocation granularity is 64 KB.
            const uintptr_t aligned = (start + 0xFFFF) & ~uintptr_t(0xFFFF);
            if (end > aligned && end - aligned > best_size) {
                best = aligned;
                best_size = end - aligned;
            }
        }
        if (end <= at) break;
        at = end;
    }
    if (!best) return 0;
    size_t size = best_size < wanted ? best_size : wanted;
    size &= ~size_t(0xFFFF);
    void* p = VirtualAlloc(reinterpret_cast<void*>(best), size, MEM_RESERVE, PAGE_NOACCESS);
    if (!p) return 0;
    got = size;
    return reinterpret_cast<uintptr_t>(p);
}

bool commit(uintptr_t start, size_t bytes) {
    return VirtualAlloc(reinterpret_cast<void*>(start), bytes, MEM_COMMIT, PAGE_READWRITE) != nullptr;
}

namespace {
bool range_has(uintptr_t start, size_t bytes, DWORD wanted) {
    const uintptr_t end = start + bytes;
    MEMORY_BASIC_INFORMATION mbi;
    for (uintptr_t at = start; at < end;) {
        if (VirtualQuery(reinterpret_cast<void*>(at), &mbi, sizeof mbi) == 0) return false;
        if (mbi.State != MEM_COMMIT) return false;
        const DWORD p = mbi.Protect & 0xFF;
        if ((mbi.Protect & PAGE_GUARD) || !(p & wanted)) return false;
        at = reinterpret_cast<uintptr_t>(mbi.BaseAddress) + mbi.RegionSize;
    }
    return true;
}
}  // namespace

bool readable(uintptr_t start, size_t bytes) {
    return range_has(start, bytes,
                     PAGE_READONLY | PAGE_READWRITE | PAGE_WRITECOPY | PAGE_EXECUTE_READ |
                         PAGE_EXECUTE_READWRITE | PAGE_EXECUTE_WRITECOPY);
}

bool writable(uintptr_t start, size_t bytes) {
    return range_has(start, bytes, PAGE_READWRITE | PAGE_WRITECOPY | PAGE_EXECUTE_READWRITE |
                                       PAGE_EXECUTE_WRITECOPY);
}

}  // namespace tolven::platform
