#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "tools/packer/Bytes.h"

// A catalogue name with the indexes of one cell, as the manifest writes it: Name[1][2][12].
std::string EntryLabel(const std::string& name, const std::vector<uint32_t>& indexes);

// One line of the payload manifest, TAB-separated:
//   <entry> <file> [items=<decimal count> | items=@<file holding the decimal count>]
// An entry is a catalogue name, alone (kStringTableDefault) or with the indexes of one cell of a
// table (LayoutLibraryTable[1][2][12]). Blank lines are skipped.
struct ManifestEntry {
    std::string name;
    std::vector<uint32_t> indexes;
    std::string file;
    std::optional<uint32_t> items;
    std::string itemsFile;
    int line = 0;

    std::string Label() const { return EntryLabel(name, indexes); }
};

// Fails on the first malformed line or on an entry given twice; `error` names the line.
bool ParseManifest(std::string_view text, std::vector<ManifestEntry>& entries, std::string& error);

// One payload with its bytes and item count, ready for the catalogue.
struct LoadedPayload {
    std::string name;
    std::vector<uint32_t> indexes;
    Bytes plain;
    uint32_t items = 0;
};

// Reads every entry's file and item count (0 when none is given). Fails naming the entry and
// the file that cannot be read, is too large for a container or holds no valid count.
bool LoadPayloads(const std::vector<ManifestEntry>& entries, std::vector<LoadedPayload>& payloads,
                  std::string& error);
