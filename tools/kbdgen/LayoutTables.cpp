#include "tools/kbdgen/LayoutTables.h"
#include "tools/kbdgen/LittleEndian.h"

namespace kbd {
namespace {

constexpr uint8_t kVkShift = 0x10;
constexpr uint8_t kVkControl = 0x11;
constexpr uint8_t kVkMenu = 0x12;
constexpr uint8_t kShiftBit = 1;
constexpr uint8_t kCtrlBit = 2;
constexpr uint8_t kAltBit = 4;
constexpr uint8_t kInvalidColumn = 0x0F;
constexpr uint16_t kMaxModifierBits = 7;
// Column of each modifier combination (index = Shift | Ctrl | Alt bits): Ctrl+Alt is AltGr.
constexpr std::array<uint8_t, 8> kColumnOfModifiers = {
    kPlain, kShift, kCtrl, kInvalidColumn, kInvalidColumn, kInvalidColumn, kAltGr, kShiftAltGr};
constexpr size_t kVkToBitCount = 4;
constexpr size_t kCharTableCount = 3;
constexpr size_t kModifierNumbers = 8;

size_t AlignUp(size_t value, size_t alignment) {
    return (value + alignment - 1) / alignment * alignment;
}

size_t CharRowSize(size_t columns) {
    return 2 + 2 * columns;
}

std::vector<CharRow> BuildCharRows(const std::vector<KeyChars>& keys, int columns) {
    std::vector<CharRow> rows;
    for (const KeyChars& key : keys) {
        CharRow row{key.vk, key.attributes, {key.chars.begin(), key.chars.begin() + columns}};
        rows.push_back(row);
        // A dead key's accent follows in a row of its own under the pseudo key 0xFF.
        CharRow accents{0xFF, 0, std::vector<uint16_t>(columns, kNoChar)};
        bool hasDead = false;
        for (int column = 0; column < columns; ++column) {
            if (key.chars[column] == kDeadChar) {
                accents.chars[column] = key.dead[column];
                hasDead = true;
            }
        }
        if (hasDead) {
            rows.push_back(accents);
        }
    }
    rows.push_back(CharRow{0, 0, std::vector<uint16_t>(columns, 0)});
    return rows;
}

size_t AddText(std::u16string& names, const std::u16string& text) {
    const size_t offset = names.size();
    names += text;
    names.push_back(u'\0');
    return offset;
}

std::vector<NameRow> BuildNameRows(const std::vector<KeyName>& names, std::u16string& texts) {
    std::vector<NameRow> rows;
    for (const KeyName& name : names) {
        rows.push_back({name.scan, AddText(texts, name.text)});
    }
    rows.push_back({});
    return rows;
}

class Writer {
public:
    Writer(size_t size, unsigned pointerSize, uint64_t base)
        : pointerSize_(pointerSize), base_(base) {
        out_.bytes.assign(size, 0);
    }
    void U8(size_t at, uint8_t value) { StoreLittleEndian(out_.bytes, at, value, 1); }
    void U16(size_t at, uint16_t value) { StoreLittleEndian(out_.bytes, at, value, 2); }
    void U32(size_t at, uint32_t value) { StoreLittleEndian(out_.bytes, at, value, 4); }
    // A pointer to the member at `target`; kNoText leaves it null.
    void Pointer(size_t at, size_t target) {
        if (target == kNoText) {
            return;
        }
        StoreLittleEndian(out_.bytes, at, base_ + target, pointerSize_);
        out_.pointerOffsets.push_back(at);
    }
    void CharRows(size_t at, const std::vector<CharRow>& rows) {
        for (const CharRow& row : rows) {
            U8(at, row.vk);
            U8(at + 1, row.attributes);
            for (size_t column = 0; column < row.chars.size(); ++column) {
                U16(at + 2 + 2 * column, row.chars[column]);
            }
            at += CharRowSize(row.chars.size());
        }
    }
    void NameRows(size_t at, const std::vector<NameRow>& rows, size_t names) {
        for (const NameRow& row : rows) {
            U8(at, row.scan);
            Pointer(at + pointerSize_, row.text == kNoText ? kNoText : names + 2 * row.text);
            at += 2 * pointerSize_;
        }
    }
    void ScanVkRows(size_t at, const std::vector<ScanVk>& rows) {
        for (const ScanVk& row : rows) {
            U8(at, row.scan);
            U16(at + 2, row.vk);
            at += 4;
        }
    }
    SerializedTables Take() { return std::move(out_); }

private:
    unsigned pointerSize_;
    uint64_t base_;
    SerializedTables out_;
};

}  // namespace

TableContent BuildTableContent(const LayoutDefinition& layout) {
    TableContent content;
    content.mainRows = BuildCharRows(layout.mainKeys, kMainColumns);
    content.numpadRows = BuildCharRows(layout.numpadKeys, kNumpadColumns);
    content.keyNames = BuildNameRows(layout.keyNames, content.names);
    content.keyNamesExt = BuildNameRows(layout.keyNamesExt, content.names);
    if (!layout.deadKeys.empty()) {
        for (const DeadKey& dead : layout.deadKeys) {
            content.deadKeyNames.push_back(
                AddText(content.names, static_cast<char16_t>(dead.accent) + dead.name));
            for (const auto& [base, composed] : dead.compositions) {
                content.deadRows.push_back(
                    {static_cast<uint32_t>(base) | (static_cast<uint32_t>(dead.accent) << 16),
                     composed, 0});
            }
        }
        content.deadKeyNames.push_back(kNoText);
        content.deadRows.push_back({});
    }
    content.e1 = layout.e1;
    content.e1.push_back({});
    content.e0 = layout.e0;
    content.e0.push_back({});
    content.scanToVk = layout.scanToVk;
    return content;
}

TableLayout ComputeTableLayout(const TableContent& content, unsigned pointerSize) {
    const size_t p = pointerSize;
    TableLayout layout;
    layout.pointerSize = pointerSize;
    size_t at = 0;
    auto place = [&at](size_t& member, size_t alignment, size_t size) {
        at = AlignUp(at, alignment);
        member = at;
        at += size;
    };
    const size_t tablesSize = AlignUp(AlignUp(10 * p + 6, p) + p + 8, p);
    place(layout.tables, p, tablesSize);
    place(layout.modifiers, p, AlignUp(p + 2 + kModifierNumbers, p));
    place(layout.vkToBits, 1, 2 * kVkToBitCount);
    place(layout.charTables, p, 2 * p * kCharTableCount);
    place(layout.keyNames, p, 2 * p * content.keyNames.size());
    place(layout.keyNamesExt, p, 2 * p * content.keyNamesExt.size());
    if (!content.deadRows.empty()) {
        place(layout.deadKeyNames, p, p * content.deadKeyNames.size());
        place(layout.deadKeys, 4, 8 * content.deadRows.size());
    }
    place(layout.names, 2, 2 * content.names.size());
    place(layout.mainChars, 2, CharRowSize(kMainColumns) * content.mainRows.size());
    place(layout.numpadChars, 2, CharRowSize(kNumpadColumns) * content.numpadRows.size());
    place(layout.e1, 2, 4 * content.e1.size());
    place(layout.e0, 2, 4 * content.e0.size());
    place(layout.scanToVk, 2, 2 * content.scanToVk.size());
    layout.size = AlignUp(at, p);
    return layout;
}

SerializedTables SerializeTables(const TableContent& content, const TableLayout& layout,
                                 uint64_t base) {
    const size_t p = layout.pointerSize;
    const bool hasDead = !content.deadRows.empty();
    Writer out(layout.size, layout.pointerSize, base);

    size_t at = layout.tables;
    out.Pointer(at, layout.modifiers);
    out.Pointer(at + p, layout.charTables);
    out.Pointer(at + 2 * p, hasDead ? layout.deadKeys : kNoText);
    out.Pointer(at + 3 * p, layout.keyNames);
    out.Pointer(at + 4 * p, layout.keyNamesExt);
    out.Pointer(at + 5 * p, hasDead ? layout.deadKeyNames : kNoText);
    out.Pointer(at + 6 * p, layout.scanToVk);
    out.U8(at + 7 * p, static_cast<uint8_t>(content.scanToVk.size()));
    out.Pointer(at + 8 * p, layout.e0);
    out.Pointer(at + 9 * p, layout.e1);
    out.U32(at + 10 * p, kLocaleFlags);
    // Ligatures: none (count, entry size and pointer stay zero).
    const size_t typeAt = AlignUp(10 * p + 6, p) + p;
    out.U32(at + typeAt, kKeyboardType);

    out.Pointer(layout.modifiers, layout.vkToBits);
    out.U16(layout.modifiers + p, kMaxModifierBits);
    for (size_t i = 0; i < kColumnOfModifiers.size(); ++i) {
        out.U8(layout.modifiers + p + 2 + i, kColumnOfModifiers[i]);
    }
    const std::array<std::pair<uint8_t, uint8_t>, 3> bits = {
        {{kVkShift, kShiftBit}, {kVkControl, kCtrlBit}, {kVkMenu, kAltBit}}};
    for (size_t i = 0; i < bits.size(); ++i) {
        out.U8(layout.vkToBits + 2 * i, bits[i].first);
        out.U8(layout.vkToBits + 2 * i + 1, bits[i].second);
    }

    out.Pointer(layout.charTables, layout.mainChars);
    out.U8(layout.charTables + p, kMainColumns);
    out.U8(layout.charTables + p + 1, static_cast<uint8_t>(CharRowSize(kMainColumns)));
    out.Pointer(layout.charTables + 2 * p, layout.numpadChars);
    out.U8(layout.charTables + 3 * p, kNumpadColumns);
    out.U8(layout.charTables + 3 * p + 1, static_cast<uint8_t>(CharRowSize(kNumpadColumns)));

    out.NameRows(layout.keyNames, content.keyNames, layout.names);
    out.NameRows(layout.keyNamesExt, content.keyNamesExt, layout.names);
    for (size_t i = 0; i < content.deadKeyNames.size(); ++i) {
        const size_t text = content.deadKeyNames[i];
        out.Pointer(layout.deadKeyNames + i * p,
                    text == kNoText ? kNoText : layout.names + 2 * text);
    }
    for (size_t i = 0; i < content.deadRows.size(); ++i) {
        out.U32(layout.deadKeys + 8 * i, content.deadRows[i].both);
        out.U16(layout.deadKeys + 8 * i + 4, content.deadRows[i].composed);
        out.U16(layout.deadKeys + 8 * i + 6, content.deadRows[i].flags);
    }
    for (size_t i = 0; i < content.names.size(); ++i) {
        out.U16(layout.names + 2 * i, content.names[i]);
    }
    out.CharRows(layout.mainChars, content.mainRows);
    out.CharRows(layout.numpadChars, content.numpadRows);
    out.ScanVkRows(layout.e1, content.e1);
    out.ScanVkRows(layout.e0, content.e0);
    for (size_t i = 0; i < content.scanToVk.size(); ++i) {
        out.U16(layout.scanToVk + 2 * i, content.scanToVk[i]);
    }
    return out.Take();
}

}  // namespace kbd
