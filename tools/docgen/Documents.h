// The two documents setup installs, made from the layout definitions: a printable chart of
// every layout set in both library families (file 1) and a short user guide (file 2).
#pragma once

#include <string>
#include <vector>

#include "tools/docgen/Document.h"
#include "tools/kbdgen/LayoutDefinition.h"

namespace docgen {

// The layout sets in index order, as each family builds them.
struct LayoutFamilies {
    std::vector<kbd::LayoutDefinition> first;
    std::vector<kbd::LayoutDefinition> second;
};

bool WriteChart(const std::string& path, const Fonts& fonts, const LayoutFamilies& layouts,
                std::string& error);
bool WriteGuide(const std::string& path, const Fonts& fonts, const LayoutFamilies& layouts,
                std::string& error);

// What a character looks like on paper: nothing for controls and "none", a word for
// invisible characters.
std::string Printable(uint16_t ch);

}  // namespace docgen
