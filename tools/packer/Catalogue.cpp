#include "tools/packer/Catalogue.h"

#include <algorithm>
#include <cstdio>
#include <map>
#include <optional>
#include <tuple>
#include <utility>

#include "payload/KeyParameters.h"
#include "tools/packer/Container.h"
#include "tools/packer/Text.h"

namespace {

constexpr const char* kBlobNamespace = "tolvin_payload_blobs";
constexpr size_t kLiteralLineLength = 96;

// Containers are shared by payloads with the same item count and bytes.
using ContentKey = std::pair<uint32_t, ByteView>;
struct ContentOrder {
    bool operator()(const ContentKey& a, const ContentKey& b) const {
        if (a.first != b.first) {
            return a.first < b.first;
        }
        return std::lexicographical_compare(a.second.begin(), a.second.end(), b.second.begin(),
                                            b.second.end());
    }
};

// The cells of one catalogue name in index order, and the blob each one refers to.
struct NamedEntry {
    std::vector<uint32_t> dimensions;  // empty for a single constant
    std::map<std::vector<uint32_t>, size_t> blobOfCell;
};

std::string BlobName(size_t blob) {
    return Concat(kBlobNamespace, "::kBlob", blob);
}

std::string PayloadRefOf(size_t blob) {
    return Concat('{', BlobName(blob), ", ", BlobName(blob), "Size}");
}

// Octal escapes are at most three digits, so a following digit can never join one; '?' is
// escaped too so that no pair of them reads as a trigraph to an older compiler.
void AppendStringLiteral(std::string& out, ByteView bytes) {
    std::string line;
    auto flush = [&] {
        out += Concat("    \"", line, "\"\n");
        line.clear();
    };
    for (unsigned char byte : bytes) {
        if (byte >= 0x20 && byte < 0x7F && byte != '"' && byte != '\\' && byte != '?') {
            line += static_cast<char>(byte);
        } else {
            char escaped[5];
            std::snprintf(escaped, sizeof escaped, "\\%03o", byte);
            line += escaped;
        }
        if (line.size() >= kLiteralLineLength) {
            flush();
        }
    }
    if (!line.empty() || bytes.empty()) {
        flush();
    }
}

void AppendKeyMaterial(std::string& out, ByteView keyMaterial) {
    out += Concat("extern const unsigned char kKeyMaterial[", keyMaterial.size(),
                  "];\nconst unsigned char kKeyMaterial[", keyMaterial.size(), "] = {");
    for (size_t i = 0; i < keyMaterial.size(); ++i) {
        char hex[8];
        std::snprintf(hex, sizeof hex, "0x%02X,", keyMaterial[i]);
        out += Concat(i % 12 == 0 ? "\n    " : " ", hex);
    }
    out += "\n};\n\n";
}

// Steps `cell` to the next cell in row-major order; false once it has passed the last one.
bool NextCell(std::vector<uint32_t>& cell, const std::vector<uint32_t>& dimensions) {
    for (size_t d = cell.size(); d-- > 0;) {
        if (++cell[d] < dimensions[d]) {
            return true;
        }
        cell[d] = 0;
    }
    return false;
}

// The given cells are sorted in row-major order, so the first gap between them and a count
// through every cell is the first missing cell. This looks only at the cells given, however
// large the indexes make the table.
std::optional<std::vector<uint32_t>> FirstMissingCell(const NamedEntry& entry) {
    std::vector<uint32_t> expected(entry.dimensions.size(), 0);
    for (const auto& cell : entry.blobOfCell) {
        if (cell.first != expected) {
            return expected;
        }
        if (!NextCell(expected, entry.dimensions)) {
            return std::nullopt;
        }
    }
    return expected;
}

void AppendEntry(std::string& out, const std::string& name, const NamedEntry& entry) {
    const std::string dims = EntryLabel("", entry.dimensions);
    out += Concat("extern const PayloadRef ", name, dims, ";\n");
    out += Concat("const PayloadRef ", name, dims, " =");
    if (entry.dimensions.empty()) {
        out += Concat(' ', PayloadRefOf(entry.blobOfCell.begin()->second), ";\n\n");
        return;
    }
    // Row-major order is also the map's order; a brace closes each row that a cell ends.
    auto indent = [](size_t depth) { return std::string(4 * depth, ' '); };
    const size_t depth = entry.dimensions.size();
    out += " {\n";
    for (const auto& [cell, blob] : entry.blobOfCell) {
        size_t opening = depth;
        while (opening > 1 && cell[opening - 1] == 0) {
            --opening;
        }
        for (size_t d = opening; d < depth; ++d) {
            out += Concat(indent(d), "{\n");
        }
        out += Concat(indent(depth), PayloadRefOf(blob), ",  // ", EntryLabel("", cell), '\n');
        for (size_t d = depth; d > 1 && cell[d - 1] + 1 == entry.dimensions[d - 1]; --d) {
            out += Concat(indent(d - 1), "},\n");
        }
    }
    out += "};\n\n";
}

// Groups the payloads by name and checks that each name is one constant or one complete table.
bool GroupEntries(const std::vector<LoadedPayload>& payloads, const std::vector<size_t>& blobOf,
                  std::map<std::string, NamedEntry>& named, std::string& error) {
    for (size_t i = 0; i < payloads.size(); ++i) {
        const LoadedPayload& payload = payloads[i];
        if (payload.name == "kKeyMaterial") {
            error = "kKeyMaterial is made from the key, not from a payload";
            return false;
        }
        auto [it, first] = named.try_emplace(payload.name);
        NamedEntry& entry = it->second;
        if (first) {
            entry.dimensions.assign(payload.indexes.size(), 0);
        } else if (entry.dimensions.size() != payload.indexes.size()) {
            error = Concat(EntryLabel(payload.name, payload.indexes), " does not have the ",
                           entry.dimensions.size(), " indexes of other ", payload.name, " entries");
            return false;
        }
        if (!entry.blobOfCell.emplace(payload.indexes, blobOf[i]).second) {
            error = Concat(EntryLabel(payload.name, payload.indexes), " is given twice");
            return false;
        }
        for (size_t d = 0; d < payload.indexes.size(); ++d) {
            entry.dimensions[d] = std::max(entry.dimensions[d], payload.indexes[d] + 1);
        }
    }
    for (const auto& [name, entry] : named) {
        if (const auto missing = FirstMissingCell(entry)) {
            error = Concat(EntryLabel(name, *missing),
                           " is missing: every cell of a table must be given");
            return false;
        }
    }
    return true;
}

}  // namespace

