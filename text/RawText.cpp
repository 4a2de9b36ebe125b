#include "text/RawText.h"

#include <climits>
#include <cstdint>
#include <cstring>

namespace {

template <typename Unit>
int LengthOf(const Unit* text) {
    int n = 0;
    if (text != nullptr) {
        while (text[n] != 0) {
            ++n;
        }
    }
    return n;
}

template <typename Unit>
int ResolveLength(const Unit* text, int length) {
    return length == -1 ? LengthOf(text) : length;
}

// Shared guard of the needle searches. The sum is taken in 64 bits so that a start index near
// INT_MAX cannot wrap around into an apparently valid position.
bool NeedleSearchPossible(const void* haystack, const void* needle, int haystackLength,
                          int needleLength, int from) {
    return haystack != nullptr && needle != nullptr && haystackLength > 0 && needleLength > 0 &&
           from >= 0 &&
           static_cast<std::int64_t>(from) + needleLength <=
               static_cast<std::int64_t>(haystackLength);
}

template <typename Unit>
int FindForward(const Unit* haystack, const Unit* needle, int haystackLength, int needleLength,
                int start) {
    if (!NeedleSearchPossible(haystack, needle, haystackLength, needleLength, start)) {
        return -1;
    }
    const std::size_t needleBytes = static_cast<std::size_t>(needleLength) * sizeof(Unit);
    for (int at = start; at <= haystackLength - needleLength; ++at) {
        if (haystack[at] == needle[0] && std::memcmp(haystack + at, needle, needleBytes) == 0) {
            return at;
        }
    }
    return -1;
}

template <typename Unit>
int FindLastSingle(const Unit* units, Unit unit, int length, int lowest) {
    if (units == nullptr || length <= 0 || lowest < 0 || lowest >= length) {
        return -1;
    }
    for (int at = length - 1; at >= lowest; --at) {
        if (units[at] == unit) {
            return at;
        }
    }
    return -1;
}

template <typename Unit>
int CompareLengthFirst(const Unit* first, const Unit* second, int firstLength, int secondLength) {
    const bool firstEmpty = first == nullptr || firstLength <= 0;
    const bool secondEmpty = second == nullptr || secondLength <= 0;
    if (firstEmpty || secondEmpty) {
        return firstEmpty == secondEmpty ? 0 : (firstEmpty ? -1 : 1);
    }
    if (firstLength != secondLength) {
        return firstLength < secondLength ? -1 : 1;
    }
    for (int i = 0; i < firstLength; ++i) {
        if (first[i] != second[i]) {
            return first[i] < second[i] ? -1 : 1;
        }
    }
    return 0;
}

// Bytes in a UTF-8 sequence announced by its lead byte; 0 for a byte that cannot lead one.
int SequenceLength(unsigned char lead) {
    if (lead < 0x80) {
        return 1;
    }
    if ((lead & 0xE0) == 0xC0) {
        return 2;
    }
    if ((lead & 0xF0) == 0xE0) {
        return 3;
    }
    if ((lead & 0xF8) == 0xF0) {
        return 4;
    }
    return 0;
}

const unsigned char* AsBytes(const void* p) {
    return static_cast<const unsigned char*>(p);
}

}  // namespace

int TextLength(const char* text) {
    return LengthOf(text);
}

int WideTextLength(const char16_t* text) {
    return LengthOf(text);
}

void FillUnits(char16_t* destination, char16_t unit, int count) {
    if (destination == nullptr) {
        return;
    }
    for (int i = 0; i < count; ++i) {
        destination[i] = unit;
    }
}

int FindLastByte(const char* bytes, char byte, int length, int lowest) {
    return FindLastSingle(bytes, byte, ResolveLength(bytes, length), lowest);
}

int FindLastUnit(const char16_t* units, char16_t unit, int length, int lowest) {
    return FindLastSingle(units, unit, ResolveLength(units, length), lowest);
}

