#pragma once

// Free functions over raw buffers of bytes or UTF-16 units with explicit lengths. A length of
// -1 (any negative length where stated) means "up to the first zero unit"; searches answer an
// index or -1. Every search answers -1 for a null buffer, an empty buffer, a negative start or
// lowest index, or a needle that cannot fit after the start.

// Null counts as the empty text.
int TextLength(const char* text);
int WideTextLength(const char16_t* text);
// Writes nothing for a null destination or a count of 0 or less.
void FillUnits(char16_t* destination, char16_t unit, int count);

// The last occurrence at or above `lowest`; -1 also when `lowest` is not below the length.
int FindLastByte(const char* bytes, char value, int length, int lowest);
int FindLastUnit(const char16_t* units, char16_t unit, int length, int lowest);
// The first occurrence starting at or after `start` that lies entirely inside the haystack.
int FindBytes(const void* haystack, const void* needle, int haystackLength, int needleLength,
              int start);
// The last occurrence starting at or above `lowest` that lies entirely inside the haystack.
int FindLastBytes(const void* haystack, const void* needle, int haystackLength, int needleLength,
                  int lowest);
// As FindBytes over UTF-16 units; any negative length is computed.
int FindUnits(const char16_t* haystack, const char16_t* needle, int haystackLength,
              int needleLength, int start);

// Length first: an empty (or null) buffer is the smallest, then the shorter buffer is the
// smaller; only equal lengths are compared unit by unit as unsigned numbers. Answers 0, -1 or 1.
// Negative lengths other than -1 count as empty.
int CompareBytes(const void* first, const void* second, int firstLength, int secondLength);
int CompareUnits(const char16_t* first, const char16_t* second, int firstLength, int secondLength);

// Reads at most `maxDigits` decimal digits (no sign, unchecked wrap-around) and advances the
// cursor past them; no digit gives 0 and leaves the cursor where it was.
unsigned ParseDecimal(const char16_t*& cursor, int maxDigits);

// UTF-8 bytes that the units need when each unit is encoded on its own (1, 2 or 3 bytes); a
// positive `readySize` is answered as it stands. Any negative count is computed. -1 when the
// size does not fit an int.
int Utf8SizeOfWide(const char16_t* units, int count, int readySize);
// UTF-16 units that the bytes need, one per character counted by its lead byte; counting stops
// after the character at a byte that cannot start one or a sequence cut off by the end. A
// positive `readySize` is answered as it stands. Any negative length is computed.
int WideSizeOfUtf8(const char* bytes, int length, int readySize);
// The address just after the first n characters (n = 0: the text itself); null for a negative
// n, a null text, or a text of no more than n bytes. Any negative length is computed.
const char* Utf8SkipCharacters(const char* bytes, int n, int length);
