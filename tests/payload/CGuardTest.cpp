#include "payload/CGuard.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "payload/Blowfish.h"
#include "payload/ByteOrder.h"
#include "payload/Crc32.h"
#include "payload/KeyParameters.h"
#include "tools/packer/Container.h"
#include "tools/packer/KeyMaterial.h"

namespace {

constexpr uint32_t kUntouchedItems = 0xA5A5A5A5;

Bytes Sequence(size_t length) {
    Bytes bytes(length);
    for (size_t i = 0; i < length; ++i) {
        bytes[i] = static_cast<unsigned char>(i);
    }
    return bytes;
}

// Text-like runs mixed with noise, so that deflate uses literals, matches and several blocks.
Bytes MixedData(size_t length) {
    Bytes bytes(length);
    uint32_t seed = 2024;
    for (size_t i = 0; i < length; ++i) {
        seed = seed * 1103515245 + 12345;
        bytes[i] = (i / 512) % 3 == 0 ? static_cast<unsigned char>(seed >> 16)
                                      : static_cast<unsigned char>("payload "[i % 8]);
    }
    return bytes;
}

// The usual reading of Blowfish blocks as big-endian words, which containers must not use.
void EncryptBigEndian(Bytes& block, ByteView key) {
    Blowfish cipher;
    cipher.SetKey(key.data(), key.size());
    for (size_t i = 0; i + 8 <= block.size(); i += 8) {
        auto load = [&](size_t at) {
            return static_cast<uint32_t>(block[at]) << 24 |
                   static_cast<uint32_t>(block[at + 1]) << 16 |
                   static_cast<uint32_t>(block[at + 2]) << 8 | block[at + 3];
        };
        uint32_t left = load(i);
        uint32_t right = load(i + 4);
        cipher.Encrypt(left, right);
        for (int b = 0; b < 4; ++b) {
            block[i + static_cast<size_t>(b)] = static_cast<unsigned char>(left >> (24 - 8 * b));
            block[i + 4 + static_cast<size_t>(b)] =
                static_cast<unsigned char>(right >> (24 - 8 * b));
        }
    }
}

class Decoding : public ::testing::Test {
protected:
    void SetUp() override {
        key = Sequence(kKeyLength);
        for (auto& byte : key) {
            byte = static_cast<unsigned char>(byte * 37 + 11);
        }
        std::string error;
        ASSERT_TRUE(MakeKeyMaterial(key, 0x1234, material, error)) << error;
        ASSERT_TRUE(guard.SetKeyMaterial(material.data(), kKeyMaterialLength));
    }

    Bytes Pack(const Bytes& plain, uint32_t items = 0) {
        Bytes container;
        std::string error;
        EXPECT_TRUE(PackContainer(plain, items, key, container, error)) << error;
        return container;
    }

    // A container whose header is `edit`ed after being made right for `plain`.
    Bytes PackWithHeader(const Bytes& plain, const std::function<void(ContainerHeader&)>& edit,
                         size_t extraPadding = 0) {
        Bytes packed;
        std::string error;
        EXPECT_TRUE(DeflateRaw(plain, packed, error)) << error;
        ContainerHeader header = HeaderFor(plain, packed, 0);
        header.storedSize += static_cast<uint32_t>(extraPadding);
        const size_t blockSize = header.storedSize;
        edit(header);
        Bytes container = LayOutContainer(header, packed, blockSize);
        EncryptContainer(container, key);
        return container;
    }

    // Decodes from a heap block of exactly the container's bytes, so that the sanitizers see
    // any read past it. `size` goes in as the stored size.
    std::unique_ptr<unsigned char[]> Decode(const Bytes& container, uint32_t& size,
                                            uint32_t& items) {
        auto exact = std::make_unique<unsigned char[]>(container.size());
        std::copy(container.begin(), container.end(), exact.get());
        return std::unique_ptr<unsigned char[]>(guard.Decode(exact.get(), size, &items));
    }

    Bytes key;
    Bytes material;
    CGuard guard;
};

}  // namespace

TEST(KeyMaterial, RefusedLengthsAndSourcesLeaveTheHolderEmpty) {
    const Bytes block(kKeyMaterialLength + 1, 0);
    Bytes anyContainer;
    std::string error;
    ASSERT_TRUE(PackContainer(Sequence(10), 0, Bytes(kKeyLength, 0), anyContainer, error));
    struct Case {
        const unsigned char* source;
        int32_t length;
    };
    for (const Case& refused :
         {Case{nullptr, kKeyMaterialLength}, Case{block.data(), 0},
          Case{block.data(), kKeyMaterialLength - 1}, Case{block.data(), kKeyMaterialLength + 1},
          Case{block.data(), -kKeyMaterialLength}}) {
        SCOPED_TRACE(refused.length);
        CGuard guard;
        // All-zero material unscrambles to an all-zero key, which made the container.
        ASSERT_TRUE(guard.SetKeyMaterial(block.data(), kKeyMaterialLength));
        EXPECT_FALSE(guard.SetKeyMaterial(refused.source, refused.length));
        uint32_t size = static_cast<uint32_t>(anyContainer.size());
        EXPECT_EQ(guard.Decode(anyContainer.data(), size), nullptr);
        EXPECT_EQ(size, anyContainer.size());
    }
}

