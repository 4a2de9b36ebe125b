#pragma once

#include <string>
#include <vector>

#include "tools/packer/Bytes.h"
#include "tools/packer/Manifest.h"

// The generated C++ source of the whole catalogue: the stored key material as kKeyMaterial, one
// byte array and size constant per distinct container, and every entry as a PayloadRef, the
// cells of a table gathered into one array whose dimensions follow from the highest indexes.
// Payloads with the same bytes and item count are stored once. The output depends only on the
// inputs, never on their order in the manifest.
//
// Fails when a name is used both alone and as a table or with different numbers of indexes,
// when a cell of a table is missing (the error names it), or when a payload cannot be packed.
bool WriteCatalogueSource(const std::vector<LoadedPayload>& payloads, ByteView keyMaterial,
                          ByteView key, std::string& source, std::string& error);
