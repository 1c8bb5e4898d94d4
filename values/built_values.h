// The statement tokens the variable store registers (for core/built.cpp).
#pragma once
#include <cstdint>

namespace tolven {

constexpr uint8_t kValueStatements[] = {61,  196, 197, 198, 199, 200, 201, 202,
                                        203, 204, 206, 207, 208, 209, 210, 211};
// The list element functions.
constexpr uint8_t kValueFunctions[] = {183, 184, 185, 186};

// Area variables and structures: DIM, DISPOSE, STRUCT, WITH, ENDWITH and
// the inline writes 85, 86, 107, 108, 109.
constexpr uint8_t kAreaStatements[] = {52, 53, 54, 85, 86, 107, 108, 109, 110, 111};

// Function dispatch: FREELIBRARY and the procedure call by line reference;
// the argument accesses, the DLL calls and the library loading function.
constexpr uint8_t kDispatchStatements[] = {69, 255};
constexpr uint8_t kDispatchFunctions[] = {33, 36, 37, 38, 43, 44, 128};

}  // namespace tolven
