#include "payload/Blowfish.h"

#include <cstring>

#include "payload/ByteOrder.h"

Blowfish::Blowfish() {
    std::memcpy(m_p, kBlowfishInitialP, sizeof m_p);
    std::memcpy(m_s, kBlowfishInitialS, sizeof m_s);
}

bool Blowfish::SetKey(const unsigned char* key, size_t length) {
    if (key == nullptr || length == 0) {
        return false;
    }
    std::memcpy(m_p, kBlowfishInitialP, sizeof m_p);
    std::memcpy(m_s, kBlowfishInitialS, sizeof m_s);

    size_t next = 0;
    for (uint32_t& word : m_p) {
        uint32_t keyWord = 0;
        for (int i = 0; i < 4; ++i) {
            keyWord = keyWord << 8 | key[next];
            next = next + 1 == length ? 0 : next + 1;
        }
        word ^= keyWord;
    }

    // Each encryption continues from the previous block, so the order of the stores matters.
    uint32_t left = 0;
    uint32_t right = 0;
    for (size_t i = 0; i < 18; i += 2) {
        Encrypt(left, right);
        m_p[i] = left;
        m_p[i + 1] = right;
    }
    for (auto& box : m_s) {
        for (size_t i = 0; i < 256; i += 2) {
            Encrypt(left, right);
            box[i] = left;
            box[i + 1] = right;
        }
    }
    return true;
}

uint32_t Blowfish::F(uint32_t half) const {
    return ((m_s[0][half >> 24] + m_s[1][(half >> 16) & 0xFF]) ^ m_s[2][(half >> 8) & 0xFF]) +
           m_s[3][half & 0xFF];
}

// Two rounds per step keep the halves in place instead of swapping them after every round.
void Blowfish::Encrypt(uint32_t& left, uint32_t& right) const {
    uint32_t l = left;
    uint32_t r = right;
    for (size_t i = 0; i < 16; i += 2) {
        l ^= m_p[i];
        r ^= F(l);
        r ^= m_p[i + 1];
        l ^= F(r);
    }
    l ^= m_p[16];
    r ^= m_p[17];
    left = r;
    right = l;
}

void Blowfish::Decrypt(uint32_t& left, uint32_t& right) const {
    uint32_t l = left;
    uint32_t r = right;
    for (size_t i = 17; i > 1; i -= 2) {
        l ^= m_p[i];
        r ^= F(l);
        r ^= m_p[i - 1];
        l ^= F(r);
    }
    l ^= m_p[1];
    r ^= m_p[0];
    left = r;
    right = l;
}

void Blowfish::EncryptLittleEndian(const unsigned char* in, unsigned char* out,
                                   size_t blocks) const {
    ApplyLittleEndian(&Blowfish::Encrypt, in, out, blocks);
}

void Blowfish::DecryptLittleEndian(const unsigned char* in, unsigned char* out,
                                   size_t blocks) const {
    ApplyLittleEndian(&Blowfish::Decrypt, in, out, blocks);
}

void Blowfish::ApplyLittleEndian(BlockOperation operation, const unsigned char* in,
                                 unsigned char* out, size_t blocks) const {
    for (size_t b = 0; b < blocks; ++b, in += kBlockSize, out += kBlockSize) {
        uint32_t left = LoadLittleEndian32(in);
        uint32_t right = LoadLittleEndian32(in + 4);
        (this->*operation)(left, right);
        StoreLittleEndian32(out, left);
        StoreLittleEndian32(out + 4, right);
    }
}
