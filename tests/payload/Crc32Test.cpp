#include "payload/Crc32.h"

#include <gtest/gtest.h>
#include <zlib.h>

#include <string>
#include <vector>

TEST(Crc32, MatchesZlibOnVariedInputs) {
    std::vector<unsigned char> data(4099);
    uint32_t seed = 12345;
    for (auto& b : data) {
        seed = seed * 1103515245 + 12345;
        b = static_cast<unsigned char>(seed >> 16);
    }
    for (size_t length : {0u, 1u, 2u, 7u, 8u, 255u, 1024u, 4099u}) {
        for (uint32_t initial : {0u, 1u, 0xFFFFFFFFu, 0x12345678u}) {
            uLong expected = crc32(initial, data.data(), static_cast<uInt>(length));
            EXPECT_EQ(Crc32(initial, data.data(), length), expected)
                << "length " << length << " initial " << initial;
        }
    }
}

TEST(Crc32, KnownValuesAndNull) {
    const std::string check = "123456789";
    EXPECT_EQ(Crc32(0, check.data(), check.size()), 0xCBF43926u);
    EXPECT_EQ(Crc32(0, nullptr, 10), 0u);
    EXPECT_EQ(Crc32(0x1234, nullptr, 0), 0u);
}
