#pragma once

#include <cstdint>
#include <string>

#include "tools/packer/Bytes.h"

// The plain header of a payload container, as CGuard::Decode reads it after decryption.
struct ContainerHeader {
    uint32_t storedSize;
    uint32_t plainSize;
    uint32_t packedSize;
    uint32_t plainCrc;
    uint32_t packedCrc;
    uint32_t itemCount;
};

inline constexpr uint32_t kContainerHeaderSize = 24;

// Stored and plain sizes stay below 2^31 so that every size the program handles fits a signed
// 32-bit number as well as the header's unsigned words.
inline constexpr uint32_t kMaxContainerSize = 0x7FFFFFF8;

// Raw deflate (no zlib header or trailer) at the best compression.
bool DeflateRaw(ByteView plain, Bytes& packed, std::string& error);

// The header that describes `plain` packed as `packed`, padded to a whole number of blocks.
ContainerHeader HeaderFor(ByteView plain, ByteView packed, uint32_t itemCount);

// Header, packed bytes and zero padding in a block of `blockSize` bytes, unencrypted. The
// header need not agree with the block, so that damaged containers can be made on purpose.
Bytes LayOutContainer(const ContainerHeader& header, ByteView packed, size_t blockSize);

// Encrypts the whole blocks of `block` in place with `key`, in the containers' word order.
void EncryptContainer(Bytes& block, ByteView key);

// Everything decoding undoes: deflate, both CRCs, header, padding, encryption. Fails when the
// payload cannot make a valid container.
bool PackContainer(ByteView plain, uint32_t itemCount, ByteView key, Bytes& container,
                   std::string& error);
