// Proves that a layout image suits setup's patcher: the tables are found by following the
// structures Windows itself follows (from KbdLayerDescriptor, or from the KbdLayerTables
// export of a data-only image), and each byte pattern's first occurrence must be exactly the
// table it stands for, with room for every write the patcher can make.
#pragma once

#include <cstdint>
#include <map>
#include <string>
#include <vector>

#include "tools/kbdcheck/PeImage.h"

namespace kbdcheck {

// File offsets of the patched tables.
struct TablePlaces {
    uint32_t tables = 0;  // the structure KbdLayerDescriptor answers
    uint32_t scanToVk = 0;
    uint32_t scanToVkCount = 0;
    uint32_t e0 = 0;
    uint32_t e1 = 0;
    uint32_t decimal = 0;  // the first of the decimal key's two characters
};

bool LocateTables(const PeImage& image, TablePlaces& places, std::string& error);

struct LayoutPatterns {
    std::vector<uint8_t> scanToVk;  // the pattern of the image's layout set
    std::vector<uint8_t> e0;
    std::vector<uint8_t> e1;
    std::vector<uint8_t> decimal;
};

struct ImageExpectation {
    uint16_t machine = 0;
    uint16_t osMajor = 0;
    uint16_t osMinor = 0;
    std::string dllName;         // the library's file name, as registered
    uint16_t displayTextId = 0;  // the string resource the display-name value points at
};

// Appends a message per problem; true when there is none.
bool CheckLayoutImage(const PeImage& image, const ImageExpectation& expected,
                      const LayoutPatterns& patterns, std::vector<std::string>& problems);

// The texts of the default string table that register the library and locate its tables:
// 83 the library's file name, 84 and 87 the layout id and the display-name value (either
// order: the display name is the one starting with @), 146 to 151 the patterns.
struct RegistrationTexts {
    std::string dllName;
    uint16_t displayTextId = 0;
    std::vector<uint8_t> scanPatterns[3];  // by layout set
    LayoutPatterns shared;                 // E0, E1 and decimal-key patterns

    LayoutPatterns ForSet(unsigned set) const;
};

bool PrepareRegistrationTexts(const std::map<unsigned, std::string>& texts, RegistrationTexts& out,
                              std::string& error);

// Upper-case hexadecimal digits, two per byte, as the string tables hold the patterns.
bool DecodeHexPattern(const std::string& text, std::vector<uint8_t>& bytes);

// The file name and resource id of "@%SystemRoot%\system32\<file>,-<id>".
bool ParseDisplayNameValue(const std::string& value, std::string& file, uint16_t& id);

}  // namespace kbdcheck
