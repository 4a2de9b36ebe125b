#include "text/GString.h"

#include <climits>
#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "text/DebugSink.h"

namespace {

std::u16string WideOf(const GString& s) {
    return std::u16string(s.GetWideText(),
                          static_cast<std::size_t>(s.IsWide() ? s.GetLength() : 0));
}

std::string NarrowOf(const GString& s) {
    return std::string(s.GetNarrowText(), static_cast<std::size_t>(s.IsWide() ? 0 : s.GetLength()));
}

// Strings are not copyable; these make one in either form in place.
struct WideString : GString {
    explicit WideString(const char16_t* text) { AssignWide(text); }
};

struct NarrowString : GString {
    explicit NarrowString(const char* text) { AssignNarrow(text); }
};

// Every text-changing operation must leave the terminator right after the text.
void ExpectTerminated(const GString& s) {
    if (s.IsWide()) {
        EXPECT_EQ(s.GetWideText()[s.GetLength()], 0);
    } else {
        EXPECT_EQ(s.GetNarrowText()[s.GetLength()], 0);
    }
}

TEST(GStringTest, DefaultStringIsEmptyNarrowAndHasNoBlock) {
    GString s;
    EXPECT_FALSE(s.IsWide());
    EXPECT_EQ(s.GetLength(), 0);
    EXPECT_EQ(s.GetCapacity(), 0);
    EXPECT_EQ(s.GetWideText()[0], 0);
    EXPECT_EQ(s.GetNarrowText()[0], 0);
    EXPECT_FALSE(s.SetLength(0));

    ASSERT_TRUE(s.AppendWide(u"abc"));
    EXPECT_FALSE(s.IsWide());
    EXPECT_EQ(NarrowOf(s), "abc");
    EXPECT_EQ(s.GetWideText()[0], 0);  // still the UTF-8 form
    EXPECT_EQ(std::u16string(s.MakeWide()), u"abc");
    EXPECT_EQ(WideOf(s), u"abc");
}

TEST(GStringTest, TextAccessorsClampIndexes) {
    WideString s(u"abc");
    EXPECT_EQ(std::u16string(s.GetWideText(1)), u"bc");
    EXPECT_EQ(std::u16string(s.GetWideText(3)), u"");
    EXPECT_EQ(s.GetWideText(100), s.GetWideText(3));
    EXPECT_EQ(s.GetWideText(-1)[0], 0);
    EXPECT_NE(s.GetWideText(-1), s.GetWideText(3));  // the static empty text
    EXPECT_EQ(s.GetNarrowText()[0], 0);
}

TEST(GStringTest, CharacterConstructorMakesAWideString) {
    GString s(u'-', 5);
    EXPECT_TRUE(s.IsWide());
    EXPECT_EQ(WideOf(s), u"-----");
    GString none(u'-', -5);
    EXPECT_TRUE(none.IsWide());
    EXPECT_EQ(none.GetLength(), 0);
}

TEST(GStringTest, WideGrowthTakesWholeBlocksAndAtLeastHalfAgain) {
    GString s(u'\0', 0);
    s.AppendChar(u'x');
    EXPECT_EQ(s.GetCapacity(), 64);
    EXPECT_EQ(s.GetRoom(), 29);
    for (int n = 2; n <= 29; ++n) {
        s.AppendChar(u'x');
    }
    EXPECT_EQ(s.GetCapacity(), 64);  // 29 units fit the first block
    s.AppendChar(u'x');
    EXPECT_EQ(s.GetCapacity(), 128);  // room for 1.5 x 29 = 43 rounds up to a second step
    EXPECT_EQ(s.GetRoom(), 61);

    int reallocations = 0;
    for (int n = 31; n <= 5000; ++n) {
        const int before = s.GetCapacity();
        const int lengthBefore = s.GetLength();
        ASSERT_TRUE(s.AppendChar(u'x'));
        if (s.GetCapacity() != before) {
            ++reallocations;
            EXPECT_EQ(s.GetCapacity() % 64, 0);
            EXPECT_GE(s.GetRoom(), lengthBefore + lengthBefore / 2);
        }
    }
    EXPECT_EQ(s.GetLength(), 5000);
    EXPECT_LE(reallocations, 12);  // 61 x 1.5^12 passes 5000
    ExpectTerminated(s);
}

TEST(GStringTest, NarrowFirstBlockHolds59Bytes) {
    GString s;
    s.AppendByte('a', 59);
    EXPECT_EQ(s.GetCapacity(), 64);
    s.AppendByte('a');
    EXPECT_EQ(s.GetCapacity(), 128);
    EXPECT_EQ(s.GetRoom(), 123);
}

TEST(GStringTest, TrimLeftMovesTheStartAndALaterAppendCompacts) {
    NarrowString s("abcdef");
    const char* before = s.GetNarrowText();
    ASSERT_TRUE(s.TrimLeft(3));
    EXPECT_EQ(NarrowOf(s), "def");
    EXPECT_EQ(s.GetNarrowText(), before + 3);  // no data moved
    EXPECT_EQ(s.GetStart(), 3);
    EXPECT_EQ(s.GetRoom(), 56);

    // 53 bytes of room are left after the text; 54 more need the front again, in the same block.
    const std::string tail(54, 't');
    ASSERT_TRUE(s.AppendNarrow(tail.c_str()));
    EXPECT_EQ(s.GetStart(), 0);
    EXPECT_EQ(s.GetCapacity(), 64);
    EXPECT_EQ(s.GetNarrowText(), before);
    EXPECT_EQ(NarrowOf(s), "def" + tail);
    ExpectTerminated(s);
}

TEST(GStringTest, TrimLeftEdges) {
    WideString s(u"abc");
    EXPECT_FALSE(s.TrimLeft(0));
    EXPECT_FALSE(s.TrimLeft(-2));
    EXPECT_EQ(WideOf(s), u"abc");
    EXPECT_TRUE(s.TrimLeft(99));
    EXPECT_EQ(s.GetLength(), 0);
    EXPECT_EQ(s.GetStart(), 0);
    EXPECT_TRUE(GString().TrimLeft(1));
}

TEST(GStringTest, SetLengthAfterAnExternalWriter) {
    WideString s(u"dir");
    char16_t* buffer = s.GetAppendBuffer(10);
    ASSERT_NE(buffer, nullptr);
    std::memcpy(buffer, u"\\name\0junk", 10 * sizeof(char16_t));
    ASSERT_TRUE(s.SetLength(-1));
    EXPECT_EQ(WideOf(s), u"dir\\name");

    // No zero anywhere in the room: the length becomes 0 and the start returns to the front.
    s.TrimLeft(1);
    char16_t* all = s.GetAppendBuffer(0) - s.GetLength();
    for (int i = 0; i <= s.GetRoom(); ++i) {
        all[i] = u'z';
    }
    ASSERT_TRUE(s.SetLength(-1));
    EXPECT_EQ(s.GetLength(), 0);
    EXPECT_EQ(s.GetStart(), 0);
    ExpectTerminated(s);
}

TEST(GStringTest, SetLengthAcceptsATextThatFillsTheRoom) {
    GString s(u'a', 1);
    char16_t* text = s.GetAppendBuffer(0) - 1;
    const int room = s.GetRoom();
    for (int i = 0; i < room; ++i) {
        text[i] = u'q';
    }
    text[room] = 0;
    ASSERT_TRUE(s.SetLength(-1));
    EXPECT_EQ(s.GetLength(), room);
}

TEST(GStringTest, SetLengthClampsToTheRoom) {
    NarrowString s("abc");
    ASSERT_TRUE(s.SetLength(1000));
    EXPECT_EQ(s.GetLength(), s.GetRoom());
    ASSERT_TRUE(s.SetLength(2));
    EXPECT_EQ(NarrowOf(s), "ab");
    ExpectTerminated(s);
}

TEST(GStringTest, GetAppendBufferMakesWideAndGivesAWritableBlock) {
    GString s;
    char16_t* buffer = s.GetAppendBuffer(0);
    ASSERT_NE(buffer, nullptr);
    EXPECT_TRUE(s.IsWide());
    EXPECT_GT(s.GetRoom(), 0);

    NarrowString broken("ok\xff");
    EXPECT_EQ(broken.GetAppendBuffer(4), nullptr);
    EXPECT_FALSE(broken.IsWide());
    EXPECT_EQ(NarrowOf(broken), "ok\xff");
}

struct BadUtf8 {
    const char* name;
    const char* bytes;
};

const BadUtf8 kBadUtf8[] = {
    {"four-byte sequence", "a\xf0\x9f\x98\x80"},
    {"lone continuation byte", "a\x80"},
    {"sequence cut off by the end", "a\xe2\x82"},
    {"missing continuation byte",
     "a\xc3"
     "b"},
    {"lead byte beyond four bytes", "a\xfe"},
};

TEST(GStringTest, UndecodableUtf8AppendsNothingAndMakeWideLeavesTheString) {
    for (const BadUtf8& c : kBadUtf8) {
        SCOPED_TRACE(c.name);
        WideString wide(u"x");
        EXPECT_FALSE(wide.AppendNarrow(c.bytes));
        EXPECT_EQ(WideOf(wide), u"x");
        ExpectTerminated(wide);

        NarrowString narrow(c.bytes);
        EXPECT_EQ(narrow.MakeWide(), nullptr);
        EXPECT_FALSE(narrow.IsWide());
        EXPECT_EQ(NarrowOf(narrow), c.bytes);
        EXPECT_EQ(narrow.GetWideText()[0], 0);
    }
}

TEST(GStringTest, ConversionsEncodeEachUnitOnItsOwn) {
    // A surrogate pair travels as two three-byte sequences and comes back unchanged.
    WideString s(u"a\x00e4\x20ac\xd83d\xde00");
    ASSERT_NE(s.MakeNarrow(), nullptr);
    EXPECT_EQ(NarrowOf(s), "a\xc3\xa4\xe2\x82\xac\xed\xa0\xbd\xed\xb8\x80");
    ASSERT_NE(s.MakeWide(), nullptr);
    EXPECT_EQ(WideOf(s), u"a\x00e4\x20ac\xd83d\xde00");

    // Overlong forms are accepted.
    NarrowString overlong("\xc1\x81\xe0\x81\x82");
    ASSERT_NE(overlong.MakeWide(), nullptr);
    EXPECT_EQ(WideOf(overlong), u"AB");
}

TEST(GStringTest, EmptyStringsOnlyChangeForm) {
    WideString s(u"");
    EXPECT_TRUE(s.IsWide());
    EXPECT_NE(s.MakeNarrow(), nullptr);
    EXPECT_FALSE(s.IsWide());
    EXPECT_NE(s.MakeWide(), nullptr);
    EXPECT_TRUE(s.IsWide());
}

TEST(GStringTest, AppendingTheOtherFormConvertsAndKeepsTheForm) {
    NarrowString narrow("n");
    EXPECT_TRUE(narrow.AppendWide(u"\x00e4"));
    EXPECT_TRUE(narrow.Append(WideString(u"w")));
    EXPECT_FALSE(narrow.IsWide());
    EXPECT_EQ(NarrowOf(narrow), "n\xc3\xa4w");

    WideString wide(u"w");
    EXPECT_TRUE(wide.AppendNarrow("\xc3\xa4"));
    EXPECT_TRUE(wide.Append(NarrowString("n")));
    EXPECT_EQ(WideOf(wide), u"w\x00e4n");

    EXPECT_FALSE(narrow.CatWide(u"x"));
    EXPECT_FALSE(wide.CatNarrow("x"));
    EXPECT_TRUE(wide.CatWide(u"xy", 1));
    EXPECT_TRUE(narrow.CatNarrow("xy", 1));
    EXPECT_EQ(WideOf(wide), u"w\x00e4nx");
    EXPECT_EQ(NarrowOf(narrow), "n\xc3\xa4wx");
}

TEST(GStringTest, NullEmptyAndNegativeLengthsAppendNothing) {
    WideString s(u"ab");
    EXPECT_TRUE(s.AppendWide(nullptr));
    EXPECT_TRUE(s.AppendWide(u"xyz", 0));
    EXPECT_TRUE(s.AppendWide(u"xyz", -7));
    EXPECT_TRUE(s.AppendNarrow(nullptr, 5));
    EXPECT_TRUE(s.AppendChar(u'x', 0));
    EXPECT_TRUE(s.AppendChar(u'x', -3));
    EXPECT_TRUE(s.AppendChar(0, 3));
    EXPECT_TRUE(s.AppendByte('x', -1));
    EXPECT_EQ(WideOf(s), u"ab");
}

TEST(GStringTest, CountsBeyondAnyBlockFailAndKeepTheText) {
    WideString s(u"ab");
    EXPECT_FALSE(s.AppendChar(u'x', INT_MAX));
    EXPECT_EQ(s.GetAppendBuffer(INT_MAX), nullptr);
    NarrowString n("ab");
    EXPECT_FALSE(n.AppendByte('x', INT_MAX));
    EXPECT_EQ(WideOf(s), u"ab");
    EXPECT_EQ(NarrowOf(n), "ab");
    ExpectTerminated(s);
}

TEST(GStringTest, CharactersAndBytesOutsideAsciiOnlyInTheirOwnForm) {
    NarrowString narrow("a");
    EXPECT_FALSE(narrow.AppendChar(u'\x00e4'));
    EXPECT_TRUE(narrow.AppendByte(0xC3));
    EXPECT_TRUE(narrow.AppendChar(u'b', 2));
    EXPECT_EQ(NarrowOf(narrow),
              "a\xc3"
              "bb");

    WideString wide(u"a");
    EXPECT_FALSE(wide.AppendByte(0xC3));
    EXPECT_TRUE(wide.AppendChar(u'\x00e4', 2));
    EXPECT_TRUE(wide.AppendByte('b'));
    EXPECT_TRUE(wide.AppendNewLine());
    EXPECT_EQ(WideOf(wide),
              u"a\x00e4\x00e4"
              u"b\r\n");
}

TEST(GStringTest, AssignTakesTheSourceForm) {
    WideString s(u"old");
    ASSERT_TRUE(s.Assign(NarrowString("new")));
    EXPECT_FALSE(s.IsWide());
    EXPECT_EQ(NarrowOf(s), "new");
    ASSERT_TRUE(s.Assign(GString(u'w', 2)));
    EXPECT_EQ(WideOf(s), u"ww");
    ASSERT_TRUE(s.Assign(GString()));
    EXPECT_FALSE(s.IsWide());
    EXPECT_EQ(s.GetLength(), 0);
}

std::vector<unsigned char> Counted(std::uint32_t header, const void* text, std::size_t bytes) {
    std::vector<unsigned char> entry(4 + bytes);
    std::memcpy(entry.data(), &header, 4);
    std::memcpy(entry.data() + 4, text, bytes);
    return entry;
}

TEST(GStringTest, AssignCountedReadsTheFormAndLengthFromTheHeader) {
    GString s;
    const auto narrow = Counted(0x80000003u, "abcdef", 6);
    ASSERT_TRUE(s.AssignCounted(narrow.data()));
    EXPECT_FALSE(s.IsWide());
    EXPECT_EQ(NarrowOf(s), "abc");
    EXPECT_EQ(std::u16string(s.MakeWide()), u"abc");

    // Bits 29 and 30 are not part of the length.
    const auto wide = Counted(0x60000002u, u"xyz", 6);
    ASSERT_TRUE(s.AssignCounted(wide.data()));
    EXPECT_EQ(WideOf(s), u"xy");

    const auto empty = Counted(0x80000000u, "", 0);
    ASSERT_TRUE(s.AssignCounted(empty.data()));
    EXPECT_FALSE(s.IsWide());
    EXPECT_EQ(s.GetLength(), 0);

    s.AssignWide(u"kept?");
    EXPECT_FALSE(s.AssignCounted(nullptr));
    EXPECT_EQ(s.GetLength(), 0);
}

TEST(GStringTest, OperationsOnTheirOwnTextAreSafe) {
    WideString s(u"abc");
    for (int i = 0; i < 6; ++i) {
        ASSERT_TRUE(s.Append(s));  // grows out of the block the source lives in
    }
    EXPECT_EQ(s.GetLength(), 3 * 64);
    EXPECT_EQ(WideOf(s).substr(189), u"abc");

    ASSERT_TRUE(s.AssignWide(s.GetWideText(1), 4));
    EXPECT_EQ(WideOf(s), u"bcab");
    ASSERT_TRUE(s.AssignWide(s.GetWideText()));
    EXPECT_EQ(WideOf(s), u"bcab");

    NarrowString n("dir");
    ASSERT_TRUE(n.AppendPath(n));
    EXPECT_EQ(NarrowOf(n), "dir\\dir");
    ASSERT_TRUE(n.EnsureSuffix(n.GetNarrowText(4)));
    EXPECT_EQ(NarrowOf(n), "dir\\dir");
    ASSERT_TRUE(n.AppendNarrow(n.GetNarrowText(), -1));
    EXPECT_EQ(NarrowOf(n), "dir\\dirdir\\dir");
}

struct PathCase {
    const char16_t* base;
    const char16_t* component;
    const char16_t* expected;
};

TEST(GStringTest, AppendPathJoinsWithOneBackslash) {
    const PathCase cases[] = {
        {u"dir", u"\\file", u"dir\\file"},
        {u"dir\\", u"file", u"dir\\file"},
        {u"", u"file", u"\\file"},
        {u"dir", u"/file", u"dir\\file"},
        {u"dir\\", u"\\file", u"dir\\file"},
        {u"dir", u"file", u"dir\\file"},
        {u"dir", u"", u"dir\\"},
        {u"dir\\", u"", u"dir\\"},
        {u"dir", u"\\", u"dir\\"},
        {u"dir", u"\\\\srv", u"dir\\\\srv"},
        {u"dir/", u"file", u"dir/\\file"},
    };
    for (const PathCase& c : cases) {
        SCOPED_TRACE(&c - cases);
        WideString wide(c.base);
        EXPECT_TRUE(wide.AppendPath(c.component));
        EXPECT_EQ(WideOf(wide), c.expected);

        // The same join in the UTF-8 form, with the component given as a narrow GString.
        WideString narrow(c.base);
        narrow.MakeNarrow();
        WideString component(c.component);
        component.MakeNarrow();
        EXPECT_TRUE(narrow.AppendPath(component));
        narrow.MakeWide();
        EXPECT_EQ(WideOf(narrow), c.expected);
    }
    WideString nullComponent(u"dir");
    EXPECT_TRUE(nullComponent.AppendPath(static_cast<const char*>(nullptr)));
    EXPECT_EQ(WideOf(nullComponent), u"dir\\");
}

TEST(GStringTest, AppendPathConvertsTheComponentFirst) {
    WideString s(u"C:\\dir");
    EXPECT_TRUE(s.AppendPath("\xc3\xa4.txt"));
    EXPECT_EQ(WideOf(s), u"C:\\dir\\\x00e4.txt");
    EXPECT_FALSE(s.AppendPath("bad\xff"));
    EXPECT_EQ(WideOf(s), u"C:\\dir\\\x00e4.txt");  // not even the backslash
}

TEST(GStringTest, EnsureSuffixAppendsOnlyWhatIsMissing) {
    NarrowString s("name");
    EXPECT_FALSE(s.EnsureSuffix(static_cast<const char16_t*>(nullptr)));
    EXPECT_FALSE(s.EnsureSuffix(""));
    EXPECT_TRUE(s.EnsureSuffix(u".txt"));
    EXPECT_TRUE(s.EnsureSuffix(".txt"));
    EXPECT_TRUE(s.EnsureSuffix(u"txt"));
    EXPECT_EQ(NarrowOf(s), "name.txt");
    EXPECT_TRUE(s.EnsureSuffix(u"x.txt"));
    EXPECT_EQ(NarrowOf(s), "name.txtx.txt");
    GString e;
    EXPECT_TRUE(e.EnsureSuffix("\\"));
    EXPECT_EQ(NarrowOf(e), "\\");
}

TEST(GStringTest, CompareOrdersByLengthFirst) {
    NarrowString zz("zz");
    EXPECT_EQ(zz.Compare(u"aaa"), -1);
    EXPECT_EQ(zz.Compare("a"), 1);
    EXPECT_EQ(zz.Compare(u"zz"), 0);
    EXPECT_EQ(zz.Compare("zza", 2), 0);
    EXPECT_EQ(zz.Compare("zy"), 1);
    EXPECT_EQ(zz.Compare(static_cast<const char*>(nullptr)), 1);
    EXPECT_EQ(zz.Compare(""), 1);

    GString empty;
    EXPECT_EQ(empty.Compare(static_cast<const char16_t*>(nullptr)), 0);
    EXPECT_EQ(empty.Compare(u""), 0);
    EXPECT_EQ(empty.Compare(u"a"), -1);

    // Compared in the string's form: U+00E4 is two UTF-8 bytes but one UTF-16 unit.
    EXPECT_EQ(NarrowString("zz").Compare(u"\x00e4"), -1);
    EXPECT_EQ(WideString(u"zz").Compare("\xc3\xa4"), 1);
    EXPECT_EQ(WideString(u"\xffff").Compare(u"a"), 1);
    EXPECT_NE(WideString(u"a").Compare("\xff"), 0);

    EXPECT_TRUE(GString::IsEqual(WideString(u"\x00e4"), NarrowString("\xc3\xa4")));
    EXPECT_TRUE(GString::IsEqual(GString(), WideString(u"")));
    EXPECT_TRUE(GString::IsDifferent(WideString(u"ab"), NarrowString("aB")));
    EXPECT_FALSE(GString::IsDifferent(NarrowString("ab"), WideString(u"ab")));
}

TEST(GStringTest, FindGuardsAndConversions) {
    WideString s(
        u"a\x00e4"
        u"ba\x00e4");
    EXPECT_EQ(s.Find(u"\x00e4"), 1);
    EXPECT_EQ(s.Find(u"\x00e4", 2), 4);
    EXPECT_EQ(s.Find("\xc3\xa4", 2), 4);  // a UTF-8 needle, converted
    EXPECT_EQ(s.Find(NarrowString("b")), 2);
    EXPECT_EQ(s.Find(u"\x00e4"
                     u"b",
                     0, 1),
              1);
    EXPECT_EQ(s.Find(u"a\x00e4", 4), -1);  // does not fit after the first index
    EXPECT_EQ(s.Find(u"a", 5), -1);        // first index at the length
    EXPECT_EQ(s.Find(u"a", -1), -1);
    EXPECT_EQ(s.Find(static_cast<const char16_t*>(nullptr)), -1);
    EXPECT_EQ(s.Find(u""), -1);
    EXPECT_EQ(s.Find("\xff"), -1);  // cannot be converted
    EXPECT_EQ(GString().Find(u"a"), -1);

    NarrowString n(
        "a\xc3\xa4"
        "ba\xc3\xa4");
    EXPECT_EQ(n.Find(u"\x00e4"), 1);
    EXPECT_EQ(n.Find(u"\x00e4", 2), 5);
    EXPECT_EQ(n.Find(WideString(u"ba")), 3);
}

TEST(GStringTest, ReverseFindInBothForms) {
    WideString w(u"C:\\d\x00e4r\\f");
    EXPECT_EQ(w.ReverseFind(u'\\'), 6);
    EXPECT_EQ(w.ReverseFind(u'\\', 3), 6);
    EXPECT_EQ(w.ReverseFind(u'\\', 7), -1);
    EXPECT_EQ(w.ReverseFind(u'\\', 99), -1);
    EXPECT_EQ(w.ReverseFind(u'\\', -1), -1);
    EXPECT_EQ(w.ReverseFind(u'\x00e4'), 4);

    NarrowString n("C:\\d\xc3\xa4r\\f\xc3\xa4");
    EXPECT_EQ(n.ReverseFind(u'\\'), 7);
    EXPECT_EQ(n.ReverseFind(u'\x00e4'), 9);  // byte index of the sequence
    EXPECT_EQ(n.ReverseFind(u'\x00e4', 10), -1);
    EXPECT_EQ(n.ReverseFind(u'\x20ac'), -1);
    EXPECT_EQ(GString().ReverseFind(u'a'), -1);
}

TEST(GStringTest, MakeUpperUsesOneToOneMappingsOnly) {
    WideString w(
        u"stra\x00df"
        u"e \x00b5 \x00e4\x03c3\x0444 \x03d0 \xff41");
    ASSERT_TRUE(w.MakeUpper());
    EXPECT_EQ(WideOf(w),
              u"STRA\x00df"
              u"E \x00b5 \x00c4\x03a3\x0424 \x03d0 \xff21");

    NarrowString n(
        "stra\xc3\x9f"
        "e \xc2\xb5 \xc3\xa4");
    ASSERT_TRUE(n.MakeUpper());
    EXPECT_FALSE(n.IsWide());
    EXPECT_EQ(NarrowOf(n),
              "STRA\xc3\x9f"
              "E \xc2\xb5 \xc3\x84");

    NarrowString bad("a\xff");
    EXPECT_FALSE(bad.MakeUpper());
    EXPECT_EQ(NarrowOf(bad), "a\xff");
}

std::vector<std::u16string>* g_lines = nullptr;

void CaptureLine(const char16_t* line) {
    g_lines->emplace_back(line);
}

class DebugOutputTest : public ::testing::Test {
protected:
    void SetUp() override {
        g_lines = &lines;
        previous = SetDebugSink(CaptureLine);
    }
    void TearDown() override {
        SetDebugSink(previous);
        g_lines = nullptr;
    }
    std::vector<std::u16string> lines;
    DebugSink previous = nullptr;
};

std::u16string Digits(int count) {
    std::u16string text;
    for (int i = 0; i < count; ++i) {
        text.push_back(static_cast<char16_t>(u'0' + i % 10));
    }
    return text;
}

TEST_F(DebugOutputTest, CutsIntoEightyUnitLines) {
    const std::u16string text = Digits(170);
    GString s;
    s.AssignWide(text.c_str());
    s.DebugOutput(1000);
    ASSERT_EQ(lines.size(), 3u);
    EXPECT_EQ(lines[0], text.substr(0, 80) + u" \\\n");
    EXPECT_EQ(lines[1], text.substr(80, 80) + u" \\\n");
    EXPECT_EQ(lines[2], text.substr(160) + u"\n");
}

TEST_F(DebugOutputTest, LastFullLineEndsWithALineFeedOnly) {
    const std::u16string text = Digits(160);
    GString s;
    s.AssignWide(text.c_str());
    s.DebugOutput(1000);
    ASSERT_EQ(lines.size(), 2u);
    EXPECT_EQ(lines[1], text.substr(80, 80) + u"\n");
}

TEST_F(DebugOutputTest, TheLimitBoundsEveryLine) {
    const std::u16string text = Digits(170);
    GString s;
    s.AssignWide(text.c_str());
    s.DebugOutput(85);
    ASSERT_EQ(lines.size(), 2u);
    EXPECT_EQ(lines[0], text.substr(0, 80) + u" \\\n");
    EXPECT_EQ(lines[1], text.substr(80, 5) + u"\n");

    lines.clear();
    s.DebugOutput(0);
    s.DebugOutput(-1);
    GString().DebugOutput(10);
    EXPECT_TRUE(lines.empty());
}

TEST_F(DebugOutputTest, Utf8TextIsCutByCharactersAndSentAsUtf16) {
    std::string text;
    std::u16string expected;
    for (int i = 0; i < 90; ++i) {
        text += "\xc3\xa4";
        expected.push_back(u'\x00e4');
    }
    GString s;
    s.AssignNarrow(text.c_str());
    s.DebugOutput(1000);
    ASSERT_EQ(lines.size(), 2u);
    EXPECT_EQ(lines[0], expected.substr(0, 80) + u" \\\n");
    EXPECT_EQ(lines[1], expected.substr(80) + u"\n");

    lines.clear();
    GString raw;
    raw.AssignNarrow("ok\xff");
    raw.DebugOutput(1000);
    ASSERT_EQ(lines.size(), 1u);
    EXPECT_EQ(lines[0], u"ok\x00ff\n");
}

}  // namespace
