#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "tools/strtab/IdCheck.h"
#include "tools/strtab/StringSource.h"

namespace {

const char kHeader[] =
    "#pragma once\n"
    "// inline constexpr StringId kInComment = 1; is not a constant\n"
    "using StringId = std::uint32_t;\n"
    "inline constexpr StringId kStrTitle = 93;\n"
    "inline constexpr StringId kStrTitleAgain = 93;\n"
    "inline constexpr StringId kStrLanguageOnly = 7;\n"
    "inline constexpr StringId kStrEngineOnly = 8;\n";

IdCatalogue Catalogue() {
    IdCatalogue catalogue;
    std::vector<std::string> errors;
    EXPECT_TRUE(ReadIdCatalogue(kHeader, "Ids.h", catalogue, errors));
    EXPECT_TRUE(errors.empty());
    return catalogue;
}

TEST(IdCheck, ReadsTheConstantsWithTheirLines) {
    const IdCatalogue catalogue = Catalogue();
    ASSERT_EQ(catalogue.size(), 4u);
    EXPECT_EQ(catalogue.at("kStrTitle").id, 93u);
    EXPECT_EQ(catalogue.at("kStrTitle").line, 4);
    EXPECT_EQ(catalogue.at("kStrTitleAgain").id, 93u);
}

TEST(IdCheck, RefusesConstantsItCannotRead) {
    for (const char* header :
         {"inline constexpr StringId kA = 1;\ninline constexpr StringId kA = 2;\n",
          "constexpr StringId kA = 1;\n", "int x;\n"}) {
        IdCatalogue catalogue;
        std::vector<std::string> errors;
        EXPECT_FALSE(ReadIdCatalogue(header, "Ids.h", catalogue, errors)) << header;
    }
}

TEST(IdCheck, CollectsWholeNamesAtTheirFirstUse) {
    const IdCatalogue catalogue = Catalogue();
    std::vector<IdUse> uses;
    CollectIdUses(
        "int a = kStrTitleAgainX;\n"
        "GetText(kStrTitle, text);\n"
        "GetText(kStrTitle, text); Show(::kStrEngineOnly);\n",
        "Page.cpp", catalogue, uses);
    CollectIdUses("\n\nGetText(kStrTitle)", "Other.cpp", catalogue, uses);
    ASSERT_EQ(uses.size(), 2u);
    EXPECT_EQ(uses[0].name, "kStrTitle");
    EXPECT_EQ(uses[0].where, "Page.cpp:2");
    EXPECT_EQ(uses[1].name, "kStrEngineOnly");
    EXPECT_EQ(uses[1].id, 8u);
    EXPECT_EQ(uses[1].where, "Page.cpp:3");
}

void Attach(StringTable& table, const std::string& source) {
    std::vector<SourceText> texts;
    std::vector<std::string> errors;
    ASSERT_TRUE(ParseStringSource(source, "t.txt", texts, errors));
    const std::vector<unsigned char> bytes = BuildStringTable(texts);
    auto* buffer = new unsigned char[bytes.size()];
    std::memcpy(buffer, bytes.data(), bytes.size());
    ASSERT_TRUE(table.Attach(buffer, static_cast<std::int32_t>(texts.size()),
                             static_cast<std::uint32_t>(bytes.size())));
}

TEST(IdCheck, NamesEveryIdTheFetchOrderCannotFindPerLanguage) {
    StringTable defaults;
    StringTable engine;
    StringTable language0;
    StringTable language1;
    Attach(defaults, "93 = Setup\n");
    Attach(engine, "8 = engine\n");
    Attach(language0, "7 = only here\n");
    Attach(language1, "1 = other\n");
    const std::vector<IdUse> uses = {{"kStrTitle", 93, "Page.cpp:2"},
                                     {"kStrEngineOnly", 8, "Page.cpp:3"},
                                     {"kStrLanguageOnly", 7, "Page.cpp:9"}};
    std::vector<std::string> errors;
    CheckIdUses(uses, {&defaults, &engine, {&language0, &language1}}, errors);
    ASSERT_EQ(errors.size(), 1u);
    EXPECT_EQ(errors[0],
              "Page.cpp:9: error: kStrLanguageOnly (string 7) has no text for UI language 1: not "
              "in its language table, the default table or the engine table");
}

}  // namespace
