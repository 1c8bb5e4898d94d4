#include "values/low_memory.h"

#include <cstring>
#include <iterator>
#include <map>

namespace tolven {

namespace {

constexpr size_t kWanted = size_t(1) << 30;  // 1 GB of address space, committed as used
constexpr uint32_t kAlign = 16;
constexpr size_t kCommitStep = size_t(1) << 20;

struct Arena {
    bool tried = false;
    uintptr_t base = 0;
    size_t size = 0;
    size_t top = 0;        // bytes handed out from the start at least once
    size_t committed = 0;
    std::map<uint32_t, uint32_t> used;   // address -> size
    std::map<uint32_t, uint32_t> free;   // address -> size, coalesced
};
Arena arena;

bool ensure_arena() {
    if (!arena.tried) {
        arena.tried = true;
        arena.base = platform::reserve_low(kWanted, arena.size);
        if (!arena.base) arena.size = 0;
    }
    return arena.base != 0;
}

uint32_t round_up(uint32_t n) { return (n + kAlign - 1) & ~(kAlign - 1); }

void add_free(uint32_t address, uint32_t size) {
    auto next = arena.free.lower_bound(address);
    if (next != arena.free.begin()) {
        auto prev = std::prev(next);
        if (prev->first + prev->second == address) {
            address = prev->first;
            size += prev->second;
            arena.free.erase(prev);
        }
    }
    if (next != arena.free.end() && address + size == next->first) {
        size += next->second;
        arena.free.erase(next);
    }
    arena.free[address] = size;
}

}  // namespace

uint32_t low_alloc(uint32_t bytes) {
    if (bytes == 0) bytes = 1;
    if (bytes > 0x7FFFFFF0u || !ensure_arena()) return 0;
    const uint32_t need = round_up(bytes);
    // First fit among returned blocks.
    for (auto it = arena.free.begin(); it != arena.free.end(); ++it) {
        if (it->second < need) continue;
        const uint32_t address = it->first, size = it->second;
        arena.free.erase(it);
        if (size > need) arena.free[address + need] = size - need;
        std::memset(address_pointer(address), 0, need);
        arena.used[address] = need;
        return address;
    }
    if (arena.size - arena.top < need) return 0;
    const size_t end = arena.top + need;
    if (end > arena.committed) {
        size_t target = (end + kCommitStep - 1) / kCommitStep * kCommitStep;
        if (target > arena.size) target = arena.size;
        if (!platform::commit(arena.base + arena.committed, target - arena.committed)) return 0;
        arena.committed = target;
    }
    const auto address = static_cast<uint32_t>(arena.base + arena.top);
    arena.top = end;
    arena.used[address] = need;  // fresh pages are zero already
    return address;
}

void low_free(uint32_t address) {
    auto it = arena.used.find(address);
    if (it == arena.used.end()) return;
    const uint32_t size = it->second;
    arena.used.erase(it);
    add_free(address, size);
}

uint32_t low_block_size(uint32_t address) {
    auto it = arena.used.find(address);
    return it == arena.used.end() ? 0 : it->second;
}

bool memory_readable(uint32_t address, uint32_t bytes) {
    if (address == 0) return false;
    if (bytes == 0) return true;
    if (static_cast<uint64_t>(address) + bytes > 0x100000000ull) return false;
    if (arena.base && address >= arena.base && address + uint64_t(bytes) <= arena.base + arena.committed)
        return true;
    return platform::readable(address, bytes);
}

bool memory_writable(uint32_t address, uint32_t bytes) {
    if (address == 0) return false;
    if (bytes == 0) return true;
    if (static_cast<uint64_t>(address) + bytes > 0x100000000ull) return false;
    if (arena.base && address >= arena.base && address + uint64_t(bytes) <= arena.base + arena.committed)
        return true;
    return platform::writable(address, bytes);
}

}  // namespace tolven
