#include "tools/packer/Manifest.h"

#include <charconv>
#include <map>

#include "tools/packer/Container.h"
#include "tools/packer/Text.h"

namespace {

// Table dimensions come from the highest index; this bound keeps a typing error from asking
// for a table of billions of cells.
constexpr uint32_t kMaxTableIndex = 4095;

bool IsIdentifierStart(char c) {
    return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || c == '_';
}

bool IsDigit(char c) {
    return c >= '0' && c <= '9';
}

bool ParseDecimal(std::string_view text, uint32_t& value) {
    const auto [end, code] = std::from_chars(text.data(), text.data() + text.size(), value);
    return !text.empty() && IsDigit(text.front()) && code == std::errc() &&
           end == text.data() + text.size();
}

bool ParseEntryName(std::string_view text, ManifestEntry& entry) {
    size_t i = 0;
    if (text.empty() || !IsIdentifierStart(text[0])) {
        return false;
    }
    while (i < text.size() && (IsIdentifierStart(text[i]) || IsDigit(text[i]))) {
        ++i;
    }
    entry.name = std::string(text.substr(0, i));
    entry.indexes.clear();
    while (i < text.size()) {
        const auto close = text.find(']', i);
        uint32_t index = 0;
        if (text[i] != '[' || close == std::string_view::npos ||
            !ParseDecimal(text.substr(i + 1, close - i - 1), index) || index > kMaxTableIndex) {
            return false;
        }
        entry.indexes.push_back(index);
        i = close + 1;
    }
    return true;
}

std::vector<std::string_view> SplitFields(std::string_view line) {
    std::vector<std::string_view> fields;
    while (true) {
        const auto tab = line.find('\t');
        fields.push_back(line.substr(0, tab));
        if (tab == std::string_view::npos) {
            return fields;
        }
        line = line.substr(tab + 1);
    }
}

bool ParseItems(std::string_view field, ManifestEntry& entry) {
    constexpr std::string_view kPrefix = "items=";
    if (!field.starts_with(kPrefix)) {
        return false;
    }
    field.remove_prefix(kPrefix.size());
    if (field.starts_with('@')) {
        entry.itemsFile = std::string(field.substr(1));
        return !entry.itemsFile.empty();
    }
    uint32_t items = 0;
    if (!ParseDecimal(field, items)) {
        return false;
    }
    entry.items = items;
    return true;
}

bool ParseLine(std::string_view line, ManifestEntry& entry, std::string& problem) {
    const auto fields = SplitFields(line);
    if (fields.size() < 2 || fields.size() > 3) {
        problem = "expected <entry> TAB <file> [TAB items=<n> | TAB items=@<file>]";
        return false;
    }
    if (!ParseEntryName(fields[0], entry)) {
        problem =
            Concat('\'', fields[0], "' is not a name with optional [index] parts (indexes 0 to ",
                   kMaxTableIndex, ')');
        return false;
    }
    if (fields[1].empty()) {
        problem = Concat("no file for ", entry.Label());
        return false;
    }
    entry.file = std::string(fields[1]);
    if (fields.size() == 3 && !ParseItems(fields[2], entry)) {
        problem =
            Concat('\'', fields[2], "' is not items=<decimal count below 2^32> or items=@<file>");
        return false;
    }
    return true;
}

bool ReadItemCount(const std::string& path, uint32_t& items, std::string& error) {
    constexpr uint64_t kLongestCountFile = 64;
    Bytes bytes;
    if (!ReadFileBytes(path, kLongestCountFile, bytes, error)) {
        return false;
    }
    std::string_view text(reinterpret_cast<const char*>(bytes.data()), bytes.size());
    while (!text.empty() && (text.back() == '\n' || text.back() == '\r' || text.back() == ' ')) {
        text.remove_suffix(1);
    }
    if (!ParseDecimal(text, items)) {
        error = Concat(path, ": expected one decimal item count below 2^32");
        return false;
    }
    return true;
}

}  // namespace

std::string EntryLabel(const std::string& name, const std::vector<uint32_t>& indexes) {
    std::string label = name;
    for (uint32_t index : indexes) {
        label += Concat('[', index, ']');
    }
    return label;
}

bool ParseManifest(std::string_view text, std::vector<ManifestEntry>& entries, std::string& error) {
    entries.clear();
    std::map<std::string, int> lineOfLabel;
    int lineNumber = 0;
    while (!text.empty()) {
        const auto newline = text.find('\n');
        std::string_view line = text.substr(0, newline);
        text = newline == std::string_view::npos ? std::string_view{} : text.substr(newline + 1);
        ++lineNumber;
        if (line.ends_with('\r')) {
            line.remove_suffix(1);
        }
        if (line.empty()) {
            continue;
        }
        ManifestEntry entry;
        std::string problem;
        if (!ParseLine(line, entry, problem)) {
            error = Concat("manifest line ", lineNumber, ": ", problem);
            return false;
        }
        entry.line = lineNumber;
        const auto [known, added] = lineOfLabel.emplace(entry.Label(), lineNumber);
        if (!added) {
            error = Concat("manifest line ", lineNumber, ": ", entry.Label(),
                           " is already given on line ", known->second);
            return false;
        }
        entries.push_back(std::move(entry));
    }
    return true;
}

bool LoadPayloads(const std::vector<ManifestEntry>& entries, std::vector<LoadedPayload>& payloads,
                  std::string& error) {
    payloads.clear();
    for (const ManifestEntry& entry : entries) {
        LoadedPayload payload;
        payload.name = entry.name;
        payload.indexes = entry.indexes;
        payload.items = entry.items.value_or(0);
        std::string problem;
        if (!ReadFileBytes(entry.file, kMaxContainerSize, payload.plain, problem) ||
            (!entry.itemsFile.empty() && !ReadItemCount(entry.itemsFile, payload.items, problem))) {
            error = Concat(entry.Label(), " (manifest line ", entry.line, "): ", problem);
            return false;
        }
        payloads.push_back(std::move(payload));
    }
    return true;
}
