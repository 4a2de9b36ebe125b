#include "payload/CGuard.h"

#include <zlib.h>

#include <algorithm>
#include <cstddef>
#include <cstring>
#include <limits>
#include <memory>

#include "payload/Blowfish.h"
#include "payload/ByteOrder.h"
#include "payload/Crc32.h"
#include "payload/KeyParameters.h"

namespace {

constexpr uint32_t kHeaderSize = 24;
constexpr uint32_t kStoredSizeField = 0;
constexpr uint32_t kPlainSizeField = 4;
constexpr uint32_t kPackedSizeField = 8;
constexpr uint32_t kPlainCrcField = 12;
constexpr uint32_t kPackedCrcField = 16;
constexpr uint32_t kItemCountField = 20;

// Deflate cannot expand better than 258 bytes per two bits (a length and a distance code of one
// bit each), so a plain size above this many bytes per packed byte is a damaged header, refused
// before it can ask for a huge output buffer.
constexpr uint64_t kMaxInflateRatio = 1032;

bool InRange(int32_t index, int32_t length) {
    return index >= 0 && index < length;
}

// A plain memset before delete[] is a dead store the optimiser may drop.
void WipeBytes(unsigned char* bytes, size_t length) {
    volatile unsigned char* target = bytes;
    for (size_t i = 0; i < length; ++i) {
        target[i] = 0;
    }
}

// The output buffer has room past the plain bytes; a size beyond what the platform can allocate
// is asked for as the largest size, so that it fails as every exhausted allocation does.
unsigned char* AllocateOutput(uint32_t plainSize) {
    const uint64_t wanted = (static_cast<uint64_t>(plainSize) / 2 + 1) * 2;
    const size_t bytes = wanted > std::numeric_limits<size_t>::max()
                             ? std::numeric_limits<size_t>::max()
                             : static_cast<size_t>(wanted);
    auto* output = new unsigned char[bytes];
    std::memset(output + plainSize, 0, bytes - plainSize);
    return output;
}

// Inflates exactly `plainSize` bytes from a raw deflate stream that must end within `packed`.
bool InflateExactly(const unsigned char* packed, uint32_t packedSize, unsigned char* output,
                    uint32_t plainSize) {
    z_stream stream{};
    if (inflateInit2(&stream, -MAX_WBITS) != Z_OK) {
        return false;
    }
    stream.next_in = const_cast<Bytef*>(packed);
    stream.avail_in = packedSize;
    stream.next_out = output;
    stream.avail_out = plainSize;
    const int result = inflate(&stream, Z_FINISH);
    const bool complete = result == Z_STREAM_END && stream.total_out == plainSize;
    inflateEnd(&stream);
    return complete;
}

}  // namespace

void MoveKeyBytes(unsigned char* buffer, int32_t length, int32_t source, int32_t destination,
                  int32_t count) {
    if (!InRange(source, length) || !InRange(destination, length) || count <= 0) {
        return;
    }
    const int32_t room = length - std::max(source, destination);
    std::memmove(buffer + destination, buffer + source, static_cast<size_t>(std::min(count, room)));
}

void XorKeyBytes(unsigned char* buffer, int32_t length, int32_t position, int32_t start,
                 int32_t count) {
    if (!InRange(position, length) || !InRange(start, length) || count <= 0) {
        return;
    }
    const unsigned char applied = buffer[position];
    const int32_t end = start + std::min(count, length - start);
    for (int32_t i = start; i < end; ++i) {
        buffer[i] ^= applied;
    }
}

CGuard::CGuard()
    : m_keyMaterialLength(kKeyMaterialLength),
      m_keyOffset(kKeyOffset),
      m_keyLength(kKeyLength),
      m_move1Source(kMove1Source),
      m_move1Destination(kMove1Destination),
      m_move1Count(kMove1Count),
      m_move2Source(kMove2Source),
      m_move2Destination(kMove2Destination),
      m_move2Count(kMove2Count),
      m_xorPosition(kXorPosition),
      m_xorStart(kXorStart),
      m_xorCount(kXorCount) {}

CGuard::~CGuard() {
    Clear();
}

bool CGuard::SetKeyMaterial(const unsigned char* source, int32_t length) {
    Clear();
    if (source == nullptr || length == 0 || length != m_keyMaterialLength) {
        return false;
    }
    m_keyMaterial = new unsigned char[static_cast<size_t>(length)];
    std::memcpy(m_keyMaterial, source, static_cast<size_t>(length));
    MoveKeyBytes(m_keyMaterial, length, m_move1Source, m_move1Destination, m_move1Count);
    MoveKeyBytes(m_keyMaterial, length, m_move2Source, m_move2Destination, m_move2Count);
    XorKeyBytes(m_keyMaterial, length, m_xorPosition, m_xorStart, m_xorCount);
    return true;
}

void CGuard::Clear() {
    if (m_keyMaterial != nullptr) {
        WipeBytes(m_keyMaterial, static_cast<size_t>(m_keyMaterialLength));
        delete[] m_keyMaterial;
        m_keyMaterial = nullptr;
    }
}

unsigned char* CGuard::Decode(const unsigned char* stored, uint32_t& size,
                              uint32_t* itemCount) const {
    if (m_keyMaterial == nullptr || stored == nullptr) {
        return nullptr;
    }
    // Only whole blocks that hold at least the header are ever stored; anything else would make
    // the decryption or the header reads run past the stored bytes.
    const uint32_t storedSize = size;
    if (storedSize == 0 || storedSize % Blowfish::kBlockSize != 0 || storedSize < kHeaderSize) {
        return nullptr;
    }

    auto cipher = std::make_unique<Blowfish>();
    cipher->SetKey(m_keyMaterial + m_keyOffset, static_cast<size_t>(m_keyLength));
    auto working = std::make_unique_for_overwrite<unsigned char[]>(storedSize);
    cipher->DecryptLittleEndian(stored, working.get(), storedSize / Blowfish::kBlockSize);
    cipher.reset();

    const unsigned char* header = working.get();
    if (LoadLittleEndian32(header + kStoredSizeField) != storedSize) {
        return nullptr;
    }
    const uint32_t packedSize = LoadLittleEndian32(header + kPackedSizeField);
    if (packedSize > storedSize - kHeaderSize) {
        return nullptr;
    }
    const unsigned char* packed = header + kHeaderSize;
    if (Crc32(0, packed, packedSize) != LoadLittleEndian32(header + kPackedCrcField)) {
        return nullptr;
    }
    const uint32_t plainSize = LoadLittleEndian32(header + kPlainSizeField);
    if (plainSize > kMaxInflateRatio * packedSize) {
        return nullptr;
    }

    std::unique_ptr<unsigned char[]> output(AllocateOutput(plainSize));
    if (!InflateExactly(packed, packedSize, output.get(), plainSize) ||
        Crc32(0, output.get(), plainSize) != LoadLittleEndian32(header + kPlainCrcField)) {
        return nullptr;
    }
    if (itemCount != nullptr) {
        *itemCount = LoadLittleEndian32(header + kItemCountField);
    }
    size = plainSize;
    return output.release();
}
