// The program's own string tables, as the build compiled them: what they hold, where, and that
// every format template gives well-formed results with the arguments the program passes.
// Arguments: the default, engine, English and Polish tables (each with its .items file).

#include <gtest/gtest.h>

#include <cctype>
#include <cstdint>
#include <fstream>
#include <iterator>
#include <set>
#include <string>
#include <vector>

#include "payload/StringIds.h"
#include "payload/StringTable.h"
#include "tests/TestFiles.h"
#include "text/GString.h"

namespace {

std::vector<std::string> g_tablePaths;

enum TableIndex { kDefault, kEngine, kEnglish, kPolish };

// The ids of a table, read from its index.
std::vector<StringId> IdsOf(const StringTable& table) {
    std::vector<StringId> ids;
    for (std::int32_t i = 0; i < table.count; ++i) {
        const unsigned char* entry = table.index + 8 * i;
        ids.push_back(static_cast<StringId>(entry[0] | entry[1] << 8 | entry[2] << 16 |
                                            static_cast<StringId>(entry[3]) << 24));
    }
    return ids;
}

std::u16string TextOf(const void* entry) {
    GString text;
    if (entry == nullptr || !text.AssignCounted(entry) || text.MakeWide() == nullptr) {
        return u"<missing>";
    }
    return std::u16string(text.GetWideText(), static_cast<std::size_t>(text.GetLength()));
}

std::string Narrow(const std::u16string& text) {
    std::string out;
    for (char16_t unit : text) {
        out += unit < 0x80 ? static_cast<char>(unit) : '?';
    }
    return out;
}

class RealTables : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        ASSERT_EQ(g_tablePaths.size(), 4u) << "pass the default, engine, English, Polish tables";
        for (int i = 0; i < 4; ++i) {
            const std::string bytes = ReadWholeTestFile(g_tablePaths[i]);
            const int count = std::stoi(ReadWholeTestFile(g_tablePaths[i] + ".items"));
            auto* buffer = new unsigned char[bytes.size()];
            std::copy(bytes.begin(), bytes.end(), buffer);
            ASSERT_TRUE(s_tables[i].Attach(buffer, count, static_cast<std::uint32_t>(bytes.size())))
                << g_tablePaths[i];
        }
    }
    static void TearDownTestSuite() {
        for (StringTable& table : s_tables) {
            table.Release();
        }
    }

    // The program's fetch: the chosen language table, the default table, the engine table.
    static std::u16string Text(int language, StringId id) {
        return TextOf(FindInTables({&s_tables[language == 0 ? kEnglish : kPolish],
                                    &s_tables[kDefault], &s_tables[kEngine]},
                                   id));
    }

    template <typename... Args>
    static std::u16string Formatted(int language, StringId id, Args... args) {
        const std::u16string format = Text(language, id);
        GString out;
        EXPECT_TRUE(out.Format(format.c_str(), args...)) << "template " << id;
        return std::u16string(out.GetWideText(), static_cast<std::size_t>(out.GetLength()));
    }

    static StringTable s_tables[4];
};

StringTable RealTables::s_tables[4];

TEST_F(RealTables, HoldBothStoredForms) {
    int utf8 = 0;
    int utf16 = 0;
    for (const StringTable& table : s_tables) {
        for (StringId id : IdsOf(table)) {
            (ReadCountedText(table.Find(id)).utf8 ? utf8 : utf16) += 1;
        }
    }
    EXPECT_GT(utf8, 0);
    EXPECT_GT(utf16, 0);
}

TEST_F(RealTables, EveryTextDecodes) {
    for (const StringTable& table : s_tables) {
        for (StringId id : IdsOf(table)) {
            EXPECT_NE(TextOf(table.Find(id)), u"<missing>") << id;
        }
    }
}

TEST_F(RealTables, LanguageTablesHoldTheSameIds) {
    EXPECT_EQ(IdsOf(s_tables[kEnglish]), IdsOf(s_tables[kPolish]));
}

