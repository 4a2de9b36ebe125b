#include <gtest/gtest.h>

#include <cmath>
#include <cstdarg>
#include <cstdint>
#include <cstring>
#include <limits>
#include <string>
#include <vector>

#include "text/GString.h"

namespace {

struct Result {
    bool ok;
    std::u16string text;
};

std::u16string TextOf(const GString& string) {
    return std::u16string(string.GetWideText(), static_cast<size_t>(string.GetLength()));
}

template <typename... Args>
Result Formatted(const char16_t* format, Args... args) {
    GString string;
    const bool ok = string.Format(format, args...);
    return {ok, TextOf(string)};
}

bool AppendTo(GString& target, const char16_t* format, ...) {
    va_list arguments;
    va_start(arguments, format);
    const bool ok = target.AppendFormat(format, arguments);
    va_end(arguments);
    return ok;
}

struct Case {
    int line;
    std::u16string expected;
    Result actual;
};

// Each case formats when the table is built; the line number names it in a failure.
#define CASE(expected, ...)                        \
    Case {                                         \
        __LINE__, expected, Formatted(__VA_ARGS__) \
    }

void ExpectAll(const std::vector<Case>& cases) {
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << "case at line " << c.line);
        EXPECT_TRUE(c.actual.ok);
        EXPECT_EQ(c.expected, c.actual.text);
    }
}

const char16_t* const kNullWide = nullptr;
const char* const kNullNarrow = nullptr;
const unsigned char kSixBytes[] = {0x01, 0x02, 0x03, 0x04, 0x05, 0x06};

std::u16string Repeated(char16_t unit, size_t count) {
    return std::u16string(count, unit);
}

// A counted text as the string tables hold it: header, then the text without terminator.
std::vector<unsigned char> Counted(bool utf8, const void* text, uint32_t length, size_t bytes) {
    const uint32_t header = length | (utf8 ? 0x80000000u : 0);
    std::vector<unsigned char> block(sizeof header + bytes);
    std::memcpy(block.data(), &header, sizeof header);
    std::memcpy(block.data() + sizeof header, text, bytes);
    return block;
}

TEST(FormatTest, Integers) {
    ExpectAll({
        CASE(u"-00005", u"%06d", -5),
        CASE(u"-5    ", u"%-6d", -5),
        CASE(u"-5    ", u"%-06d", -5),
        CASE(u"0xff", u"%#x", 255),
        CASE(u"0xFF", u"%#X", 255),
        CASE(u"0x00ab", u"%#.4x", 171),
        CASE(u"0xab", u"%#.3x", 171),
        CASE(u"007", u"%.3d", 7),
        CASE(u"+05", u"%+.2d", 5),
        CASE(u"-5", u"%.1d", -5),
        CASE(u"0", u"%.0d", 0),
        CASE(u"1 234 567", u"%`d", 1234567),
        CASE(u"1 2345", u"%`x", 0x12345),
        CASE(u"001 234", u"%`.6d", 1234),
        CASE(u"0000 0abc", u"%`.8x", 0xabc),
        CASE(u"1 1111", u"%`y", 0x1F),
        CASE(u"7 777", u"%`o", 07777),
        CASE(u"+0000042", u"%+08d", 42),
        CASE(u" 0042", u"% 05d", 42),
        CASE(u"+3", u"%+ d", 3),
        CASE(u"0x0000ff", u"%#08x", 255),
        CASE(u"0y00101", u"%#07y", 5),
        CASE(u"   0xff", u"%#7x", 255),
        CASE(u"010", u"%#.3o", 8),
        CASE(u"00010", u"%#.5o", 8),
        CASE(u"010", u"%#.2o", 8),
        CASE(u"4294967295", u"%u", 0xFFFFFFFFu),
        CASE(u"ABC", u"%X", 0xabc),
        CASE(u"5", u"%ld", 5),
        CASE(Repeated(u'0', 307) + u"1", u"%.400d", 1),
        CASE(u"   42|42   |42   ", u"%*d|%*d|%-*d", 5, 42, -5, 42, 5, 42),
        CASE(u"007|7", u"%.*d|%.*d", 3, 7, -3, 7),
        CASE(u"-9223372036854775808", u"%Ld", std::numeric_limits<long long>::min()),
        CASE(u"123456789abcdef0", u"%llx", 0x123456789abcdef0LL),
        CASE(u"18 446 744 073 709 551 615", u"%`Lu", -1LL),
        CASE(u"8589934592|7", u"%lld|%d", 1LL << 33, 7),
    });
}

