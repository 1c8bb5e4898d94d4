// The statement and function tokens of the built-in function module (for
// core/built.cpp).
#pragma once
#include <cstdint>

namespace tolven {

// SCRAMBLEKEY and RANDOMIZE.
constexpr uint8_t kBuiltinStatements[] = {119, 188};

// Arithmetic and tests, mathematics, strings, numbers and texts, date and
// time, memory blocks, drives and the system, input state and colours, and
// the scrambling.
constexpr uint8_t kBuiltinFunctions[] = {
    24,  40,  46,  50,  52,  53,  54,  55,  56,  57,  58,  59,  60,  68,  69,  70,  73,
    77,  78,  79,  89,  90,  91,  92,  98,  99,  118, 126, 127, 129, 130, 131, 132, 133,
    134, 135, 136, 137, 138, 139, 140, 141, 142, 143, 144, 145, 146, 147, 148, 149, 150,
    151, 152, 153, 154, 161, 162, 163, 164, 165, 166, 167, 168, 169, 170, 171, 172, 173,
    174, 175, 177, 178, 179, 180, 181, 188, 189, 190, 191, 192, 193, 194, 195, 196, 197,
    200, 201, 202, 205, 206, 207, 208, 254};

}  // namespace tolven
