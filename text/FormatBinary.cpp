#include "text/FormatBinary.h"

#include <charconv>
#include <initializer_list>

namespace {

constexpr int kIpv4Bytes = 4;

void PutIpv4(FormatField& field, const FormatSpec& spec, const unsigned char* bytes) {
    for (int index = 0; index < kIpv4Bytes; ++index) {
        if (index > 0) {
            field.Put('.');
        }
        char text[4];
        const auto result = std::to_chars(text, text + sizeof text, bytes[index]);
        const int length = static_cast<int>(result.ptr - text);
        if (spec.Has(kFlagZero)) {
            field.PutRepeated('0', 3 - length);
        }
        field.Put(text, length);
    }
}

void PutHexBytes(FormatField& field, const char* digitSet, const unsigned char* bytes,
                 std::initializer_list<int> order) {
    for (const int index : order) {
        field.Put(digitSet[bytes[index] >> 4]);
        field.Put(digitSet[bytes[index] & 0xF]);
    }
}

// The first three fields of a GUID are little-endian numbers; the last eight bytes are in order.
void PutGuid(FormatField& field, const FormatSpec& spec, const unsigned char* bytes) {
    const char* digitSet = spec.letter == u'W' ? kUpperHexDigits : kLowerHexDigits;
    field.Put('{');
    PutHexBytes(field, digitSet, bytes, {3, 2, 1, 0});
    field.Put('-');
    PutHexBytes(field, digitSet, bytes, {5, 4});
    field.Put('-');
    PutHexBytes(field, digitSet, bytes, {7, 6});
    field.Put('-');
    PutHexBytes(field, digitSet, bytes, {8, 9});
    field.Put('-');
    PutHexBytes(field, digitSet, bytes, {10, 11, 12, 13, 14, 15});
    field.Put('}');
}

}  // namespace

void FormatAddress(FormatField& field, const FormatSpec& spec, const unsigned char* bytes) {
    if (spec.size == SizeModifier::kShort) {
        PutGuid(field, spec, bytes);
    } else {
        PutIpv4(field, spec, bytes);
    }
}
