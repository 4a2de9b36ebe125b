#include "tools/kbdcheck/PeImage.h"

namespace kbdcheck {
namespace {

constexpr uint32_t kMaxSections = 96;
constexpr uint32_t kDirectoryExport = 0;
constexpr uint32_t kDirectoryResource = 2;
constexpr uint32_t kResourceTypeString = 6;
constexpr uint32_t kSubdirectory = 0x80000000;

}  // namespace

bool PeImage::Parse(std::vector<uint8_t> bytes, std::string& error) {
    bytes_ = std::move(bytes);
    sections_.clear();
    const auto fail = [&error](const char* reason) {
        error = reason;
        return false;
    };
    if (U16(0) != 0x5A4D) {
        return fail("no MZ header");
    }
    const auto peOffset = U32(0x3C);
    if (!peOffset || U32(*peOffset) != 0x00004550) {
        return fail("no PE signature");
    }
    const uint64_t coff = uint64_t{*peOffset} + 4;
    const auto machine = U16(coff);
    const auto sectionCount = U16(coff + 2);
    const auto optionalSize = U16(coff + 16);
    const auto characteristics = U16(coff + 18);
    if (!machine || !sectionCount || !optionalSize || !characteristics) {
        return fail("truncated file header");
    }
    machine_ = *machine;
    characteristics_ = *characteristics;
    const uint64_t opt = coff + 20;
    const auto magic = U16(opt);
    if (magic != 0x10B && magic != 0x20B) {
        return fail("unknown optional header magic");
    }
    pe32Plus_ = magic == 0x20B;
    const uint32_t minimumOptional = pe32Plus_ ? 240 : 224;
    if (*optionalSize < minimumOptional || !U8(opt + minimumOptional - 1)) {
        return fail("truncated optional header");
    }
    imageBase_ = pe32Plus_ ? *Pointer(opt + 24) : *U32(opt + 28);
    osMajor_ = *U16(opt + 40);
    osMinor_ = *U16(opt + 42);
    subsystemMajor_ = *U16(opt + 48);
    subsystemMinor_ = *U16(opt + 50);
    const uint64_t directories = opt + (pe32Plus_ ? 112 : 96);
    const auto directoryCount = U32(directories - 4);
    if (!directoryCount || *directoryCount < 3) {
        return fail("too few data directories");
    }
    exportRva_ = *U32(directories + 8 * kDirectoryExport);
    exportSize_ = *U32(directories + 8 * kDirectoryExport + 4);
    resourceRva_ = *U32(directories + 8 * kDirectoryResource);

    if (*sectionCount == 0 || *sectionCount > kMaxSections) {
        return fail("implausible number of sections");
    }
    uint64_t header = opt + *optionalSize;
    for (uint32_t i = 0; i < *sectionCount; ++i, header += 40) {
        if (!U8(header + 39)) {
            return fail("truncated section table");
        }
        PeSection section;
        for (uint32_t k = 0; k < 8 && bytes_[header + k] != 0; ++k) {
            section.name.push_back(static_cast<char>(bytes_[header + k]));
        }
        section.virtualSize = *U32(header + 8);
        section.virtualAddress = *U32(header + 12);
        section.rawSize = *U32(header + 16);
        section.rawOffset = *U32(header + 20);
        if (section.rawSize != 0 && uint64_t{section.rawOffset} + section.rawSize > bytes_.size()) {
            return fail("section data beyond the end of the file");
        }
        sections_.push_back(section);
    }
    return true;
}

std::optional<uint32_t> PeImage::RvaToOffset(uint64_t rva, uint64_t size) const {
    for (const PeSection& section : sections_) {
        const uint64_t start = section.virtualAddress;
        if (rva >= start && rva - start + size <= section.rawSize) {
            return static_cast<uint32_t>(section.rawOffset + (rva - start));
        }
    }
    return std::nullopt;
}

const PeSection* PeImage::SectionOfOffset(uint64_t offset) const {
    for (const PeSection& section : sections_) {
        if (offset >= section.rawOffset && offset - section.rawOffset < section.rawSize) {
            return &section;
        }
    }
    return nullptr;
}

std::optional<uint8_t> PeImage::U8(uint64_t offset) const {
    if (offset >= bytes_.size()) {
        return std::nullopt;
    }
    return bytes_[offset];
}

std::optional<uint16_t> PeImage::U16(uint64_t offset) const {
    const auto low = U8(offset);
    const auto high = U8(offset + 1);
    if (!low || !high) {
        return std::nullopt;
    }
    return static_cast<uint16_t>(*low | (*high << 8));
}

std::optional<uint32_t> PeImage::U32(uint64_t offset) const {
    const auto low = U16(offset);
    const auto high = U16(offset + 2);
    if (!low || !high) {
        return std::nullopt;
    }
    return *low | (uint32_t{*high} << 16);
}

std::optional<uint64_t> PeImage::Pointer(uint64_t offset) const {
    const auto low = U32(offset);
    if (!low) {
        return std::nullopt;
    }
    if (!pe32Plus_) {
        return *low;
    }
    const auto high = U32(offset + 4);
    if (!high) {
        return std::nullopt;
    }
    return *low | (uint64_t{*high} << 32);
}

std::optional<uint32_t> PeImage::AddressToOffset(uint64_t address, uint64_t size) const {
    if (address < imageBase_) {
        return std::nullopt;
    }
    return RvaToOffset(address - imageBase_, size);
}

std::optional<std::string> PeImage::CString(uint32_t rva) const {
    auto offset = RvaToOffset(rva);
    if (!offset) {
        return std::nullopt;
    }
    std::string text;
    for (uint64_t at = *offset;; ++at) {
        const auto ch = U8(at);
        if (!ch || text.size() > 1024) {
            return std::nullopt;
        }
        if (*ch == 0) {
            return text;
        }
        text.push_back(static_cast<char>(*ch));
    }
}

std::optional<uint32_t> PeImage::ExportRva(const std::string& name) const {
    const auto directory = RvaToOffset(exportRva_, 40);
    if (exportRva_ == 0 || !directory) {
        return std::nullopt;
    }
    const uint32_t functionCount = *U32(*directory + 20);
    const uint32_t nameCount = *U32(*directory + 24);
    const auto functions = RvaToOffset(*U32(*directory + 28), uint64_t{functionCount} * 4);
    const auto names = RvaToOffset(*U32(*directory + 32), uint64_t{nameCount} * 4);
    const auto ordinals = RvaToOffset(*U32(*directory + 36), uint64_t{nameCount} * 2);
    if (!functions || !names || !ordinals) {
        return std::nullopt;
    }
    for (uint32_t i = 0; i < nameCount; ++i) {
        if (CString(*U32(*names + 4 * i)) != name) {
            continue;
        }
        const uint16_t ordinal = *U16(*ordinals + 2 * i);
        if (ordinal >= functionCount) {
            return std::nullopt;
        }
        const uint32_t rva = *U32(*functions + 4 * ordinal);
        // An address inside the export directory is a forwarder, not an export of this image.
        if (rva >= exportRva_ && rva - exportRva_ < exportSize_) {
            return std::nullopt;
        }
        return rva;
    }
    return std::nullopt;
}

std::string PeImage::ExportModuleName() const {
    const auto directory = RvaToOffset(exportRva_, 40);
    if (exportRva_ == 0 || !directory) {
        return {};
    }
    return CString(*U32(*directory + 12)).value_or("");
}

// The offset (relative to the resource section start) of the child entry `id` of the
// directory at `directoryOffset`, or of its first entry when `firstEntry` is set.
std::optional<uint32_t> PeImage::ResourceChild(uint32_t directoryOffset, uint32_t id,
                                               bool wantDirectory, bool firstEntry) const {
    const auto base = RvaToOffset(resourceRva_);
    const auto directory =
        base ? RvaToOffset(uint64_t{resourceRva_} + directoryOffset, 16) : std::nullopt;
    if (!directory) {
        return std::nullopt;
    }
    const uint32_t entries = uint32_t{*U16(*directory + 12)} + *U16(*directory + 14);
    for (uint32_t i = 0; i < entries; ++i) {
        const auto name = U32(*directory + 16 + 8 * i);
        const auto target = U32(*directory + 20 + 8 * i);
        if (!name || !target) {
            return std::nullopt;
        }
        if (!firstEntry && *name != id) {
            continue;
        }
        if (((*target & kSubdirectory) != 0) != wantDirectory) {
            return std::nullopt;
        }
        return *target & ~kSubdirectory;
    }
    return std::nullopt;
}

std::optional<std::u16string> PeImage::StringResource(uint16_t id) const {
    if (resourceRva_ == 0) {
        return std::nullopt;
    }
    const auto types = ResourceChild(0, kResourceTypeString, true, false);
    const auto languages = types ? ResourceChild(*types, id / 16u + 1, true, false) : std::nullopt;
    const auto entry = languages ? ResourceChild(*languages, 0, false, true) : std::nullopt;
    const auto entryOffset =
        entry ? RvaToOffset(uint64_t{resourceRva_} + *entry, 16) : std::nullopt;
    if (!entryOffset) {
        return std::nullopt;
    }
    const uint32_t dataRva = *U32(*entryOffset);
    const uint32_t dataSize = *U32(*entryOffset + 4);
    const auto data = RvaToOffset(dataRva, dataSize);
    if (!data) {
        return std::nullopt;
    }
    // A block holds 16 counted strings; walk to the slot of `id`.
    uint64_t at = *data;
    const uint64_t end = uint64_t{*data} + dataSize;
    for (uint16_t slot = 0; slot < 16; ++slot) {
        const auto length = at + 2 <= end ? U16(at) : std::nullopt;
        if (!length || at + 2 + 2ull * *length > end) {
            return std::nullopt;
        }
        if (slot == id % 16) {
            std::u16string text;
            for (uint32_t k = 0; k < *length; ++k) {
                text.push_back(static_cast<char16_t>(*U16(at + 2 + 2 * k)));
            }
            return text;
        }
        at += 2 + 2ull * *length;
    }
    return std::nullopt;
}

}  // namespace kbdcheck
