#include <windows.h>

#include <gtest/gtest.h>

#include "engine/CInstall.h"
#include "tests/engine/EngineTestSupport.h"

namespace {

constexpr wchar_t kScratch[] = L"Software\\TolvinRegistryTest";
constexpr StringId kUnknownId = 0x7FFFFFF0;

class Registry : public testing::Test {
protected:
    void SetUp() override { InitEngine(install); }
    CInstall install;
    ScratchKey scratch{kScratch};
};

TEST_F(Registry, TextReadsCheckTypeAndSize) {
    const wchar_t text[] = L"abc";
    scratch.SetRaw(L"expand", REG_EXPAND_SZ, text, sizeof text);
    const DWORD number = 7;
    scratch.SetRaw(L"dword", REG_DWORD, &number, sizeof number);
    scratch.SetRaw(L"empty", REG_SZ, nullptr, 0);
    // Windows adds a forgotten terminator when the unit after the count is one, so the data
    // must go on with something else to be stored without it.
    const wchar_t longer[] = L"abcd";
    scratch.SetRaw(L"unterminated", REG_SZ, longer, 6);
    scratch.SetRaw(L"odd", REG_SZ, text, 5);
    scratch.SetRaw(L"plain", REG_SZ, text, sizeof text);

    struct Case {
        const wchar_t* name;
        bool result;
        std::u16string text;
    };
    const Case cases[] = {
        {L"expand", false, u""},        {L"dword", false, u""}, {L"empty", true, u""},
        {L"unterminated", true, u"ab"}, {L"odd", true, u"ab"},  {L"plain", true, u"abc"},
        {L"missing", false, u""},
    };
    for (const Case& c : cases) {
        GString read;
        read.AssignWide(u"previous");
        EXPECT_EQ(install.ReadTextValue(scratch.get(), c.name, read), c.result) << c.name;
        EXPECT_EQ(TextOf(read), c.text) << c.name;
    }
    GString untouched;
    untouched.AssignWide(u"kept");
    EXPECT_FALSE(install.ReadTextValue(scratch.get(), L"", untouched));
    EXPECT_FALSE(install.ReadTextValue(nullptr, L"plain", untouched));
    EXPECT_EQ(TextOf(untouched), u"kept");
}

TEST_F(Registry, NumberReadsNeedExactlyFourBytesOfDword) {
    const DWORD four = 0x11223344;
    const WORD two = 0x5566;
    scratch.SetRaw(L"four", REG_DWORD, &four, sizeof four);
    scratch.SetRaw(L"two", REG_DWORD, &two, sizeof two);
    scratch.SetRaw(L"binary", REG_BINARY, &four, sizeof four);

    uint32_t value = 99;
    EXPECT_FALSE(install.ReadDwordValue(scratch.get(), L"two", value));
    EXPECT_FALSE(install.ReadDwordValue(scratch.get(), L"binary", value));
    EXPECT_FALSE(install.ReadDwordValue(scratch.get(), L"missing", value));
    EXPECT_EQ(value, 99u);
    EXPECT_TRUE(install.ReadDwordValue(scratch.get(), L"four", value));
    EXPECT_EQ(value, 0x11223344u);
}

TEST_F(Registry, BinaryReads) {
    const unsigned char bytes[] = {1, 2, 3, 4, 5};
    scratch.SetRaw(L"bytes", REG_BINARY, bytes, sizeof bytes);
    scratch.SetRaw(L"empty", REG_BINARY, nullptr, 0);
    scratch.SetRaw(L"text", REG_SZ, L"x", 4);

    uint32_t count = 77;
    EXPECT_EQ(install.ReadBinaryValue(scratch.get(), L"empty", count), nullptr);
    EXPECT_EQ(count, 0u);
    EXPECT_EQ(install.ReadBinaryValue(scratch.get(), L"text", count), nullptr);
    unsigned char* read = install.ReadBinaryValue(scratch.get(), L"bytes", count);
    ASSERT_NE(read, nullptr);
    ASSERT_EQ(count, sizeof bytes);
    EXPECT_EQ(std::memcmp(read, bytes, sizeof bytes), 0);
    delete[] read;
}

TEST_F(Registry, WritesStoreTheirTypesAndTerminators) {
    GString empty;
    empty.AssignWide(u"");
    EXPECT_TRUE(install.SetTextValue(scratch.get(), L"empty", empty));
    GString polish;
    polish.AssignNarrow("zażółć");
    EXPECT_TRUE(install.SetTextValue(scratch.get(), L"polish", polish));
    EXPECT_FALSE(install.SetTextValue(scratch.get(), L"", polish));
    EXPECT_TRUE(install.SetDwordValue(scratch.get(), L"number", 3));
    const unsigned char bytes[] = {9, 8};
    EXPECT_TRUE(install.SetBinaryValue(scratch.get(), L"bytes", bytes, 2));

    DWORD type = 0;
    DWORD size = 0;
    RegQueryValueExW(scratch.get(), L"empty", nullptr, &type, nullptr, &size);
    EXPECT_EQ(type, static_cast<DWORD>(REG_SZ));
    EXPECT_EQ(size, 2u);
    RegQueryValueExW(scratch.get(), L"polish", nullptr, &type, nullptr, &size);
    EXPECT_EQ(size, 14u);
    GString expected;
    expected.AssignWide(u"zażółć");
    EXPECT_TRUE(install.TextValueEquals(scratch.get(), L"polish", expected));
    expected.AssignWide(u"zażółc");
    EXPECT_FALSE(install.TextValueEquals(scratch.get(), L"polish", expected));

    EXPECT_TRUE(install.DeleteValue(scratch.get(), L"number"));
    EXPECT_FALSE(install.DeleteValue(scratch.get(), L"number"));
    EXPECT_FALSE(install.DeleteValue(scratch.get(), L""));
}

TEST_F(Registry, UnknownIdsTouchNothing) {
    GString text;
    text.AssignWide(u"data");
    uint32_t value = 5;
    uint32_t count = 5;
    EXPECT_EQ(install.OpenKeyById(HKEY_CURRENT_USER, kUnknownId, KEY_READ), nullptr);
    EXPECT_EQ(install.CreateKeyById(HKEY_CURRENT_USER, kUnknownId, KEY_WRITE), nullptr);
    EXPECT_FALSE(install.SetTextValueById(scratch.get(), kUnknownId, text));
    EXPECT_FALSE(install.SetTextValueByIds(scratch.get(), kStrProductFolder, kUnknownId));
    EXPECT_FALSE(install.SetDwordValueById(scratch.get(), kUnknownId, 1));
    EXPECT_FALSE(install.SetBinaryValueById(scratch.get(), kUnknownId, "x", 1));
    EXPECT_FALSE(install.ReadDwordValueById(scratch.get(), kUnknownId, value));
    EXPECT_EQ(install.ReadBinaryValueById(scratch.get(), kUnknownId, count), nullptr);
    EXPECT_FALSE(install.ReadTextValueById(scratch.get(), kUnknownId, text));
    EXPECT_FALSE(install.DeleteKeyById(scratch.get(), kUnknownId));
    install.DeleteValueById(scratch.get(), kUnknownId);

    DWORD values = 1;
    DWORD keys = 1;
    RegQueryInfoKeyW(scratch.get(), nullptr, nullptr, nullptr, &keys, nullptr, nullptr, &values,
                     nullptr, nullptr, nullptr, nullptr);
    EXPECT_EQ(values, 0u);
    EXPECT_EQ(keys, 0u);
    EXPECT_EQ(value, 5u);
}

TEST_F(Registry, ByIdOperationsUseTheFetchedNames) {
    GString name;
    ASSERT_TRUE(install.GetText(kStrProductFolder, name));
    EXPECT_TRUE(install.SetTextValueByIds(scratch.get(), kStrProductFolder, kStrProductFolder));
    EXPECT_TRUE(install.TextValueEqualsById(scratch.get(), kStrProductFolder, name));
    EXPECT_TRUE(install.SetDwordValueById(scratch.get(), kStrProductFolder, 190));
    uint32_t value = 0;
    EXPECT_TRUE(install.ReadDwordValueById(scratch.get(), kStrProductFolder, value));
    EXPECT_EQ(value, 190u);
}

TEST_F(Registry, DeleteKeyByIdRemovesOnlyKeysWithoutSubKeys) {
    GString name;
    ASSERT_TRUE(install.GetText(kStrProductFolder, name));
    HKEY product = install.CreateKeyById(scratch.get(), kStrProductFolder, KEY_ALL_ACCESS);
    ASSERT_NE(product, nullptr);
    HKEY child = install.CreateKey(product, L"child", KEY_ALL_ACCESS);
    ASSERT_NE(child, nullptr);
    RegCloseKey(child);

    EXPECT_FALSE(install.DeleteKeyById(scratch.get(), kStrProductFolder));
    HKEY reopened = install.OpenKey(scratch.get(),
                                    reinterpret_cast<const wchar_t*>(name.GetWideText()), KEY_READ);
    EXPECT_NE(reopened, nullptr);
    RegCloseKey(reopened);

    RegDeleteKeyW(product, L"child");
    RegCloseKey(product);
    EXPECT_TRUE(install.DeleteKeyById(scratch.get(), kStrProductFolder));
    EXPECT_EQ(install.OpenKey(scratch.get(), reinterpret_cast<const wchar_t*>(name.GetWideText()),
                              KEY_READ),
              nullptr);
}

TEST_F(Registry, SixtyFourBitViewIsTheNativeOne) {
    const wchar_t* name = L"Software\\TolvinViewTest";
    HKEY key = install.CreateKey(HKEY_LOCAL_MACHINE, name, KEY_WRITE | KEY_WOW64_64KEY);
    ASSERT_NE(key, nullptr);
    RegCloseKey(key);
    HKEY native = install.OpenKey(HKEY_LOCAL_MACHINE, name, KEY_READ | KEY_WOW64_64KEY);
    EXPECT_NE(native, nullptr);
    RegCloseKey(native);
    EXPECT_EQ(install.OpenKey(HKEY_LOCAL_MACHINE, name, KEY_READ | KEY_WOW64_32KEY), nullptr);
    RegDeleteKeyExW(HKEY_LOCAL_MACHINE, name, KEY_WOW64_64KEY, 0);
}

TEST_F(Registry, PostRunValueNeedsAnExistingKey) {
    install.m_osCode = 61;
    GString key;
    ASSERT_TRUE(install.GetText(kStrPostRunKey, key));
    HKEY existing = install.OpenKey(HKEY_LOCAL_MACHINE,
                                    reinterpret_cast<const wchar_t*>(key.GetWideText()), KEY_READ);
    ASSERT_NE(existing, nullptr) << "the post-run key exists on every Windows";
    RegCloseKey(existing);
    EXPECT_TRUE(install.WritePostRunValue());

    HKEY written = install.OpenKeyById(HKEY_LOCAL_MACHINE, kStrPostRunKey, KEY_ALL_ACCESS);
    ASSERT_NE(written, nullptr);
    GString command;
    ASSERT_TRUE(install.GetText(kStrPostRunCommand, command));
    EXPECT_TRUE(install.TextValueEqualsById(written, kStrPostRunValueName, command));
    install.DeleteValueById(written, kStrPostRunValueName);
    RegCloseKey(written);

    OverrideTexts(install, {{kStrPostRunKey, u"Software\\TolvinNoSuchKey"}});
    EXPECT_FALSE(install.WritePostRunValue());
    EXPECT_EQ(install.OpenKey(HKEY_LOCAL_MACHINE, L"Software\\TolvinNoSuchKey", KEY_READ), nullptr);
}

}  // namespace
