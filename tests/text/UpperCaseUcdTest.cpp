// Checks MakeUpper against the Unicode Character Database for every UTF-16 unit. The database
// files are passed as arguments: UnicodeData.txt and DerivedAge.txt.

#include <cstdio>
#include <fstream>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "text/GString.h"

namespace {

std::string g_unicodeData;
std::string g_derivedAge;

// Units assigned in Unicode 5.2 or earlier.
std::vector<bool> ReadAssignedBy52(const std::string& path) {
    std::vector<bool> assigned(0x10000, false);
    std::ifstream in(path);
    std::string line;
    while (std::getline(in, line)) {
        line = line.substr(0, line.find('#'));
        const auto semicolon = line.find(';');
        if (semicolon == std::string::npos) {
            continue;
        }
        unsigned first = 0;
        unsigned last = 0;
        const std::string codes = line.substr(0, semicolon);
        if (std::sscanf(codes.c_str(), "%x..%x", &first, &last) < 2) {
            last = first;
        }
        int major = 0;
        int minor = 0;
        std::sscanf(line.c_str() + semicolon + 1, "%d.%d", &major, &minor);
        if (major > 5 || (major == 5 && minor > 2)) {
            continue;
        }
        for (unsigned u = first; u <= last && u <= 0xFFFF; ++u) {
            assigned[u] = true;
        }
    }
    return assigned;
}

std::vector<char16_t> ExpectedUpper() {
    const std::vector<bool> assigned = ReadAssignedBy52(g_derivedAge);
    const std::set<unsigned> unchanged = {0x00B5, 0x03D0, 0x03D5, 0x03D6, 0x03F0, 0x03F1};
    std::vector<char16_t> upper(0x10000);
    for (unsigned u = 0; u < 0x10000; ++u) {
        upper[u] = static_cast<char16_t>(u);
    }
    std::ifstream in(g_unicodeData);
    std::string line;
    while (std::getline(in, line)) {
        std::vector<std::string> fields;
        std::stringstream parts(line);
        std::string field;
        while (std::getline(parts, field, ';')) {
            fields.push_back(field);
        }
        if (fields.size() < 13 || fields[12].empty()) {
            continue;
        }
        const unsigned code = std::stoul(fields[0], nullptr, 16);
        const unsigned mapped = std::stoul(fields[12], nullptr, 16);
        if (code <= 0xFFFF && mapped <= 0xFFFF && assigned[code] && assigned[mapped] &&
            unchanged.count(code) == 0) {
            upper[code] = static_cast<char16_t>(mapped);
        }
    }
    return upper;
}

TEST(UpperCaseUcdTest, EveryUnitMapsAsUnicode52SimpleUppercase) {
    ASSERT_TRUE(std::ifstream(g_unicodeData).good()) << g_unicodeData;
    ASSERT_TRUE(std::ifstream(g_derivedAge).good()) << g_derivedAge;
    const std::vector<char16_t> expected = ExpectedUpper();

    std::u16string all(0x10000, u'\0');
    for (unsigned u = 0; u < 0x10000; ++u) {
        all[u] = static_cast<char16_t>(u);
    }
    GString s;
    ASSERT_TRUE(s.AssignWide(all.data(), 0x10000));
    ASSERT_TRUE(s.MakeUpper());
    ASSERT_EQ(s.GetLength(), 0x10000);
    const char16_t* mapped = s.GetWideText();
    int mappedCount = 0;
    for (unsigned u = 0; u < 0x10000; ++u) {
        EXPECT_EQ(mapped[u], expected[u]) << std::hex << "U+" << u;
        mappedCount += mapped[u] != u ? 1 : 0;
    }
    // A sanity check on the oracle: Unicode 5.2 has close to a thousand such mappings in the BMP.
    EXPECT_GT(mappedCount, 900);
}

}  // namespace

int main(int argc, char** argv) {
    ::testing::InitGoogleTest(&argc, argv);
    if (argc != 3) {
        std::fprintf(stderr, "usage: %s UnicodeData.txt DerivedAge.txt\n", argv[0]);
        return 2;
    }
    g_unicodeData = argv[1];
    g_derivedAge = argv[2];
    return RUN_ALL_TESTS();
}
