// A DLL for the end-to-end tests of DLL calls: functions with 0 to 15
// arguments returning a checksum of them, one that writes into a caller's
// buffer, one that returns a pointer, and one that faults.
#include <windows.h>

#include <cstdint>
#include <cstring>
#include <initializer_list>

namespace {
// The checksum weighs each argument by its position so that order and
// sign extension both show in the result.
int32_t sum(std::initializer_list<int32_t> v) {
    int32_t s = 0, k = 1;
    for (int32_t x : v) s += x * k++;
    return s;
}
char greeting[] = "Hallo aus der DLL";
}  // namespace

#define EXPORT extern "C" __declspec(dllexport)
using I = int32_t;

// One function per argument count, so that every count is called with
// exactly the arguments its callee removes (standard calling convention).
EXPORT int32_t WINAPI Sum0() { return 4711; }
EXPORT int32_t WINAPI Sum1(I a) { return sum({a}); }
EXPORT int32_t WINAPI Sum2(I a, I b) { return sum({a, b}); }
EXPORT int32_t WINAPI Sum3(I a, I b, I c) { return sum({a, b, c}); }
EXPORT int32_t WINAPI Sum4(I a, I b, I c, I d) { return sum({a, b, c, d}); }
EXPORT int32_t WINAPI Sum5(I a, I b, I c, I d, I e) { return sum({a, b, c, d, e}); }
EXPORT int32_t WINAPI Sum6(I a, I b, I c, I d, I e, I f) { return sum({a, b, c, d, e, f}); }
EXPORT int32_t WINAPI Sum7(I a, I b, I c, I d, I e, I f, I g) { return sum({a, b, c, d, e, f, g}); }
EXPORT int32_t WINAPI Sum8(I a, I b, I c, I d, I e, I f, I g, I h) { return sum({a, b, c, d, e, f, g, h}); }
EXPORT int32_t WINAPI Sum9(I a, I b, I c, I d, I e, I f, I g, I h, I i) { return sum({a, b, c, d, e, f, g, h, i}); }
EXPORT int32_t WINAPI Sum10(I a, I b, I c, I d, I e, I f, I g, I h, I i, I j) { return sum({a, b, c, d, e, f, g, h, i, j}); }
EXPORT int32_t WINAPI Sum11(I a, I b, I c, I d, I e, I f, I g, I h, I i, I j, I k) { return sum({a, b, c, d, e, f, g, h, i, j, k}); }
EXPORT int32_t WINAPI Sum12(I a, I b, I c, I d, I e, I f, I g, I h, I i, I j, I k, I l) { return sum({a, b, c, d, e, f, g, h, i, j, k, l}); }
EXPORT int32_t WINAPI Sum13(I a, I b, I c, I d, I e, I f, I g, I h, I i, I j, I k, I l, I m) { return sum({a, b, c, d, e, f, g, h, i, j, k, l, m}); }
EXPORT int32_t WINAPI Sum14(I a, I b, I c, I d, I e, I f, I g, I h, I i, I j, I k, I l, I m, I n) { return sum({a, b, c, d, e, f, g, h, i, j, k, l, m, n}); }
EXPORT int32_t WINAPI Sum15(I a, I b, I c, I d, I e, I f, I g, I h, I i, I j, I k, I l, I m, I n, I o) { return sum({a, b, c, d, e, f, g, h, i, j, k, l, m, n, o}); }
// Sign extension check: a 64-bit caller passes -1 as 0xFFFFFFFFFFFFFFFF.
EXPORT int32_t WINAPI IsMinusOne(intptr_t v) { return v == -1 ? 1 : 0; }
// Writes "TOLVEN" and a zero into the buffer at `address`; returns 6.
EXPORT int32_t WINAPI FillBuffer(uint32_t address) {
    std::memcpy(reinterpret_cast<void*>(static_cast<uintptr_t>(address)), "TOLVEN", 7);
    return 6;
}
EXPORT int32_t WINAPI Greeting() {
    return static_cast<int32_t>(reinterpret_cast<uintptr_t>(greeting));
}
// A 32-bit address as the program passes it, arriving sign-extended: 1 when
// it lies in 1..2 GB-1 and the memory there is committed and writable, so a
// test checks where the runtime really put a block or a variable.
EXPORT int32_t WINAPI IsLowWritable(intptr_t address) {
    if (address <= 0 || address > 0x7FFFFFFF) return 0;
    MEMORY_BASIC_INFORMATION mbi;
    if (!VirtualQuery(reinterpret_cast<void*>(address), &mbi, sizeof mbi) || mbi.State != MEM_COMMIT) return 0;
    const DWORD writable = PAGE_READWRITE | PAGE_WRITECOPY | PAGE_EXECUTE_READWRITE | PAGE_EXECUTE_WRITECOPY;
    return (mbi.Protect & writable) && !(mbi.Protect & PAGE_GUARD) ? 1 : 0;
}
// Reads and writes a 32-bit value at an address the program passes.
EXPORT int32_t WINAPI PeekLong(uint32_t address) {
    int32_t v;
    std::memcpy(&v, reinterpret_cast<void*>(static_cast<uintptr_t>(address)), 4);
    return v;
}
EXPORT int32_t WINAPI PokeLong(uint32_t address, int32_t value) {
    std::memcpy(reinterpret_cast<void*>(static_cast<uintptr_t>(address)), &value, 4);
    return 1;
}
EXPORT int32_t WINAPI Crash() {
    volatile int32_t* p = nullptr;
    return *p;
}
