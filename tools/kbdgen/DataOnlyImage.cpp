#include "tools/kbdgen/DataOnlyImage.h"

#include "tools/kbdgen/LayoutTables.h"
#include "tools/kbdgen/LittleEndian.h"

namespace kbd {
namespace {

constexpr uint16_t kMachineIa64 = 0x0200;
constexpr uint64_t kImageBase = 0x10000000;
constexpr uint32_t kSectionAlignment = 0x2000;  // the Itanium page size
constexpr uint32_t kFileAlignment = 0x200;
constexpr uint32_t kPeOffset = 0x40;
constexpr uint32_t kOptionalHeaderSize = 240;
constexpr uint32_t kSectionHeaderSize = 40;
constexpr uint32_t kDataDirectories = 16;
constexpr uint32_t kDirectoryExport = 0;
constexpr uint32_t kDirectoryResource = 2;
constexpr uint32_t kDirectoryRelocation = 5;
constexpr uint32_t kSectionData = 0xC0000040;      // initialised, readable, writable
constexpr uint32_t kSectionReadOnly = 0x40000040;  // initialised, readable
constexpr uint32_t kSectionDiscardable = 0x42000040;
constexpr uint16_t kResourceTypeString = 6;
constexpr uint16_t kRelocationDir64 = 10;
constexpr uint32_t kSubsystemWindowsGui = 2;
constexpr char kExportName[] = "KbdLayerTables";

uint32_t AlignUp(uint32_t value, uint32_t alignment) {
    return (value + alignment - 1) / alignment * alignment;
}

class Bytes {
public:
    std::vector<uint8_t> data;

    void Reserve(size_t size) {
        if (data.size() < size) {
            data.resize(size, 0);
        }
    }
    void U8(size_t at, uint8_t value) { Put(at, value, 1); }
    void U16(size_t at, uint16_t value) { Put(at, value, 2); }
    void U32(size_t at, uint32_t value) { Put(at, value, 4); }
    void U64(size_t at, uint64_t value) { Put(at, value, 8); }
    void Put(size_t at, uint64_t value, unsigned size) {
        Reserve(at + size);
        StoreLittleEndian(data, at, value, size);
    }
    void Text(size_t at, const std::string& text) {
        for (size_t i = 0; i < text.size(); ++i) {
            U8(at + i, static_cast<uint8_t>(text[i]));
        }
        U8(at + text.size(), 0);
    }
    void Append(const std::vector<uint8_t>& bytes) {
        data.insert(data.end(), bytes.begin(), bytes.end());
    }
};

struct Section {
    const char* name;
    uint32_t characteristics;
    std::vector<uint8_t> bytes;
    uint32_t rva;
    uint32_t fileOffset;
};

// Lays sections out one after the other; a section's content may depend on its own address.
struct Placer {
    uint32_t rva;
    uint32_t fileOffset;

