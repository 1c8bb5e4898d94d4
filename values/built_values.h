// The statement tokens the variable store registers (for core/built.cpp).
#pragma once
#include <cstdint>

namespace tolven {

constexpr uint8_t kValueStatements[] = {61,  196, 197, 198, 199, 200, 201, 202,
                                        203, 204, 206, 207, 208, 209, 210, 211};

}  // namespace tolven
