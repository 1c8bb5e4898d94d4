// Memory that programs can address with 32-bit values.
//
// Programs keep addresses in long integer variables and hand them to DLLs,
// so every block they can see must lie below 2 GB, also in the 64-bit build.
// One large range is reserved low in the address space at first use and
// blocks are carved from it; when it is used up, allocation fails (the
// caller raises runtime error 240) instead of handing out a high address.
#pragma once
#include <cstddef>
#include <cstdint>

namespace tolven {

// A zero-filled block of `bytes` bytes (at least 1) at an address below
// 2 GB, aligned to 16 bytes; 0 when the low range is exhausted.
uint32_t low_alloc(uint32_t bytes);

// Returns a block from low_alloc; other values are ignored.
void low_free(uint32_t address);

// Size of a block from low_alloc, 0 for other addresses.
uint32_t low_block_size(uint32_t address);

// Whether `bytes` bytes from `address` can be read or written without a
// fault. Programs may hold any value in an address, so every access through
// a program-given address is checked first (runtime error 207 otherwise).
bool memory_readable(uint32_t address, uint32_t bytes);
bool memory_writable(uint32_t address, uint32_t bytes);

inline uint8_t* address_pointer(uint32_t address) {
    return reinterpret_cast<uint8_t*>(static_cast<uintptr_t>(address));
}

// The 32-bit form of a pointer, or 0 when it does not fit.
inline uint32_t pointer_address(const void* p) {
    const auto v = reinterpret_cast<uintptr_t>(p);
    return v <= 0x7FFFFFFFu ? static_cast<uint32_t>(v) : 0;
}

// ---- platform part (low_memory_posix.cpp / win32/low_memory_win32.cpp) ----
namespace platform {
// Reserves (without committing) a range below 2 GB of about `wanted` bytes,
// fewer if no such range is free. Returns its start and size, or 0.
uintptr_t reserve_low(size_t wanted, size_t& got);
// Makes [start, start + bytes) usable, zero-filled on first use.
bool commit(uintptr_t start, size_t bytes);
bool readable(uintptr_t start, size_t bytes);
bool writable(uintptr_t start, size_t bytes);
}  // namespace platform

}  // namespace tolven