    Section Place(const char* name, uint32_t characteristics, std::vector<uint8_t> bytes) {
        Section section{name, characteristics, std::move(bytes), rva, fileOffset};
        const auto size = static_cast<uint32_t>(section.bytes.size());
        rva += AlignUp(size, kSectionAlignment);
        fileOffset += AlignUp(size, kFileAlignment);
        return section;
    }
};

std::vector<uint8_t> ExportSection(uint32_t rva, uint32_t tablesRva, const std::string& dllName) {
    Bytes out;
    const uint32_t functions = 40;
    const uint32_t names = functions + 4;
    const uint32_t ordinals = names + 4;
    const uint32_t exportName = ordinals + 2;
    const uint32_t moduleName = exportName + sizeof kExportName;
    out.U32(12, rva + moduleName);
    out.U32(16, 1);  // ordinal base
    out.U32(20, 1);  // functions
    out.U32(24, 1);  // names
    out.U32(28, rva + functions);
    out.U32(32, rva + names);
    out.U32(36, rva + ordinals);
    out.U32(functions, tablesRva);
    out.U32(names, rva + exportName);
    out.U16(ordinals, 0);
    out.Text(exportName, kExportName);
    out.Text(moduleName, dllName);
    return out.data;
}

// One string block (type 6) holding the display name: block id / 16 + 1, slot id % 16.
std::vector<uint8_t> ResourceSection(uint32_t rva, uint16_t textId, const std::u16string& text) {
    Bytes out;
    constexpr uint32_t kSubdirectory = 0x80000000;
    auto directory = [&out](uint32_t at, uint16_t id, uint32_t target) {
        out.U16(at + 14, 1);  // one entry, by id
        out.U32(at + 16, id);
        out.U32(at + 20, target);
    };
    directory(0, kResourceTypeString, kSubdirectory | 24);
    directory(24, static_cast<uint16_t>(textId / 16 + 1), kSubdirectory | 48);
    directory(48, 0, 72);  // language neutral
    const uint32_t block = 88;
    size_t at = block;
    for (uint16_t slot = 0; slot < 16; ++slot) {
        const bool ours = slot == textId % 16;
        out.U16(at, ours ? static_cast<uint16_t>(text.size()) : 0);
        at += 2;
        if (ours) {
            for (const char16_t ch : text) {
                out.U16(at, ch);
                at += 2;
            }
        }
    }
    out.U32(72, rva + block);
    out.U32(76, static_cast<uint32_t>(at - block));
    return out.data;
}

std::vector<uint8_t> RelocationSection(uint32_t dataRva, const std::vector<size_t>& pointers) {
    Bytes out;
    size_t i = 0;
    while (i < pointers.size()) {
        const uint32_t page = (dataRva + static_cast<uint32_t>(pointers[i])) & ~0xFFFu;
        const size_t blockStart = out.data.size();
        size_t at = blockStart + 8;
        for (; i < pointers.size() && ((dataRva + pointers[i]) & ~0xFFFu) == page; ++i) {
            const uint32_t offset = (dataRva + static_cast<uint32_t>(pointers[i])) & 0xFFF;
            out.U16(at, static_cast<uint16_t>((kRelocationDir64 << 12) | offset));
            at += 2;
        }
        at = AlignUp(static_cast<uint32_t>(at), 4);  // padded with an absolute (no-op) entry
        out.Reserve(at);
        out.U32(blockStart, page);
        out.U32(blockStart + 4, static_cast<uint32_t>(at - blockStart));
    }
    return out.data;
}

}  // namespace

std::vector<uint8_t> WriteDataOnlyImage(const LayoutDefinition& layout,
                                        const DataOnlyImageOptions& options) {
    const TableContent content = BuildTableContent(layout);
    const TableLayout tableLayout = ComputeTableLayout(content, 8);

    constexpr uint32_t kSectionCount = 4;
    const uint32_t headersSize = AlignUp(
        kPeOffset + 24 + kOptionalHeaderSize + kSectionHeaderSize * kSectionCount, kFileAlignment);
    Placer placer{AlignUp(headersSize, kSectionAlignment), headersSize};
    const uint32_t dataRva = placer.rva;
    const SerializedTables tables = SerializeTables(content, tableLayout, kImageBase + dataRva);
    const auto tablesRva = dataRva + static_cast<uint32_t>(tableLayout.tables);
    std::vector<Section> sections;
    sections.push_back(placer.Place(".data", kSectionData, tables.bytes));
    sections.push_back(placer.Place(".edata", kSectionReadOnly,
                                    ExportSection(placer.rva, tablesRva, options.dllName)));
    sections.push_back(placer.Place(".rsrc", kSectionReadOnly,
                                    ResourceSection(placer.rva, options.textId, layout.title)));
    sections.push_back(placer.Place(".reloc", kSectionDiscardable,
                                    RelocationSection(dataRva, tables.pointerOffsets)));
    const uint32_t rva = placer.rva;

    Bytes image;
    image.U16(0, 0x5A4D);  // "MZ"
    image.U32(0x3C, kPeOffset);
    image.U32(kPeOffset, 0x00004550);  // "PE\0\0"
    const size_t coff = kPeOffset + 4;
    image.U16(coff, kMachineIa64);
    image.U16(coff + 2, static_cast<uint16_t>(sections.size()));
    image.U16(coff + 16, kOptionalHeaderSize);
    image.U16(coff + 18, 0x2022);  // executable image, large-address aware, DLL
    const size_t opt = coff + 20;
    uint32_t initialisedData = 0;
    for (const Section& section : sections) {
        initialisedData += AlignUp(static_cast<uint32_t>(section.bytes.size()), kFileAlignment);
    }
    image.U16(opt, 0x020B);  // PE32+
    image.U32(opt + 8, initialisedData);
    image.U64(opt + 24, kImageBase);
    image.U32(opt + 32, kSectionAlignment);
    image.U32(opt + 36, kFileAlignment);
    image.U16(opt + 40, options.osMajor);
    image.U16(opt + 42, options.osMinor);
    image.U16(opt + 48, options.osMajor);
    image.U16(opt + 50, options.osMinor);
    image.U32(opt + 56, rva);  // size of image
    image.U32(opt + 60, headersSize);
    image.U16(opt + 68, kSubsystemWindowsGui);
    image.U64(opt + 72, 0x100000);  // stack reserve
    image.U64(opt + 80, 0x1000);
    image.U64(opt + 88, 0x100000);  // heap reserve
    image.U64(opt + 96, 0x1000);
    image.U32(opt + 108, kDataDirectories);
    const auto directory = [&](uint32_t index, const Section& section) {
        image.U32(opt + 112 + 8 * index, section.rva);
        image.U32(opt + 116 + 8 * index, static_cast<uint32_t>(section.bytes.size()));
    };
    directory(kDirectoryExport, sections[1]);
    directory(kDirectoryResource, sections[2]);
    directory(kDirectoryRelocation, sections[3]);

    size_t header = opt + kOptionalHeaderSize;
    for (const Section& section : sections) {
        image.Text(header, section.name);
        image.U32(header + 8, static_cast<uint32_t>(section.bytes.size()));
        image.U32(header + 12, section.rva);
        image.U32(header + 16,
                  AlignUp(static_cast<uint32_t>(section.bytes.size()), kFileAlignment));
        image.U32(header + 20, section.fileOffset);
        image.U32(header + 36, section.characteristics);
        header += kSectionHeaderSize;
    }
    for (const Section& section : sections) {
        image.Reserve(section.fileOffset);
        image.Append(section.bytes);
        image.Reserve(AlignUp(static_cast<uint32_t>(image.data.size()), kFileAlignment));
    }
    return image.data;
}

}  // namespace kbd
