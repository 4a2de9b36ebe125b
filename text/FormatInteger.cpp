#include "text/FormatInteger.h"

#include <cmath>

#include "text/FormatDigits.h"

namespace {

constexpr int kMaxPrecision = 308;
constexpr char kNullText[] = "{null}";
constexpr int kNullTextLength = 6;

struct Radix {
    unsigned base;
    int groupSize;
    const char* digitSet;
    const char* prefix;  // with `#`
};

Radix RadixOf(char16_t letter) {
    switch (letter) {
        case u'x':
        case u'p':
            return {16, 4, kLowerHexDigits, "0x"};
        case u'X':
        case u'P':
            // The prefix keeps its lower-case x with upper-case digits.
            return {16, 4, kUpperHexDigits, "0x"};
        case u'o':
            return {8, 3, kLowerHexDigits, "0"};
        case u'y':
            return {2, 4, kLowerHexDigits, "0y"};
        default:
            return {10, 3, kLowerHexDigits, ""};
    }
}

int LengthOf(const char* text) {
    int length = 0;
    while (text[length] != 0) {
        ++length;
    }
    return length;
}

}  // namespace

void FormatInteger(FormatField& field, const FormatSpec& spec, std::uint64_t magnitude,
                   bool negative) {
    const Radix radix = RadixOf(spec.letter);
    const bool isSigned = spec.letter == u'd' || spec.letter == u'i';
    const char sign = isSigned ? SignFor(negative, spec.flags) : 0;
    const char* prefix = spec.Has(kFlagAlternate) ? radix.prefix : "";

    char reversed[64];
    int digitCount = 0;
    do {
        reversed[digitCount++] = radix.digitSet[magnitude % radix.base];
        magnitude /= radix.base;
    } while (magnitude != 0);

    const int precision = spec.precision <= 0              ? 1
                          : spec.precision > kMaxPrecision ? kMaxPrecision
                                                           : spec.precision;
    const int leadLength = (sign != 0 ? 1 : 0) + LengthOf(prefix);
    int width = digitCount;
    if (precision >= leadLength + digitCount) {
        width = precision;
        if (radix.base == 8) {
            prefix = "";  // the leading zeros already say octal
        }
    }

    if (sign != 0) {
        field.Put(sign);
    }
    field.Put(prefix);
    field.EndLead();
    // Digits from the most significant down; positions >= digitCount are the precision's zeros.
    for (int position = width - 1; position >= 0; --position) {
        field.Put(position < digitCount ? reversed[position] : '0');
        if (spec.Has(kFlagGroup) && position > 0 && position % radix.groupSize == 0) {
            field.Put(' ');
        }
    }
}

void FormatNullPointer(FormatField& field, const FormatSpec& spec) {
    FormatField zero;
    FormatInteger(zero, spec, 0, false);
    field.PutRepeated(' ', zero.Length() - kNullTextLength);
    field.Put(kNullText);
}

void FormatBinarySize(FormatField& field, const FormatSpec& spec, std::uint64_t magnitude,
                      bool negative) {
    int divisions = 0;
    for (std::uint64_t scaled = magnitude; scaled >= 1024; scaled /= 1024) {
        ++divisions;
    }
    int precision = spec.precision < 0               ? 3
                    : spec.precision <= 1            ? 2
                    : spec.precision > kMaxPrecision ? kMaxPrecision
                                                     : spec.precision;
    double scaled = std::ldexp(static_cast<double>(magnitude), -10 * divisions);
    DecimalDigits digits = RoundToSignificant(scaled, precision);
    if (digits.exponent + 1 > precision) {
        // Rounding reached 1024 of the unit (or more digits than asked): one unit up.
        ++divisions;
        precision = precision > 1 ? precision - 1 : 1;
        scaled /= 1024;
        digits = RoundToSignificant(scaled, precision);
    }

    const char sign = spec.letter == u'I' ? SignFor(negative, spec.flags) : 0;
    if (sign != 0) {
        field.Put(sign);
    }
    field.EndLead();
    PutWithPoint(field, digits, precision, digits.exponent + 1, true);
    if (spec.Has(kFlagAlternate)) {
        // Without a division the suffix is three spaces: no prefix is claimed, and columns of
        // sizes stay aligned with the " Ki" ones.
        static constexpr char kPrefixLetters[] = "KMGTPEZY";
        field.Put(' ');
        field.Put(divisions == 0 ? ' ' : kPrefixLetters[divisions - 1]);
        field.Put(divisions == 0 ? ' ' : 'i');
    } else {
        field.Put('b');
        field.Put(static_cast<char>('0' + divisions));
        field.Put('0');
    }
}