int FindBytes(const void* haystack, const void* needle, int haystackLength, int needleLength,
              int start) {
    const auto* h = AsBytes(haystack);
    const auto* n = AsBytes(needle);
    return FindForward(h, n, ResolveLength(h, haystackLength), ResolveLength(n, needleLength),
                       start);
}

int FindLastBytes(const void* haystack, const void* needle, int haystackLength, int needleLength,
                  int lowest) {
    const auto* h = AsBytes(haystack);
    const auto* n = AsBytes(needle);
    haystackLength = ResolveLength(h, haystackLength);
    needleLength = ResolveLength(n, needleLength);
    if (!NeedleSearchPossible(h, n, haystackLength, needleLength, lowest)) {
        return -1;
    }
    const std::size_t needleBytes = static_cast<std::size_t>(needleLength);
    for (int at = haystackLength - needleLength; at >= lowest; --at) {
        if (h[at] == n[0] && std::memcmp(h + at, n, needleBytes) == 0) {
            return at;
        }
    }
    return -1;
}

int FindUnits(const char16_t* haystack, const char16_t* needle, int haystackLength,
              int needleLength, int start) {
    haystackLength = haystackLength < 0 ? LengthOf(haystack) : haystackLength;
    needleLength = needleLength < 0 ? LengthOf(needle) : needleLength;
    return FindForward(haystack, needle, haystackLength, needleLength, start);
}

int CompareBytes(const void* first, const void* second, int firstLength, int secondLength) {
    const auto* a = AsBytes(first);
    const auto* b = AsBytes(second);
    return CompareLengthFirst(a, b, ResolveLength(a, firstLength), ResolveLength(b, secondLength));
}

int CompareUnits(const char16_t* first, const char16_t* second, int firstLength, int secondLength) {
    return CompareLengthFirst(first, second, ResolveLength(first, firstLength),
                              ResolveLength(second, secondLength));
}

unsigned ParseDecimal(const char16_t*& cursor, int maxDigits) {
    unsigned value = 0;
    if (cursor == nullptr) {
        return value;
    }
    for (int digits = 0; digits < maxDigits && *cursor >= u'0' && *cursor <= u'9'; ++digits) {
        value = value * 10u + static_cast<unsigned>(*cursor - u'0');
        ++cursor;
    }
    return value;
}

int Utf8SizeOfWide(const char16_t* units, int count, int readySize) {
    if (readySize > 0) {
        return readySize;
    }
    if (count < 0) {
        count = LengthOf(units);
    }
    if (units == nullptr) {
        return 0;
    }
    std::int64_t size = 0;
    for (int i = 0; i < count; ++i) {
        size += units[i] < 0x80 ? 1 : (units[i] < 0x800 ? 2 : 3);
    }
    return size > INT_MAX ? -1 : static_cast<int>(size);
}

int WideSizeOfUtf8(const char* bytes, int length, int readySize) {
    if (readySize > 0) {
        return readySize;
    }
    if (length < 0) {
        length = LengthOf(bytes);
    }
    if (bytes == nullptr) {
        return 0;
    }
    const auto* b = AsBytes(bytes);
    int units = 0;
    for (int at = 0; at < length;) {
        const int sequence = SequenceLength(b[at]);
        ++units;
        if (sequence == 0 || sequence > length - at) {
            break;
        }
        at += sequence;
    }
    return units;
}

const char* Utf8SkipCharacters(const char* bytes, int n, int length) {
    if (n == 0) {
        return bytes;
    }
    if (length < 0) {
        length = LengthOf(bytes);
    }
    if (bytes == nullptr || n < 0 || length <= n) {
        return nullptr;
    }
    const auto* b = AsBytes(bytes);
    int at = 0;
    for (int character = 0; character < n && at < length; ++character) {
        const int sequence = SequenceLength(b[at]);
        // A byte that cannot lead a sequence is stepped over on its own.
        const int step = sequence == 0 ? 1 : sequence;
        at = step > length - at ? length : at + step;
    }
    return bytes + at;
}
