// The formatting engine of GString: printf-style templates with this program's own flags and
// conversions. Numeric conversions are produced as 8-bit text first (see FormatField.h) and
// widened on append, so the micro sign of the SI prefixes arrives as U+00B5.

#include <climits>
#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

#include "text/FormatArguments.h"
#include "text/FormatBinary.h"
#include "text/FormatField.h"
#include "text/FormatFloat.h"
#include "text/FormatInteger.h"
#include "text/FormatSpec.h"
#include "text/GString.h"

namespace {

constexpr int kFloatWidthLimit = 512;
constexpr int kNoBound = -1;
constexpr char16_t kNullText[] = u"{null}";
constexpr int kNullTextLength = 6;
constexpr std::uint32_t kCountedUtf8Flag = 0x80000000u;
constexpr std::uint32_t kCountedLengthMask = 0x1FFFFFFFu;

constexpr auto kNoLead = []() { return true; };

enum class Escaping { kNone, kControls, kAllButPrintable };

Escaping EscapingOf(const FormatSpec& spec) {
    if (spec.Has(kFlagEscapeAll)) {
        return Escaping::kAllButPrintable;
    }
    return spec.Has(kFlagAlternate) ? Escaping::kControls : Escaping::kNone;
}

bool NeedsEscape(char16_t unit, Escaping escaping) {
    switch (escaping) {
        case Escaping::kControls:
            return unit < 32;
        case Escaping::kAllButPrintable:
            return unit < 32 || unit > 126;
        default:
            return false;
    }
}

std::int64_t MagnitudeOf(int precision) {
    return precision < 0 ? -std::int64_t{precision} : precision;
}

// Units of a UTF-16 text that the precision selects: 0 up to the first zero, n > 0 at most n
// stopping at a zero, -n exactly n with zeros included; never more than `bound` when given.
int SelectUnits(const char16_t* units, int precision, int bound) {
    const std::int64_t limit = bound == kNoBound ? INT_MAX : bound;
    const std::int64_t wanted = precision == 0 ? limit : MagnitudeOf(precision);
    const std::int64_t count = wanted < limit ? wanted : limit;
    if (precision < 0) {
        return static_cast<int>(count);
    }
    int length = 0;
    while (length < count && units[length] != 0) {
        ++length;
    }
    return length;
}

int SequenceLength(unsigned char lead) {
    if (lead >= 0xF0 && lead < 0xF8) {
        return 4;
    }
    if (lead >= 0xE0 && lead < 0xF0) {
        return 3;
    }
    return lead >= 0xC0 && lead < 0xE0 ? 2 : 1;
}

// The same for 8-bit text, counting characters: a character is its lead byte and the
// continuation bytes that the lead byte announces. Reading stops at a zero byte (unless the
// precision is negative) and at the bound, so a cut sequence is left for the decoder to refuse.
int SelectBytes(const char* bytes, int precision, int bound) {
    const bool exact = precision < 0;
    const std::int64_t limit = bound == kNoBound ? INT_MAX : bound;
    const std::int64_t wanted = precision == 0 ? INT_MAX : MagnitudeOf(precision);
    const auto available = [&](std::int64_t position) {
        return position < limit && (exact || bytes[position] != 0);
    };
    std::int64_t position = 0;
    for (std::int64_t characters = 0; characters < wanted && available(position); ++characters) {
        const int sequence = SequenceLength(static_cast<unsigned char>(bytes[position]));
        ++position;
        for (int i = 1; i < sequence && available(position); ++i) {
            ++position;
        }
    }
    return static_cast<int>(position);
}

class Formatter {
public:
    Formatter(GString& text, va_list arguments)
        : text_(text), arguments_(arguments), startLength_(text.GetLength()) {}

    bool Run(const char16_t* format);

private:
    bool Convert(const FormatSpec& spec);
    bool ConvertCharacter(const FormatSpec& spec);
    bool ConvertText(const FormatSpec& spec);
    bool ConvertStringObject(const FormatSpec& spec);
    bool ConvertCountedText(const FormatSpec& spec);
    bool ConvertPointer(const FormatSpec& spec);
    bool ConvertFloat(const FormatSpec& spec);
    bool ConvertByteDump(const FormatSpec& spec);
    bool ConvertAddress(const FormatSpec& spec);
    void StoreCount();

