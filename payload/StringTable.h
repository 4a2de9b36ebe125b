#pragma once

#include <cstdint>
#include <initializer_list>

#include "payload/StringIds.h"

// One decoded string table: an index of (StringId, text offset) pairs sorted by id as unsigned
// numbers, followed by the text area of counted texts. A counted text is a 32-bit little-endian
// header (bit 31 set for UTF-8, clear for UTF-16LE; bits 0..28 the length in code units) and the
// text without a terminator.
//
// The table keeps the size of its buffer so that an index entry or a text running past the end
// of a damaged table is never followed: such an entry counts as missing.
struct StringTable {
    StringTable() = default;
    ~StringTable();
    StringTable(const StringTable&) = delete;
    StringTable& operator=(const StringTable&) = delete;

    // Takes ownership of `buffer` (released with delete[]) holding `size` bytes and `count`
    // index entries. A null buffer, a count of 0 or less, or an index larger than the buffer is
    // refused: the table stays as it was and the buffer remains the caller's.
    bool Attach(unsigned char* buffer, std::int32_t count, std::uint32_t size);
    void Release();
    // The counted text of the id, or nothing. Valid until Release.
    const void* Find(StringId id) const;

    std::int32_t count = 0;
    unsigned char* buffer = nullptr;
    const unsigned char* index = nullptr;
    const unsigned char* texts = nullptr;
    std::uint32_t size = 0;
};

// The pieces of a counted text as Find answers it.
struct CountedText {
    bool utf8;
    std::uint32_t length;  // code units: bytes for UTF-8, 16-bit units for UTF-16
    const unsigned char* data;
};
CountedText ReadCountedText(const void* entry);

// The first table, in the order given, that holds the id: the program's fetch order is the
// chosen language table, the default table, then the engine's own table.
const void* FindInTables(std::initializer_list<const StringTable*> tables, StringId id);
