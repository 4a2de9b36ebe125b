#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "payload/StringTable.h"
#include "tools/strtab/StringSource.h"

namespace {

struct Parsed {
    bool ok;
    std::vector<SourceText> texts;
    std::vector<std::string> errors;
};

Parsed Parse(const std::string& content) {
    Parsed parsed;
    parsed.ok = ParseStringSource(content, "src.txt", parsed.texts, parsed.errors);
    return parsed;
}

std::string Joined(const std::vector<std::string>& errors) {
    std::string all;
    for (const std::string& error : errors) {
        all += error + "\n";
    }
    return all;
}

TEST(StringSource, ReadsBothFormsEscapesAndContinuations) {
    const Parsed parsed = Parse(
        "# comment\n"
        "\n"
        "3 u8= SYSTEM\\\\Keyboard Layouts\n"
        "93 = Instalator \\u{201E}Tolvin\\u{201D}\n"
        "62 u8= <a>\\r\\n\n"
        "+   <b/>\\t\\x41\n"
        "+\n"
        "+ </a>\n"
        "154 =\n"
        "64 u8= \\x20Default=\"true\"\n"
        "7 = ząb 😀\n");
    ASSERT_TRUE(parsed.ok) << Joined(parsed.errors);
    ASSERT_EQ(parsed.texts.size(), 6u);
    EXPECT_EQ(parsed.texts[0].id, 3u);
    EXPECT_TRUE(parsed.texts[0].utf8);
    EXPECT_EQ(parsed.texts[0].text, U"SYSTEM\\Keyboard Layouts");
    EXPECT_FALSE(parsed.texts[1].utf8);
    EXPECT_EQ(parsed.texts[1].text, U"Instalator \u201ETolvin\u201D");
    EXPECT_EQ(parsed.texts[2].text, U"<a>\r\n  <b/>\tA</a>");
    EXPECT_EQ(parsed.texts[2].line, 5);
    EXPECT_EQ(parsed.texts[3].text, U"");
    EXPECT_EQ(parsed.texts[4].text, U" Default=\"true\"");
    EXPECT_EQ(parsed.texts[5].text, U"ząb \U0001F600");
}

TEST(StringSource, AcceptsByteOrderMarkAndCrLfLineEnds) {
    const Parsed parsed = Parse(
        "\xEF\xBB\xBF"
        "1 = a\r\n+ b\r\n2 u8= c\r\n");
    ASSERT_TRUE(parsed.ok) << Joined(parsed.errors);
    ASSERT_EQ(parsed.texts.size(), 2u);
    EXPECT_EQ(parsed.texts[0].text, U"ab");
    EXPECT_EQ(parsed.texts[1].text, U"c");
}

TEST(StringSource, ReportsEachFaultWithItsLine) {
    struct Case {
        const char* source;
        const char* message;
    };
    const Case cases[] = {
        {"1 = a\\q", "src.txt:1: error: bad escape \\q"},
        {"1 = a\\", "src.txt:1: error: a backslash ends the text"},
        {"1 = \\x4", "src.txt:1: error: bad escape: \\x takes exactly two"},
        {"1 = \\xG0", "src.txt:1: error: bad escape: \\x takes exactly two"},
        {"1 = \\u41", "src.txt:1: error: bad escape: \\u takes a code point in braces"},
        {"1 = \\u{}", "src.txt:1: error: bad escape: \\u{...} takes 1 to 6"},
        {"1 = \\u{1234567}", "src.txt:1: error: bad escape: \\u{...} takes 1 to 6"},
        {"1 = \\u{41", "src.txt:1: error: bad escape: \\u{...} takes 1 to 6"},
        {"1 = \\u{110000}", "src.txt:1: error: code point beyond U+10FFFF"},
        {"1 = \\u{D800}", "src.txt:1: error: a surrogate"},
        {"1 = \\x00", "src.txt:1: error: U+0000"},
        {"1 u8= \\u{1F600}", "src.txt:1: error: characters beyond U+FFFF need the UTF-16"},
        {"1 u8= \xF0\x9F\x98\x80", "src.txt:1: error: characters beyond U+FFFF need the UTF-16"},
        {"1 = a\tb", "src.txt:1: error: raw control character"},
        {"1 = \xC3", "src.txt:1: error: the text is not valid UTF-8"},
        {"1 = \xC0\x80", "src.txt:1: error: the text is not valid UTF-8"},
        {"1 = \xED\xA0\x80", "src.txt:1: error: the text is not valid UTF-8"},
        {"1 = a ", "src.txt:1: error: trailing blank"},
        {"# ok\n\n2 = a\t", "src.txt:3: error: trailing blank"},
        {"4294967296 = a", "src.txt:1: error: id out of range"},
        {"1 a", "src.txt:1: error: malformed line: expected '<id> = <text>'"},
        {"1=a", "src.txt:1: error: malformed line"},
        {"1 =a", "src.txt:1: error: malformed line: a space must follow the '='"},
        {"1 u16= a", "src.txt:1: error: malformed line"},
        {" 1 = a", "src.txt:1: error: malformed line"},
        {"x = a", "src.txt:1: error: malformed line"},
        {"+ orphan", "src.txt:1: error: a '+' line must follow a text"},
        {"1 = a\n# gap\n+ b", "src.txt:3: error: a '+' line must follow a text"},
        {"1 = a\n+b", "src.txt:2: error: malformed line: a space must follow the '+'"},
    };
    for (const Case& c : cases) {
        const Parsed parsed = Parse(c.source);
        EXPECT_FALSE(parsed.ok) << c.source;
        ASSERT_EQ(parsed.errors.size(), 1u) << c.source << "\n" << Joined(parsed.errors);
        EXPECT_EQ(parsed.errors[0].rfind(c.message, 0), 0u) << c.source << "\n" << parsed.errors[0];
    }
}

TEST(StringSource, ContinuationsOfABrokenTextAreNotReportedAgain) {
    const Parsed parsed = Parse("1 = \\q\n+ more\n+ more\n2 = fine");
    EXPECT_EQ(parsed.errors.size(), 1u) << Joined(parsed.errors);
    ASSERT_EQ(parsed.texts.size(), 1u);
    EXPECT_EQ(parsed.texts[0].id, 2u);
}

TEST(StringSource, ValidationFindsDuplicatesAcrossFilesAndIdsOutOfRange) {
    std::vector<SourceText> texts;
    std::vector<std::string> errors;
    ASSERT_TRUE(ParseStringSource("5 = a\n400 = b\n", "one.txt", texts, errors));
    ASSERT_TRUE(ParseStringSource("\n5 u8= c\n", "two.txt", texts, errors));
    EXPECT_FALSE(ValidateTableTexts(texts, 326, errors));
    ASSERT_EQ(errors.size(), 2u) << Joined(errors);
    EXPECT_EQ(errors[0], "one.txt:2: error: id 400 out of range: the highest id is 326");
    EXPECT_EQ(errors[1], "two.txt:2: error: duplicate id 5; first given at one.txt:1");

    errors.clear();
    EXPECT_FALSE(ValidateTableTexts({}, 326, errors));
    EXPECT_EQ(errors.size(), 1u);
}

std::uint32_t Read32(const std::vector<unsigned char>& bytes, std::size_t at) {
    return static_cast<std::uint32_t>(bytes[at]) | static_cast<std::uint32_t>(bytes[at + 1]) << 8 |
           static_cast<std::uint32_t>(bytes[at + 2]) << 16 |
           static_cast<std::uint32_t>(bytes[at + 3]) << 24;
}

TEST(StringSource, BuildsASortedAlignedTableThatStringTableReads) {
    const Parsed parsed = Parse(
        "4294967295 = last\n"
        "2147483648 u8= high\n"
        "0 =\n"
        "7 u8= zażółć\n"
        "8 = zażółć \\u{1F600}\n");
    ASSERT_TRUE(parsed.ok) << Joined(parsed.errors);
    const std::vector<unsigned char> bytes = BuildStringTable(parsed.texts);

    const std::uint32_t expectedIds[] = {0, 7, 8, 0x80000000u, 0xFFFFFFFFu};
    for (std::size_t i = 0; i < 5; ++i) {
        EXPECT_EQ(Read32(bytes, i * 8), expectedIds[i]);
        EXPECT_EQ(Read32(bytes, i * 8 + 4) % 4, 0u) << "offsets start at multiples of 4";
    }

    auto* buffer = new unsigned char[bytes.size()];
    std::memcpy(buffer, bytes.data(), bytes.size());
    StringTable table;
    ASSERT_TRUE(table.Attach(buffer, 5, static_cast<std::uint32_t>(bytes.size())));

    const CountedText empty = ReadCountedText(table.Find(0));
    EXPECT_FALSE(empty.utf8);
    EXPECT_EQ(empty.length, 0u);

    const CountedText narrow = ReadCountedText(table.Find(7));
    EXPECT_TRUE(narrow.utf8);
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(narrow.data), narrow.length),
              "za\xC5\xBC\xC3\xB3\xC5\x82\xC4\x87");

    const CountedText wide = ReadCountedText(table.Find(8));
    EXPECT_FALSE(wide.utf8);
    ASSERT_EQ(wide.length, 9u) << "the emoji takes a surrogate pair";
    std::u16string units(wide.length, u'\0');
    std::memcpy(units.data(), wide.data, wide.length * 2);
    EXPECT_EQ(units, u"zażółć \U0001F600");

    EXPECT_NE(table.Find(0x80000000u), nullptr);
    EXPECT_NE(table.Find(0xFFFFFFFFu), nullptr);
}

}  // namespace