    // Padding around a conversion's output of `units` units: spaces before it, or zeros after
    // its lead (sign and prefix) with `0`, or spaces after it with `-`.
    template <typename Lead, typename Rest>
    bool PutPadded(const FormatSpec& spec, std::int64_t units, Lead&& putLead, Rest&& putRest);
    bool PutField(const FormatSpec& spec, const FormatField& field);
    bool PutText(const FormatSpec& spec, const char16_t* units, int length);
    bool PutNarrowText(const FormatSpec& spec, const char* bytes, int bound);
    bool PutNull(const FormatSpec& spec) { return PutText(spec, kNullText, kNullTextLength); }
    bool PutEscape(char16_t unit, bool upper);
    bool Overlaps(const void* source, std::int64_t bytes) const;

    GString& text_;
    FormatArguments arguments_;
    const int startLength_;
};

bool Formatter::Run(const char16_t* format) {
    // A template taken from this very string would move when the output grows the block.
    std::u16string ownCopy;
    if (Overlaps(format, 2)) {
        ownCopy = format;
        format = ownCopy.c_str();
    }
    const char16_t* cursor = format;
    while (*cursor != 0) {
        const char16_t* piece = cursor;
        while (*cursor != 0 && *cursor != u'%') {
            ++cursor;
        }
        if (!text_.CatWide(piece, static_cast<int>(cursor - piece))) {
            return false;
        }
        if (*cursor == 0) {
            break;
        }
        ++cursor;
        if (*cursor == 0) {
            break;  // a '%' at the very end is dropped
        }
        const FormatSpec spec = ParseFormatSpec(cursor, arguments_);
        if (spec.letter == 0) {
            break;  // the template ended inside a conversion
        }
        if (!Convert(spec)) {
            return false;
        }
    }
    return true;
}

bool Formatter::Convert(const FormatSpec& spec) {
    const bool is64 = spec.size == SizeModifier::kLong64;
    FormatField field;
    switch (spec.letter) {
        case u'd':
        case u'i':
        case u'I': {
            const long long value = is64 ? arguments_.NextInt64() : arguments_.NextInt();
            const auto bits = static_cast<std::uint64_t>(value);
            const std::uint64_t magnitude = value < 0 ? 0 - bits : bits;
            if (spec.letter == u'I') {
                FormatBinarySize(field, spec, magnitude, value < 0);
            } else {
                FormatInteger(field, spec, magnitude, value < 0);
            }
            return PutField(spec, field);
        }
        case u'u':
        case u'x':
        case u'X':
        case u'o':
        case u'y':
        case u'U': {
            const std::uint64_t value = is64 ? static_cast<std::uint64_t>(arguments_.NextInt64())
                                             : arguments_.NextUnsigned();
            if (spec.letter == u'U') {
                FormatBinarySize(field, spec, value, false);
            } else {
                FormatInteger(field, spec, value, false);
            }
            return PutField(spec, field);
        }
        case u'p':
        case u'P':
            return ConvertPointer(spec);
        case u'c':
        case u'C':
            return ConvertCharacter(spec);
        case u's':
        case u'S':
            return ConvertText(spec);
        case u'z':
        case u'Z':
            return ConvertStringObject(spec);
        case u'f':
        case u'e':
        case u'E':
        case u'g':
        case u'G':
        case u'a':
        case u'A':
        case u'F':
            return ConvertFloat(spec);
        case u'b':
        case u'B':
            return ConvertByteDump(spec);
        case u'w':
        case u'W':
            return ConvertAddress(spec);
        case u'n':
            StoreCount();
            return true;
        case u'N':
            return text_.AppendNewLine();
        case u'%':
            return text_.AppendChar(u'%');
        case u'T':
        case u't':
        case u'Y':
            arguments_.NextInt();  // not supported: the slot is taken all the same
            return false;
        default:
            // Not a conversion letter: what was read vanishes and the character stays as text.
            return text_.AppendChar(spec.letter);
    }
}

bool Formatter::ConvertPointer(const FormatSpec& spec) {
    const void* pointer = arguments_.NextPointer<const void>();
    FormatSpec pointerSpec = spec;
    pointerSpec.precision = 8;
    FormatField field;
    if (pointer == nullptr) {
        FormatNullPointer(field, pointerSpec);
    } else {
        FormatInteger(field, pointerSpec, reinterpret_cast<std::uintptr_t>(pointer), false);
    }
    return PutField(spec, field);
}

bool Formatter::ConvertCharacter(const FormatSpec& spec) {
    auto unit = static_cast<char16_t>(arguments_.NextInt() & 0xFFFF);
    if (spec.size == SizeModifier::kShort) {
        const unsigned byte = unit & 0xFFu;
        if (byte >= 0x80) {
            return false;  // one byte of UTF-8 text is a character only below 128
        }
        unit = static_cast<char16_t>(byte);
    }
    // A zero unit is no character; it shows only as an escape.
    const int length = unit == 0 && !NeedsEscape(unit, EscapingOf(spec)) ? 0 : 1;
    return PutText(spec, &unit, length);
}

bool Formatter::ConvertText(const FormatSpec& spec) {
    if (spec.size == SizeModifier::kLong64) {
        arguments_.NextPointer<const void>();
        return true;
    }
    if (spec.size == SizeModifier::kShort) {
        const char* bytes = arguments_.NextPointer<const char>();
        return bytes == nullptr ? PutNull(spec) : PutNarrowText(spec, bytes, kNoBound);
    }
    const char16_t* units = arguments_.NextPointer<const char16_t>();
    if (units == nullptr) {
        return PutNull(spec);
    }
    return PutText(spec, units, SelectUnits(units, spec.precision, kNoBound));
}

bool Formatter::ConvertStringObject(const FormatSpec& spec) {
    if (spec.size == SizeModifier::kLong64) {
        arguments_.NextPointer<const void>();
        return true;
    }
    if (spec.size == SizeModifier::kShort) {
        return ConvertCountedText(spec);
    }
    const GString* string = arguments_.NextPointer<const GString>();
    if (string == nullptr) {
        return PutNull(spec);
    }
    // The string's length bounds every precision: nothing past its text is read.
    const int length = string->GetLength();
    if (string->IsWide()) {
        const char16_t* units = string->GetWideText();
        return PutText(spec, units, SelectUnits(units, spec.precision, length));
    }
    return PutNarrowText(spec, string->GetNarrowText(), length);
}

bool Formatter::ConvertCountedText(const FormatSpec& spec) {
    const auto* counted = arguments_.NextPointer<const unsigned char>();
    if (counted == nullptr) {
        return PutNull(spec);
    }
    std::uint32_t header = 0;
    std::memcpy(&header, counted, sizeof header);
    // Counted texts carry no terminator, so the header's length bounds the precision's
    // selection; reading on to a zero would run past the text.
    const auto length = static_cast<int>(header & kCountedLengthMask);
    const unsigned char* body = counted + sizeof header;
    if ((header & kCountedUtf8Flag) != 0) {
        return PutNarrowText(spec, reinterpret_cast<const char*>(body), length);
    }
    const auto* units = reinterpret_cast<const char16_t*>(body);
    return PutText(spec, units, SelectUnits(units, spec.precision, length));
}

bool Formatter::ConvertFloat(const FormatSpec& spec) {
    double value = 0;
    if (spec.letter == u'F' && spec.size == SizeModifier::kShort) {
        value = arguments_.NextInt();
    } else if (spec.letter == u'F' && spec.size == SizeModifier::kLong64) {
        value = static_cast<double>(arguments_.NextInt64());
    } else {
        value = arguments_.NextDouble();
    }
    FormatField field;
    FormatFloat(field, spec, value);
    FormatSpec limited = spec;
    if (limited.width > kFloatWidthLimit) {
        limited.width = kFloatWidthLimit;
    }
    return PutField(limited, field);
}

bool Formatter::ConvertByteDump(const FormatSpec& spec) {
    const auto* bytes = arguments_.NextPointer<const unsigned char>();
    if (spec.precision <= 0) {
        return true;
    }
    if (bytes == nullptr) {
        return PutNull(spec);
    }
    std::vector<unsigned char> copy;
    if (Overlaps(bytes, spec.precision)) {
        copy.assign(bytes, bytes + spec.precision);
        bytes = copy.data();
    }
    std::int64_t units = 0;
    ForEachDumpPiece(spec, bytes, spec.precision,
                     [&units](const char*, int length) { units += length; });
    if (units > INT_MAX) {
        return false;  // longer than any string can be
    }
    const auto putDump = [&]() {
        const int start = text_.GetLength();
        char16_t* out = text_.GetAppendBuffer(static_cast<int>(units));
        if (out == nullptr) {
            return false;
        }
        int written = 0;
        ForEachDumpPiece(spec, bytes, spec.precision, [out, &written](const char* piece, int n) {
            for (int i = 0; i < n; ++i) {
                out[written++] = static_cast<char16_t>(piece[i]);
            }
        });
        return text_.SetLength(start + written);
    };
    return PutPadded(spec, units, kNoLead, putDump);
}

bool Formatter::ConvertAddress(const FormatSpec& spec) {
    const auto* bytes = arguments_.NextPointer<const unsigned char>();
    // Addresses are padded with spaces even with `0`, which only widens the IPv4 bytes.
    FormatSpec spacePadded = spec;
    spacePadded.flags &= ~static_cast<unsigned>(kFlagZero);
    if (bytes == nullptr) {
        return PutNull(spacePadded);
    }
    FormatField field;
    FormatAddress(field, spec, bytes);
    return PutField(spacePadded, field);
}

void Formatter::StoreCount() {
    int* target = arguments_.NextPointer<int>();
    if (target != nullptr) {
        *target = text_.GetLength() - startLength_;
    }
}

// A source inside the string's own block would move when an append grows the block.
bool Formatter::Overlaps(const void* source, std::int64_t bytes) const {
    const auto text = reinterpret_cast<std::uintptr_t>(text_.GetWideText());
    const std::uintptr_t block = text - 2 * static_cast<std::uintptr_t>(text_.GetStart()) - 4;
    const auto begin = reinterpret_cast<std::uintptr_t>(source);
    return begin < block + static_cast<std::uintptr_t>(text_.GetCapacity()) &&
           begin + static_cast<std::uintptr_t>(bytes) > block;
}

template <typename Lead, typename Rest>
bool Formatter::PutPadded(const FormatSpec& spec, std::int64_t units, Lead&& putLead,
                          Rest&& putRest) {
    const int padding = spec.width > units ? static_cast<int>(spec.width - units) : 0;
    const bool left = spec.Has(kFlagLeft);
    const bool zeros = !left && spec.Has(kFlagZero);
    return (left || zeros || text_.AppendChar(u' ', padding)) && putLead() &&
           (!zeros || text_.AppendChar(u'0', padding)) && putRest() &&
           (!left || text_.AppendChar(u' ', padding));
}

bool Formatter::PutField(const FormatSpec& spec, const FormatField& field) {
    const int lead = field.LeadLength();
    return PutPadded(
        spec, field.UnitCount(), [&]() { return text_.AppendNarrow(field.Bytes(), lead); },
        [&]() { return text_.AppendNarrow(field.Bytes() + lead, field.Length() - lead); });
}

bool Formatter::PutText(const FormatSpec& spec, const char16_t* units, int length) {
    if (Overlaps(units, std::int64_t{length} * 2)) {
        const std::u16string copy(units, static_cast<size_t>(length));
        return PutText(spec, copy.data(), length);
    }
    const Escaping escaping = EscapingOf(spec);
    const bool upper = spec.letter == u'C' || spec.letter == u'S' || spec.letter == u'Z';
    std::int64_t outputUnits = length;
    for (int i = 0; i < length && escaping != Escaping::kNone; ++i) {
        outputUnits += NeedsEscape(units[i], escaping) ? 3 : 0;
    }
    const auto putUnits = [&]() {
        int runStart = 0;
        for (int i = 0; i < length && escaping != Escaping::kNone; ++i) {
            if (NeedsEscape(units[i], escaping)) {
                if (!text_.CatWide(units + runStart, i - runStart) || !PutEscape(units[i], upper)) {
                    return false;
                }
                runStart = i + 1;
            }
        }
        return text_.CatWide(units + runStart, length - runStart);
    };
    return PutPadded(spec, outputUnits, kNoLead, putUnits);
}

bool Formatter::PutNarrowText(const FormatSpec& spec, const char* bytes, int bound) {
    GString decoded;
    decoded.AssignWide(nullptr, 0);
    if (!decoded.AppendNarrow(bytes, SelectBytes(bytes, spec.precision, bound))) {
        return false;
    }
    return PutText(spec, decoded.GetWideText(), decoded.GetLength());
}

bool Formatter::PutEscape(char16_t unit, bool upper) {
    const char* digitSet = upper ? kUpperHexDigits : kLowerHexDigits;
    const char16_t escape[4] = {u'{', static_cast<char16_t>(digitSet[(unit >> 4) & 0xF]),
                                static_cast<char16_t>(digitSet[unit & 0xF]), u'}'};
    return text_.CatWide(escape, 4);
}

}  // namespace

bool GString::Format(const char16_t* format, ...) {
    AssignWide(nullptr, 0);  // wide and empty, whatever the form before
    va_list arguments;
    va_start(arguments, format);
    const bool ok = AppendFormat(format, arguments);
    va_end(arguments);
    return ok;
}

bool GString::AppendFormat(const char16_t* format, va_list arguments) {
    if (!IsWide() || format == nullptr) {
        return false;
    }
    return Formatter(*this, arguments).Run(format);
}