TEST(FormatTest, Pointers) {
    const auto* pointer = reinterpret_cast<const void*>(std::uintptr_t{0xabcdef});
    ExpectAll({
        CASE(u"  {null}", u"%p", static_cast<const void*>(nullptr)),
        CASE(u"    {null}", u"%#p", static_cast<const void*>(nullptr)),
        CASE(u"      {null}", u"%12p", static_cast<const void*>(nullptr)),
        CASE(u"00abcdef", u"%p", pointer),
        CASE(u"00ABCDEF", u"%P", pointer),
        CASE(u"0x00abcdef", u"%#p", pointer),
        // Precision and L do not apply; the pointer is read as a pointer.
        CASE(u"00abcdef|3", u"%.2Lp|%d", pointer, 3),
    });
    if constexpr (sizeof(void*) == 8) {
        const auto* high = reinterpret_cast<const void*>(std::uintptr_t{0x123456789ab});
        ExpectAll({CASE(u"123456789ab", u"%p", high)});
    }
}

TEST(FormatTest, Characters) {
    ExpectAll({
        CASE(u"A", u"%c", 'A'), CASE(u"\u263A", u"%c", 0x263A), CASE(u"\u263A", u"%#c", 0x263A),
        CASE(u"{09}", u"%#c", 9), CASE(u"{3a}", u"%$c", 0x263A), CASE(u"{3A}", u"%$C", 0x263A),
        CASE(u"{7f}", u"%$c", 0x7F), CASE(u"  x|x  ", u"%3c|%-3c", 'x', 'x'),
        CASE(u"a", u"%hc", 'a'), CASE(u"", u"%c", 0), CASE(u"{00}", u"%#c", 0),
        CASE(u"b", u"%c", 0x10062),  // only the low 16 bits are the unit
    });
}

TEST(FormatTest, Texts) {
    const char* threeCharactersInFiveBytes = "a\xC4\x85\xC5\x82";  // aął
    ExpectAll({
        CASE(u"{null}", u"%s", kNullWide),
        CASE(u"  {null}", u"%8s", kNullWide),
        CASE(u"{null}", u"%hs", kNullNarrow),
        CASE(u"4", u"%Ls%d", u"x", 4),
        CASE(u"4", u"%lls%d", kNullWide, 4),
        CASE(u"abc", u"%.3s", u"abcdef"),
        CASE(u"abc", u"%.10s", u"abc"),
        CASE(std::u16string(u"ab\0c", 4), u"%.*s", -4, u"ab\0cd"),
        CASE(u"000ab", u"%05s", u"ab"),
        CASE(u"ab   ", u"%-5s", u"ab"),
        CASE(u"  a\u0105\u0142", u"%5hs", threeCharactersInFiveBytes),
        CASE(u"a\u0105", u"%.2hs", threeCharactersInFiveBytes),
        CASE(u"a{09}b", u"%#s", u"a\tb"),
        CASE(u"\u00e4{01}", u"%#s", u"\u00e4\x01"),
        CASE(u"{e4}{01}", u"%$s", u"\u00e4\x01"),
        CASE(u"{E4}{01}", u"%$S", u"\u00e4\x01"),
        CASE(u" {09}", u"%#5s", u"\t"),
        CASE(u"{05}", u"%$hs", "\xC4\x85"),
        // DEL is a one-byte character of its own.
        CASE(u"a\x7F", u"%.2hs",
             "a\x7F"
             "b"),
    });
}

TEST(FormatTest, StringObjectsAndCountedTexts) {
    GString wide;
    wide.AssignWide(u"wide\tone");
    GString narrow;
    narrow.AssignNarrow("na\xC3\xAFve");  // naïve
    const std::vector<unsigned char> countedUtf8 = Counted(true, "abcdef", 3, 6);
    const std::u16string units = u"xyzw";
    const std::vector<unsigned char> countedWide =
        Counted(false, units.data(), 2, units.size() * sizeof(char16_t));
    ExpectAll({
        CASE(u"wide{09}one", u"%#z", &wide),
        CASE(u"wide{09}one", u"%#Z", &wide),
        CASE(u" na\u00efve", u"%6z", &narrow),
        CASE(u"na\u00ef", u"%.3z", &narrow),
        CASE(u"{null}", u"%z", static_cast<const GString*>(nullptr)),
        CASE(u"7", u"%Lz%d", &wide, 7),
        // The string's own length bounds even an exact count.
        CASE(u"wide\tone", u"%.*z", -50, &wide),
        // A counted text has no terminator: its header's length bounds it.
        CASE(u"abc", u"%hz", countedUtf8.data()),
        CASE(u"ab", u"%.2hz", countedUtf8.data()),
        CASE(u"abc", u"%.*hz", -9, countedUtf8.data()),
        CASE(u"xy", u"%hz", countedWide.data()),
        CASE(u"{null}", u"%hz", static_cast<const void*>(nullptr)),
    });
}

