#include "text/FormatFloat.h"

#include <bit>
#include <charconv>
#include <cmath>
#include <cstdint>

#include "text/FormatDigits.h"

namespace {

constexpr int kMaxPrecision = 308;

int ClampPrecision(int precision, int lowest, int replacement) {
    if (precision < lowest) {
        return replacement;
    }
    return precision > kMaxPrecision ? kMaxPrecision : precision;
}

// std::to_chars gives exactly the digits that a correct fcvt/ecvt would, on every build.
void PutCharsFormat(FormatField& field, double magnitude, std::chars_format style, int precision,
                    char exponentLetter) {
    // Largest case: %f of the largest double, 309 integer digits, a point, 308 fraction digits.
    char text[FormatField::kCapacity];
    const auto result = std::to_chars(text, text + sizeof text, magnitude, style, precision);
    for (const char* cursor = text; cursor != result.ptr; ++cursor) {
        field.Put(*cursor == 'e' ? exponentLetter : *cursor);
    }
}

void FormatFixed(FormatField& field, const FormatSpec& spec, double magnitude) {
    PutCharsFormat(field, magnitude, std::chars_format::fixed, ClampPrecision(spec.precision, 1, 6),
                   'e');
}

void FormatExponential(FormatField& field, const FormatSpec& spec, double magnitude) {
    PutCharsFormat(field, magnitude, std::chars_format::scientific,
                   ClampPrecision(spec.precision, 1, 6), spec.letter == u'E' ? 'E' : 'e');
}

int CountWithoutTrailingZeros(const DecimalDigits& digits) {
    int count = digits.count;
    while (count > 1 && digits.digits[count - 1] == '0') {
        --count;
    }
    return count;
}

void FormatGeneral(FormatField& field, const FormatSpec& spec, double magnitude) {
    if (magnitude == 0) {
        field.Put('0');
        return;
    }
    const int precision = spec.precision == 0 ? 1 : ClampPrecision(spec.precision, 0, 6);
    const DecimalDigits digits = RoundToSignificant(magnitude, precision);
    const bool alternate = spec.Has(kFlagAlternate);
    const int kept = alternate ? digits.count : CountWithoutTrailingZeros(digits);
    const int exponent = digits.exponent;
    if (exponent < -4 || exponent >= precision) {
        PutWithPoint(field, digits, kept, 1, alternate);
        PutExponent(field, spec.letter == u'G' ? 'E' : 'e', exponent);
        return;
    }
    // Zeros of the integer part are digits, not trailing zeros of the fraction.
    const int integerDigits = exponent + 1;
    PutWithPoint(field, digits, kept > integerDigits ? kept : integerDigits, integerDigits,
                 alternate);
}

void FormatHexadecimal(FormatField& field, const FormatSpec& spec, double magnitude) {
    constexpr int kFractionBits = 52;
    constexpr int kFractionDigits = kFractionBits / 4;
    constexpr std::uint64_t kFractionMask = (std::uint64_t{1} << kFractionBits) - 1;

    const auto bits = std::bit_cast<std::uint64_t>(magnitude);
    const int biasedExponent = static_cast<int>(bits >> kFractionBits);
    std::uint64_t fraction = bits & kFractionMask;
    // Subnormal values keep the exponent of the smallest normal one and a leading 0.
    std::uint64_t leading = biasedExponent != 0 ? 1 : 0;
    const int exponent = biasedExponent != 0 ? biasedExponent - 1023 : (fraction != 0 ? -1022 : 0);
    const auto fractionDigit = [&fraction](int index) {
        return static_cast<int>((fraction >> (kFractionBits - 4 - 4 * index)) & 0xF);
    };

    int count = ClampPrecision(spec.precision, 1, 0);
    if (count == 0) {
        count = kFractionDigits;
        while (count > 0 && fractionDigit(count - 1) == 0) {
            --count;
        }
    } else if (count < kFractionDigits) {
        const int droppedBits = kFractionBits - 4 * count;
        if ((fraction >> (droppedBits - 1) & 1) != 0) {
            // Round up; a carry out of the fraction reaches the leading digit (1 becomes 2,
            // a subnormal's 0 becomes 1), so the value stays right.
            const std::uint64_t whole =
                ((leading << kFractionBits) | fraction) + (std::uint64_t{1} << droppedBits);
            leading = whole >> kFractionBits;
            fraction = whole & kFractionMask;
        }
    }

    const char* digitSet = spec.letter == u'A' ? kUpperHexDigits : kLowerHexDigits;
    field.Put("0x");
    field.Put(digitSet[leading]);
    if (count > 0 || spec.Has(kFlagAlternate)) {
        field.Put('.');
    }
    for (int index = 0; index < count; ++index) {
        field.Put(index < kFractionDigits ? digitSet[fractionDigit(index)] : '0');
    }
    field.Put(spec.letter == u'A' ? 'P' : 'p');
    field.Put(exponent < 0 ? '-' : '+');
    char text[8];
    const auto result =
        std::to_chars(text, text + sizeof text, exponent < 0 ? -exponent : exponent);
    field.Put(text, static_cast<int>(result.ptr - text));
}

void FormatEngineering(FormatField& field, const FormatSpec& spec, double magnitude) {
    // SI prefixes from 10^-24 to 10^24; the micro sign is UTF-8, widened on append.
    static constexpr const char* kSiPrefixes[] = {
        "y", "z", "a", "f", "p", "n", "\xC2\xB5", "m", " ", "k", "M", "G", "T", "P", "E", "Z", "Y"};
    constexpr int kSiLimit = 24;

    const int precision = ClampPrecision(spec.precision, 3, 3);
    const DecimalDigits digits = RoundToSignificant(magnitude, precision);
    const int exponent = digits.exponent;
    const int engineering = exponent >= 0 ? exponent / 3 * 3 : -((2 - exponent) / 3 * 3);
    PutWithPoint(field, digits, precision, exponent - engineering + 1, true);
    if (spec.Has(kFlagAlternate) && engineering >= -kSiLimit && engineering <= kSiLimit) {
        field.Put(' ');
        field.Put(kSiPrefixes[(engineering + kSiLimit) / 3]);
    } else {
        PutExponent(field, 'e', engineering);
    }
}

}  // namespace

void FormatFloat(FormatField& field, const FormatSpec& spec, double value) {
    if (std::isnan(value)) {
        field.Put("{ nan}");
        return;
    }
    if (std::isinf(value)) {
        field.Put(value < 0 ? "{-inf}" : "{+inf}");
        return;
    }
    const char sign = SignFor(std::signbit(value), spec.flags);
    if (sign != 0) {
        field.Put(sign);
    }
    field.EndLead();
    const double magnitude = std::fabs(value);
    switch (spec.letter) {
        case u'f':
            FormatFixed(field, spec, magnitude);
            break;
        case u'e':
        case u'E':
            FormatExponential(field, spec, magnitude);
            break;
        case u'g':
        case u'G':
            FormatGeneral(field, spec, magnitude);
            break;
        case u'a':
        case u'A':
            FormatHexadecimal(field, spec, magnitude);
            break;
        default:
            FormatEngineering(field, spec, magnitude);
            break;
    }
}
