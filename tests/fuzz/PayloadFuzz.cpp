// Fuzzes CGuard::Decode. The first byte picks how the rest becomes a container:
//   0: the bytes are the stored container as they are;
//   1: the bytes are a plain container (header and data) chosen by the fuzzer, sealed with the
//      key and a matching stored size so that decoding gets past the first check; a flag byte
//      also fits the packed size into the block and fixes the packed CRC, to reach inflate;
//   2: the bytes are a payload, packed properly: it must decode to exactly those bytes.
// All-zero key material unscrambles to an all-zero key whatever the scrambling parameters, so
// the harness can seal containers without knowing them.
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>

#include "payload/ByteOrder.h"
#include "payload/CGuard.h"
#include "payload/Crc32.h"
#include "payload/KeyParameters.h"
#include "tools/packer/Container.h"

namespace {

enum Mode : uint8_t { kRawContainer, kSealedHeader, kPackedPayload, kModeCount };
enum SealFlags : uint8_t { kFitPackedSize = 1, kFixPackedCrc = 2 };

const Bytes kZeroKey(kKeyLength, 0);

const CGuard& Guard() {
    static const CGuard* guard = [] {
        auto* made = new CGuard;
        const Bytes material(kKeyMaterialLength, 0);
        if (!made->SetKeyMaterial(material.data(), kKeyMaterialLength)) {
            std::abort();
        }
        return made;
    }();
    return *guard;
}

// Decodes from a heap block of exactly the stored bytes, so that any read past them is caught.
std::unique_ptr<unsigned char[]> Decode(ByteView stored, uint32_t& size, uint32_t& items) {
    auto exact = std::make_unique<unsigned char[]>(stored.size());
    std::memcpy(exact.get(), stored.data(), stored.size());
    size = static_cast<uint32_t>(stored.size());
    items = 0;
    std::unique_ptr<unsigned char[]> plain(Guard().Decode(exact.get(), size, &items));
    if (!plain && size != stored.size()) {
        std::abort();  // a failure must leave the size alone
    }
    return plain;
}

void FuzzSealedHeader(ByteView input) {
    if (input.empty()) {
        return;
    }
    const uint8_t flags = input[0];
    Bytes block(input.begin() + 1, input.end());
    block.resize(std::max<size_t>((block.size() + 7) / 8 * 8, kContainerHeaderSize));
    const auto storedSize = static_cast<uint32_t>(block.size());
    StoreLittleEndian32(&block[0], storedSize);
    uint32_t packedSize = LoadLittleEndian32(&block[8]);
    if (flags & kFitPackedSize) {
        packedSize %= storedSize - kContainerHeaderSize + 1;
        StoreLittleEndian32(&block[8], packedSize);
    }
    if ((flags & kFixPackedCrc) && packedSize <= storedSize - kContainerHeaderSize) {
        StoreLittleEndian32(&block[16], Crc32(0, &block[kContainerHeaderSize], packedSize));
    }
    const uint32_t plainSize = LoadLittleEndian32(&block[4]);
    const uint32_t plainCrc = LoadLittleEndian32(&block[12]);
    EncryptContainer(block, kZeroKey);

    uint32_t size = 0;
    uint32_t items = 0;
    auto plain = Decode(block, size, items);
    if (plain && (size != plainSize || Crc32(0, plain.get(), size) != plainCrc)) {
        std::abort();
    }
}

void FuzzPackedPayload(ByteView input) {
    const uint32_t itemCount = static_cast<uint32_t>(input.size()) * 2654435761u;
    Bytes container;
    std::string error;
    if (!PackContainer(input, itemCount, kZeroKey, container, error)) {
        std::abort();
    }
    uint32_t size = 0;
    uint32_t items = 0;
    auto plain = Decode(container, size, items);
    if (!plain || size != input.size() || items != itemCount ||
        (size != 0 && std::memcmp(plain.get(), input.data(), size) != 0)) {
        std::abort();
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size == 0) {
        return 0;
    }
    const ByteView input(data + 1, size - 1);
    switch (data[0] % kModeCount) {
        case kRawContainer: {
            uint32_t plainSize = 0;
            uint32_t items = 0;
            Decode(input, plainSize, items);
            break;
        }
        case kSealedHeader:
            FuzzSealedHeader(input);
            break;
        default:
            FuzzPackedPayload(input);
            break;
    }
    return 0;
}
