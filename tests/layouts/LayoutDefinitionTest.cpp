#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "tools/kbdgen/LayoutDefinition.h"
#include "tools/kbdgen/LayoutTables.h"

namespace {

namespace fs = std::filesystem;

class LayoutDefinitionFiles : public ::testing::Test {
protected:
    void SetUp() override {
        folder_ =
            fs::temp_directory_path() /
            ("kbdgen-test-" + std::to_string(::testing::UnitTest::GetInstance()->random_seed()) +
             "-" + ::testing::UnitTest::GetInstance()->current_test_info()->name());
        fs::create_directories(folder_);
    }
    void TearDown() override { fs::remove_all(folder_); }

    std::string Write(const std::string& name, const std::string& text) {
        const fs::path path = folder_ / name;
        std::ofstream(path, std::ios::binary) << text;
        return path.string();
    }

    // A minimal complete layout plus `extra` lines.
    std::string Layout(const std::string& extra) {
        return Write("test.layout",
                     "title \"Test\"\nlabel \"T\"\nscan 1E A\n"
                     "chars A caps a A - ą Ą\nnumpad DECIMAL . .\n" +
                         extra);
    }

    fs::path folder_;
};

TEST_F(LayoutDefinitionFiles, ReadsCharactersDeadKeysAndAdditions) {
    const std::string layout = Layout(
        "chars OEM_7 - ' \" - dead:´ -\n"
        "dead ´ \"Acute\" a á U+0020 ´\n"
        "e0 1D RCONTROL ext\n"
        "keyname-ext 1D \"Right Ctrl\"\n");
    const std::string addition = Write("add.keys", "chars OEM_7 = = = = = ¨\n");
    kbd::LayoutDefinition definition;
    std::string error;
    ASSERT_TRUE(kbd::LoadLayoutDefinition(layout, {addition}, definition, error)) << error;

    EXPECT_EQ(definition.title, u"Test");
    EXPECT_EQ(definition.scanToVk[0x1E], 'A');
    const kbd::KeyChars* a = definition.FindMainKey('A');
    ASSERT_NE(a, nullptr);
    EXPECT_EQ(a->chars[kbd::kAltGr], u'ą');
    EXPECT_EQ(a->chars[kbd::kCtrl], kbd::kNoChar);
    const kbd::KeyChars* quote = definition.FindMainKey(0xDE);
    ASSERT_NE(quote, nullptr);
    EXPECT_EQ(quote->chars[kbd::kShift], u'"');
    EXPECT_EQ(quote->chars[kbd::kAltGr], kbd::kDeadChar);
    EXPECT_EQ(quote->dead[kbd::kAltGr], u'´');
    EXPECT_EQ(quote->chars[kbd::kShiftAltGr], u'¨');
    ASSERT_EQ(definition.e0.size(), 1u);
    EXPECT_EQ(definition.e0[0].vk, 0x1A3);

    // The dead key's accent follows its key in a row of the pseudo key 0xFF, and the
    // composition pairs the base letter (low word) with the accent (high word).
    const kbd::TableContent content = kbd::BuildTableContent(definition);
    const auto row = std::find_if(content.mainRows.begin(), content.mainRows.end(),
                                  [](const kbd::CharRow& r) { return r.vk == 0xDE; });
    ASSERT_NE(row + 1, content.mainRows.end());
    EXPECT_EQ((row + 1)->vk, 0xFF);
    EXPECT_EQ((row + 1)->chars[kbd::kAltGr], u'´');
    ASSERT_EQ(content.deadRows.size(), 3u);
    EXPECT_EQ(content.deadRows[0].both, 0x00B40061u);
    EXPECT_EQ(content.deadRows[0].composed, u'á');
}

TEST_F(LayoutDefinitionFiles, RejectsMalformedDefinitionsNamingTheLine) {
    const struct {
        const char* lines;
        const char* message;
    } cases[] = {
        {"bogus 1 2\n", "test.layout:6: unknown directive"},
        {"scan 80 A\n", "expected: scan"},
        {"scan 1F NOSUCHKEY\n", "expected: scan"},
        {"scan 1F S wide\n", "expected: scan"},
        {"e0 1D RCONTROL\ne0 1D RMENU\n", "scan code listed twice"},
        {"chars B - b B\n", "5 characters"},
        {"chars B odd b B - - -\n", "unknown attribute"},
        {"chars B - U+D800 B - - -\n", "bad character"},
        {"chars B - ab B - - -\n", "bad character"},
        {"chars B - \xF0\x9F\x98\x80 B - - -\n", "bad character"},  // outside the BMP
        {"chars B - \xC3 B - - -\n", "bad character"},              // truncated UTF-8
        {"chars B - b B - dead:` -\n", "a dead key has no composition table"},
        {"dead ` \"Grave\" a\n", "pairs"},
        {"dead ` \"Grave\" a à\ndead ` \"Grave\" e è\n", "dead key defined twice"},
        {"keyname 01 Esc\n", "expected: keyname"},
        {"title Test\n", "title needs a quoted text"},
        {"include missing.keys\n", "missing.keys: cannot be read"},
        {"include test.layout\n", "includes nest too deeply"},
        {"numpad NUMPAD0 dead:` -\n", "bad character"},
    };
    for (const auto& bad : cases) {
        kbd::LayoutDefinition definition;
        std::string error;
        EXPECT_FALSE(kbd::LoadLayoutDefinition(Layout(bad.lines), {}, definition, error))
            << bad.lines;
        EXPECT_NE(error.find(bad.message), std::string::npos) << bad.lines << " -> " << error;
    }
}

TEST_F(LayoutDefinitionFiles, AnAdditionOnlyFillsEmptyColumns) {
    const struct {
        const char* lines;
        const char* message;
    } cases[] = {
        {"chars A = = = = ä =\n", "may not replace a character"},
        {"chars A - = = = = =\n", "keeps the key's attributes"},
        {"scan 1F S\n", "may only add characters"},
    };
    for (const auto& bad : cases) {
        kbd::LayoutDefinition definition;
        std::string error;
        const std::string addition = Write("add.keys", bad.lines);
        EXPECT_FALSE(kbd::LoadLayoutDefinition(Layout(""), {addition}, definition, error))
            << bad.lines;
        EXPECT_NE(error.find(bad.message), std::string::npos) << bad.lines << " -> " << error;
    }
}

TEST_F(LayoutDefinitionFiles, DefinitionWithoutTitleOrCharactersIsIncomplete) {
    kbd::LayoutDefinition definition;
    std::string error;
    EXPECT_FALSE(kbd::LoadLayoutDefinition(Write("a.layout", "label \"A\"\nchars A - a A - - -\n"),
                                           {}, definition, error));
    EXPECT_NE(error.find("title"), std::string::npos);
    EXPECT_FALSE(kbd::LoadLayoutDefinition(Write("b.layout", "title \"B\"\nlabel \"B\"\n"), {},
                                           definition, error));
    EXPECT_NE(error.find("no characters"), std::string::npos);
}

}  // namespace
