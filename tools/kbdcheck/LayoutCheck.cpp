#include "tools/kbdcheck/LayoutCheck.h"

#include <algorithm>
#include <cctype>
#include <cstdio>

namespace kbdcheck {
namespace {

constexpr uint8_t kVkDecimal = 0x6E;
constexpr uint32_t kPatchedScanCodes = 127;  // the patcher writes entries 0 to 126
constexpr uint32_t kMaxCharTables = 16;
constexpr uint32_t kMaxCharRows = 512;
constexpr uint32_t kMaxPrefixedEntries = 256;

std::string Hex(uint64_t value) {
    char text[24];
    std::snprintf(text, sizeof text, "0x%llX", static_cast<unsigned long long>(value));
    return text;
}

// The tables' address as the descriptor function computes it. The compilers emit a single
// load and return; anything else is reported rather than guessed at.
bool DescriptorTables(const PeImage& image, uint32_t& offset, std::string& error) {
    if (image.Machine() == kMachineIa64) {
        const auto rva = image.ExportRva("KbdLayerTables");
        const auto at = rva ? image.RvaToOffset(*rva) : std::nullopt;
        if (!at) {
            error = "no KbdLayerTables export";
            return false;
        }
        offset = *at;
        return true;
    }
    const auto rva = image.ExportRva("KbdLayerDescriptor");
    const auto code = rva ? image.RvaToOffset(*rva, 8) : std::nullopt;
    if (!code) {
        error = "no KbdLayerDescriptor export";
        return false;
    }
    const auto& bytes = image.Bytes();
    std::optional<uint32_t> at;
    if (image.Machine() == kMachineI386 && bytes[*code] == 0xB8 && bytes[*code + 5] == 0xC3) {
        at = image.AddressToOffset(*image.U32(*code + 1));  // mov eax, imm32; ret
    } else if (image.Machine() == kMachineAmd64 && bytes[*code] == 0x48 &&
               bytes[*code + 1] == 0x8D && bytes[*code + 2] == 0x05 && bytes[*code + 7] == 0xC3) {
        const auto displacement = static_cast<int32_t>(*image.U32(*code + 3));  // lea rax, [rip+d]
        at = image.RvaToOffset(static_cast<uint64_t>(int64_t{*rva} + 7 + displacement));
    } else {
        error = "KbdLayerDescriptor is not a plain load of the tables' address";
        return false;
    }
    if (!at) {
        error = "KbdLayerDescriptor answers an address outside the image";
        return false;
    }
    offset = *at;
    return true;
}

std::optional<uint32_t> PointedOffset(const PeImage& image, uint64_t field, uint64_t size = 1) {
    const auto pointer = image.Pointer(field);
    return pointer && *pointer ? image.AddressToOffset(*pointer, size) : std::nullopt;
}

bool FindDecimalKey(const PeImage& image, uint32_t charTables, uint32_t& decimal) {
    const unsigned p = image.PointerSize();
    for (uint32_t table = 0; table < kMaxCharTables; ++table) {
        const uint64_t entry = uint64_t{charTables} + table * 2ull * p;
        const auto pointer = image.Pointer(entry);
        const auto columns = image.U8(entry + p);
        const auto rowSize = image.U8(entry + p + 1);
        if (!pointer || !columns || !rowSize || *pointer == 0) {
            return false;
        }
        const auto rows = image.AddressToOffset(*pointer);
        if (!rows || *rowSize < 2 + 2 * *columns) {
            return false;
        }
        for (uint32_t row = 0; row < kMaxCharRows; ++row) {
            const auto vk = image.U8(uint64_t{*rows} + row * *rowSize);
            if (!vk || *vk == 0) {
                break;
            }
            if (*vk == kVkDecimal && *columns >= 2) {
                decimal = *rows + row * *rowSize + 2;
                return true;
            }
        }
    }
    return false;
}

// The section of `offset` holds `size` bytes from it.
bool FitsSection(const PeImage& image, uint64_t offset, uint64_t size) {
    const PeSection* section = image.SectionOfOffset(offset);
    return section && offset + size <= uint64_t{section->rawOffset} + section->rawSize;
}

bool PrefixedTableTerminates(const PeImage& image, uint32_t offset) {
    for (uint32_t entry = 0; entry < kMaxPrefixedEntries; ++entry) {
        const uint64_t at = offset + 4ull * entry;
        if (!FitsSection(image, at, 4)) {
            return false;
        }
        if (image.Bytes()[at] == 0) {
            return true;
        }
    }
    return false;
}

std::optional<uint32_t> FirstOccurrence(const std::vector<uint8_t>& bytes,
                                        const std::vector<uint8_t>& pattern) {
    if (pattern.empty()) {
        return std::nullopt;
    }
    const auto found = std::search(bytes.begin(), bytes.end(), pattern.begin(), pattern.end());
    if (found == bytes.end()) {
        return std::nullopt;
    }
    return static_cast<uint32_t>(found - bytes.begin());
}

std::string Lower(std::string text) {
    for (char& ch : text) {
        ch = static_cast<char>(std::tolower(static_cast<unsigned char>(ch)));
    }
    return text;
}

}  // namespace

bool LocateTables(const PeImage& image, TablePlaces& places, std::string& error) {
    uint32_t tables = 0;
    if (!DescriptorTables(image, tables, error)) {
        return false;
    }
    const unsigned p = image.PointerSize();
    const auto scanToVk = PointedOffset(image, tables + 6ull * p);
    const auto count = image.U8(tables + 7ull * p);
    const auto e0 = PointedOffset(image, tables + 8ull * p);
    const auto e1 = PointedOffset(image, tables + 9ull * p);
    const auto charTables = PointedOffset(image, tables + 1ull * p);
    if (!scanToVk || !count || !e0 || !e1 || !charTables) {
        error = "the layout tables point outside the image";
        return false;
    }
    places.tables = tables;
    places.scanToVk = *scanToVk;
    places.scanToVkCount = *count;
    places.e0 = *e0;
    places.e1 = *e1;
    if (!FindDecimalKey(image, *charTables, places.decimal)) {
        error = "no two-character entry for the numeric keypad's decimal key";
        return false;
    }
    return true;
}

bool CheckLayoutImage(const PeImage& image, const ImageExpectation& expected,
                      const LayoutPatterns& patterns, std::vector<std::string>& problems) {
    const size_t before = problems.size();
    const bool wants64 = expected.machine != kMachineI386;
    if (image.Machine() != expected.machine || image.IsPe32Plus() != wants64 || !image.IsDll()) {
        problems.push_back(
            "machine " + Hex(image.Machine()) + (image.IsPe32Plus() ? " PE32+" : " PE32") +
            (image.IsDll() ? "" : " (not a DLL)") + ", expected " + Hex(expected.machine));
    }
    if (image.OsMajor() != expected.osMajor || image.OsMinor() != expected.osMinor ||
        image.SubsystemMajor() != expected.osMajor || image.SubsystemMinor() != expected.osMinor) {
        problems.push_back(
            "OS/subsystem version " + std::to_string(image.OsMajor()) + "." +
            std::to_string(image.OsMinor()) + "/" + std::to_string(image.SubsystemMajor()) + "." +
            std::to_string(image.SubsystemMinor()) + ", expected " +
            std::to_string(expected.osMajor) + "." + std::to_string(expected.osMinor));
    }
    if (Lower(image.ExportModuleName()) != Lower(expected.dllName)) {
        problems.push_back("the library calls itself '" + image.ExportModuleName() +
                           "', registered as '" + expected.dllName + "'");
    }
    const auto displayName = image.StringResource(expected.displayTextId);
    if (!displayName || displayName->empty()) {
        problems.push_back("no display-name string " + std::to_string(expected.displayTextId));
    }

    TablePlaces places;
    std::string error;
    if (!LocateTables(image, places, error)) {
        problems.push_back(error);
        return false;
    }
    const struct {
        const char* what;
        const std::vector<uint8_t>& pattern;
        uint32_t place;
        uint64_t room;
    } located[] = {
        {"scan-code array", patterns.scanToVk, places.scanToVk, 2ull * kPatchedScanCodes},
        {"E0 table", patterns.e0, places.e0, 4},
        {"E1 table", patterns.e1, places.e1, 4},
        {"decimal key", patterns.decimal, places.decimal, 4},
    };
    for (const auto& table : located) {
        const auto first = FirstOccurrence(image.Bytes(), table.pattern);
        if (!first) {
            problems.push_back(std::string(table.what) + ": pattern not found");
        } else if (*first != table.place) {
            problems.push_back(std::string(table.what) + ": pattern first found at " + Hex(*first) +
                               ", the table is at " + Hex(table.place));
        } else if (!FitsSection(image, table.place, table.room)) {
            problems.push_back(std::string(table.what) + ": no room for the patch at " +
                               Hex(table.place));
        }
    }
    if (places.scanToVkCount < kPatchedScanCodes) {
        problems.push_back("scan-code array has only " + std::to_string(places.scanToVkCount) +
                           " entries");
    }
    if (!PrefixedTableTerminates(image, places.e0) || !PrefixedTableTerminates(image, places.e1)) {
        problems.push_back("an E0 or E1 table has no terminating entry inside its section");
    }
    return problems.size() == before;
}

LayoutPatterns RegistrationTexts::ForSet(unsigned set) const {
    LayoutPatterns patterns = shared;
    patterns.scanToVk = scanPatterns[set];
    return patterns;
}

bool PrepareRegistrationTexts(const std::map<unsigned, std::string>& texts, RegistrationTexts& out,
                              std::string& error) {
    constexpr unsigned kLibraryName = 83;
    constexpr unsigned kLayoutValueA = 84;
    constexpr unsigned kLayoutValueB = 87;
    constexpr unsigned kDecimalPattern = 146;
    constexpr unsigned kScanPatternSet0 = 147;
    constexpr unsigned kE0Pattern = 150;
    constexpr unsigned kE1Pattern = 151;
    const auto text = [&texts](unsigned id) -> const std::string& {
        static const std::string empty;
        const auto found = texts.find(id);
        return found == texts.end() ? empty : found->second;
    };
    out.dllName = text(kLibraryName);
    const bool displayFirst = text(kLayoutValueA).rfind('@', 0) == 0;
    const std::string& display = displayFirst ? text(kLayoutValueA) : text(kLayoutValueB);
    const std::string& layoutId = displayFirst ? text(kLayoutValueB) : text(kLayoutValueA);
    std::string displayFile;
    if (!ParseDisplayNameValue(display, displayFile, out.displayTextId)) {
        error = "texts 84/87: no display-name value \"@%SystemRoot%\\system32\\<file>,-<id>\"";
        return false;
    }
    if (layoutId.size() != 4 ||
        layoutId.find_first_not_of("0123456789abcdefABCDEF") != std::string::npos) {
        error = "texts 84/87: the layout id \"" + layoutId + "\" is not four hex digits";
        return false;
    }
    if (out.dllName.empty() || Lower(displayFile) != Lower(out.dllName)) {
        error = "the display-name value names \"" + displayFile + "\", text 83 is \"" +
                out.dllName + "\"";
        return false;
    }
    const std::pair<unsigned, std::vector<uint8_t>*> patterns[] = {
        {kScanPatternSet0, &out.scanPatterns[0]},
        {kScanPatternSet0 + 1, &out.scanPatterns[1]},
        {kScanPatternSet0 + 2, &out.scanPatterns[2]},
        {kE0Pattern, &out.shared.e0},
        {kE1Pattern, &out.shared.e1},
        {kDecimalPattern, &out.shared.decimal}};
    for (const auto& [id, pattern] : patterns) {
        if (!DecodeHexPattern(text(id), *pattern)) {
            error = "text " + std::to_string(id) + " is not an upper-case hex pattern";
            return false;
        }
    }
    return true;
}

bool DecodeHexPattern(const std::string& text, std::vector<uint8_t>& bytes) {
    bytes.clear();
    if (text.empty() || text.size() % 2 != 0) {
        return false;
    }
    auto digit = [](char ch) -> int {
        if (ch >= '0' && ch <= '9') {
            return ch - '0';
        }
        return ch >= 'A' && ch <= 'F' ? ch - 'A' + 10 : -1;
    };
    for (size_t i = 0; i < text.size(); i += 2) {
        const int high = digit(text[i]);
        const int low = digit(text[i + 1]);
        if (high < 0 || low < 0) {
            return false;
        }
        bytes.push_back(static_cast<uint8_t>(high * 16 + low));
    }
    return true;
}

bool ParseDisplayNameValue(const std::string& value, std::string& file, uint16_t& id) {
    const std::string prefix = "@%SystemRoot%\\system32\\";
    const size_t comma = value.rfind(",-");
    if (value.rfind(prefix, 0) != 0 || comma == std::string::npos || comma <= prefix.size()) {
        return false;
    }
    const std::string number = value.substr(comma + 2);
    if (number.empty() || number.size() > 5 ||
        number.find_first_not_of("0123456789") != std::string::npos) {
        return false;
    }
    const unsigned long parsed = std::stoul(number);
    if (parsed == 0 || parsed > 0xFFFF) {
        return false;
    }
    file = value.substr(prefix.size(), comma - prefix.size());
    id = static_cast<uint16_t>(parsed);
    return file.find('\\') == std::string::npos;
}

}  // namespace kbdcheck
