// StringTable against arbitrary decoded bytes: whatever the index and the text headers say,
// every entry that Find answers must lie wholly inside the buffer (ASan checks each byte read).

#include <cstddef>
#include <cstdint>
#include <cstring>

#include "payload/StringTable.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size < 4) {
        return 0;
    }
    std::int32_t count = 0;
    std::memcpy(&count, data, 4);
    const std::size_t tableSize = size - 4;
    // An exact-size allocation, so that reading one byte past the table is caught.
    auto* buffer = new unsigned char[tableSize == 0 ? 1 : tableSize];
    std::memcpy(buffer, data + 4, tableSize);
    StringTable table;
    if (!table.Attach(buffer, count, static_cast<std::uint32_t>(tableSize))) {
        delete[] buffer;
        return 0;
    }
    unsigned sum = 0;
    auto touch = [&sum](const void* entry) {
        if (entry == nullptr) {
            return;
        }
        const CountedText text = ReadCountedText(entry);
        const std::size_t bytes = text.length * (text.utf8 ? 1u : 2u);
        for (std::size_t i = 0; i < bytes; ++i) {
            sum += text.data[i];
        }
    };
    for (std::int32_t i = 0; i < count; ++i) {
        StringId id = 0;
        std::memcpy(&id, table.index + 8 * static_cast<std::size_t>(i), 4);
        touch(table.Find(id));
        touch(table.Find(id + 1));
    }
    // Keeps the reads from being optimised away.
    volatile unsigned sink = sum;
    static_cast<void>(sink);
    return 0;
}
