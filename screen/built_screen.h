// The statement and function tokens the screen module registers (for
// core/built.cpp). Registered by the Windows-only registration.
#pragma once
#include <cstdint>

namespace tolven {

constexpr uint8_t kScreenStatements[] = {50,  80,  116, 144, 145, 162, 163, 164, 165, 166, 167,
                                         168, 186, 187, 190, 205, 217, 218, 219, 240, 245};
constexpr uint8_t kScreenFunctions[] = {45, 47, 155, 176};

}  // namespace tolven
