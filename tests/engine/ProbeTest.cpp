#include <windows.h>

#include <gtest/gtest.h>

#include <cstdlib>
#include <string>

#include "engine/CInstall.h"
#include "tests/engine/EngineTestSupport.h"

namespace {

constexpr StringId kUnknownId = 0x7FFFFFF0;

class Probe : public testing::Test {
protected:
    void SetUp() override { InitEngine(install); }
    CInstall install;
};

// CTest runs this test once per Windows version that Wine can report, naming the OsCode it
// expects in TOLVIN_EXPECTED_OSCODE.
TEST_F(Probe, ReportsVersionAndNativeArchitecture) {
    ASSERT_TRUE(install.ProbeEnvironment(kStrNativeSystemInfoFunction, kStrSystemLibrary));
    if (const char* expected = std::getenv("TOLVIN_EXPECTED_OSCODE")) {
        EXPECT_EQ(install.m_osCode, std::atoi(expected));
    }
    EXPECT_EQ(install.m_cpuArch, 9);
    EXPECT_EQ(install.m_is64BitOs, 1);
    // Windows 2000 and XP exist for x86 only: on a 64-bit processor they are refused.
    EXPECT_EQ(install.IsSupportedOs(), install.m_osCode != 50 && install.m_osCode != 51);
}

TEST_F(Probe, FallsBackToPlainSystemInformation) {
    install.m_osCode = 77;
    ASSERT_TRUE(install.ProbeEnvironment(kUnknownId, kStrSystemLibrary));
    EXPECT_NE(install.m_osCode, 77);
    EXPECT_EQ(install.m_cpuArch, 9) << "a 64-bit process sees its own architecture";
    ASSERT_TRUE(install.ProbeEnvironment(kStrNativeSystemInfoFunction, kUnknownId));
    EXPECT_EQ(install.m_is64BitOs, 1);
}

TEST_F(Probe, SupportRule) {
    const int32_t versions[] = {0, 50, 51, 52, 53, 59, 60, 61, 62, 63, 64, 99, 100, 101};
    const uint16_t architectures[] = {0, 6, 9, 5, 0xFFFF};
    for (int32_t os : versions) {
        for (uint16_t arch : architectures) {
            install.m_osCode = os;
            install.m_cpuArch = arch;
            const bool knownArch = arch == 0 || arch == 6 || arch == 9;
            bool expected = false;
            if (os == 50 || os == 51) {
                expected = arch == 0;
            } else if (os == 52 || os == 60 || os == 61 || os == 62 || os == 63 || os == 100) {
                expected = knownArch;
            }
            EXPECT_EQ(install.IsSupportedOs(), expected) << "OsCode " << os << " arch " << arch;
        }
    }
}

TEST_F(Probe, UiLanguageAcceptsOnlyTheTwoLanguages) {
    EXPECT_TRUE(install.SetUiLanguage(1));
    EXPECT_FALSE(install.SetUiLanguage(2));
    EXPECT_FALSE(install.SetUiLanguage(0xFFFFFFFF));
    EXPECT_EQ(install.m_uiLanguage, 1u);
    EXPECT_TRUE(install.SetUiLanguage(0));
    EXPECT_EQ(install.m_uiLanguage, 0u);
}

TEST_F(Probe, SystemFunctionsAreFoundByTheirTexts) {
    HMODULE module = nullptr;
    EXPECT_NE(install.GetSystemProc(kStrNativeSystemInfoFunction, kStrSystemLibrary, module),
              nullptr);
    ASSERT_NE(module, nullptr);
    EXPECT_EQ(install.GetSystemProc(kUnknownId, kStrSystemLibrary, module), nullptr);
    EXPECT_NE(module, nullptr) << "the library stays loaded for the caller";
    FreeLibrary(module);
    module = nullptr;
    EXPECT_EQ(install.GetSystemProc(kStrNativeSystemInfoFunction, kUnknownId, module), nullptr);
    EXPECT_EQ(module, nullptr);
}

TEST_F(Probe, AdministratorUnderWine) {
    // Wine's user is a member of the Administrators group with a full token.
    EXPECT_TRUE(install.IsAdmin());
}

TEST_F(Probe, ActivatesAnotherCopysMainWindow) {
    EXPECT_TRUE(install.ActivateRunningCopy());

    GString className;
    ASSERT_TRUE(install.GetText(kStrMainWindowClass, className));
    WNDCLASSW windowClass{};
    windowClass.lpfnWndProc = DefWindowProcW;
    windowClass.hInstance = GetModuleHandleW(nullptr);
    windowClass.lpszClassName = reinterpret_cast<const wchar_t*>(className.GetWideText());
    ASSERT_NE(RegisterClassW(&windowClass), 0);
    HWND window = CreateWindowW(windowClass.lpszClassName, L"other copy", WS_OVERLAPPEDWINDOW, 0, 0,
                                100, 100, nullptr, nullptr, windowClass.hInstance, nullptr);
    ASSERT_NE(window, nullptr);
    EXPECT_FALSE(install.ActivateRunningCopy());
    DestroyWindow(window);
    EXPECT_TRUE(install.ActivateRunningCopy());
}

}  // namespace
