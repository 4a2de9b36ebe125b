#include <windows.h>

#include <shlobj.h>

#include <gtest/gtest.h>

#include <string>

#include "engine/CInstall.h"
#include "tests/engine/EngineTestSupport.h"

namespace {

class Paths : public testing::Test {
protected:
    void SetUp() override { InitEngine(install); }
    std::u16string Text(StringId id) {
        GString text;
        install.GetText(id, text);
        return TextOf(text);
    }
    std::u16string Folder(int csidl) {
        wchar_t buffer[MAX_PATH + 1] = {};
        SHGetSpecialFolderPathW(nullptr, buffer, csidl, FALSE);
        return Units(buffer);
    }
    CInstall install;
};

TEST_F(Paths, BuiltFromTheSpecialFoldersAndTexts) {
    install.BuildPaths();
    const std::u16string installDir = Folder(CSIDL_PROGRAM_FILES) + u"\\" + Text(kStrVendorFolder) +
                                      u"\\" + Text(kStrProductFolder);
    const std::u16string menuDir = Folder(CSIDL_COMMON_PROGRAMS) + u"\\" + Text(kStrVendorFolder) +
                                   u"\\" + Text(kStrProductFolder);
    const std::u16string desktop = Folder(CSIDL_COMMON_DESKTOPDIRECTORY);
    const std::u16string name1 =
        Text(kStrFile1NameFirst) + u" (" + Text(kStrFile1NameSecond) + u")";
    const std::u16string link = Text(kStrShortcutExtension);

    EXPECT_EQ(TextOf(install.m_installDir), installDir);
    EXPECT_EQ(TextOf(install.m_menuDir), menuDir);
    EXPECT_EQ(TextOf(install.m_file1), installDir + u"\\" + name1 + Text(kStrDocumentExtension));
    EXPECT_EQ(TextOf(install.m_file1DesktopLink), desktop + u"\\" + name1 + link);
    EXPECT_EQ(TextOf(install.m_file2MenuLink), menuDir + u"\\" + Text(kStrFile2BaseName) + link);
    EXPECT_EQ(TextOf(install.m_file3),
              installDir + u"\\" + Text(kStrFile3BaseName) + Text(kStrFile3Extension));
    EXPECT_EQ(TextOf(install.m_file4Desktop),
              desktop + u"\\" + Text(kStrFile4BaseName) + Text(kStrFile4Extension));
    EXPECT_EQ(TextOf(install.m_file5), installDir + u"\\" + Text(kStrFile5Name));
    EXPECT_FALSE(install.m_setupPath.GetLength() == 0) << "the test program's own path";
    EXPECT_EQ(install.m_oldFile1.GetLength(), 0) << "recorded paths are not computed";
}

TEST_F(Paths, EmptySpecialFoldersGivePathsFromTheRoot) {
    GString none;
    install.ComposeInstallPaths(none, none, none);
    EXPECT_EQ(TextOf(install.m_vendorDir), u"\\" + Text(kStrVendorFolder));
    EXPECT_EQ(TextOf(install.m_installDir),
              u"\\" + Text(kStrVendorFolder) + u"\\" + Text(kStrProductFolder));
    EXPECT_EQ(TextOf(install.m_file4Desktop),
              u"\\" + Text(kStrFile4BaseName) + Text(kStrFile4Extension));
}

TEST_F(Paths, SetupCopyTakesTheFileNameAfterTheLastBackslash) {
    install.BuildPaths();
    const std::u16string installDir = TextOf(install.m_installDir);
    struct Case {
        const wchar_t* commandLine;
        std::u16string setupPath;
        std::u16string setupCopy;
    };
    const Case cases[] = {
        {L"setup.exe", u"setup.exe", installDir + u"\\setup.exe"},
        {L"\"C:\\Users\\me\\My Setup.exe\" /x", u"C:\\Users\\me\\My Setup.exe",
         installDir + u"\\My Setup.exe"},
        {L"C:/dl/tolvin/setup.exe", u"C:/dl/tolvin/setup.exe",
         installDir + u"\\C:/dl/tolvin/setup.exe"},
    };
    for (const Case& c : cases) {
        EXPECT_TRUE(install.BuildSetupPaths(c.commandLine));
        EXPECT_EQ(TextOf(install.m_setupPath), c.setupPath);
        EXPECT_EQ(TextOf(install.m_setupCopy), c.setupCopy);
    }
    GString expectedName;
    GString format;
    install.GetText(kStrSetupLinkFormat, format);
    const std::u16string layoutName = Text(kStrLayoutDisplayName);
    expectedName.Format(format.GetWideText(), layoutName.c_str());
    EXPECT_EQ(TextOf(install.m_setupLinkName), TextOf(expectedName));
    EXPECT_EQ(TextOf(install.m_setupLink), TextOf(install.m_menuDir) + u"\\" +
                                               TextOf(expectedName) + Text(kStrShortcutExtension));
}

TEST_F(Paths, DefaultLayoutSetSearchesTheSetNamesInOrder) {
    struct Case {
        std::u16string key, set0, set1, set2;
        int32_t expected;
    };
    const Case cases[] = {
        {u"Typo", u"Standard", u"Typographic", u"Typo 2", 1},
        {u"Std", u"Std A", u"Std B", u"x", 0},
        {u"none", u"a", u"b", u"c", 0},
        {u"c", u"a", u"b", u"abc", 2},
        {u"", u"a", u"b", u"c", 0},
        {u"typo", u"Standard", u"Typographic", u"x", 0},
    };
    for (const Case& c : cases) {
        CInstall fresh;
        InitEngine(fresh);
        fresh.m_layoutSet = -1;
        OverrideTexts(fresh, {{kStrDefaultLayoutSetKey, c.key},
                              {kStrLayoutSetName0, c.set0},
                              {kStrLayoutSetName1, c.set1},
                              {kStrLayoutSetName2, c.set2}});
        EXPECT_EQ(fresh.DefaultLayoutSet(), c.expected) << std::string(c.key.begin(), c.key.end());
    }
    install.m_layoutSet = 2;
    EXPECT_EQ(install.DefaultLayoutSet(), 2) << "a recorded set survives";
}

TEST_F(Paths, DecimalKeyFollowsTheLocaleSeparator) {
    struct Case {
        const wchar_t* separator;
        int32_t expected;
    };
    for (const Case& c : {Case{L",", 0}, Case{L".", 1}, Case{L",.", 1}}) {
        ASSERT_TRUE(SetLocaleInfoW(LOCALE_USER_DEFAULT, LOCALE_SDECIMAL, c.separator));
        install.m_decimalKey = -1;
        EXPECT_EQ(install.DefaultDecimalKey(), c.expected);
    }
    install.m_decimalKey = 1;
    ASSERT_TRUE(SetLocaleInfoW(LOCALE_USER_DEFAULT, LOCALE_SDECIMAL, L","));
    EXPECT_EQ(install.DefaultDecimalKey(), 1) << "a recorded choice survives";
}

TEST_F(Paths, SettersKeepTheirRanges) {
    install.m_layoutSet = 1;
    EXPECT_EQ(install.SetLayoutSet(3), 3);
    EXPECT_EQ(install.SetLayoutSet(-1), -1);
    EXPECT_EQ(install.m_layoutSet, 1);
    install.SetLayoutSet(2);
    EXPECT_EQ(install.m_layoutSet, 2);

    install.m_decimalKey = 0;
    EXPECT_EQ(install.SetDecimalKey(2), 2);
    EXPECT_EQ(install.m_decimalKey, 0);
    install.SetDecimalKey(1);
    EXPECT_EQ(install.m_decimalKey, 1);

    EXPECT_EQ(install.SetAltFamily(5), 5);
    EXPECT_EQ(install.GetAltFamily(), 5);

    install.SetModifyOnly(1);
    EXPECT_EQ(install.m_eulaAccepted, 1);
    install.m_eulaAccepted = 0;
    install.SetModifyOnly(0);
    EXPECT_EQ(install.m_modifyOnly, 0);
    EXPECT_EQ(install.m_eulaAccepted, 0);
}

}  // namespace