TEST(FormatTest, FixedExponentialGeneral) {
    const double nan = std::numeric_limits<double>::quiet_NaN();
    const double inf = std::numeric_limits<double>::infinity();
    ExpectAll({
        CASE(u"3", u"%g", 3.14159),
        CASE(u"3.14", u"%.3g", 3.14159),
        CASE(u"0.0001", u"%.3g", 0.0001),
        CASE(u"1e-05", u"%.3g", 0.00001),
        CASE(u"1e+02", u"%.0g", 123.0),
        CASE(u"100", u"%.3g", 100.0),
        CASE(u"1e+02", u"%.2g", 100.0),
        CASE(u"123457", u"%.*g", -1, 123456.7),
        CASE(u"1.", u"%#g", 1.0),
        CASE(u"1.00", u"%#.3g", 1.0),
        CASE(u"1.00e-05", u"%#.3g", 0.00001),
        CASE(u"0", u"%.5g", 0.0),
        CASE(u"1E-10", u"%G", 1e-10),
        CASE(u"1e+308", u"%g", 1e308),
        CASE(u"2.23e-308", u"%.3g", 2.2250738585072014e-308),
        CASE(u"2.500000", u"%f", 2.5),
        CASE(u"2.500000", u"%.0f", 2.5),
        CASE(u"0.2", u"%.1f", 0.25),    // an exact tie rounds to even
        CASE(u"2.67", u"%.2f", 2.675),  // 2.67499999... in binary
        CASE(u"0.000001", u"%f", 7e-7),
        CASE(u" 1.000000", u"% f", 1.0),
        CASE(u"-0.000000", u"%+f", -0.0),
        CASE(u"+0003.14", u"%+08.2f", 3.14159),
        CASE(u"1." + Repeated(u'0', 308), u"%.400f", 1.0),
        CASE(u"1.234568e+04", u"%e", 12345.678),
        CASE(u"1.234568E+04", u"%E", 12345.678),
        CASE(u"0.000000e+00", u"%e", 0.0),
        CASE(u"1.0e+100", u"%.1e", 1e100),
        CASE(u"4.940656e-324", u"%e", 4.9406564584124654e-324),
        CASE(Repeated(u' ', 504) + u"1.000000", u"%600f", 1.0),
        CASE(u"{ nan}", u"%f", nan),
        CASE(u"  {+inf}", u"%8e", inf),
        CASE(u"00{-inf}", u"%08g", -inf),
        CASE(u"{ nan}  ", u"%-08f", nan),
        CASE(u"{+inf}", u"%+F", inf),
        CASE(u"{-inf}", u"%a", -inf),
    });
}

TEST(FormatTest, HexadecimalFloatingPoint) {
    ExpectAll({
        CASE(u"0x1p+0", u"%a", 1.0),
        CASE(u"0x1.8p+0", u"%a", 1.5),
        CASE(u"0x1.0p+0", u"%.1a", 1.0),
        CASE(u"0x1.p+0", u"%#a", 1.0),
        CASE(u"-0x1p+1", u"%a", -2.0),
        CASE(u"0x1.FEP+7", u"%A", 255.0),
        CASE(u"0x0p+0", u"%a", 0.0),
        CASE(u"0x1.000000000000000p+0", u"%.15a", 1.0),
        CASE(u"0x1.99ap-4", u"%.3a", 0.1),
        CASE(u"0x1.10p+0", u"%.2a", 0x1.0f8p0),
        // Carries run through every digit into the leading one.
        CASE(u"0x2.00p+0", u"%.2a", 0x1.ff8p0),
        CASE(u"0x0.0000000000001p-1022", u"%a", 4.9406564584124654e-324),
        CASE(u"0x1.0p-1022", u"%.1a", 0x0.fffffffffffffp-1022),
    });
}