bool WriteCatalogueSource(const std::vector<LoadedPayload>& payloads, ByteView keyMaterial,
                          ByteView key, std::string& source, std::string& error) {
    if (keyMaterial.size() != static_cast<size_t>(kKeyMaterialLength)) {
        error = Concat("the key material must have ", kKeyMaterialLength, " bytes");
        return false;
    }
    // Blobs are numbered in the order of the sorted entries, so manifest order cannot matter.
    std::vector<size_t> order(payloads.size());
    for (size_t i = 0; i < order.size(); ++i) {
        order[i] = i;
    }
    std::sort(order.begin(), order.end(), [&](size_t a, size_t b) {
        return std::tie(payloads[a].name, payloads[a].indexes) <
               std::tie(payloads[b].name, payloads[b].indexes);
    });
    std::map<ContentKey, size_t, ContentOrder> blobOfContent;
    std::vector<size_t> blobOf(payloads.size());
    std::vector<Bytes> blobs;
    for (size_t i : order) {
        const LoadedPayload& payload = payloads[i];
        const auto [it, added] =
            blobOfContent.try_emplace({payload.items, ByteView(payload.plain)}, blobs.size());
        if (added) {
            std::string problem;
            Bytes container;
            if (!PackContainer(payload.plain, payload.items, key, container, problem)) {
                error = Concat(EntryLabel(payload.name, payload.indexes), ": ", problem);
                return false;
            }
            blobs.push_back(std::move(container));
        }
        blobOf[i] = it->second;
    }
    std::map<std::string, NamedEntry> named;
    if (!GroupEntries(payloads, blobOf, named, error)) {
        return false;
    }

    source =
        "// Generated by tolvin-pack from the payload manifest and the key source; do not edit.\n"
        "#include <cstdint>\n\n#include \"payload/PayloadCatalogue.h\"\n\n";
    source += Concat("namespace ", kBlobNamespace, " {\n\n");
    for (size_t blob = 0; blob < blobs.size(); ++blob) {
        const std::string size = Concat("kBlob", blob, "Size");
        source += Concat("constexpr uint32_t ", size, " = ", blobs[blob].size(),
                         ";\nconst unsigned char kBlob", blob, '[', size, " + 1] =\n");
        AppendStringLiteral(source, blobs[blob]);
        source += "    ;\n\n";
    }
    source += Concat("}  // namespace ", kBlobNamespace, "\n\n");
    AppendKeyMaterial(source, keyMaterial);
    for (const auto& [name, entry] : named) {
        AppendEntry(source, name, entry);
    }
    return true;
}
