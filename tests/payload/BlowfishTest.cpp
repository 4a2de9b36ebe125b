#include "payload/Blowfish.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

namespace {

// Fixed-point numbers: word 0 is the integer part, the following words the fraction, most
// significant first. Enough to derive pi from Machin's formula without any floating point.
using Fixed = std::vector<uint32_t>;

void DivideInPlace(Fixed& number, uint32_t divisor) {
    uint64_t remainder = 0;
    for (uint32_t& word : number) {
        const uint64_t current = remainder << 32 | word;
        word = static_cast<uint32_t>(current / divisor);
        remainder = current % divisor;
    }
}

void AddInPlace(Fixed& sum, const Fixed& term, bool subtract) {
    int64_t carry = 0;
    for (size_t i = sum.size(); i-- > 0;) {
        int64_t value = static_cast<int64_t>(sum[i]) + carry;
        value += subtract ? -static_cast<int64_t>(term[i]) : static_cast<int64_t>(term[i]);
        sum[i] = static_cast<uint32_t>(value);
        carry = value >> 32;
    }
}

bool IsZero(const Fixed& number) {
    for (uint32_t word : number) {
        if (word != 0) {
            return false;
        }
    }
    return true;
}

// multiplier * arctan(1 / x), by its series sum of (-1)^k / ((2k + 1) x^(2k + 1)).
Fixed ScaledArctanOfInverse(uint32_t multiplier, uint32_t x, size_t words) {
    Fixed power(words, 0);
    power[0] = multiplier;
    DivideInPlace(power, x);
    Fixed sum(words, 0);
    for (uint32_t k = 0; !IsZero(power); ++k) {
        Fixed term = power;
        DivideInPlace(term, 2 * k + 1);
        AddInPlace(sum, term, k % 2 == 1);
        DivideInPlace(power, x * x);
    }
    return sum;
}

// The first `count` 32-bit words of pi's fractional hexadecimal digits.
std::vector<uint32_t> PiFractionWords(size_t count) {
    constexpr size_t kGuardWords = 2;  // absorb the truncation of each series term
    const size_t words = 1 + count + kGuardWords;
    Fixed pi = ScaledArctanOfInverse(16, 5, words);
    AddInPlace(pi, ScaledArctanOfInverse(4, 239, words), true);
    EXPECT_EQ(pi[0], 3u);
    return std::vector<uint32_t>(pi.begin() + 1, pi.begin() + 1 + static_cast<long>(count));
}

std::vector<unsigned char> FromHex(const std::string& hex) {
    std::vector<unsigned char> bytes;
    for (size_t i = 0; i + 1 < hex.size(); i += 2) {
        bytes.push_back(static_cast<unsigned char>(std::stoul(hex.substr(i, 2), nullptr, 16)));
    }
    return bytes;
}

uint32_t Word(const std::string& hex16, size_t half) {
    return static_cast<uint32_t>(std::stoul(hex16.substr(half * 8, 8), nullptr, 16));
}

struct Vector {
    const char* key;
    const char* plain;
    const char* cipher;
};

// Eric Young's published ECB test data for standard Blowfish.
constexpr Vector kEcbVectors[] = {
    {"0000000000000000", "0000000000000000", "4EF997456198DD78"},
    {"FFFFFFFFFFFFFFFF", "FFFFFFFFFFFFFFFF", "51866FD5B85ECB8A"},
    {"3000000000000000", "1000000000000001", "7D856F9A613063F2"},
    {"1111111111111111", "1111111111111111", "2466DD878B963C9D"},
    {"0123456789ABCDEF", "1111111111111111", "61F9C3802281B096"},
    {"1111111111111111", "0123456789ABCDEF", "7D0CC630AFDA1EC7"},
    {"FEDCBA9876543210", "0123456789ABCDEF", "0ACEAB0FC6A0A28D"},
    {"7CA110454A1A6E57", "01A1D6D039776742", "59C68245EB05282B"},
    {"0131D9619DC1376E", "5CD54CA83DEF57DA", "B1B8CC0B250F09A0"},
    {"3849674C2602319E", "51454B582DDF440A", "A25E7856CF2651EB"},
    {"0101010101010101", "0123456789ABCDEF", "FA34EC4847B268B2"},
    {"E0FEE0FEF1FEF1FE", "0123456789ABCDEF", "C39E072D9FAC631D"},
    {"0000000000000000", "FFFFFFFFFFFFFFFF", "014933E0CDAFF6E4"},
    {"FFFFFFFFFFFFFFFF", "0000000000000000", "F21E9A77B71C49BC"},
    {"FEDCBA9876543210", "FFFFFFFFFFFFFFFF", "6B5C5A9C5D9E0A5A"},
};

// The same data's variable-length keys: the first n bytes of one key, n = 1 .. 24, so that the
// cyclic use of short and long keys is covered.
constexpr const char* kSetKeyKey = "F0E1D2C3B4A5968778695A4B3C2D1E0F0011223344556677";
constexpr const char* kSetKeyPlain = "FEDCBA9876543210";
constexpr const char* kSetKeyCiphers[] = {
    "F9AD597C49DB005E", "E91D21C1D961A6D6", "E9C2B70A1BC65CF3", "BE1E639408640F05",
    "B39E44481BDB1E6E", "9457AA83B1928C0D", "8BB77032F960629D", "E87A244E2CC85E82",
    "15750E7A4F4EC577", "122BA70B3AB64AE0", "3A833C9AFFC537F6", "9409DA87A90F6BF2",
    "884F80625060B8B4", "1F85031C19E11968", "79D9373A714CA34F", "93142887EE3BE15C",
    "03429E838CE2D14B", "A4299E27469FF67B", "AFD5AED1C1BC96A8", "10851C0E3858DA9F",
    "E6F51ED79B9DB21F", "64A6E14AFD36B46F", "80C7D7D45A5479AD", "05044B62FA52D080",
};

void ExpectVector(const std::vector<unsigned char>& key, const std::string& plain,
                  const std::string& cipher) {
    Blowfish blowfish;
    ASSERT_TRUE(blowfish.SetKey(key.data(), key.size()));
    uint32_t left = Word(plain, 0);
    uint32_t right = Word(plain, 1);
    blowfish.Encrypt(left, right);
    EXPECT_EQ(left, Word(cipher, 0));
    EXPECT_EQ(right, Word(cipher, 1));
    blowfish.Decrypt(left, right);
    EXPECT_EQ(left, Word(plain, 0));
    EXPECT_EQ(right, Word(plain, 1));
}

}  // namespace

