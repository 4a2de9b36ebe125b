#include "text/UpperCase.h"

#include <cstdint>

namespace {

struct UpperCaseRange {
    char16_t first;
    char16_t last;
    std::int32_t delta;
    std::uint8_t stride;
};

#include "text/UpperCaseTable.inc"

}  // namespace

char16_t UpperCaseUnit(char16_t unit) {
    // Most texts are ASCII; they never reach the table.
    if (unit < 0x80) {
        return unit >= u'a' && unit <= u'z' ? static_cast<char16_t>(unit - 32) : unit;
    }
    // The last range that starts at or below the unit is the only one that can hold it.
    int low = 0;
    int high = static_cast<int>(sizeof kUpperCaseRanges / sizeof kUpperCaseRanges[0]);
    while (high - low > 1) {
        const int middle = low + (high - low) / 2;
        if (kUpperCaseRanges[middle].first <= unit) {
            low = middle;
        } else {
            high = middle;
        }
    }
    const UpperCaseRange& range = kUpperCaseRanges[low];
    if (unit < range.first || unit > range.last || (unit - range.first) % range.stride != 0) {
        return unit;
    }
    return static_cast<char16_t>(unit + range.delta);
}
