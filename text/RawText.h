#pragma once

// Free functions over raw buffers of bytes or UTF-16 units with explicit lengths. A length of
// -1 (any negative length where stated) means "up to the first zero unit"; searches answer an
// index or -1.

int TextLength(const char* text);
int WideTextLength(const char16_t* text);
void FillUnits(char16_t* destination, char16_t unit, int count);

int FindLastByte(const char* bytes, char byte, int length, int lowest);
int FindLastUnit(const char16_t* units, char16_t unit, int length, int lowest);
int FindBytes(const void* haystack, const void* needle, int haystackLength, int needleLength,
              int start);
int FindLastBytes(const void* haystack, const void* needle, int haystackLength, int needleLength,
                  int lowest);
int FindUnits(const char16_t* haystack, const char16_t* needle, int haystackLength,
              int needleLength, int start);

int CompareBytes(const void* first, const void* second, int firstLength, int secondLength);
int CompareUnits(const char16_t* first, const char16_t* second, int firstLength,
                 int secondLength);

unsigned ParseDecimal(const char16_t*& cursor, int maxDigits);

int Utf8SizeOfWide(const char16_t* units, int count, int readySize);
int WideSizeOfUtf8(const char* bytes, int length, int readySize);
const char* Utf8SkipCharacters(const char* bytes, int n, int length);
