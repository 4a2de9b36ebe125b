// The Itanium layout images. No compiler here targets Itanium, so these are data-only PE32+
// images (machine 0x200) written directly: the layout object in the 64-bit layout, with base
// relocations, the display-name string resource, and an export table that names the object
// KbdLayerTables (there is no code, hence no KbdLayerDescriptor). Setup patches them exactly
// like the other builds; Windows on Itanium cannot load them as a layout.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "tools/kbdgen/LayoutDefinition.h"

namespace kbd {

struct DataOnlyImageOptions {
    std::string dllName;
    uint16_t textId = 0;
    uint16_t osMajor = 0;
    uint16_t osMinor = 0;
};

std::vector<uint8_t> WriteDataOnlyImage(const LayoutDefinition& layout,
                                        const DataOnlyImageOptions& options);

}  // namespace kbd
