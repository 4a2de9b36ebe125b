#pragma once

#include "text/FormatDigits.h"
#include "text/FormatField.h"
#include "text/FormatSpec.h"

// w W: four bytes as a dotted IPv4 address, or with `h` sixteen bytes as a braced GUID.
void FormatAddress(FormatField& field, const FormatSpec& spec, const unsigned char* bytes);

// b B: calls put(const char* text, int length) for the consecutive pieces of the dump of
// `count` bytes, so that a dump of any length can be measured and written without a buffer.
// `#` braces each byte, or each group of 4 bytes with the grouping flag; the space flag
// separates bytes; the grouping flag separates groups.
template <typename Put>
void ForEachDumpPiece(const FormatSpec& spec, const unsigned char* bytes, int count, Put&& put) {
    constexpr int kGroupSize = 4;
    const bool braces = spec.Has(kFlagAlternate);
    const bool spaced = spec.Has(kFlagSpace);
    const bool grouped = spec.Has(kFlagGroup);
    const char* digitSet = spec.letter == u'B' ? kUpperHexDigits : kLowerHexDigits;
    for (int index = 0; index < count; ++index) {
        if (index == 0) {
            if (braces) {
                put("{", 1);
            }
        } else if (grouped && index % kGroupSize == 0) {
            // Between groups: "} {" or "}{" with braces, one space more than between bytes
            // without them.
            if (braces) {
                put(spaced ? "} {" : "}{", spaced ? 3 : 2);
            } else {
                put("  ", spaced ? 2 : 1);
            }
        } else if (braces && !grouped) {
            put(spaced ? "} {" : "}{", spaced ? 3 : 2);
        } else if (spaced) {
            put(" ", 1);
        }
        const char pair[2] = {digitSet[bytes[index] >> 4], digitSet[bytes[index] & 0xF]};
        put(pair, 2);
    }
    if (braces && count > 0) {
        put("}", 1);
    }
}
