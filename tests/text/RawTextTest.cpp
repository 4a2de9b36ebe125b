#include "text/RawText.h"

#include <climits>
#include <cstring>

#include <gtest/gtest.h>

namespace {

TEST(RawTextTest, LengthsStopAtTheFirstZeroAndTreatNullAsEmpty) {
    EXPECT_EQ(TextLength("abc\0def"), 3);
    EXPECT_EQ(TextLength(nullptr), 0);
    EXPECT_EQ(WideTextLength(u"ab\0c"), 2);
    EXPECT_EQ(WideTextLength(nullptr), 0);
}

TEST(RawTextTest, FillUnitsWritesExactlyCountUnits) {
    char16_t buffer[5] = {u'x', u'x', u'x', u'x', u'x'};
    FillUnits(buffer + 1, u'a', 3);
    EXPECT_EQ(std::u16string_view(buffer, 5), u"xaaax");
    FillUnits(buffer, u'b', 0);
    FillUnits(buffer, u'b', -4);
    FillUnits(nullptr, u'b', 3);
    EXPECT_EQ(buffer[0], u'x');
}

struct SearchCase {
    const char* name;
    const char* haystack;
    const char* needle;
    int haystackLength;
    int needleLength;
    int from;
    int forward;   // FindBytes with `from` as start index
    int backward;  // FindLastBytes with `from` as lowest index
};

// "abcdefghab" has 10 bytes; "ab" occurs at 0 and 8.
const SearchCase kSearchCases[] = {
    {"first of two", "abcdefghab", "ab", 10, 2, 0, 0, 8},
    {"needle ending at the haystack's end", "abcdefghab", "ab", 10, 2, 1, 8, 8},
    {"start on the last possible position", "abcdefghab", "ab", 10, 2, 8, 8, 8},
    {"start past the last possible position", "abcdefghab", "ab", 10, 2, 9, -1, -1},
    {"match exactly at the lowest index", "xxabxxxxxx", "ab", 10, 2, 2, 2, 2},
    {"match below the lowest index only", "xxabxxxxxx", "ab", 10, 2, 3, -1, -1},
    {"needle as long as the haystack", "abc", "abc", 3, 3, 0, 0, 0},
    {"needle longer than the haystack", "ab", "abc", 2, 3, 0, -1, -1},
    {"partial match at the end is not a match", "xxxxab", "abc", 6, 3, 0, -1, -1},
    {"lengths up to the zero", "xxabxxab", "ab", -1, -1, 0, 2, 6},
    {"haystack length cut before the match", "xxxxab", "ab", 5, 2, 0, -1, -1},
    {"empty needle", "abc", "", 3, 0, 0, -1, -1},
    {"empty haystack", "", "a", 0, 1, 0, -1, -1},
    {"negative needle length other than -1", "abc", "a", 3, -2, 0, -1, -1},
    {"negative start", "abc", "a", 3, 1, -1, -1, -1},
    {"start whose sum with the needle wraps", "abc", "a", 3, 1, INT_MAX, -1, -1},
    {"null haystack", nullptr, "a", 3, 1, 0, -1, -1},
    {"null needle", "abc", nullptr, 3, 1, 0, -1, -1},
};

TEST(RawTextTest, ByteSearchesHonourBoundsAndGuards) {
    for (const SearchCase& c : kSearchCases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(FindBytes(c.haystack, c.needle, c.haystackLength, c.needleLength, c.from),
                  c.forward);
        EXPECT_EQ(FindLastBytes(c.haystack, c.needle, c.haystackLength, c.needleLength, c.from),
                  c.backward);
    }
}

TEST(RawTextTest, FindBytesTriesEveryPositionUpToTheLastWhole) {
    // A 2-byte needle in 10 bytes can start at 0 to 8; each of those is reachable.
    const char haystack[] = "0123456789";
    for (int at = 0; at <= 8; ++at) {
        EXPECT_EQ(FindBytes(haystack, haystack + at, 10, 2, 0), at);
        EXPECT_EQ(FindLastBytes(haystack, haystack + at, 10, 2, 0), at);
    }
}

TEST(RawTextTest, FindBytesSeesBinaryZerosWithExplicitLengths) {
    const unsigned char image[] = {0x00, 0x10, 0x00, 0xFF, 0x00, 0x10, 0x00};
    const unsigned char pattern[] = {0x10, 0x00};
    EXPECT_EQ(FindBytes(image, pattern, 7, 2, 0), 1);
    EXPECT_EQ(FindBytes(image, pattern, 7, 2, 2), 5);
    EXPECT_EQ(FindLastBytes(image, pattern, 7, 2, 0), 5);
}

TEST(RawTextTest, FindUnitsComputesAnyNegativeLength) {
    const char16_t* text = u"key\x00e4key";
    EXPECT_EQ(FindUnits(text, u"\x00e4k", -1, -1, 0), 3);
    EXPECT_EQ(FindUnits(text, u"key", -7, -3, 1), 4);
    EXPECT_EQ(FindUnits(text, u"key", 6, 3, 1), -1);
    EXPECT_EQ(FindUnits(text, u"k", 7, 1, 7), -1);
}

TEST(RawTextTest, FindLastSingleUnitSearchesDownToTheLowestIndex) {
    EXPECT_EQ(FindLastByte("a.b.c", '.', 5, 0), 3);
    EXPECT_EQ(FindLastByte("a.b.c", '.', 3, 0), 1);
    EXPECT_EQ(FindLastByte("a.b.c", '.', -1, 1), 3);
    EXPECT_EQ(FindLastByte("a.bxc", '.', 5, 1), 1);   // at the lowest index
    EXPECT_EQ(FindLastByte("a.bxc", '.', 5, 2), -1);  // below it
    EXPECT_EQ(FindLastByte("a.b.c", '.', 5, 5), -1);  // lowest not below the length
    EXPECT_EQ(FindLastByte("a.b.c", '.', 5, -1), -1);
    EXPECT_EQ(FindLastByte("a.b.c", '.', -2, 0), -1);
    EXPECT_EQ(FindLastByte(nullptr, '.', 5, 0), -1);
    EXPECT_EQ(FindLastUnit(u"C:\\dir\\file", u'\\', -1, 0), 6);
    EXPECT_EQ(FindLastUnit(u"C:\\dir\\file", u'\\', 6, 0), 2);
    EXPECT_EQ(FindLastUnit(u"C:\\dir\\file", u'\\', 0, 0), -1);
}

struct CompareCase {
    const char* name;
    const char* first;
    const char* second;
    int firstLength;
    int secondLength;
    int expected;
};

const CompareCase kCompareCases[] = {
    {"both null", nullptr, nullptr, 3, 3, 0},
    {"null and empty", nullptr, "", 3, 0, 0},
    {"empty first", "", "a", 0, 1, -1},
    {"null first", nullptr, "a", 0, 1, -1},
    {"empty second", "a", "", 1, 0, 1},
    {"shorter is smaller whatever the content", "zz", "aaa", 2, 3, -1},
    {"longer is larger whatever the content", "aaa", "zz", 3, 2, 1},
    {"equal", "abc", "abc", 3, 3, 0},
    {"first difference decides", "abd", "abc", 3, 3, 1},
    {"bytes compare unsigned", "\x7f", "\x80", 1, 1, -1},
    {"computed lengths", "abc", "abcd", -1, -1, -1},
    {"negative length other than -1 is empty", "abc", "a", -5, 1, -1},
};

TEST(RawTextTest, CompareBytesOrdersByLengthFirst) {
    for (const CompareCase& c : kCompareCases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(CompareBytes(c.first, c.second, c.firstLength, c.secondLength), c.expected);
    }
}

TEST(RawTextTest, CompareUnitsOrdersByLengthFirstThenUnsignedUnits) {
    EXPECT_EQ(CompareUnits(u"zz", u"aaa", -1, -1), -1);
    EXPECT_EQ(CompareUnits(u"\xffff", u"\x0001", 1, 1), 1);
    EXPECT_EQ(CompareUnits(u"ab", u"ab", 2, 2), 0);
    EXPECT_EQ(CompareUnits(nullptr, u"", 0, -1), 0);
    EXPECT_EQ(CompareUnits(u"a", nullptr, 1, 0), 1);
}

struct ParseCase {
    const char16_t* text;
    int maxDigits;
    unsigned value;
    int consumed;
};

TEST(RawTextTest, ParseDecimalReadsDigitsAndAdvancesTheCursor) {
    const ParseCase cases[] = {
        {u"12ab", 10, 12, 2},
        {u"ab", 10, 0, 0},
        {u"123", 2, 12, 2},
        {u"123", 0, 0, 0},
        {u"123", -3, 0, 0},
        {u"-5", 10, 0, 0},
        {u"", 10, 0, 0},
        {u"0042x", 10, 42, 4},
        {u"4294967295", 10, 4294967295u, 10},
        {u"99999999999", 10, 1410065407u, 10},  // wraps without a check; the 11th stays
    };
    for (const ParseCase& c : cases) {
        const char16_t* cursor = c.text;
        EXPECT_EQ(ParseDecimal(cursor, c.maxDigits), c.value);
        EXPECT_EQ(cursor - c.text, c.consumed);
    }
    const char16_t* none = nullptr;
    EXPECT_EQ(ParseDecimal(none, 10), 0u);
    EXPECT_EQ(none, nullptr);
}

TEST(RawTextTest, Utf8SizeOfWideCountsEachUnitOnItsOwn) {
    EXPECT_EQ(Utf8SizeOfWide(u"a\x07ff\x0800", 3, 0), 1 + 2 + 3);
    EXPECT_EQ(Utf8SizeOfWide(u"\x007f\x0080", -1, 0), 1 + 2);
    EXPECT_EQ(Utf8SizeOfWide(u"\xd83d\xde00", -5, 0), 6);  // a surrogate pair: 3 + 3
    EXPECT_EQ(Utf8SizeOfWide(u"abc", 3, 17), 17);
    EXPECT_EQ(Utf8SizeOfWide(u"abc", 0, 0), 0);
    EXPECT_EQ(Utf8SizeOfWide(nullptr, 3, 0), 0);
}

TEST(RawTextTest, WideSizeOfUtf8CountsCharactersByLeadByte) {
    struct Case {
        const char* bytes;
        int length;
        int expected;
    };
    const Case cases[] = {
        {"abc", -1, 3},
        {"a\xc3\xa4"
         "b",
         -1, 3},
        {"\xe2\x82\xac\xe2\x82\xac", 6, 2},
        {"\xf0\x9f\x98\x80"
         "a",
         5, 2},                // a four-byte lead counts one
        {"ab\x80zzzz", 7, 3},  // stops after the stray continuation byte
        {"ab\xff"
         "zz",
         5, 3},                  // and after a byte no character starts with
        {"ab\xe2\x82", 4, 3},    // and after a sequence cut off by the end
        {"\xe2\x82\xac", 2, 1},  // the cut comes from the explicit length
        {"", -1, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.bytes);
        EXPECT_EQ(WideSizeOfUtf8(c.bytes, c.length, 0), c.expected);
    }
    EXPECT_EQ(WideSizeOfUtf8("abc", 3, 9), 9);
    EXPECT_EQ(WideSizeOfUtf8(nullptr, 3, 0), 0);
}

TEST(RawTextTest, Utf8SkipCharactersStepsOverWholeSequences) {
    const char* text =
        "a\xc3\xa4\xe2\x82\xac"
        "b";  // a, ä, €, b: 7 bytes
    EXPECT_EQ(Utf8SkipCharacters(text, 0, -1), text);
    EXPECT_EQ(Utf8SkipCharacters(text, 1, -1), text + 1);
    EXPECT_EQ(Utf8SkipCharacters(text, 2, -1), text + 3);
    EXPECT_EQ(Utf8SkipCharacters(text, 3, -1), text + 6);
    EXPECT_EQ(Utf8SkipCharacters(text, 4, -1), text + 7);
    EXPECT_EQ(Utf8SkipCharacters(text, 3, 5), text + 5);  // stops where the bytes run out
    EXPECT_EQ(Utf8SkipCharacters(text, 7, 7), nullptr);   // no more bytes than n
    EXPECT_EQ(Utf8SkipCharacters(text, 6, 7), text + 7);
    EXPECT_EQ(Utf8SkipCharacters(text, -1, 7), nullptr);
    EXPECT_EQ(Utf8SkipCharacters(nullptr, 1, 7), nullptr);
    const char* stray = "\x80\x80xy";
    EXPECT_EQ(Utf8SkipCharacters(stray, 2, 4), stray + 2);
}

}  // namespace
