#include <windows.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <fstream>
#include <string>

#include "engine/CInstall.h"
#include "payload/PayloadCatalogue.h"
#include "tests/TestFiles.h"
#include "tests/engine/EngineTestSupport.h"

namespace {

std::string g_setupPath;  // Unix path of setup.exe, given by CTest.

DWORD RunProgram(const std::wstring& path) {
    std::wstring commandLine = L"\"" + path + L"\"";
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process{};
    if (!CreateProcessW(path.c_str(), commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr,
                        nullptr, &startup, &process)) {
        ADD_FAILURE() << "cannot start " << std::string(path.begin(), path.end());
        return 0xFFFFFFFF;
    }
    WaitForSingleObject(process.hProcess, 60000);
    DWORD exitCode = 0xFFFFFFFF;
    GetExitCodeProcess(process.hProcess, &exitCode);
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
    return exitCode;
}

// Flips one byte of a stored payload in place, for the lifetime of the object.
class PayloadByteFlip {
public:
    PayloadByteFlip(const PayloadRef& payload, uint32_t offset)
        : m_byte(const_cast<unsigned char*>(payload.data + offset)) {
        VirtualProtect(m_byte, 1, PAGE_READWRITE, &m_oldProtection);
        *m_byte ^= 0x5A;
    }
    ~PayloadByteFlip() {
        *m_byte ^= 0x5A;
        DWORD ignored = 0;
        VirtualProtect(m_byte, 1, m_oldProtection, &ignored);
    }
    PayloadByteFlip(const PayloadByteFlip&) = delete;
    PayloadByteFlip& operator=(const PayloadByteFlip&) = delete;

private:
    unsigned char* m_byte;
    DWORD m_oldProtection = 0;
};

}  // namespace

TEST(Startup, InitDecodesAndAttachesEveryStringTable) {
    CInstall install;
    ASSERT_TRUE(install.Init(GetModuleHandleW(nullptr)));
    EXPECT_NE(install.m_defaultTexts.Find(0), install.m_ownTexts.Find(0xFFFFFFFFu));
}

TEST(Startup, InitFailsOnACorruptedStringTable) {
    for (const PayloadRef* payload : {&kStringTableDefault, &kStringTableEngine,
                                      &kStringTableLanguage0, &kStringTableLanguage1}) {
        PayloadByteFlip flip(*payload, 3);
        CInstall install;
        EXPECT_FALSE(install.Init(GetModuleHandleW(nullptr)));
    }
    CInstall install;
    EXPECT_TRUE(install.Init(GetModuleHandleW(nullptr)));
}

TEST(Startup, ProgramEndsWithExitCodeZeroAlsoWithACorruptedPayload) {
    const std::wstring setup = WindowsPath(g_setupPath);
    EXPECT_EQ(RunProgram(setup), 0u);

    std::string image = ReadWholeTestFile(setup);
    ASSERT_FALSE(image.empty());
    const auto* first = reinterpret_cast<const char*>(kStringTableLanguage1.data);
    auto found = std::search(image.begin(), image.end(), first, first + kStringTableLanguage1.size);
    ASSERT_NE(found, image.end()) << "the payload is not stored in setup.exe as built";
    found[3] ^= 0x5A;

    wchar_t folder[MAX_PATH];
    ASSERT_NE(GetTempPathW(MAX_PATH, folder), 0u);
    const std::wstring corrupted = std::wstring(folder) + L"setup-corrupted.exe";
    {
        std::ofstream out(corrupted.c_str(), std::ios::binary);
        out.write(image.data(), static_cast<std::streamsize>(image.size()));
    }
    EXPECT_EQ(RunProgram(corrupted), 0u);
    DeleteFileW(corrupted.c_str());
}

// CTest runs this once more with a Polish user language (TOLVIN_EXPECT_POLISH set).
TEST(Startup, StartChecksChooseTheUiLanguageOfTheUser) {
    CInstall install;
    ASSERT_TRUE(install.Init(GetModuleHandleW(nullptr)));
    EXPECT_EQ(install.m_layoutLangId, 0x0415);
    ASSERT_TRUE(install.Run());

    const bool polish = GetUserDefaultLangID() == 0x0415;
    if (std::getenv("TOLVIN_EXPECT_POLISH") != nullptr) {
        ASSERT_TRUE(polish) << "Wine did not take the Polish user language";
    }
    EXPECT_EQ(install.m_uiLanguage, polish ? 1u : 0u);
    GString fetched;
    ASSERT_TRUE(install.GetText(kStrButtonNext, fetched));
    GString expected;
    expected.AssignCounted(install.m_langTexts[install.m_uiLanguage].Find(kStrButtonNext));
    expected.MakeWide();
    EXPECT_TRUE(GString::IsEqual(fetched, expected));
    EXPECT_GT(install.m_installDir.GetLength(), 0) << "the start checks built the paths";
}

int main(int argc, char** argv) {
    testing::InitGoogleTest(&argc, argv);
    if (argc > 1) {
        g_setupPath = argv[1];
    }
    return RUN_ALL_TESTS();
}
