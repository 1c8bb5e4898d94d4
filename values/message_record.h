// A window message as programs see it: handles and message numbers as the
// 32-bit values the runtime hands out, wParam and lParam cut to 32 bits.
#pragma once
#include <cstdint>

namespace tolven {

struct MessageRecord {
    uint32_t window = 0;
    uint32_t message = 0;
    int32_t wparam = 0;
    int32_t lparam = 0;
};

}  // namespace tolven
