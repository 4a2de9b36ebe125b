// Loads the x64 layout libraries the way Windows does: LoadLibrary, KbdLayerDescriptor, and
// the display-name string the registration points at. Arguments: <display-name string id>
// followed by the libraries' paths (Unix paths; Wine maps them under Z:).
#include <windows.h>

#include <gtest/gtest.h>

#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "tests/layouts/TestArguments.h"

namespace {

// The layout structures as a 64-bit process reads them.
struct VkToBit {
    BYTE vk;
    BYTE modifierBits;
};
struct Modifiers {
    VkToBit* vkToBit;
    WORD maxModifierBits;
    BYTE columnOfModifiers[8];
};
struct CharTable {
    BYTE* rows;  // rows of 2 + 2 * columns bytes: VK, attributes, characters
    BYTE columns;
    BYTE rowSize;
};
struct DeadKey {
    DWORD baseAndAccent;
    WCHAR composed;
    USHORT flags;
};
struct ScanVk {
    BYTE scan;
    USHORT vk;
};
struct KbdTables {
    Modifiers* charModifiers;
    CharTable* charTables;
    DeadKey* deadKeys;
    void* keyNames;
    void* keyNamesExt;
    WCHAR** keyNamesDead;
    USHORT* scanToVk;
    BYTE scanToVkCount;
    ScanVk* scanToVkE0;
    ScanVk* scanToVkE1;
    DWORD localeFlags;
    BYTE ligatureMax;
    BYTE ligatureRowSize;
    void* ligatures;
    DWORD type;
    DWORD subtype;
};
using Descriptor = KbdTables*(WINAPI*)();

constexpr USHORT kExtended = 0x100;
constexpr int kAltGrColumn = 3;
constexpr int kShiftAltGrColumn = 4;

std::wstring WindowsPath(const std::string& unixPath) {
    std::wstring path = L"Z:";
    for (const char ch : unixPath) {
        path.push_back(ch == '/' ? L'\\' : static_cast<wchar_t>(static_cast<unsigned char>(ch)));
    }
    return path;
}

// The character of `vk` in `column`, searching the tables as Windows does; 0 when absent.
WCHAR CharacterOf(const KbdTables& tables, BYTE vk, int column) {
    for (const CharTable* table = tables.charTables; table->rows; ++table) {
        for (const BYTE* row = table->rows; row[0] != 0; row += table->rowSize) {
            if (row[0] == vk && column < table->columns) {
                WCHAR ch = 0;
                memcpy(&ch, row + 2 + 2 * column, sizeof ch);
                return ch;
            }
        }
    }
    return 0;
}

USHORT PrefixedEntry(const ScanVk* table, BYTE scan) {
    for (; table->scan != 0; ++table) {
        if (table->scan == scan) {
            return table->vk;
        }
    }
    return 0;
}

struct Libraries {
    UINT textId = 0;
    std::vector<std::string> paths;
};

Libraries Args() {
    Libraries libraries;
    const std::vector<std::string> arguments = TestArguments();
    if (!arguments.empty()) {
        libraries.textId = static_cast<UINT>(std::atoi(arguments[0].c_str()));
        libraries.paths.assign(arguments.begin() + 1, arguments.end());
    }
    return libraries;
}

TEST(LayoutLibrary, LoadsAndAnswersTablesLikeAWindowsLayout) {
    const Libraries libraries = Args();
    ASSERT_FALSE(libraries.paths.empty()) << "usage: <string id> <library>...";
    for (const std::string& path : libraries.paths) {
        SCOPED_TRACE(path);
        HMODULE module = LoadLibraryW(WindowsPath(path).c_str());
        ASSERT_NE(module, nullptr) << "LoadLibrary failed: " << GetLastError();
        const auto descriptor = reinterpret_cast<Descriptor>(
            reinterpret_cast<void*>(GetProcAddress(module, "KbdLayerDescriptor")));
        ASSERT_NE(descriptor, nullptr);
        const KbdTables* tables = descriptor();
        ASSERT_NE(tables, nullptr);

        EXPECT_EQ(tables->localeFlags & 0xFFFF, 0x0001u);  // AltGr
        EXPECT_EQ(tables->localeFlags >> 16, 1u);          // table version
        ASSERT_GE(tables->scanToVkCount, 127);
        EXPECT_EQ(tables->scanToVk[0x1E], 'A');
        EXPECT_EQ(tables->scanToVk[0x36], VK_RSHIFT | kExtended);
        EXPECT_EQ(PrefixedEntry(tables->scanToVkE0, 0x1D), VK_RCONTROL | kExtended);
        EXPECT_EQ(PrefixedEntry(tables->scanToVkE0, 0x38), VK_RMENU | kExtended);
        EXPECT_EQ(PrefixedEntry(tables->scanToVkE1, 0x1D), VK_PAUSE);

        // Ctrl+Alt (bits 2 | 4) is AltGr, with and without Shift.
        const Modifiers* modifiers = tables->charModifiers;
        EXPECT_EQ(modifiers->columnOfModifiers[6], kAltGrColumn);
        EXPECT_EQ(modifiers->columnOfModifiers[7], kShiftAltGrColumn);
        EXPECT_EQ(CharacterOf(*tables, 'A', 0), L'a');
        EXPECT_EQ(CharacterOf(*tables, 'A', kAltGrColumn), 0x0105);       // ą
        EXPECT_EQ(CharacterOf(*tables, 'A', kShiftAltGrColumn), 0x0104);  // Ą
        EXPECT_EQ(CharacterOf(*tables, 'L', kAltGrColumn), 0x0142);       // ł
        EXPECT_EQ(CharacterOf(*tables, VK_DECIMAL, 0), L'.');

        if (tables->deadKeys) {
            bool acuteA = false;
            for (const DeadKey* dead = tables->deadKeys; dead->baseAndAccent; ++dead) {
                acuteA |= dead->baseAndAccent == 0x00B40061 && dead->composed == 0x00E1;
            }
            EXPECT_TRUE(acuteA) << "dead acute + a gives á";
            ASSERT_NE(tables->keyNamesDead, nullptr);
            EXPECT_NE(tables->keyNamesDead[0], nullptr);
        }

        WCHAR name[128] = {};
        const int length = LoadStringW(module, libraries.textId, name, 128);
        EXPECT_GT(length, 0);
        EXPECT_EQ(std::wstring(name).rfind(L"Polish (Tolvin", 0), 0u);
        FreeLibrary(module);
    }
}

}  // namespace
