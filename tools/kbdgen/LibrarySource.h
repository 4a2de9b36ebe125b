// Sources of the x86 and x64 layout libraries: the C file with the tables and the
// KbdLayerDescriptor export, the resource script with the display name, and the module
// definition that names the library.
#pragma once

#include <cstdint>
#include <string>

#include "tools/kbdgen/LayoutDefinition.h"

namespace kbd {

// `origin` names the definition in the generated file's header comment.
std::string WriteLibrarySource(const LayoutDefinition& layout, const std::string& origin);

// The display-name string `textId` (what "@%SystemRoot%\system32\<dll>,-<textId>" points at)
// and a version resource.
std::string WriteResourceScript(const LayoutDefinition& layout, uint16_t textId,
                                const std::string& dllName, const std::string& version);

std::string WriteModuleDefinition(const std::string& dllName);

}  // namespace kbd
