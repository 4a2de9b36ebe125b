#include "tools/packer/Container.h"
#include "tools/packer/Text.h"

#include <zlib.h>

#include <algorithm>

#include "payload/Blowfish.h"
#include "payload/ByteOrder.h"
#include "payload/Crc32.h"

namespace {

// zlib's largest memory level: a little better compression at build time costs nothing later.
constexpr int kDeflateMemoryLevel = 9;

uint32_t PaddedSize(size_t packedSize) {
    const size_t block = Blowfish::kBlockSize;
    return static_cast<uint32_t>((kContainerHeaderSize + packedSize + block - 1) / block * block);
}

}  // namespace

bool DeflateRaw(ByteView plain, Bytes& packed, std::string& error) {
    if (plain.size() > kMaxContainerSize) {
        error = Concat("payload of ", plain.size(), " bytes is larger than a container");
        return false;
    }
    z_stream stream{};
    if (deflateInit2(&stream, Z_BEST_COMPRESSION, Z_DEFLATED, -MAX_WBITS, kDeflateMemoryLevel,
                     Z_DEFAULT_STRATEGY) != Z_OK) {
        error = "zlib cannot start a deflate stream";
        return false;
    }
    const auto plainSize = static_cast<uLong>(plain.size());
    packed.resize(deflateBound(&stream, plainSize));
    stream.next_in = const_cast<Bytef*>(plain.data());
    stream.avail_in = static_cast<uInt>(plainSize);
    stream.next_out = packed.data();
    stream.avail_out = static_cast<uInt>(packed.size());
    const int result = deflate(&stream, Z_FINISH);
    packed.resize(stream.total_out);
    deflateEnd(&stream);
    if (result != Z_STREAM_END) {
        error = "zlib could not deflate the payload";
        return false;
    }
    return true;
}

ContainerHeader HeaderFor(ByteView plain, ByteView packed, uint32_t itemCount) {
    return ContainerHeader{
        .storedSize = PaddedSize(packed.size()),
        .plainSize = static_cast<uint32_t>(plain.size()),
        .packedSize = static_cast<uint32_t>(packed.size()),
        .plainCrc = Crc32(0, plain.data(), plain.size()),
        .packedCrc = Crc32(0, packed.data(), packed.size()),
        .itemCount = itemCount,
    };
}

Bytes LayOutContainer(const ContainerHeader& header, ByteView packed, size_t blockSize) {
    Bytes block(std::max<size_t>(blockSize, kContainerHeaderSize + packed.size()));
    const uint32_t fields[] = {header.storedSize, header.plainSize, header.packedSize,
                               header.plainCrc,   header.packedCrc, header.itemCount};
    unsigned char* out = block.data();
    for (uint32_t field : fields) {
        StoreLittleEndian32(out, field);
        out += 4;
    }
    std::copy(packed.begin(), packed.end(), out);
    block.resize(blockSize);
    return block;
}

void EncryptContainer(Bytes& block, ByteView key) {
    Blowfish cipher;
    cipher.SetKey(key.data(), key.size());
    cipher.EncryptLittleEndian(block.data(), block.data(), block.size() / Blowfish::kBlockSize);
}

bool PackContainer(ByteView plain, uint32_t itemCount, ByteView key, Bytes& container,
                   std::string& error) {
    if (key.empty()) {
        error = "no key to encrypt the payload with";
        return false;
    }
    Bytes packed;
    if (!DeflateRaw(plain, packed, error)) {
        return false;
    }
    if (packed.size() > kMaxContainerSize - kContainerHeaderSize) {
        error = Concat("payload of ", plain.size(), " bytes deflates past the largest container");
        return false;
    }
    const ContainerHeader header = HeaderFor(plain, packed, itemCount);
    container = LayOutContainer(header, packed, header.storedSize);
    EncryptContainer(container, key);
    return true;
}