TEST(FormatTest, Engineering) {
    ExpectAll({
        CASE(u"1.50 k", u"%#F", 1500.0),
        CASE(u"1.50e+03", u"%F", 1500.0),
        CASE(u"12.0  ", u"%#F", 12.0),
        CASE(u"150.  ", u"%#.3F", 150.0),
        CASE(u"2.00 \u00b5", u"%#F", 2e-6),
        CASE(u"  2.00 \u00b5", u"%#8F", 2e-6),
        CASE(u"-1.00 m", u"%#F", -0.001),
        CASE(u"+1.50 k", u"%+#F", 1500.0),
        CASE(u"123.46 k", u"%#.5F", 123456.0),
        CASE(u"1.00 k", u"%#F", 999.5),
        CASE(u"1.00 Y", u"%#F", 1e24),
        CASE(u"1.00 y", u"%#F", 1e-24),
        CASE(u"1.00e+27", u"%#F", 999.9e24),
        CASE(u"500.e-27", u"%#F", 0.5e-24),
        CASE(u"1.00e-27", u"%#F", 1e-27),
        CASE(u"0.00  ", u"%#F", 0.0),
        CASE(u"0.00e+00", u"%F", 0.0),
        CASE(u"2.05 k", u"%#hF", 2048),
        CASE(u"-3.00 T", u"%#LF", -3000000000000LL),
    });
}

TEST(FormatTest, BinarySizes) {
    ExpectAll({
        CASE(u"1.5 Ki", u"%#U", 1536),
        CASE(u"1.5b10", u"%U", 1536),
        CASE(u"0.1 Ki", u"%#U", 100),
        CASE(u"0.5 Ki", u"%#U", 512),
        // Without a division the suffix is three spaces.
        CASE(u"512.   ", u"%#.3U", 512),
        CASE(u"512.b00", u"%.3U", 512),
        CASE(u"0.0   ", u"%#U", 0),
        // 1023.99 Ki rounds to 1020 Ki at three digits: one unit up, one digit fewer.
        CASE(u"1.0 Mi", u"%#.3U", 1048566),
        CASE(u"1.0 Ki", u"%#.3U", 1023),
        CASE(u"1.50 Ki", u"%#.*U", -1, 1536),
        CASE(u"-1.5 Ki", u"%#I", -1536),
        CASE(u"4.0 Gi", u"%#U", -1),
        CASE(u"1.0 Ei", u"%#LU", 1LL << 60),
        CASE(u"16.0 Ei", u"%#.3LU", -1LL),
        CASE(u"-8.0 Ei", u"%#LI", std::numeric_limits<long long>::min()),
        CASE(u"1.00000b20", u"%.6U", 1 << 20),
    });
}

TEST(FormatTest, ByteDumpsAndAddresses) {
    const unsigned char ipv4[] = {10, 0, 0, 1};
    const unsigned char guid[] = {0x33, 0x22, 0x11, 0x00, 0x55, 0x44, 0x77, 0x66,
                                  0x88, 0x99, 0xaa, 0xbb, 0xcc, 0xdd, 0xee, 0xff};
    const unsigned char abcd[] = {0xab, 0xcd};
    ExpectAll({
        CASE(u"010203040506", u"%.6b", kSixBytes),
        CASE(u"{01}{02}{03}{04}{05}{06}", u"%#.6b", kSixBytes),
        CASE(u"01 02 03 04 05 06", u"% .6b", kSixBytes),
        CASE(u"01020304 0506", u"%`.6b", kSixBytes),
        CASE(u"{01020304}{0506}", u"%#`.6b", kSixBytes),
        CASE(u"{01 02 03 04} {05 06}", u"%#` .6b", kSixBytes),
        CASE(u"01 02 03 04  05 06", u"% `.6b", kSixBytes),
        CASE(u"{01} {02} {03}", u"%# .3b", kSixBytes),
        CASE(u"ABCD", u"%.2B", abcd),
        CASE(u"      0102|0102  ", u"%10.2b|%-6.2b", kSixBytes, kSixBytes),
        CASE(u"9", u"%.0b%d", kSixBytes, 9),
        CASE(u"9", u"%b%d", kSixBytes, 9),
        CASE(u"{null}", u"%.3b", static_cast<const void*>(nullptr)),
        CASE(u"10.0.0.1", u"%w", ipv4),
        CASE(u"010.000.000.001", u"%0w", ipv4),
        CASE(u" 010.000.000.001", u"%016w", ipv4),
        CASE(u"        10.0.0.1", u"%16w", ipv4),
        CASE(u"  {null}", u"%08w", static_cast<const void*>(nullptr)),
        CASE(u"{00112233-4455-6677-8899-aabbccddeeff}", u"%hw", guid),
        CASE(u"{00112233-4455-6677-8899-AABBCCDDEEFF}", u"%hW", guid),
    });
}

