#include "tools/strtab/IdCheck.h"

#include <cctype>
#include <regex>

namespace {

bool IsIdentifierChar(char c) {
    return std::isalnum(static_cast<unsigned char>(c)) != 0 || c == '_';
}

}  // namespace

bool ReadIdCatalogue(std::string_view header, const std::string& fileName, IdCatalogue& catalogue,
                     std::vector<std::string>& errors) {
    static const std::regex kDeclaration(
        R"(^\s*inline constexpr StringId (k[A-Za-z0-9_]+) = ([0-9]+);\s*$)");
    const std::size_t errorsBefore = errors.size();
    int lineNumber = 0;
    std::size_t start = 0;
    while (start < header.size()) {
        ++lineNumber;
        std::size_t end = header.find('\n', start);
        if (end == std::string_view::npos) {
            end = header.size();
        }
        const std::string line(header.substr(start, end - start));
        start = end + 1;
        std::smatch match;
        if (std::regex_match(line, match, kDeclaration)) {
            const unsigned long long value = std::stoull(match[2].str());
            const CatalogueEntry entry{static_cast<std::uint32_t>(value), lineNumber};
            if (value > 0xFFFFFFFFull || !catalogue.emplace(match[1].str(), entry).second) {
                errors.push_back(fileName + ":" + std::to_string(lineNumber) +
                                 ": error: bad or repeated id constant " + match[1].str());
            }
        } else if (line.find("constexpr StringId") != std::string::npos &&
                   line.find("//") == std::string::npos) {
            errors.push_back(fileName + ":" + std::to_string(lineNumber) +
                             ": error: write id constants as "
                             "'inline constexpr StringId kName = number;'");
        }
    }
    if (catalogue.empty()) {
        errors.push_back(fileName + ": error: no id constants found");
    }
    return errors.size() == errorsBefore;
}

void CollectIdUses(std::string_view source, const std::string& fileName,
                   const IdCatalogue& catalogue, std::vector<IdUse>& uses) {
    int lineNumber = 1;
    std::size_t at = 0;
    while (at < source.size()) {
        const char c = source[at];
        if (c == '\n') {
            ++lineNumber;
            ++at;
            continue;
        }
        if (!IsIdentifierChar(c)) {
            ++at;
            continue;
        }
        const std::size_t begin = at;
        while (at < source.size() && IsIdentifierChar(source[at])) {
            ++at;
        }
        const std::string word(source.substr(begin, at - begin));
        const auto entry = catalogue.find(word);
        if (entry == catalogue.end()) {
            continue;
        }
        bool known = false;
        for (const IdUse& use : uses) {
            known = known || use.name == word;
        }
        if (!known) {
            uses.push_back({word, entry->second.id, fileName + ":" + std::to_string(lineNumber)});
        }
    }
}

void CheckIdUses(const std::vector<IdUse>& uses, const TableSet& tables,
                 std::vector<std::string>& errors) {
    for (const IdUse& use : uses) {
        for (int language = 0; language < 2; ++language) {
            const void* entry =
                FindInTables({tables.languages[language], tables.defaults, tables.engine}, use.id);
            if (entry == nullptr) {
                errors.push_back(use.where + ": error: " + use.name + " (string " +
                                 std::to_string(use.id) + ") has no text for UI language " +
                                 std::to_string(language) +
                                 ": not in its language table, the default table or the "
                                 "engine table");
            }
        }
    }
}
