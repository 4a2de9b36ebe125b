#pragma once

#include <cstddef>
#include <cstdint>

// The standard initial state, the fractional hexadecimal digits of pi: the P-array takes the
// first 18 words, the S-boxes the next 1024.
extern const uint32_t kBlowfishInitialP[18];
extern const uint32_t kBlowfishInitialS[4][256];

// Standard 16-round Blowfish for one key. The context is 4168 bytes and meant to live only as
// long as the work it does.
class Blowfish {
public:
    static constexpr size_t kBlockSize = 8;

    // Starts from the initial state, which is what every key schedule begins with.
    Blowfish();

    // Runs the key schedule over `length` key bytes taken cyclically (bytes past the 72nd never
    // reach a P word). A null or empty key is refused and leaves the context as it was.
    bool SetKey(const unsigned char* key, size_t length);

    void Encrypt(uint32_t& left, uint32_t& right) const;
    void Decrypt(uint32_t& left, uint32_t& right) const;

    // ECB over whole blocks, each block read as two little-endian words (the lower address is
    // the left half) and written back the same way; this is the payload containers' order, not
    // the usual big-endian reading. `in` and `out` may be the same buffer.
    void EncryptLittleEndian(const unsigned char* in, unsigned char* out, size_t blocks) const;
    void DecryptLittleEndian(const unsigned char* in, unsigned char* out, size_t blocks) const;

private:
    using BlockOperation = void (Blowfish::*)(uint32_t&, uint32_t&) const;

    uint32_t F(uint32_t half) const;
    void ApplyLittleEndian(BlockOperation operation, const unsigned char* in, unsigned char* out,
                           size_t blocks) const;

    uint32_t m_p[18];
    uint32_t m_s[4][256];
};
