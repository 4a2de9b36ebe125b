#include <windows.h>

#include <gtest/gtest.h>

#include <fstream>
#include <string>

#include "engine/CInstall.h"
#include "payload/PayloadCatalogue.h"
#include "tests/TestFiles.h"
#include "tests/engine/EngineTestSupport.h"
#include "tools/packer/Container.h"
#include "tools/packer/KeyMaterial.h"

namespace {

std::u16string PendingFileOperations() {
    HKEY key = nullptr;
    std::u16string operations;
    if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, L"System\\CurrentControlSet\\Control\\Session Manager", 0,
                      KEY_READ, &key) != ERROR_SUCCESS) {
        return operations;
    }
    DWORD size = 0;
    if (RegQueryValueExW(key, L"PendingFileRenameOperations", nullptr, nullptr, nullptr, &size) ==
            ERROR_SUCCESS &&
        size > 0) {
        operations.resize(size / 2);
        RegQueryValueExW(key, L"PendingFileRenameOperations", nullptr, nullptr,
                         reinterpret_cast<BYTE*>(operations.data()), &size);
    }
    RegCloseKey(key);
    return operations;
}

class Files : public testing::Test {
protected:
    void SetUp() override {
        InitEngine(install);
        ASSERT_TRUE(install.GetTempFolder(temp));
        folder =
            std::wstring(reinterpret_cast<const wchar_t*>(temp.GetWideText())) + L"tolvin-files";
        CreateDirectoryW(folder.c_str(), nullptr);
    }
    std::wstring PathOf(const wchar_t* name) const { return folder + L"\\" + name; }

    CInstall install;
    GString temp;
    std::wstring folder;
};

TEST_F(Files, TempFolderEndsWithABackslash) {
    ASSERT_GT(temp.GetLength(), 0);
    EXPECT_EQ(temp.GetWideText()[temp.GetLength() - 1], u'\\');
}

TEST_F(Files, DeletingAMissingFileSucceedsWithoutScheduling) {
    const std::u16string before = PendingFileOperations();
    EXPECT_TRUE(install.DeleteOrScheduleFile(PathOf(L"never-there.txt").c_str()));
    EXPECT_EQ(PendingFileOperations(), before);
    EXPECT_FALSE(install.DeleteOrScheduleFile(L""));
    EXPECT_FALSE(install.DeleteOrScheduleFile(nullptr));
}

