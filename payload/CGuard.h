#pragma once

#include <cstdint>

// Holds the unscrambled key material for the run and turns stored payload containers into
// checked plain bytes.
//
// A stored container is Blowfish ECB ciphertext (little-endian halves) of a 24-byte header of
// little-endian words (stored size, plain size, packed size, plain CRC-32, packed CRC-32, item
// count), a raw deflate stream of the packed size, and padding up to the stored size, a multiple
// of 8.
class CGuard {
public:
    CGuard();
    virtual ~CGuard();
    CGuard(const CGuard&) = delete;
    CGuard& operator=(const CGuard&) = delete;

    // Unscrambles the stored key material, which must be exactly 968 bytes. Any earlier material
    // is wiped first, so a refused call leaves the holder empty.
    bool SetKeyMaterial(const unsigned char* source, int32_t length);

    // Decodes the container of `size` stored bytes. On success answers the plain bytes, sets
    // `size` to their number and stores the header's item count in `*itemCount` when it is given.
    // The buffer comes from new[]: the caller owns it and releases it with delete[]. It is the
    // plain size rounded up past the next even number (at least one byte more than the plain
    // bytes); the bytes after the plain bytes are zero.
    // Answers null, leaving `size` and `*itemCount` untouched, when no key material is held or
    // the container is damaged: a stored size of 0, not a multiple of 8, too small for the
    // header or not the one recorded, a packed size past the end, a CRC mismatch, a deflate
    // stream that is malformed, incomplete or not exactly the recorded plain size.
    unsigned char* Decode(const unsigned char* stored, uint32_t& size,
                          uint32_t* itemCount = nullptr) const;

    // Overwrites the key material with zeros and releases it; the holder is empty afterwards.
    void Clear();

private:
    unsigned char* m_keyMaterial = nullptr;
    const int32_t m_keyMaterialLength;
    const int32_t m_keyOffset;
    const int32_t m_keyLength;
    const int32_t m_move1Source;
    const int32_t m_move1Destination;
    const int32_t m_move1Count;
    const int32_t m_move2Source;
    const int32_t m_move2Destination;
    const int32_t m_move2Count;
    const int32_t m_xorPosition;
    const int32_t m_xorStart;
    const int32_t m_xorCount;
};

// The unscrambling steps for any parameters; SetKeyMaterial applies them with its own.
//
// Moves `count` bytes from `source` to `destination` as memmove would, clipped at the end of the
// buffer. Nothing moves unless both indexes lie in [0, length).
void MoveKeyBytes(unsigned char* buffer, int32_t length, int32_t source, int32_t destination,
                  int32_t count);
// XORs the byte at `position`, as it was before the pass, into `count` bytes from `start` on,
// clipped at the end of the buffer. Nothing changes unless `position` and `start` lie in
// [0, length).
void XorKeyBytes(unsigned char* buffer, int32_t length, int32_t position, int32_t start,
                 int32_t count);
