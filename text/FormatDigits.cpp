#include "text/FormatDigits.h"

#include <charconv>

#include "text/FormatSpec.h"

char SignFor(bool negative, unsigned flags) {
    if (negative) {
        return '-';
    }
    if ((flags & kFlagPlus) != 0) {
        return '+';
    }
    return (flags & kFlagSpace) != 0 ? ' ' : 0;
}

DecimalDigits RoundToSignificant(double magnitude, int significant) {
    // d.ddd...e-ddd: 309 digits, the point and at most 5 exponent characters.
    char text[DecimalDigits::kMaxDigits + 8];
    const auto result = std::to_chars(text, text + sizeof text, magnitude,
                                      std::chars_format::scientific, significant - 1);
    DecimalDigits rounded;
    const char* cursor = text;
    for (; cursor != result.ptr && *cursor != 'e'; ++cursor) {
        if (*cursor != '.') {
            rounded.digits[rounded.count++] = *cursor;
        }
    }
    // What follows is e, a sign and the exponent's digits.
    const bool negativeExponent = cursor + 1 < result.ptr && cursor[1] == '-';
    int exponent = 0;
    for (cursor += 2; cursor < result.ptr; ++cursor) {
        exponent = exponent * 10 + (*cursor - '0');
    }
    rounded.exponent = negativeExponent ? -exponent : exponent;
    return rounded;
}

void PutWithPoint(FormatField& field, const DecimalDigits& digits, int count, int integerDigits,
                  bool pointAlways) {
    if (integerDigits <= 0) {
        field.Put("0.");
        field.PutRepeated('0', -integerDigits);
        field.Put(digits.digits, count);
        return;
    }
    field.Put(digits.digits, integerDigits);
    if (pointAlways || integerDigits < count) {
        field.Put('.');
    }
    field.Put(digits.digits + integerDigits, count - integerDigits);
}

void PutExponent(FormatField& field, char letter, int exponent) {
    field.Put(letter);
    field.Put(exponent < 0 ? '-' : '+');
    const int magnitude = exponent < 0 ? -exponent : exponent;
    if (magnitude < 10) {
        field.Put('0');
    }
    char text[8];
    const auto result = std::to_chars(text, text + sizeof text, magnitude);
    field.Put(text, static_cast<int>(result.ptr - text));
}
