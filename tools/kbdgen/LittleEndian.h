#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

// Writes the low `size` bytes of `value` into `bytes` at `at`, least significant first; the
// caller has made room.
inline void StoreLittleEndian(std::vector<uint8_t>& bytes, size_t at, uint64_t value,
                              unsigned size) {
    for (unsigned i = 0; i < size; ++i) {
        bytes[at + i] = static_cast<uint8_t>(value >> (8 * i));
    }
}
