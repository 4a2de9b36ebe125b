// The keyboard-layout tables that Windows reads from a layout library (the structure that
// KbdLayerDescriptor answers and everything it points to), built from a definition and laid
// out as one object whose members follow a fixed order. The C source of the x86 and x64
// libraries declares that object; the Itanium images are written from the same layout with
// 64-bit pointers, so every table sits at the same place relative to the others.
//
// Member order matters to setup: it patches the scan-code array first, then the E0 table,
// then the E1 table, then the decimal key, each found by the first occurrence of a byte
// pattern. Placing the decimal key's table, the E1 table, the E0 table and the scan-code array
// in that order, last in the object, means no patch can ever create an earlier occurrence of a
// pattern that is searched after it.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include "tools/kbdgen/LayoutDefinition.h"

namespace kbd {

inline constexpr uint32_t kLocaleFlags = 0x00010001;  // version 1, AltGr present
inline constexpr uint32_t kKeyboardType = 4;          // 101/102-key keyboard
inline constexpr size_t kNoText = static_cast<size_t>(-1);

struct CharRow {
    uint8_t vk = 0;
    uint8_t attributes = 0;
    std::vector<uint16_t> chars;
};

struct DeadRow {
    uint32_t both = 0;  // base letter in the low word, accent in the high word
    uint16_t composed = 0;
    uint16_t flags = 0;
};

struct NameRow {
    uint8_t scan = 0;
    size_t text = kNoText;  // offset in code units into TableContent::names
};

// The table rows in their final order, terminators included.
struct TableContent {
    std::vector<CharRow> mainRows;
    std::vector<CharRow> numpadRows;
    std::vector<DeadRow> deadRows;  // empty when the layout has no dead keys
    std::vector<NameRow> keyNames;
    std::vector<NameRow> keyNamesExt;
    std::vector<size_t> deadKeyNames;  // empty when the layout has no dead keys
    std::u16string names;
    std::vector<ScanVk> e1;
    std::vector<ScanVk> e0;
    std::array<uint16_t, kScanCodeCount> scanToVk{};
};

TableContent BuildTableContent(const LayoutDefinition& layout);

// Byte offsets of the members inside the object, for one pointer size (4 or 8).
struct TableLayout {
    unsigned pointerSize = 0;
    size_t tables = 0;
    size_t modifiers = 0;
    size_t vkToBits = 0;
    size_t charTables = 0;
    size_t keyNames = 0;
    size_t keyNamesExt = 0;
    size_t deadKeyNames = 0;
    size_t deadKeys = 0;
    size_t names = 0;
    size_t mainChars = 0;
    size_t numpadChars = 0;
    size_t e1 = 0;
    size_t e0 = 0;
    size_t scanToVk = 0;
    size_t size = 0;
};

TableLayout ComputeTableLayout(const TableContent& content, unsigned pointerSize);

struct SerializedTables {
    std::vector<uint8_t> bytes;
    std::vector<size_t> pointerOffsets;  // where the image needs base relocations
};

// The object's bytes as the compiler lays them out, with pointers holding `base` plus the
// offset of their target (the object's own address is `base`).
SerializedTables SerializeTables(const TableContent& content, const TableLayout& layout,
                                 uint64_t base);

}  // namespace kbd
