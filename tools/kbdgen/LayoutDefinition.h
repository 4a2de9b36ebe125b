// The readable keyboard-layout definition (content/layouts/*.layout and the *.keys files they
// include) as a model that the library generator and the document generator share.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <vector>

namespace kbd {

// Columns of the main character table, in the order the modifier table assigns them.
enum Column : int { kPlain = 0, kShift, kCtrl, kAltGr, kShiftAltGr, kMainColumns };
inline constexpr int kNumpadColumns = 2;

// Entry flags of the scan-code tables, in the high byte of a 16-bit entry.
inline constexpr uint16_t kFlagExtended = 0x0100;
inline constexpr uint16_t kFlagMultiVk = 0x0200;
inline constexpr uint16_t kFlagSpecial = 0x0400;
inline constexpr uint16_t kFlagNumpad = 0x0800;

// Character attributes of a key.
inline constexpr uint8_t kAttrCapsLock = 0x01;
inline constexpr uint8_t kAttrCapsLockAltGr = 0x04;

inline constexpr uint16_t kNoChar = 0xF000;    // the column types nothing
inline constexpr uint16_t kDeadChar = 0xF001;  // the column is a dead key

inline constexpr int kScanCodeCount = 0x80;

struct KeyChars {
    uint8_t vk = 0;
    uint8_t attributes = 0;
    // A column holds a character, kNoChar, or kDeadChar with the accent in `dead`.
    std::array<uint16_t, kMainColumns> chars{kNoChar, kNoChar, kNoChar, kNoChar, kNoChar};
    std::array<uint16_t, kMainColumns> dead{};
};

struct ScanVk {
    uint8_t scan = 0;
    uint16_t vk = 0;
};

struct KeyName {
    uint8_t scan = 0;
    std::u16string text;
};

struct DeadKey {
    uint16_t accent = 0;
    std::u16string name;
    std::vector<std::pair<uint16_t, uint16_t>> compositions;  // base letter, composed letter
};

struct LayoutDefinition {
    std::u16string title;    // the display name Windows shows for the layout
    std::u16string label;    // short name of the layout set (charts)
    std::u16string summary;  // one line for the documents
    std::array<uint16_t, kScanCodeCount> scanToVk{};
    std::vector<ScanVk> e0;
    std::vector<ScanVk> e1;
    std::vector<KeyChars> mainKeys;    // kMainColumns columns
    std::vector<KeyChars> numpadKeys;  // kNumpadColumns columns
    std::vector<KeyName> keyNames;
    std::vector<KeyName> keyNamesExt;
    std::vector<DeadKey> deadKeys;

    const KeyChars* FindMainKey(uint8_t vk) const;
    const DeadKey* FindDeadKey(uint16_t accent) const;
};

// Reads `path` and the files it includes, then each of `additions` (files that may only fill
// empty character columns: the second library family adds and never replaces). Answers false
// with a message naming the file and line on any error.
bool LoadLayoutDefinition(const std::string& path, const std::vector<std::string>& additions,
                          LayoutDefinition& out, std::string& error);

// UTF-8 to UTF-16 for texts of the definition files; false on malformed input or a character
// outside the Basic Multilingual Plane (layout tables hold single 16-bit characters).
bool Utf8ToUtf16(const std::string& text, std::u16string& out);
std::string Utf16ToUtf8(const std::u16string& text);

}  // namespace kbd
