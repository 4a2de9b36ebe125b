#pragma once

#include "text/FormatField.h"

inline constexpr char kLowerHexDigits[] = "0123456789abcdef";
inline constexpr char kUpperHexDigits[] = "0123456789ABCDEF";

// Signs of signed conversions: '-' for negative values, else '+' with the `+` flag, else a
// space with the space flag; 0 for none.
char SignFor(bool negative, unsigned flags);

// A non-negative value rounded to a number of significant decimal digits:
// digits[0].digits[1]... times ten to the exponent. Zero has exponent 0.
struct DecimalDigits {
    static constexpr int kMaxDigits = 309;
    char digits[kMaxDigits];
    int count = 0;
    int exponent = 0;
};

// Correctly rounded (ties to even on the exact binary value) and identical on every build:
// the digits come from std::to_chars, never from the C library. `significant` is 1..309.
DecimalDigits RoundToSignificant(double magnitude, int significant);

// The first `count` digits with a point after `integerDigits` of them (1 <= integerDigits <=
// count), or "0." and -integerDigits zeros first when integerDigits <= 0. The point is left
// out when no digit follows it and `pointAlways` is false.
void PutWithPoint(FormatField& field, const DecimalDigits& digits, int count, int integerDigits,
                  bool pointAlways);

// The exponent of the e style: the letter, its sign and at least two digits.
void PutExponent(FormatField& field, char letter, int exponent);
