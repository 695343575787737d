// Integers in banks and WAV files are little-endian, whatever the machine.
#pragma once

#include <cstdint>

inline uint32_t Uint32At(const unsigned char* b) {
    return static_cast<uint32_t>(b[0]) | static_cast<uint32_t>(b[1]) << 8 |
           static_cast<uint32_t>(b[2]) << 16 | static_cast<uint32_t>(b[3]) << 24;
}

inline int32_t Int32At(const unsigned char* b) { return static_cast<int32_t>(Uint32At(b)); }

inline void PutInt32(unsigned char* b, int32_t value) {
    uint32_t v = static_cast<uint32_t>(value);
    for (int i = 0; i < 4; ++i) b[i] = static_cast<unsigned char>(v >> (8 * i));
}
