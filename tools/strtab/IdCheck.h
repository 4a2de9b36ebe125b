#pragma once

#include <cstdint>
#include <map>
#include <string>
#include <string_view>
#include <vector>

#include "payload/StringTable.h"

// The names of the id catalogue, read from lines "inline constexpr StringId kName = number;",
// with the line that declares each.
struct CatalogueEntry {
    std::uint32_t id = 0;
    int line = 0;
};
using IdCatalogue = std::map<std::string, CatalogueEntry>;
bool ReadIdCatalogue(std::string_view header, const std::string& fileName, IdCatalogue& catalogue,
                     std::vector<std::string>& errors);

// A catalogue name used in the code, at its first use.
struct IdUse {
    std::string name;
    std::uint32_t id = 0;
    std::string where;  // "file:line"
};
// Adds the catalogue names that the source names (as whole identifiers) and that `uses` does
// not hold yet.
void CollectIdUses(std::string_view source, const std::string& fileName,
                   const IdCatalogue& catalogue, std::vector<IdUse>& uses);

// The four tables as the program searches them.
struct TableSet {
    const StringTable* defaults;
    const StringTable* engine;
    const StringTable* languages[2];
};
// One error per use that the fetch order (the language table, the default table, the engine
// table) cannot satisfy for one of the two UI languages.
void CheckIdUses(const std::vector<IdUse>& uses, const TableSet& tables,
                 std::vector<std::string>& errors);
