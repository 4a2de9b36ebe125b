#pragma once

#include <cstddef>
#include <cstdint>

// Reflected CRC-32 of IEEE 802.3 (the same values as zlib's crc32). A null pointer gives 0.
uint32_t Crc32(uint32_t initial, const void* bytes, size_t length);