// A language table would win over the default table: a language-neutral text there would
// make registry names and file names depend on the language the user happened to read.
TEST_F(RealTables, LanguageNeutralTextsAreNotTranslated) {
    const std::vector<StringId> neutral = IdsOf(s_tables[kDefault]);
    for (StringId id : IdsOf(s_tables[kEnglish])) {
        EXPECT_EQ(std::count(neutral.begin(), neutral.end(), id), 0) << id;
    }
    // Two copies find each other by the window class whatever language each one shows.
    for (int table : {kDefault, kEnglish, kPolish}) {
        EXPECT_EQ(s_tables[table].Find(kStrMainWindowClass), nullptr);
    }
    EXPECT_NE(s_tables[kEngine].Find(kStrMainWindowClass), nullptr);
}

TEST_F(RealTables, LanguageTextsUseTypographicQuotes) {
    for (int table : {kEnglish, kPolish}) {
        for (StringId id : IdsOf(s_tables[table])) {
            EXPECT_EQ(TextOf(s_tables[table].Find(id)).find(u'"'), std::u16string::npos) << id;
        }
    }
}

// Only the format templates hold a '%' (besides the environment variables of an icon location
// and of the layout's display-name value, which the program never formats).
TEST_F(RealTables, PercentSignsOnlyInTemplates) {
    const std::set<StringId> expected = {2, 12, 48, 49, 52, 62, 63, 69, 87, 97, 101, 102, 129, 141};
    std::set<StringId> found;
    for (const StringTable& table : s_tables) {
        for (StringId id : IdsOf(table)) {
            if (TextOf(table.Find(id)).find(u'%') != std::u16string::npos) {
                found.insert(id);
            }
        }
    }
    EXPECT_EQ(found, expected);
}

TEST_F(RealTables, TextsAgreeWithEachOther) {
    for (int language : {0, 1}) {
        // The documents button opens the product's own folder in the Programs menu.
        EXPECT_EQ(Text(language, kStrDocumentButtonArgument),
                  u"shell:Common Programs\\" + Text(language, kStrVendorFolder) + u"\\" +
                      Text(language, kStrProductFolder));
        // The default layout set is the first one, chosen by its own name.
        EXPECT_NE(Text(language, kStrLayoutSetName0).find(Text(language, kStrDefaultLayoutSetKey)),
                  std::u16string::npos);
        EXPECT_EQ(Text(language, kStrLayoutSetName1).find(Text(language, kStrDefaultLayoutSetKey)),
                  std::u16string::npos);
    }
    // The viewer marker is compared with an upper-cased path.
    const std::u16string marker = Text(0, kStrDocumentViewerMarker);
    for (char16_t unit : marker) {
        EXPECT_FALSE(unit >= u'a' && unit <= u'z');
    }
    EXPECT_EQ(Text(0, kStrLayoutLangId), u"0415");
}

