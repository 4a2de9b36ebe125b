#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

#include "payload/StringTable.h"
#include "text/GString.h"

namespace {

// One entry of a table built by the test: the id, the stored form and the text's code units
// as bytes. `header` replaces the computed header when non-zero.
struct Entry {
    std::uint32_t id;
    bool utf8;
    std::string bytes;
    std::uint32_t header = 0;
};

void Put32(std::vector<unsigned char>& out, std::size_t at, std::uint32_t value) {
    for (int i = 0; i < 4; ++i) {
        out[at + static_cast<std::size_t>(i)] = static_cast<unsigned char>(value >> (8 * i));
    }
}

std::string Utf16Bytes(const std::u16string& text) {
    std::string bytes;
    for (char16_t unit : text) {
        bytes += static_cast<char>(unit & 0xFF);
        bytes += static_cast<char>(unit >> 8);
    }
    return bytes;
}

Entry Wide(std::uint32_t id, const std::u16string& text) {
    return {id, false, Utf16Bytes(text)};
}

Entry Narrow(std::uint32_t id, const std::string& text) {
    return {id, true, text};
}

// The decoded form of a table: the index in the order given (callers give it sorted), then
// each counted text.
std::vector<unsigned char> TableBytes(const std::vector<Entry>& entries) {
    std::vector<unsigned char> out(entries.size() * 8);
    std::vector<unsigned char> area;
    for (std::size_t i = 0; i < entries.size(); ++i) {
        const Entry& entry = entries[i];
        Put32(out, i * 8, entry.id);
        Put32(out, i * 8 + 4, static_cast<std::uint32_t>(area.size()));
        const std::uint32_t units =
            static_cast<std::uint32_t>(entry.utf8 ? entry.bytes.size() : entry.bytes.size() / 2);
        const std::size_t at = area.size();
        area.resize(at + 4);
        Put32(area, at, entry.header != 0 ? entry.header : units | (entry.utf8 ? 1u << 31 : 0));
        area.insert(area.end(), entry.bytes.begin(), entry.bytes.end());
    }
    out.insert(out.end(), area.begin(), area.end());
    return out;
}

// Attaches a copy of the bytes, as the program attaches a decoded payload.
bool AttachBytes(StringTable& table, const std::vector<unsigned char>& bytes, std::int32_t count) {
    auto* buffer = new unsigned char[bytes.size() + 1];
    std::memcpy(buffer, bytes.data(), bytes.size());
    if (table.Attach(buffer, count, static_cast<std::uint32_t>(bytes.size()))) {
        return true;
    }
    delete[] buffer;
    return false;
}

void AttachEntries(StringTable& table, const std::vector<Entry>& entries) {
    ASSERT_TRUE(AttachBytes(table, TableBytes(entries), static_cast<std::int32_t>(entries.size())));
}

std::u16string TextOf(const void* entry) {
    GString text;
    EXPECT_TRUE(text.AssignCounted(entry));
    text.MakeWide();
    return std::u16string(text.GetWideText(), static_cast<std::size_t>(text.GetLength()));
}

TEST(StringTable, EmptyTableHasNoMembersAndFindsNothing) {
    StringTable table;
    EXPECT_EQ(table.count, 0);
    EXPECT_EQ(table.buffer, nullptr);
    EXPECT_EQ(table.index, nullptr);
    EXPECT_EQ(table.texts, nullptr);
    EXPECT_EQ(table.Find(0), nullptr);
}

TEST(StringTable, AttachSetsIndexAndTextArea) {
    StringTable table;
    AttachEntries(table, {Wide(1, u"a"), Wide(2, u"bc")});
    EXPECT_EQ(table.count, 2);
    EXPECT_EQ(table.index, table.buffer);
    EXPECT_EQ(table.texts, table.buffer + 16);
    table.Release();
    EXPECT_EQ(table.count, 0);
    EXPECT_EQ(table.buffer, nullptr);
    EXPECT_EQ(table.Find(1), nullptr);
}

TEST(StringTable, RefusedAttachKeepsThePreviousTable) {
    StringTable table;
    AttachEntries(table, {Wide(7, u"kept")});
    const std::vector<unsigned char> other = TableBytes({Wide(8, u"other")});

    EXPECT_FALSE(table.Attach(nullptr, 1, 100));
    EXPECT_FALSE(AttachBytes(table, other, 0));
    EXPECT_FALSE(AttachBytes(table, other, -1));
    // An index of two entries needs 16 bytes; the buffer holds fewer.
    std::vector<unsigned char> tooShort(12, 0);
    EXPECT_FALSE(AttachBytes(table, tooShort, 2));

    EXPECT_EQ(TextOf(table.Find(7)), u"kept");
    EXPECT_EQ(table.Find(8), nullptr);
}

TEST(StringTable, AttachReplacesAndReleasesTheOldBuffer) {
    StringTable table;
    AttachEntries(table, {Wide(1, u"old")});
    AttachEntries(table, {Wide(2, u"new")});
    EXPECT_EQ(table.Find(1), nullptr);
    EXPECT_EQ(TextOf(table.Find(2)), u"new");
}

TEST(StringTable, FindsFirstAndLastButNotBetweenOrOutside) {
    StringTable table;
    AttachEntries(table, {Wide(10, u"ten"), Wide(20, u"twenty"), Wide(30, u"thirty"),
                          Wide(40, u"forty"), Wide(50, u"fifty")});
    EXPECT_EQ(TextOf(table.Find(10)), u"ten");
    EXPECT_EQ(TextOf(table.Find(30)), u"thirty");
    EXPECT_EQ(TextOf(table.Find(50)), u"fifty");
    for (std::uint32_t missing : {0u, 9u, 11u, 25u, 49u, 51u, 0xFFFFFFFFu}) {
        EXPECT_EQ(table.Find(missing), nullptr) << missing;
    }
}

TEST(StringTable, OrdersIdsAsUnsignedNumbers) {
    StringTable table;
    const std::vector<std::uint32_t> ids = {0, 1, 0x7FFFFFFF, 0x80000000, 0x80000001, 0xFFFFFFFF};
    std::vector<Entry> entries;
    for (std::uint32_t id : ids) {
        entries.push_back(Narrow(id, std::to_string(id)));
    }
    AttachEntries(table, entries);
    for (std::uint32_t id : ids) {
        const std::string digits = std::to_string(id);
        EXPECT_EQ(TextOf(table.Find(id)), std::u16string(digits.begin(), digits.end())) << id;
    }
    EXPECT_EQ(table.Find(0x80000002), nullptr);
}

TEST(StringTable, ReadsBothFormsAndIgnoresHeaderBits29And30) {
    StringTable table;
    AttachEntries(table, {Wide(1, u"zażółć"), Narrow(2, "za\xC5\xBC\xC3\xB3\xC5\x82\xC4\x87"),
                          Entry{3, false, Utf16Bytes(u"abc"), 0x60000003u},
                          Entry{4, true, "abcd", 0xE0000004u}});
    EXPECT_EQ(TextOf(table.Find(1)), u"zażółć");
    EXPECT_EQ(TextOf(table.Find(2)), u"zażółć");
    EXPECT_EQ(TextOf(table.Find(3)), u"abc");
    EXPECT_EQ(TextOf(table.Find(4)), u"abcd");

    const CountedText narrow = ReadCountedText(table.Find(4));
    EXPECT_TRUE(narrow.utf8);
    EXPECT_EQ(narrow.length, 4u);
}

TEST(StringTable, ZeroLengthTextIsFoundAndEmpty) {
    StringTable table;
    AttachEntries(table, {Wide(5, u""), Narrow(6, "")});
    for (std::uint32_t id : {5u, 6u}) {
        const void* entry = table.Find(id);
        ASSERT_NE(entry, nullptr);
        GString text;
        EXPECT_TRUE(text.AssignCounted(entry));
        EXPECT_EQ(text.GetLength(), 0);
    }
}

// Damaged tables: an entry that would make the caller read past the buffer counts as missing,
// while the sound entries of the same table are still found.
TEST(StringTable, EntriesReachingPastTheBufferAreNotFound) {
    struct Case {
        const char* what;
        std::uint32_t offset;  // replaces the offset of entry 2
        std::uint32_t header;  // replaces the header of entry 2 when non-zero
    };
    // Entry 2's text starts at offset 8 (after entry 1's 4-byte header and 4 bytes of text)
    // and its 2 units fill the area up to its end, 16 bytes.
    const Case cases[] = {
        {"offset far past the end", 0x7FFFFFF0u, 0},
        {"offset at the end", 16, 0},
        {"header cut by the end", 14, 0},
        {"UTF-16 length one unit too long", 8, 3},
        {"UTF-8 length one byte too long", 8, 0x80000005u},
        {"largest length", 8, 0x1FFFFFFFu},
    };
    for (const Case& c : cases) {
        std::vector<unsigned char> bytes =
            TableBytes({Narrow(1, "abcd"), Wide(2, u"xy"), Narrow(3, "")});
        // Move entry 3's text so that entry 2 ends the area.
        bytes.resize(bytes.size() - 4);
        Put32(bytes, 20, 0);
        Put32(bytes, 12, c.offset);
        if (c.header != 0) {
            Put32(bytes, 24 + 8, c.header);
        }
        StringTable table;
        ASSERT_TRUE(AttachBytes(table, bytes, 3)) << c.what;
        EXPECT_EQ(table.Find(2), nullptr) << c.what;
        EXPECT_EQ(TextOf(table.Find(1)), u"abcd") << c.what;
    }
}

TEST(StringTable, TextFillingTheAreaExactlyIsFound) {
    StringTable table;
    AttachEntries(table, {Narrow(1, "abc"), Wide(2, u"xy")});
    EXPECT_EQ(TextOf(table.Find(2)), u"xy");
}

class FetchOrder : public ::testing::Test {
protected:
    void SetUp() override {
        AttachEntries(language0, {Wide(1, u"language 0"), Wide(3, u"only language 0")});
        AttachEntries(language1, {Wide(1, u"language 1"), Wide(4, u"only language 1")});
        AttachEntries(defaults,
                      {Wide(1, u"default"), Wide(3, u"default 3"), Wide(4, u"default 4")});
        AttachEntries(engine, {Wide(1, u"engine"), Wide(5, u"only engine")});
    }

    const void* Fetch(int language, std::uint32_t id) const {
        return FindInTables({language == 0 ? &language0 : &language1, &defaults, &engine}, id);
    }

    StringTable language0;
    StringTable language1;
    StringTable defaults;
    StringTable engine;
};

TEST_F(FetchOrder, ChosenLanguageWinsOverDefaultAndEngine) {
    EXPECT_EQ(TextOf(Fetch(0, 1)), u"language 0");
    EXPECT_EQ(TextOf(Fetch(1, 1)), u"language 1");
}

TEST_F(FetchOrder, OtherLanguageIsNeverSearched) {
    EXPECT_EQ(TextOf(Fetch(1, 3)), u"default 3");
    EXPECT_EQ(TextOf(Fetch(0, 4)), u"default 4");
}

TEST_F(FetchOrder, EngineTableAnswersWhatBothOthersLack) {
    EXPECT_EQ(TextOf(Fetch(0, 5)), u"only engine");
    EXPECT_EQ(TextOf(Fetch(1, 5)), u"only engine");
    EXPECT_EQ(Fetch(0, 6), nullptr);
    EXPECT_EQ(Fetch(1, 6), nullptr);
}

}  // namespace