TEST(KeyMaterial, BlockMovesFollowMemmoveAndClipAtTheEnd) {
    struct Case {
        const char* what;
        int32_t source;
        int32_t destination;
        int32_t count;
        std::vector<int> expected;  // the 16-byte buffer 0..15 afterwards
    };
    const std::vector<int> unchanged{0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15};
    const Case cases[] = {
        {"down, overlapping", 4, 2, 4, {0, 1, 4, 5, 6, 7, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15}},
        {"up, overlapping", 2, 4, 4, {0, 1, 2, 3, 2, 3, 4, 5, 8, 9, 10, 11, 12, 13, 14, 15}},
        {"down, cut at the source's end",
         12,
         3,
         100,
         {0, 1, 2, 12, 13, 14, 15, 7, 8, 9, 10, 11, 12, 13, 14, 15}},
        {"up, cut at the destination's end",
         1,
         13,
         100,
         {0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 1, 2, 3}},
        {"same place", 5, 5, 4, unchanged},
        {"negative source", -1, 3, 4, unchanged},
        {"negative destination", 3, -1, 4, unchanged},
        {"source at the end", 16, 3, 4, unchanged},
        {"destination at the end", 3, 16, 4, unchanged},
        {"zero count", 3, 5, 0, unchanged},
        {"negative count", 3, 5, -4, unchanged},
    };
    for (const Case& move : cases) {
        SCOPED_TRACE(move.what);
        Bytes buffer = Sequence(16);
        MoveKeyBytes(buffer.data(), 16, move.source, move.destination, move.count);
        EXPECT_EQ(std::vector<int>(buffer.begin(), buffer.end()), move.expected);
    }
}

TEST(KeyMaterial, XorPassAppliesTheByteAsItWasBeforeThePass) {
    struct Case {
        const char* what;
        int32_t position;
        int32_t start;
        int32_t count;
        std::vector<int> expected;  // the 8-byte buffer 0x10..0x17 afterwards
    };
    const std::vector<int> unchanged{0x10, 0x11, 0x12, 0x13, 0x14, 0x15, 0x16, 0x17};
    const Case cases[] = {
        {"position outside", 7, 1, 3, {0x10, 0x06, 0x05, 0x04, 0x14, 0x15, 0x16, 0x17}},
        {"position inside", 2, 1, 3, {0x10, 0x03, 0x00, 0x01, 0x14, 0x15, 0x16, 0x17}},
        {"count cut at the end", 0, 5, 100, {0x10, 0x11, 0x12, 0x13, 0x14, 0x05, 0x06, 0x07}},
        {"negative position", -1, 1, 3, unchanged},
        {"position at the end", 8, 1, 3, unchanged},
        {"negative start", 7, -1, 3, unchanged},
        {"start at the end", 7, 8, 3, unchanged},
        {"negative count", 7, 1, -3, unchanged},
    };
    for (const Case& pass : cases) {
        SCOPED_TRACE(pass.what);
        Bytes buffer{0x10, 0x11, 0x12, 0x13, 0x14, 0x15, 0x16, 0x17};
        XorKeyBytes(buffer.data(), 8, pass.position, pass.start, pass.count);
        EXPECT_EQ(std::vector<int>(buffer.begin(), buffer.end()), pass.expected);
    }
}

TEST_F(Decoding, RoundTripsPayloadsOfEverySize) {
    struct Case {
        const char* what;
        Bytes plain;
        uint32_t items;
    };
    const Case cases[] = {
        {"empty", {}, 0},
        {"one byte", {0x42}, 1},
        {"odd length", Sequence(7), 123},
        {"even length", Sequence(4100), 0xFFFFFFFF},
        {"mixed, several deflate blocks", MixedData(300000), 77},
    };
    for (const Case& payload : cases) {
        SCOPED_TRACE(payload.what);
        const Bytes container = Pack(payload.plain, payload.items);
        uint32_t size = static_cast<uint32_t>(container.size());
        uint32_t items = 0;
        auto plain = Decode(container, size, items);
        ASSERT_NE(plain, nullptr);
        EXPECT_EQ(size, payload.plain.size());
        EXPECT_EQ(items, payload.items);
        EXPECT_TRUE(std::equal(payload.plain.begin(), payload.plain.end(), plain.get()));
        // The buffer runs past the plain bytes to the next even size beyond them, zeroed.
        EXPECT_EQ(plain[size], 0);
        if (size % 2 == 0) {
            EXPECT_EQ(plain[size + 1], 0);
        }
    }
}

TEST_F(Decoding, ItemCountDestinationIsOptional) {
    const Bytes container = Pack(Sequence(50), 9);
    uint32_t size = static_cast<uint32_t>(container.size());
    std::unique_ptr<unsigned char[]> plain(guard.Decode(container.data(), size));
    ASSERT_NE(plain, nullptr);
    EXPECT_EQ(size, 50u);
}