TEST(FormatTest, Scanning) {
    ExpectAll({
        CASE(u"q", u"%q"),
        CASE(u"q", u"%5q"),
        CASE(u"q", u"%-+ 0#$`12.5lq"),
        CASE(u"L|h|l|[|D", u"%LL|%hh|%lll|%[|%D"),
        CASE(u"abc", u"abc%"),
        CASE(u"x", u"x%-5"),
        CASE(u"x", u"x%ll"),
        CASE(u"100%", u"100%%"),
        CASE(u"%", u"%5%"),
        CASE(u"a\r\nb", u"a%Nb"),
        // Arguments taken by * stay taken when the letter turns out to be none.
        CASE(u"q5", u"%*q%d", 9, 5),
        CASE(u"q5", u"%*.*q%d", 1, 2, 5),
        CASE(u"", u""),
    });
}

TEST(FormatTest, CountStoresUnitsOfThisCall) {
    int first = -1;
    int second = -1;
    int afterMicro = -1;
    GString string;
    ASSERT_TRUE(string.Format(u"ab%ncd%n|%#F%n", &first, &second, 2e-6, &afterMicro));
    EXPECT_EQ(2, first);
    EXPECT_EQ(4, second);
    EXPECT_EQ(11, afterMicro);  // "2.00 µ" is six units

    int appended = -1;
    EXPECT_TRUE(string.Format(u"%s%n", u"xyz", static_cast<int*>(nullptr)));
    EXPECT_TRUE(AppendTo(string, u"%d%n", 12, &appended));
    EXPECT_EQ(2, appended);
    EXPECT_EQ(u"xyz12", TextOf(string));
}

TEST(FormatTest, FailuresKeepEarlierOutput) {
    const Result cases[] = {
        Formatted(u"ab%Tcd", 5),
        Formatted(u"ab%tcd", 5),
        Formatted(u"ab%Ycd", 5),
        Formatted(u"ab%hccd", 0xC3),
        Formatted(u"ab%hscd", "\xF0\x9F\x98\x80"),  // four-byte sequences are not decodable
        Formatted(u"ab%hscd", "x\xC4"),             // cut off by the terminator
        Formatted(u"ab%hscd", "\x80"),              // a continuation byte leads nothing
    };
    for (const Result& result : cases) {
        EXPECT_FALSE(result.ok);
        EXPECT_EQ(u"ab", result.text);
    }
}

TEST(FormatTest, FormsAndTemplates) {
    GString string;
    string.AssignNarrow("old text");
    ASSERT_TRUE(string.Format(u"%d", 5));
    EXPECT_TRUE(string.IsWide());
    EXPECT_EQ(u"5", TextOf(string));

    ASSERT_TRUE(string.Format(u"new"));
    EXPECT_EQ(u"new", TextOf(string));

    EXPECT_FALSE(string.Format(nullptr));

    GString narrow;
    narrow.AssignNarrow("keep");
    EXPECT_FALSE(AppendTo(narrow, u"%d", 1));
    EXPECT_FALSE(narrow.IsWide());
    EXPECT_STREQ("keep", narrow.GetNarrowText());

    GString wide;
    wide.AssignWide(u"n=");
    EXPECT_TRUE(AppendTo(wide, u"%`d", 10000));
    EXPECT_EQ(u"n=10 000", TextOf(wide));
}

// Output that grows the block must not pull the ground from under a source inside it.
TEST(FormatTest, SourcesInsideTheStringItself) {
    GString text;
    text.AssignWide(u"abc");
    ASSERT_TRUE(AppendTo(text, u"%70s", text.GetWideText()));
    EXPECT_EQ(u"abc" + Repeated(u' ', 67) + u"abc", TextOf(text));

    const std::u16string units = Repeated(u'a', 30);
    text.AssignWide(units.c_str());
    ASSERT_TRUE(AppendTo(text, u"%.60b", text.GetWideText()));
    std::u16string dump;
    for (int i = 0; i < 30; ++i) {
        dump += u"6100";
    }
    EXPECT_EQ(units + dump, TextOf(text));

    const std::u16string format = u"%d" + Repeated(u'x', 40);
    text.AssignWide(format.c_str());
    ASSERT_TRUE(AppendTo(text, text.GetWideText(), 1));
    EXPECT_EQ(format + u"1" + Repeated(u'x', 40), TextOf(text));
}

}  // namespace