TEST(Blowfish, InitialConstantsAreTheHexDigitsOfPi) {
    const std::vector<uint32_t> pi = PiFractionWords(18 + 4 * 256);
    for (size_t i = 0; i < 18; ++i) {
        EXPECT_EQ(kBlowfishInitialP[i], pi[i]) << "P[" << i << "]";
    }
    for (size_t box = 0; box < 4; ++box) {
        for (size_t i = 0; i < 256; ++i) {
            EXPECT_EQ(kBlowfishInitialS[box][i], pi[18 + 256 * box + i])
                << "S" << box << "[" << i << "]";
        }
    }
}

TEST(Blowfish, PublishedEcbVectors) {
    for (const Vector& vector : kEcbVectors) {
        SCOPED_TRACE(vector.key);
        ExpectVector(FromHex(vector.key), vector.plain, vector.cipher);
    }
}

TEST(Blowfish, PublishedVariableLengthKeyVectors) {
    const std::vector<unsigned char> fullKey = FromHex(kSetKeyKey);
    for (size_t length = 1; length <= fullKey.size(); ++length) {
        SCOPED_TRACE(length);
        const std::vector<unsigned char> key(fullKey.begin(),
                                             fullKey.begin() + static_cast<long>(length));
        ExpectVector(key, kSetKeyPlain, kSetKeyCiphers[length - 1]);
    }
}

TEST(Blowfish, RefusesAnEmptyKeyAndKeepsItsState) {
    const std::vector<unsigned char> key = FromHex("FEDCBA9876543210");
    Blowfish keyed;
    ASSERT_TRUE(keyed.SetKey(key.data(), key.size()));
    EXPECT_FALSE(keyed.SetKey(key.data(), 0));
    EXPECT_FALSE(keyed.SetKey(nullptr, 8));
    uint32_t left = Word("0123456789ABCDEF", 0);
    uint32_t right = Word("0123456789ABCDEF", 1);
    keyed.Encrypt(left, right);
    EXPECT_EQ(left, 0x0ACEAB0Fu);
    EXPECT_EQ(right, 0xC6A0A28Du);
}

// Containers read each half as a little-endian word: the published block 01 23 45 67 89 AB CD EF
// (halves 0x01234567, 0x89ABCDEF) is stored as 67 45 23 01 EF CD AB 89.
TEST(Blowfish, LittleEndianBlocksReadEachHalfLowByteFirst) {
    const std::vector<unsigned char> key = FromHex("FEDCBA9876543210");
    Blowfish blowfish;
    ASSERT_TRUE(blowfish.SetKey(key.data(), key.size()));
    const std::vector<unsigned char> plain = FromHex(
        "67452301EFCDAB89"
        "67452301EFCDAB89");
    const std::vector<unsigned char> cipher = FromHex(
        "0FABCE0A8DA2A0C6"
        "0FABCE0A8DA2A0C6");

    std::vector<unsigned char> buffer(plain.size());
    blowfish.EncryptLittleEndian(plain.data(), buffer.data(), 2);
    EXPECT_EQ(buffer, cipher);
    blowfish.DecryptLittleEndian(buffer.data(), buffer.data(), 2);
    EXPECT_EQ(buffer, plain);
}