TEST_F(Decoding, APaddingOnlyBlockIsNotChecked) {
    const Bytes plain = MixedData(1000);
    Bytes container = PackWithHeader(
        plain, [](ContainerHeader&) {}, 16);
    container[container.size() - 3] ^= 0x40;
    uint32_t size = static_cast<uint32_t>(container.size());
    uint32_t items = 0;
    auto decoded = Decode(container, size, items);
    ASSERT_NE(decoded, nullptr);
    EXPECT_TRUE(std::equal(plain.begin(), plain.end(), decoded.get()));
}

TEST_F(Decoding, DamagedContainersFailAndLeaveSizeAndItemsAlone) {
    const Bytes plain = MixedData(5000);
    Bytes packed;
    std::string error;
    ASSERT_TRUE(DeflateRaw(plain, packed, error)) << error;
    const Bytes good = Pack(plain);

    auto flipped = [&](size_t offset) {
        Bytes container = good;
        container[offset] ^= 0x01;
        return container;
    };
    auto withHeader = [&](const std::function<void(ContainerHeader&)>& edit) {
        return PackWithHeader(plain, edit);
    };
    auto encrypted = [&](const ContainerHeader& header, ByteView data, size_t blockSize) {
        Bytes container = LayOutContainer(header, data, blockSize);
        EncryptContainer(container, key);
        return container;
    };
    Bytes bigEndian = LayOutContainer(HeaderFor(plain, packed, 0), packed, good.size());
    EncryptBigEndian(bigEndian, key);
    Bytes garbage(40);
    for (size_t i = 0; i < garbage.size(); ++i) {
        garbage[i] = static_cast<unsigned char>(i * 97 + 5);
    }
    const ContainerHeader garbageHeader{64, 100, 40, 0, Crc32(0, garbage.data(), 40), 0};

    struct Case {
        const char* what;
        Bytes container;
        std::optional<uint32_t> claimedSize;  // the container's own size unless given
    };
    const Case cases[] = {
        {"ciphertext flipped in the header's first block", flipped(3), {}},
        {"ciphertext flipped in the header's second block", flipped(9), {}},
        {"ciphertext flipped in a data block", flipped(100), {}},
        {"plain size one more than the stream gives",
         withHeader([](auto& h) { ++h.plainSize; }),
         {}},
        {"plain size one less than the stream gives",
         withHeader([](auto& h) { --h.plainSize; }),
         {}},
        {"wrong plain CRC, right packed CRC", withHeader([](auto& h) { h.plainCrc ^= 1; }), {}},
        {"wrong packed CRC", withHeader([](auto& h) { h.packedCrc ^= 1; }), {}},
        {"stored size field differs", withHeader([](auto& h) { h.storedSize += 8; }), {}},
        {"packed size one past the block",
         withHeader([](auto& h) { h.packedSize = h.storedSize - 24 + 1; }),
         {}},
        {"packed size at the 32-bit limit",
         withHeader([](auto& h) { h.packedSize = 0xFFFFFFFF; }),
         {}},
        {"plain size beyond what the packed bytes can inflate to",
         withHeader([](auto& h) { h.plainSize = 0xFFFFFFFF; }),
         {}},
        {"malformed deflate stream with a matching packed CRC",
         encrypted(garbageHeader, garbage, 64),
         {}},
        {"encrypted with big-endian halves", bigEndian, {}},
        {"stored size 0", good, 0},
        {"stored size not a multiple of 8", Bytes(good.begin(), good.end() - 1), {}},
        {"stored size too small for the header", encrypted({16, 0, 0, 0, 0, 0}, {}, 16), {}},
    };
    for (const Case& damaged : cases) {
        SCOPED_TRACE(damaged.what);
        const uint32_t claimed =
            damaged.claimedSize.value_or(static_cast<uint32_t>(damaged.container.size()));
        uint32_t size = claimed;
        uint32_t items = kUntouchedItems;
        EXPECT_EQ(Decode(damaged.container, size, items), nullptr);
        EXPECT_EQ(size, claimed);
        EXPECT_EQ(items, kUntouchedItems);
    }
}

TEST_F(Decoding, NothingDecodesWithoutKeyMaterial) {
    const Bytes container = Pack(Sequence(100));
    CGuard empty;
    uint32_t size = static_cast<uint32_t>(container.size());
    uint32_t items = kUntouchedItems;
    EXPECT_EQ(empty.Decode(container.data(), size, &items), nullptr);
    EXPECT_EQ(size, container.size());
    EXPECT_EQ(items, kUntouchedItems);

    guard.Clear();
    EXPECT_EQ(guard.Decode(container.data(), size, &items), nullptr);
    EXPECT_EQ(size, container.size());
}

TEST_F(Decoding, NullStoredBytesFail) {
    uint32_t size = 64;
    EXPECT_EQ(guard.Decode(nullptr, size), nullptr);
    EXPECT_EQ(size, 64u);
}
