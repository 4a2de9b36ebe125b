// The string tables, licence texts and readme page as the program carries them: decoded from
// the generated payload catalogue and attached as the engine attaches them.

#include <gtest/gtest.h>

#include <cstdint>
#include <string>

#include "payload/CGuard.h"
#include "payload/PayloadCatalogue.h"
#include "payload/StringIds.h"
#include "payload/StringTable.h"
#include "text/GString.h"

namespace {

class PackedTables : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(guard.SetKeyMaterial(kKeyMaterial, static_cast<int32_t>(sizeof kKeyMaterial)));
        const PayloadRef* payloads[4] = {&kStringTableDefault, &kStringTableEngine,
                                         &kStringTableLanguage0, &kStringTableLanguage1};
        for (int i = 0; i < 4; ++i) {
            uint32_t size = payloads[i]->size;
            uint32_t count = 0;
            unsigned char* plain = guard.Decode(payloads[i]->data, size, &count);
            ASSERT_NE(plain, nullptr) << "table " << i;
            if (!tables[i].Attach(plain, static_cast<int32_t>(count), size)) {
                delete[] plain;
                FAIL() << "table " << i << " refused";
            }
        }
    }

    std::u16string Text(int language, StringId id) const {
        GString text;
        const void* entry = FindInTables({&tables[2 + language], &tables[0], &tables[1]}, id);
        if (entry == nullptr || !text.AssignCounted(entry) || text.MakeWide() == nullptr) {
            return u"<missing>";
        }
        return std::u16string(text.GetWideText(), static_cast<std::size_t>(text.GetLength()));
    }

    std::string Decoded(const PayloadRef& payload) const {
        uint32_t size = payload.size;
        unsigned char* plain = guard.Decode(payload.data, size);
        EXPECT_NE(plain, nullptr);
        std::string bytes(reinterpret_cast<const char*>(plain), plain == nullptr ? 0 : size);
        delete[] plain;
        return bytes;
    }

    CGuard guard;
    StringTable tables[4];  // default, engine, language 0, language 1
};

TEST_F(PackedTables, AllFourAttachAndHoldBothForms) {
    int utf8 = 0;
    int utf16 = 0;
    for (const StringTable& table : tables) {
        ASSERT_GT(table.count, 0);
        for (int32_t i = 0; i < table.count; ++i) {
            const unsigned char* entry = table.index + 8 * i;
            const StringId id = static_cast<StringId>(entry[0] | entry[1] << 8 | entry[2] << 16 |
                                                      static_cast<StringId>(entry[3]) << 24);
            const void* text = table.Find(id);
            ASSERT_NE(text, nullptr) << id;
            (ReadCountedText(text).utf8 ? utf8 : utf16) += 1;
        }
    }
    EXPECT_GT(utf8, 0);
    EXPECT_GT(utf16, 0);
}

TEST_F(PackedTables, FetchFollowsTheChosenLanguage) {
    EXPECT_EQ(Text(0, kStrButtonCancel), u"Cancel");
    EXPECT_EQ(Text(1, kStrButtonCancel), u"Anuluj");
    EXPECT_EQ(Text(0, kStrLayoutLangId), u"0415");
    EXPECT_EQ(Text(1, kStrLayoutLangId), u"0415");
    EXPECT_EQ(Text(1, kStrMainWindowClass), Text(0, kStrMainWindowClass));
    EXPECT_EQ(Text(1, kStrSystemLibrary), u"kernel32.dll");
}

TEST_F(PackedTables, LicenceTextsAndReadmePage) {
    const std::string bom = "\xEF\xBB\xBF";
    const std::string english = Decoded(LicenceTextTable[0]);
    const std::string polish = Decoded(LicenceTextTable[1]);
    EXPECT_NE(english.rfind(bom, 0), 0u);
    EXPECT_EQ(english.rfind("TOLVIN KEYBOARD LAYOUT", 0), 0u);
    EXPECT_EQ(polish.rfind(bom + "UK\xC5\x81"
                                 "AD KLAWIATURY TOLVIN",
                           0),
              0u);
    EXPECT_EQ(Decoded(kFile5).rfind("<!DOCTYPE html>", 0), 0u);
}

}  // namespace
