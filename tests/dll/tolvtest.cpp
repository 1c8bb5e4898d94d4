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

EXPORT int32_t WINAPI Sum0() { return 4711; }
EXPORT int32_t WINAPI Sum1(int32_t a) { return sum({a}); }
EXPORT int32_t WINAPI Sum2(int32_t a, int32_t b) { return sum({a, b}); }
EXPORT int32_t WINAPI Sum3(int32_t a, int32_t b, int32_t c) { return sum({a, b, c}); }
EXPORT int32_t WINAPI Sum4(int32_t a, int32_t b, int32_t c, int32_t d) { return sum({a, b, c, d}); }
EXPORT int32_t WINAPI Sum8(int32_t a, int32_t b, int32_t c, int32_t d, int32_t e, int32_t f, int32_t g,
                           int32_t h) {
    return sum({a, b, c, d, e, f, g, h});
}
EXPORT int32_t WINAPI Sum15(int32_t a, int32_t b, int32_t c, int32_t d, int32_t e, int32_t f, int32_t g,
                            int32_t h, int32_t i, int32_t j, int32_t k, int32_t l, int32_t m, int32_t n,
                            int32_t o) {
    return sum({a, b, c, d, e, f, g, h, i, j, k, l, m, n, o});
}
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
EXPORT int32_t WINAPI Crash() {
    volatile int32_t* p = nullptr;
    return *p;
}
