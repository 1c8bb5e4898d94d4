// Little-endian numbers in byte buffers: program files, line references in
// argument texts, memory areas, table and index files all store them so,
// whatever the machine the runtime is built for.
#pragma once
#include <cstdint>

namespace tolven {

inline uint16_t le16(const void* at) {
    const auto* p = static_cast<const uint8_t*>(at);
    return static_cast<uint16_t>(p[0] | (p[1] << 8));
}

inline uint32_t le32(const void* at) {
    const auto* p = static_cast<const uint8_t*>(at);
    return uint32_t(p[0]) | (uint32_t(p[1]) << 8) | (uint32_t(p[2]) << 16) | (uint32_t(p[3]) << 24);
}

inline void put_le16(void* at, uint32_t v) {
    auto* p = static_cast<uint8_t*>(at);
    p[0] = static_cast<uint8_t>(v);
    p[1] = static_cast<uint8_t>(v >> 8);
}

inline void put_le32(void* at, uint32_t v) {
    auto* p = static_cast<uint8_t*>(at);
    for (int i = 0; i < 4; ++i) p[i] = static_cast<uint8_t>(v >> (8 * i));
}

}  // namespace tolven