// A small well-formedness check of XML: one root element, properly nested and closed tags,
// attributes with quoted values, no text but blanks, comments allowed.
bool IsWellFormedXml(const std::string& xml, std::string& why) {
    std::vector<std::string> open;
    bool rootSeen = false;
    std::size_t at = 0;
    auto name = [&](std::size_t& i) {
        const std::size_t start = i;
        while (i < xml.size() && (std::isalnum(static_cast<unsigned char>(xml[i])) ||
                                  xml[i] == ':' || xml[i] == '_' || xml[i] == '-')) {
            ++i;
        }
        return xml.substr(start, i - start);
    };
    auto skipBlanks = [&](std::size_t& i) {
        while (i < xml.size() && std::isspace(static_cast<unsigned char>(xml[i]))) {
            ++i;
        }
    };
    while (true) {
        skipBlanks(at);
        if (at == xml.size()) {
            break;
        }
        if (xml[at] != '<') {
            why = "text outside tags at " + std::to_string(at);
            return false;
        }
        if (xml.compare(at, 4, "<!--") == 0) {
            const std::size_t end = xml.find("-->", at + 4);
            if (end == std::string::npos) {
                why = "unterminated comment";
                return false;
            }
            at = end + 3;
            continue;
        }
        ++at;
        if (at < xml.size() && xml[at] == '/') {
            ++at;
            const std::string closing = name(at);
            skipBlanks(at);
            if (open.empty() || open.back() != closing || at >= xml.size() || xml[at] != '>') {
                why = "bad closing tag " + closing;
                return false;
            }
            open.pop_back();
            ++at;
            continue;
        }
        const std::string element = name(at);
        if (element.empty() || (open.empty() && rootSeen)) {
            why = "bad or second root element at " + std::to_string(at);
            return false;
        }
        rootSeen = true;
        while (true) {
            skipBlanks(at);
            if (at < xml.size() && xml[at] == '>') {
                open.push_back(element);
                ++at;
                break;
            }
            if (xml.compare(at, 2, "/>") == 0) {
                at += 2;
                break;
            }
            const std::string attribute = name(at);
            if (attribute.empty() || xml.compare(at, 2, "=\"") != 0) {
                why = "bad attribute in " + element;
                return false;
            }
            const std::size_t end = xml.find('"', at + 2);
            if (end == std::string::npos ||
                xml.substr(at + 2, end - at - 2).find_first_of("<&") != std::string::npos) {
                why = "bad attribute value of " + attribute;
                return false;
            }
            at = end + 1;
        }
    }
    if (!rootSeen || !open.empty()) {
        why = "no root or unclosed elements";
        return false;
    }
    return true;
}

TEST(XmlCheck, TellsWellFormedFromBroken) {
    std::string why;
    EXPECT_TRUE(IsWellFormedXml("<a x=\"1\">\r\n <!-- c --><b/>\n</a>\n", why)) << why;
    for (const char* bad : {"<a>", "<a></b>", "<a x=1/>", "<a/><b/>", "<a>text</a>", "",
                            "<a x=\"<\"/>", "<a><!-- open</a>"}) {
        EXPECT_FALSE(IsWellFormedXml(bad, why)) << bad;
    }
}

TEST_F(RealTables, InputLanguageScriptsAreWellFormedAndNameTheLayout) {
    const std::u16string layout = Text(0, kStrLayoutKeyName);
    const std::u16string marker = Text(0, kStrDefaultInputMarker);
    const std::u16string user = Text(0, kStrNewerScriptIdentifier);
    const std::u16string added = u"Action=\"add\" ID=\"0415:" + layout + u"\"";
    for (int language : {0, 1}) {
        for (bool makeDefault : {true, false}) {
            const char16_t* defaultText = makeDefault ? marker.c_str() : u"";
            const std::u16string scripts[] = {
                Formatted(language, kStrInputLanguageScript, 0x0415, layout.c_str(), defaultText),
                Formatted(language, kStrInputLanguageScriptNewer, user.c_str(), 0x0415,
                          layout.c_str(), defaultText, 0x0415, 0x0415)};
            for (const std::u16string& script : scripts) {
                std::string why;
                EXPECT_TRUE(IsWellFormedXml(Narrow(script), why)) << why << "\n" << Narrow(script);
                EXPECT_NE(script.find(u"gs:GlobalizationServices"), std::u16string::npos);
                EXPECT_NE(script.find(added), std::u16string::npos) << Narrow(script);
                EXPECT_EQ(script.find(u"Default=\"true\"") != std::u16string::npos, makeDefault);
            }
        }
    }
    EXPECT_NE(Formatted(0, kStrInputLanguageScriptNewer, user.c_str(), 0x0415, layout.c_str(), u"",
                        0x0415, 0x0415)
                  .find(u"UserID=\"Current\""),
              std::u16string::npos);
}

