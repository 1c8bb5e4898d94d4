// The tokens the dBase module registers (for core/built.cpp).
#pragma once
#include <cstdint>

namespace tolven {

// MEMOWIDTH, CREATEINDEX, CREATETABLE.
constexpr uint8_t kDbaseStatements[] = {57, 248, 249};

// Memo <-> item list, open/select/go-to/close, field reads, index open,
// seek, find, field writes, record writes, delete, recall, pack, append,
// DTOC$ and CTOD$.
constexpr uint8_t kDbaseFunctions[] = {71,  72,  210, 211, 212, 213, 214, 215, 216, 219, 220,
                                       221, 222, 223, 224, 225, 226, 227, 228, 229};

}  // namespace tolven
