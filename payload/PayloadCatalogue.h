#pragma once

#include "payload/PayloadRef.h"

// The payloads the program carries. Their definitions are generated at build time by the packer
// from the registered content; every entry is a container for CGuard::Decode except the key
// material, which goes to CGuard::SetKeyMaterial.

extern const unsigned char kKeyMaterial[968];

// The string tables; each container's item count is the table's entry count.
extern const PayloadRef kStringTableDefault;
extern const PayloadRef kStringTableLanguage0;
extern const PayloadRef kStringTableLanguage1;
extern const PayloadRef kStringTableEngine;

// The keyboard-layout libraries by library family (0, 1), layout set (0 to 2) and variant
// (0 to 12, the Windows version and processor of the build).
extern const PayloadRef LayoutLibraryTable[2][3][13];

// The documents: file 1 the printable layout chart, file 2 the user guide (both PDF).
extern const PayloadRef kDocumentFile1;
extern const PayloadRef kDocumentFile2;

// The licence texts by UI language (0 English, 1 Polish): UTF-8 text, possibly beginning with a
// byte-order mark.
extern const PayloadRef LicenceTextTable[2];

// File 5, the readme page that file 4 opens.
extern const PayloadRef kFile5;
