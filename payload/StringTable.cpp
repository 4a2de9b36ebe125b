#include "payload/StringTable.h"

namespace {

constexpr std::uint32_t kIndexEntrySize = 8;
constexpr std::uint32_t kHeaderSize = 4;
constexpr std::uint32_t kUtf8Flag = 0x80000000u;
constexpr std::uint32_t kLengthMask = 0x1FFFFFFFu;

std::uint32_t ReadLittleEndian32(const unsigned char* bytes) {
    return static_cast<std::uint32_t>(bytes[0]) | static_cast<std::uint32_t>(bytes[1]) << 8 |
           static_cast<std::uint32_t>(bytes[2]) << 16 | static_cast<std::uint32_t>(bytes[3]) << 24;
}

// Whether the counted text at `offset` lies wholly inside a text area of `areaSize` bytes.
bool TextFits(const unsigned char* area, std::uint32_t areaSize, std::uint32_t offset) {
    if (offset > areaSize || areaSize - offset < kHeaderSize) {
        return false;
    }
    const CountedText text = ReadCountedText(area + offset);
    const std::uint64_t bytes = static_cast<std::uint64_t>(text.length) * (text.utf8 ? 1 : 2);
    return bytes <= areaSize - offset - kHeaderSize;
}

}  // namespace

StringTable::~StringTable() {
    Release();
}

bool StringTable::Attach(unsigned char* newBuffer, std::int32_t newCount, std::uint32_t newSize) {
    if (newBuffer == nullptr || newCount <= 0 ||
        static_cast<std::uint64_t>(newCount) * kIndexEntrySize > newSize) {
        return false;
    }
    Release();
    count = newCount;
    buffer = newBuffer;
    index = newBuffer;
    texts = newBuffer + static_cast<std::uint32_t>(newCount) * kIndexEntrySize;
    size = newSize;
    return true;
}

void StringTable::Release() {
    delete[] buffer;
    count = 0;
    buffer = nullptr;
    index = nullptr;
    texts = nullptr;
    size = 0;
}

const void* StringTable::Find(StringId id) const {
    if (index == nullptr || texts == nullptr) {
        return nullptr;
    }
    const std::uint32_t areaSize = size - static_cast<std::uint32_t>(texts - index);
    std::int32_t low = 0;
    std::int32_t high = count - 1;
    while (low <= high) {
        const std::int32_t middle = low + (high - low) / 2;
        const unsigned char* entry = index + static_cast<std::uint32_t>(middle) * kIndexEntrySize;
        const std::uint32_t entryId = ReadLittleEndian32(entry);
        if (entryId == id) {
            const std::uint32_t offset = ReadLittleEndian32(entry + 4);
            return TextFits(texts, areaSize, offset) ? texts + offset : nullptr;
        }
        if (entryId < id) {
            low = middle + 1;
        } else {
            high = middle - 1;
        }
    }
    return nullptr;
}

CountedText ReadCountedText(const void* entry) {
    const auto* bytes = static_cast<const unsigned char*>(entry);
    const std::uint32_t header = ReadLittleEndian32(bytes);
    return {(header & kUtf8Flag) != 0, header & kLengthMask, bytes + kHeaderSize};
}

const void* FindInTables(std::initializer_list<const StringTable*> tables, StringId id) {
    for (const StringTable* table : tables) {
        if (const void* entry = table->Find(id)) {
            return entry;
        }
    }
    return nullptr;
}
