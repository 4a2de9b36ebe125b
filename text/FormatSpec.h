#pragma once

class FormatArguments;

// Flags of a conversion specification; any number, in any order.
enum FormatFlag : unsigned {
    kFlagLeft = 1u << 0,       // -
    kFlagPlus = 1u << 1,       // +
    kFlagSpace = 1u << 2,      // space
    kFlagZero = 1u << 3,       // 0
    kFlagAlternate = 1u << 4,  // #
    kFlagEscapeAll = 1u << 5,  // $
    kFlagGroup = 1u << 6,      // backquote
};

enum class SizeModifier { kNone, kLong64, kLong, kShort };  // none, L or ll, l, h

struct FormatSpec {
    unsigned flags = 0;
    int width = 0;      // 0: no width
    int precision = 0;  // as written or passed; 0 when missing
    SizeModifier size = SizeModifier::kNone;
    char16_t letter = 0;  // 0 when the template ended inside a conversion

    bool Has(FormatFlag flag) const { return (flags & flag) != 0; }
};

// Reads the conversion that follows a '%': flags, width, precision, size modifier and the
// conversion letter. A '*' takes its value from the arguments. The cursor ends after the
// letter, or on the template's terminator when the conversion is cut off.
FormatSpec ParseFormatSpec(const char16_t*& cursor, FormatArguments& arguments);