TEST_F(Files, AFileInUseIsDeletedAtTheNextRestart) {
    const std::wstring path = PathOf(L"in-use.dll");
    HANDLE held = CreateFileW(path.c_str(), GENERIC_WRITE, FILE_SHARE_READ, nullptr, CREATE_ALWAYS,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    ASSERT_NE(held, INVALID_HANDLE_VALUE);
    GString text;
    text.AssignWide(reinterpret_cast<const char16_t*>(path.c_str()));
    EXPECT_TRUE(install.DeleteOrScheduleFileText(text));
    CloseHandle(held);

    const std::u16string pending = PendingFileOperations();
    EXPECT_NE(pending.find(u"in-use.dll"), std::u16string::npos);
    EXPECT_NE(GetFileAttributesW(path.c_str()), INVALID_FILE_ATTRIBUTES) << "deleted at once";
}

TEST_F(Files, EnsureFolderCreatesOnlyTheLastLevel) {
    const std::wstring path = PathOf(L"level");
    EXPECT_TRUE(install.EnsureFolder(path.c_str()));
    EXPECT_TRUE(install.EnsureFolder(path.c_str()));
    EXPECT_FALSE(install.EnsureFolder(PathOf(L"missing\\child").c_str()));
    GString text;
    text.AssignWide(reinterpret_cast<const char16_t*>(path.c_str()));
    EXPECT_TRUE(install.RemoveFolder(text));
    GString empty;
    EXPECT_FALSE(install.RemoveFolder(empty));
}

TEST_F(Files, TextFilesAreUtf8WithoutByteOrderMark) {
    const std::wstring path = PathOf(L"text.txt");
    HANDLE file = install.CreateOutputFile(path.c_str());
    ASSERT_NE(file, nullptr);
    GString empty;
    empty.AssignWide(u"");
    EXPECT_FALSE(install.WriteText(file, empty));
    CloseHandle(file);
    EXPECT_EQ(ReadWholeTestFile(path), "");

    file = install.CreateOutputFile(path.c_str());
    GString text;
    text.AssignWide(u"Ł€x\r\n");
    EXPECT_TRUE(install.WriteText(file, text));
    EXPECT_FALSE(install.WriteBytes(file, nullptr, 3));
    EXPECT_FALSE(install.WriteBytes(file, "abc", 0));
    EXPECT_FALSE(install.WriteBytes(nullptr, "abc", 3));
    CloseHandle(file);
    EXPECT_EQ(ReadWholeTestFile(path),
              "\xC5\x81\xE2\x82\xAC"
              "x\r\n");
    EXPECT_EQ(install.CreateOutputFile(PathOf(L"no\\such\\folder.txt").c_str()), nullptr);
}

TEST_F(Files, TempFileNamesUseThreeCharactersOfThePrefix) {
    GString prefix;
    ASSERT_TRUE(install.GetText(kStrTempScriptPrefix, prefix));
    ASSERT_GE(prefix.GetLength(), 3);
    GString path;
    ASSERT_TRUE(install.MakeTempFile(path, kStrTempScriptPrefix, folder.c_str()));
    const std::u16string made = TextOf(path);
    const std::u16string name = made.substr(made.rfind(u'\\') + 1);
    EXPECT_EQ(name.substr(0, 3), TextOf(prefix).substr(0, 3));
    // The rest of the name is the unique number in hexadecimal and the extension.
    EXPECT_EQ(name.substr(name.size() - 4), u".tmp");
    EXPECT_EQ(name.substr(3, name.size() - 7).find_first_not_of(u"0123456789ABCDEFabcdef"),
              std::u16string::npos);
    EXPECT_NE(GetFileAttributesW(reinterpret_cast<const wchar_t*>(made.c_str())),
              INVALID_FILE_ATTRIBUTES);
    EXPECT_TRUE(install.DeleteOrScheduleFileText(path));
    EXPECT_FALSE(install.MakeTempFile(path, 0, nullptr));
}

TEST_F(Files, HexTextsDecodeOnlyUpperCaseDigits) {
    OverrideTexts(install, {{1001, u"0A1BFF"}, {1002, u"0a1b"}, {1003, u"ABC"}, {1004, u""}});
    uint32_t count = 0;
    unsigned char* bytes = install.DecodeHexText(1001, count);
    ASSERT_NE(bytes, nullptr);
    EXPECT_EQ(count, 3u);
    EXPECT_EQ(std::string(reinterpret_cast<char*>(bytes), count), "\x0A\x1B\xFF");
    delete[] bytes;

    EXPECT_EQ(install.DecodeHexText(1002, count), nullptr);
    bytes = install.DecodeHexText(1003, count);
    ASSERT_NE(bytes, nullptr);
    EXPECT_EQ(count, 1u);
    EXPECT_EQ(bytes[0], 0xAB);
    delete[] bytes;
    EXPECT_EQ(install.DecodeHexText(1004, count), nullptr);
    EXPECT_EQ(install.DecodeHexText(0x7FFFFFF0, count), nullptr);
}

TEST_F(Files, PayloadsBecomeFilesAndTexts) {
    const std::wstring path = PathOf(L"readme");
    EXPECT_TRUE(install.ExtractPayloadToFile(path.c_str(), kFile5.data, kFile5.size));
    EXPECT_FALSE(ReadWholeTestFile(path).empty());
    EXPECT_FALSE(install.ExtractPayloadToFile(nullptr, kFile5.data, kFile5.size));
    EXPECT_FALSE(install.ExtractPayloadToFile(path.c_str(), nullptr, kFile5.size));

    // One licence text carries a byte-order mark and the other does not; neither shows it.
    for (const PayloadRef& licence : LicenceTextTable) {
        GString text;
        ASSERT_TRUE(install.LoadPayloadText(licence.data, licence.size, text));
        EXPECT_FALSE(text.IsWide());
        ASSERT_GT(text.GetLength(), 0);
        EXPECT_NE(static_cast<unsigned char>(text.GetNarrowText()[0]), 0xEF);
    }
    GString text;
    EXPECT_FALSE(install.LoadPayloadText(nullptr, 8, text));
    EXPECT_FALSE(install.LoadPayloadText(kFile5.data, 0, text));
}

TEST_F(Files, PayloadTextsDropOnlyAWholeByteOrderMark) {
    Bytes key(56);
    for (size_t i = 0; i < key.size(); ++i) {
        key[i] = static_cast<unsigned char>(i * 37 + 11);
    }
    Bytes material;
    std::string error;
    ASSERT_TRUE(MakeKeyMaterial(key, 42, material, error)) << error;
    ASSERT_TRUE(
        install.m_guard.SetKeyMaterial(material.data(), static_cast<int32_t>(material.size())));

    struct Case {
        std::string plain;
        std::string text;
    };
    const Case cases[] = {
        {"\xEF\xBB\xBFza\xC5\xBC", "za\xC5\xBC"},
        {"\xEF\xBB\xBF", ""},
        {"\xEF\xBB", "\xEF\xBB"},
        {"ab", "ab"},
        {"a\xEF\xBB\xBF", "a\xEF\xBB\xBF"},
    };
    for (const Case& c : cases) {
        Bytes container;
        ASSERT_TRUE(PackContainer(Bytes(c.plain.begin(), c.plain.end()), 0, key, container, error));
        GString text;
        text.AssignWide(u"old");
        EXPECT_TRUE(install.LoadPayloadText(container.data(),
                                            static_cast<uint32_t>(container.size()), text));
        EXPECT_FALSE(text.IsWide());
        EXPECT_EQ(std::string(text.GetNarrowText(), static_cast<size_t>(text.GetLength())), c.text);
    }
    Bytes container;
    ASSERT_TRUE(PackContainer(Bytes{1, 2, 3}, 0, key, container, error));
    container[25] ^= 1;  // a block that holds packed bytes
    GString text;
    EXPECT_FALSE(
        install.LoadPayloadText(container.data(), static_cast<uint32_t>(container.size()), text));
}

}  // namespace
