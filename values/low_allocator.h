// An allocator for containers whose elements programs may address through
// 32-bit values (the address-of-a-variable function hands them to DLLs):
// memory from the low range of low_memory.h. When that range is used up it
// falls back to the ordinary heap, whose addresses may not fit; the address
// function then reports 0 for them rather than a cut-off address.
#pragma once
#include <cstddef>
#include <memory>
#include <new>
#include <type_traits>

#include "values/low_memory.h"

#if defined(__SANITIZE_ADDRESS__)
#include <sanitizer/lsan_interface.h>
// The leak checker does not look into the low range by itself: heap blocks
// owned by elements there (long string texts) would count as leaked.
#define TOLVEN_LOW_ROOT(p, n) __lsan_register_root_region(p, n)
#define TOLVEN_LOW_UNROOT(p, n) __lsan_unregister_root_region(p, n)
#else
#define TOLVEN_LOW_ROOT(p, n) ((void)0)
#define TOLVEN_LOW_UNROOT(p, n) ((void)0)
#endif

namespace tolven {

template <class T>
struct LowAllocator {
    using value_type = T;
    // Only elements that can own heap memory need the leak checker's eye.
    static constexpr bool kMayOwnHeap = !std::is_trivially_copyable_v<T>;

    LowAllocator() = default;
    template <class U>
    LowAllocator(const LowAllocator<U>&) noexcept {}

    T* allocate(std::size_t n) {
        if (n > 0x7FFFFFF0u / sizeof(T)) return std::allocator<T>().allocate(n);
        const uint32_t address = low_alloc(static_cast<uint32_t>(n * sizeof(T)));
        if (address == 0) return std::allocator<T>().allocate(n);
        T* p = reinterpret_cast<T*>(address_pointer(address));
        if constexpr (kMayOwnHeap) TOLVEN_LOW_ROOT(p, n * sizeof(T));
        return p;
    }
    void deallocate(T* p, std::size_t n) noexcept {
        const uint32_t address = pointer_address(p);
        if (address != 0 && low_block_size(address) != 0) {
            if constexpr (kMayOwnHeap) TOLVEN_LOW_UNROOT(p, n * sizeof(T));
            low_free(address);
        } else std::allocator<T>().deallocate(p, n);
    }

    template <class U>
    bool operator==(const LowAllocator<U>&) const noexcept { return true; }
};

}  // namespace tolven
