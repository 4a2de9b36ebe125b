#pragma once

// The two conversions between the forms of GString. Each UTF-16 unit is encoded on its own, so
// a surrogate pair becomes two three-byte sequences; decoding accepts what that encoding makes
// (overlong forms included) and nothing longer.

// Writes the UTF-8 bytes of `count` units to `out`, which holds Utf8SizeOfWide(units, count, 0)
// bytes; answers the number of bytes written.
int EncodeUtf8(const char16_t* units, int count, char* out);

// Writes the UTF-8 sequence of one unit (1 to 3 bytes) and answers its length.
int EncodeUtf8Unit(char16_t unit, char out[3]);

// Decodes `length` bytes into `out`, which holds WideSizeOfUtf8(bytes, length, 0) units.
// Answers the number of units written, or -1 when a byte cannot lead a sequence (a
// continuation byte or a lead of four bytes or more), a continuation byte is missing, or a
// sequence is cut off by the end; the units written before the fault mean nothing then.
int DecodeUtf8(const char* bytes, int length, char16_t* out);