// The removal scripts receive only empty texts, so they name the layout themselves; the name
// must be the one the install script adds (the layout's LANGID as %04x and its key name).
TEST_F(RealTables, RemovalScriptsRemoveWhatTheInstallAdded) {
    const std::u16string removed = u"Action=\"remove\" ID=\"" + Text(0, kStrLayoutLangId) + u":" +
                                   Text(0, kStrLayoutKeyName) + u"\"";
    for (int language : {0, 1}) {
        const std::u16string vista = Formatted(language, kStrRemovalScript, u"");
        std::string why;
        EXPECT_TRUE(IsWellFormedXml(Narrow(vista), why)) << why;
        EXPECT_NE(vista.find(removed), std::u16string::npos) << Narrow(vista);

        const std::u16string legacy = Formatted(language, kStrRemovalScriptLegacy, u"", u"");
        EXPECT_NE(legacy.find(u"[RegionalSettings]"), std::u16string::npos);
        EXPECT_EQ(legacy.find(u'%'), std::u16string::npos);
    }
}

TEST_F(RealTables, CommandLinesQuoteTheirPaths) {
    for (int language : {0, 1}) {
        EXPECT_EQ(Formatted(language, kStrScriptCommand, u"C:\\Temp Dir\\tlv1A.tmp"),
                  u"control.exe intl.cpl,, /f:\"C:\\Temp Dir\\tlv1A.tmp\"");
        EXPECT_EQ(Formatted(language, kStrAssociatedProgramCommand,
                            u"C:\\Program Files\\Viewer\\view.exe", u"shell:Common Programs\\A B"),
                  u"\"C:\\Program Files\\Viewer\\view.exe\" \"shell:Common Programs\\A B\"");
    }
}

TEST_F(RealTables, FileTemplatesGiveTheirFiles) {
    for (int language : {0, 1}) {
        const std::u16string readme = Text(language, kStrFile5Name);
        EXPECT_EQ(Formatted(language, kStrFile4ContentFormat,
                            u"C:\\Program Files\\Tolvin\\Keyboard Layout", readme.c_str()),
                  u"[InternetShortcut]\r\nURL=file:///C:\\Program Files\\Tolvin\\Keyboard "
                  u"Layout\\" +
                      readme + u"\r\n");
        EXPECT_EQ(Formatted(language, kStrPrevLayoutFormat, 0x0415, u"00000415"), u"0415:00000415");
        for (StringId script : {kStrFile3Content, kStrFile3ContentWin2000}) {
            const std::u16string content = Text(language, script);
            EXPECT_EQ(content.rfind(u"@echo off\r\n", 0), 0u);
            EXPECT_EQ(content.substr(content.size() - 2), u"\r\n");
        }
    }
}

TEST_F(RealTables, PageTemplatesTakeTheirOneText) {
    for (int language : {0, 1}) {
        const std::u16string layout = Text(language, kStrLayoutDisplayName);
        for (StringId id : {kStrWelcomeTitleFormat, kStrWelcomeTitleInstalledFormat,
                            kStrSetupHeadingFormat, kStrSetupLinkFormat}) {
            const std::u16string result = Formatted(language, id, layout.c_str());
            EXPECT_NE(result.find(layout), std::u16string::npos) << id;
            EXPECT_EQ(result.find(u'%'), std::u16string::npos) << id;
        }
        const std::u16string product = Text(language, kStrProductName);
        EXPECT_NE(Formatted(language, kMsgConfirmRemoveFormat, product.c_str()).find(product),
                  std::u16string::npos);
        const std::u16string choice = u"Polski - " + layout;
        EXPECT_NE(Formatted(language, kStrMakeDefaultFormat, choice.c_str()).find(choice),
                  std::u16string::npos);
    }
}

}  // namespace

int main(int argc, char** argv) {
    ::testing::InitGoogleTest(&argc, argv);
    g_tablePaths.assign(argv + 1, argv + argc);
    return RUN_ALL_TESTS();
}
