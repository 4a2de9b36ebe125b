#pragma once

#include <cstdint>

// How the stored key material becomes the payload key: two block moves and an XOR pass over the
// 968 bytes, then the key is the slice at kKeyOffset. The program unscrambles with these values
// and the packer scrambles backwards through the same steps, so both read them from here.
inline constexpr int32_t kKeyMaterialLength = 968;
inline constexpr int32_t kKeyOffset = 412;
inline constexpr int32_t kKeyLength = 56;
inline constexpr int32_t kMove1Source = 97;
inline constexpr int32_t kMove1Destination = 380;
inline constexpr int32_t kMove1Count = 143;
inline constexpr int32_t kMove2Source = 705;
inline constexpr int32_t kMove2Destination = 433;
inline constexpr int32_t kMove2Count = 61;
inline constexpr int32_t kXorPosition = 911;
inline constexpr int32_t kXorStart = 400;
inline constexpr int32_t kXorCount = 200;

static_assert(kKeyLength > 0 && kKeyOffset >= 0 && kKeyOffset + kKeyLength <= kKeyMaterialLength,
              "the key slice must lie inside the key material");
