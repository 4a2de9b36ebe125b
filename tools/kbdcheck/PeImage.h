// A bounds-checked reader of PE images (PE32 and PE32+), enough to verify the layout
// libraries: headers, sections, exports and string resources. Every accessor answers false
// or an empty value instead of reading outside the file.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace kbdcheck {

inline constexpr uint16_t kMachineI386 = 0x014C;
inline constexpr uint16_t kMachineIa64 = 0x0200;
inline constexpr uint16_t kMachineAmd64 = 0x8664;

struct PeSection {
    std::string name;
    uint32_t virtualAddress = 0;
    uint32_t virtualSize = 0;
    uint32_t rawOffset = 0;
    uint32_t rawSize = 0;
};

class PeImage {
public:
    // Answers false with a reason when the bytes are not a well-formed PE image.
    bool Parse(std::vector<uint8_t> bytes, std::string& error);

    const std::vector<uint8_t>& Bytes() const { return bytes_; }
    uint16_t Machine() const { return machine_; }
    bool IsPe32Plus() const { return pe32Plus_; }
    bool IsDll() const { return (characteristics_ & 0x2000) != 0; }
    uint64_t ImageBase() const { return imageBase_; }
    unsigned PointerSize() const { return pe32Plus_ ? 8 : 4; }
    uint16_t OsMajor() const { return osMajor_; }
    uint16_t OsMinor() const { return osMinor_; }
    uint16_t SubsystemMajor() const { return subsystemMajor_; }
    uint16_t SubsystemMinor() const { return subsystemMinor_; }
    const std::vector<PeSection>& Sections() const { return sections_; }

    // File offset of an RVA that lies in a section's raw data, with at least `size` bytes
    // available there.
    std::optional<uint32_t> RvaToOffset(uint64_t rva, uint64_t size = 1) const;
    // The section whose raw data holds the file offset.
    const PeSection* SectionOfOffset(uint64_t offset) const;

    std::optional<uint8_t> U8(uint64_t offset) const;
    std::optional<uint16_t> U16(uint64_t offset) const;
    std::optional<uint32_t> U32(uint64_t offset) const;
    std::optional<uint64_t> Pointer(uint64_t offset) const;  // 4 or 8 bytes by format
    // The file offset that a pointer value (a virtual address) refers to.
    std::optional<uint32_t> AddressToOffset(uint64_t address, uint64_t size = 1) const;

    std::optional<uint32_t> ExportRva(const std::string& name) const;
    std::string ExportModuleName() const;
    std::optional<std::u16string> StringResource(uint16_t id) const;

private:
    std::optional<std::string> CString(uint32_t rva) const;
    std::optional<uint32_t> ResourceChild(uint32_t directoryOffset, uint32_t id, bool wantDirectory,
                                          bool firstEntry) const;

    std::vector<uint8_t> bytes_;
    uint16_t machine_ = 0;
    uint16_t characteristics_ = 0;
    bool pe32Plus_ = false;
    uint64_t imageBase_ = 0;
    uint16_t osMajor_ = 0;
    uint16_t osMinor_ = 0;
    uint16_t subsystemMajor_ = 0;
    uint16_t subsystemMinor_ = 0;
    std::vector<PeSection> sections_;
    uint32_t exportRva_ = 0;
    uint32_t exportSize_ = 0;
    uint32_t resourceRva_ = 0;
};

}  // namespace kbdcheck
