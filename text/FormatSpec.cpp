#include "text/FormatSpec.h"

#include <climits>

#include "text/FormatArguments.h"
#include "text/RawText.h"

namespace {

constexpr int kMaxNumberDigits = 10;

unsigned FlagOf(char16_t unit) {
    switch (unit) {
        case u'-':
            return kFlagLeft;
        case u'+':
            return kFlagPlus;
        case u' ':
            return kFlagSpace;
        case u'0':
            return kFlagZero;
        case u'#':
            return kFlagAlternate;
        case u'$':
            return kFlagEscapeAll;
        case u'`':
            return kFlagGroup;
        default:
            return 0;
    }
}

// Ten digits can exceed the int range; such a width or precision is meant as large, never
// as negative.
int ReadNumber(const char16_t*& cursor) {
    const unsigned value = ParseDecimal(cursor, kMaxNumberDigits);
    return value > static_cast<unsigned>(INT_MAX) ? INT_MAX : static_cast<int>(value);
}

// A negative width from the arguments asks for left justification; INT_MIN has no int
// magnitude and is taken as the largest width.
int MagnitudeOfWidth(int width) {
    return width == INT_MIN ? INT_MAX : (width < 0 ? -width : width);
}

SizeModifier ReadSizeModifier(const char16_t*& cursor) {
    switch (*cursor) {
        case u'L':
            ++cursor;
            return SizeModifier::kLong64;
        case u'l':
            ++cursor;
            if (*cursor == u'l') {
                ++cursor;
                return SizeModifier::kLong64;
            }
            return SizeModifier::kLong;
        case u'h':
            ++cursor;
            return SizeModifier::kShort;
        default:
            return SizeModifier::kNone;
    }
}

}  // namespace

FormatSpec ParseFormatSpec(const char16_t*& cursor, FormatArguments& arguments) {
    FormatSpec spec;
    for (unsigned flag = FlagOf(*cursor); flag != 0; flag = FlagOf(*cursor)) {
        spec.flags |= flag;
        ++cursor;
    }
    if (*cursor == u'*') {
        ++cursor;
        const int width = arguments.NextInt();
        if (width < 0) {
            spec.flags |= kFlagLeft;
        }
        spec.width = MagnitudeOfWidth(width);
    } else {
        spec.width = ReadNumber(cursor);
    }
    if (*cursor == u'.') {
        ++cursor;
        if (*cursor == u'*') {
            ++cursor;
            spec.precision = arguments.NextInt();
        } else {
            spec.precision = ReadNumber(cursor);
        }
    }
    spec.size = ReadSizeModifier(cursor);
    spec.letter = *cursor;
    if (spec.letter != 0) {
        ++cursor;
    }
    return spec;
}
