// The 78 layout images as the host build leaves them. Arguments: <layout sources> <image
// folder> <string-table source with the registration texts>.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <fstream>
#include <iterator>
#include <map>
#include <string>
#include <vector>

#include "tests/layouts/TestArguments.h"
#include "tools/kbdcheck/LayoutCheck.h"
#include "tools/kbdcheck/PeImage.h"
#include "tools/kbdcheck/StringSource.h"
#include "tools/kbdgen/LayoutDefinition.h"
#include "tools/kbdgen/LayoutTables.h"

namespace {

using kbdcheck::kMachineAmd64;
using kbdcheck::kMachineI386;
using kbdcheck::kMachineIa64;
using kbdcheck::PeImage;
using kbdcheck::TablePlaces;

struct Variant {
    uint16_t machine;
    uint16_t osMajor;
    uint16_t osMinor;
};

// The Windows generation and processor of each variant index.
constexpr Variant kVariants[13] = {
    {kMachineI386, 5, 0},  {kMachineI386, 5, 1}, {kMachineI386, 5, 2},  {kMachineIa64, 5, 2},
    {kMachineAmd64, 5, 2}, {kMachineI386, 6, 0}, {kMachineIa64, 6, 0},  {kMachineAmd64, 6, 0},
    {kMachineI386, 6, 1},  {kMachineIa64, 6, 1}, {kMachineAmd64, 6, 1}, {kMachineI386, 6, 2},
    {kMachineAmd64, 6, 2}};
const char* const kSetFiles[3] = {"standard.layout", "dead-keys.layout", "typographic.layout"};

struct Setup {
    std::string sources;
    std::string images;
    std::map<unsigned, std::string> texts;
    bool textsRead = false;
};

const Setup& Args() {
    static const Setup setup = [] {
        Setup parsed;
        const std::vector<std::string> arguments = TestArguments();
        if (arguments.size() == 3) {
            parsed.sources = arguments[0];
            parsed.images = arguments[1];
            std::string error;
            parsed.textsRead = kbdcheck::ReadStringSource(arguments[2], parsed.texts, error);
        }
        return parsed;
    }();
    return setup;
}

std::vector<uint8_t> ReadFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

std::string ImagePath(int family, int set, int variant) {
    return Args().images + "/tolvin-f" + std::to_string(family) + "s" + std::to_string(set) + "v" +
           std::to_string(variant) + ".dll";
}

PeImage LoadImage(int family, int set, int variant) {
    PeImage image;
    std::string error;
    EXPECT_TRUE(image.Parse(ReadFile(ImagePath(family, set, variant)), error))
        << ImagePath(family, set, variant) << ": " << error;
    return image;
}

kbd::LayoutDefinition LoadDefinition(int family, int set) {
    std::vector<std::string> additions;
    if (family == 1) {
        additions.push_back(Args().sources + "/symbols.keys");
    }
    kbd::LayoutDefinition layout;
    std::string error;
    EXPECT_TRUE(
        kbd::LoadLayoutDefinition(Args().sources + "/" + kSetFiles[set], additions, layout, error))
        << error;
    return layout;
}

TEST(LayoutImages, EveryImageIsALayoutLibraryOfItsVariant) {
    ASSERT_TRUE(Args().textsRead) << "usage: <layout sources> <image folder> <texts source>";
    for (int family = 0; family < 2; ++family) {
        for (int set = 0; set < 3; ++set) {
            for (int variant = 0; variant < 13; ++variant) {
                SCOPED_TRACE(ImagePath(family, set, variant));
                const Variant& expected = kVariants[variant];
                const PeImage image = LoadImage(family, set, variant);
                EXPECT_EQ(image.Machine(), expected.machine);
                EXPECT_EQ(image.IsPe32Plus(), expected.machine != kMachineI386);
                EXPECT_TRUE(image.IsDll());
                EXPECT_EQ(image.OsMajor(), expected.osMajor);
                EXPECT_EQ(image.OsMinor(), expected.osMinor);
                EXPECT_EQ(image.SubsystemMajor(), expected.osMajor);
                const bool hasCode = expected.machine != kMachineIa64;
                EXPECT_EQ(image.ExportRva("KbdLayerDescriptor").has_value(), hasCode);
                EXPECT_EQ(image.ExportRva("KbdLayerTables").has_value(), !hasCode);

                TablePlaces places;
                std::string error;
                ASSERT_TRUE(kbdcheck::LocateTables(image, places, error)) << error;
                EXPECT_EQ(*image.U16(places.scanToVk + 2 * 0x1E), 'A');
                EXPECT_EQ(*image.U16(places.decimal), '.');
                EXPECT_EQ(*image.U16(places.decimal + 2), '.');
            }
        }
    }
}

TEST(LayoutImages, PatternsLocateTheTablesAndAgreeWithTheRegistrationTexts) {
    kbdcheck::RegistrationTexts texts;
    std::string error;
    ASSERT_TRUE(kbdcheck::PrepareRegistrationTexts(Args().texts, texts, error)) << error;
    for (int family = 0; family < 2; ++family) {
        for (int set = 0; set < 3; ++set) {
            for (int variant = 0; variant < 13; ++variant) {
                const Variant& variantInfo = kVariants[variant];
                const kbdcheck::ImageExpectation expected{variantInfo.machine, variantInfo.osMajor,
                                                          variantInfo.osMinor, texts.dllName,
                                                          texts.displayTextId};
                std::vector<std::string> problems;
                EXPECT_TRUE(kbdcheck::CheckLayoutImage(LoadImage(family, set, variant), expected,
                                                       texts.ForSet(set), problems))
                    << ImagePath(family, set, variant) << ": " << problems.front();
            }
        }
    }
}

// The compiled object (x86, x64) and the Itanium image's data hold exactly the bytes the
// generator's own layout predicts: the tables sit at the same relative places in every build.
TEST(LayoutImages, CompiledTablesMatchTheGeneratorsLayoutByteForByte) {
    for (int family = 0; family < 2; ++family) {
        for (int set = 0; set < 3; ++set) {
            const kbd::TableContent content = kbd::BuildTableContent(LoadDefinition(family, set));
            for (const int variant : {0, 11, 3, 9, 4, 12}) {
                SCOPED_TRACE(ImagePath(family, set, variant));
                const PeImage image = LoadImage(family, set, variant);
                TablePlaces places;
                std::string error;
                ASSERT_TRUE(kbdcheck::LocateTables(image, places, error)) << error;
                const kbd::TableLayout layout =
                    kbd::ComputeTableLayout(content, image.PointerSize());
                const kbdcheck::PeSection* section = image.SectionOfOffset(places.tables);
                ASSERT_NE(section, nullptr);
                const uint64_t address = image.ImageBase() + section->virtualAddress +
                                         places.tables - section->rawOffset;
                const kbd::SerializedTables expected =
                    kbd::SerializeTables(content, layout, address);
                ASSERT_LE(places.tables + expected.bytes.size(), image.Bytes().size());
                EXPECT_TRUE(std::equal(expected.bytes.begin(), expected.bytes.end(),
                                       image.Bytes().begin() + places.tables));
                EXPECT_EQ(places.scanToVk - places.tables, layout.scanToVk);
                EXPECT_EQ(places.e0 - places.tables, layout.e0);
            }
        }
    }
}

// Setup patches the scan-code array, then the E0 table, then the E1 table, then the decimal
// key, searching each pattern after the earlier patches. Even patches that write the later
// patterns' own bytes into the earlier tables must not move a later first occurrence.
TEST(LayoutImages, NoPatchCanCreateAnEarlierOccurrenceOfALaterPattern) {
    kbdcheck::RegistrationTexts texts;
    std::string error;
    ASSERT_TRUE(kbdcheck::PrepareRegistrationTexts(Args().texts, texts, error)) << error;
    for (int set = 0; set < 3; ++set) {
        for (const int variant : {0, 9, 12}) {
            const PeImage image = LoadImage(1, set, variant);
            TablePlaces places;
            ASSERT_TRUE(kbdcheck::LocateTables(image, places, error)) << error;
            std::vector<uint8_t> bytes = image.Bytes();
            const auto find = [&bytes](const std::vector<uint8_t>& pattern) {
                return static_cast<size_t>(
                    std::search(bytes.begin(), bytes.end(), pattern.begin(), pattern.end()) -
                    bytes.begin());
            };
            const auto plant = [&bytes](size_t at, size_t length,
                                        const std::vector<uint8_t>& what) {
                for (size_t i = 0; i < length; ++i) {
                    bytes[at + i] = what[i % what.size()];
                }
            };
            plant(places.scanToVk, 254, texts.shared.e0);
            EXPECT_EQ(find(texts.shared.e0), places.e0);
            // E0 patches touch bytes 2 and 3 of each entry; planting over whole entries is harsher.
            plant(places.e0 + 4, 8, texts.shared.e1);
            EXPECT_EQ(find(texts.shared.e1), places.e1);
            plant(places.e1 + 2, 2, texts.shared.decimal);
            EXPECT_EQ(find(texts.shared.decimal), places.decimal);
        }
    }
}

// Every prefix of a real image, and an image with its header fields scrambled, parse or fail
// cleanly: no read outside the bytes.
TEST(PeImage, TruncatedOrDamagedImagesFailCleanly) {
    for (const int variant : {0, 9, 12}) {
        const std::vector<uint8_t> whole = ReadFile(ImagePath(0, 1, variant));
        ASSERT_FALSE(whole.empty());
        for (size_t length = 0; length < whole.size(); length += 7) {
            PeImage image;
            std::string error;
            if (image.Parse({whole.begin(), whole.begin() + length}, error)) {
                TablePlaces places;
                kbdcheck::LocateTables(image, places, error);
                image.StringResource(1000);
            }
        }
        for (size_t at = 0; at < 0x400; ++at) {
            std::vector<uint8_t> damaged = whole;
            damaged[at] ^= 0xFF;
            PeImage image;
            std::string error;
            if (image.Parse(damaged, error)) {
                TablePlaces places;
                kbdcheck::LocateTables(image, places, error);
                image.StringResource(1000);
                image.ExportModuleName();
            }
        }
    }
}

TEST(LayoutCheck, ReportsAPatternThatOccursBeforeItsTable) {
    const PeImage original = LoadImage(0, 0, 12);
    TablePlaces places;
    std::string error;
    ASSERT_TRUE(kbdcheck::LocateTables(original, places, error)) << error;
    const std::vector<uint8_t> e1(original.Bytes().begin() + places.e1,
                                  original.Bytes().begin() + places.e1 + 8);
    kbdcheck::LayoutPatterns patterns;
    patterns.scanToVk.assign(original.Bytes().begin() + places.scanToVk,
                             original.Bytes().begin() + places.scanToVk + 16);
    patterns.e0.assign(original.Bytes().begin() + places.e0,
                       original.Bytes().begin() + places.e0 + 12);
    patterns.e1 = e1;
    patterns.decimal.assign(original.Bytes().begin() + places.decimal,
                            original.Bytes().begin() + places.decimal + 10);

    std::vector<uint8_t> bytes = original.Bytes();
    std::copy(e1.begin(), e1.end(), bytes.begin() + places.tables - 16);  // in the code/padding
    PeImage damaged;
    ASSERT_TRUE(damaged.Parse(bytes, error));
    const kbdcheck::ImageExpectation expected{kMachineAmd64, 6, 2, "kbdtolvn.dll", 1000};
    std::vector<std::string> problems;
    EXPECT_FALSE(kbdcheck::CheckLayoutImage(damaged, expected, patterns, problems));
    ASSERT_EQ(problems.size(), 1u);
    EXPECT_NE(problems[0].find("E1 table: pattern first found at"), std::string::npos);

    problems.clear();
    const kbdcheck::ImageExpectation otherName{kMachineAmd64, 6, 2, "kbdother.dll", 1001};
    EXPECT_FALSE(kbdcheck::CheckLayoutImage(original, otherName, patterns, problems));
    EXPECT_EQ(problems.size(), 2u);  // the module name and the missing string
}

TEST(LayoutCheck, RegistrationTextsMustAgree) {
    const std::string pattern = "1D00130000000000";
    std::map<unsigned, std::string> good = {
        {83, "kbdtolvn.dll"}, {84, "00d4"}, {87, "@%SystemRoot%\\system32\\kbdtolvn.dll,-1000"}};
    for (unsigned id = 146; id <= 151; ++id) {
        good[id] = pattern;
    }
    kbdcheck::RegistrationTexts texts;
    std::string error;
    ASSERT_TRUE(kbdcheck::PrepareRegistrationTexts(good, texts, error)) << error;
    EXPECT_EQ(texts.displayTextId, 1000);

    const struct {
        unsigned id;
        const char* text;
    } bad[] = {
        {83, "kbdelse.dll"},                                   // display value names another file
        {87, "%SystemRoot%\\system32\\kbdtolvn.dll,-1000"},    // no @: no display value at all
        {87, "@%SystemRoot%\\system32\\kbdtolvn.dll,-70000"},  // id out of range
        {84, "d4"},                                            // layout id not four digits
        {146, "1d00"},                                         // lower-case hex
        {150, "1D0"},                                          // odd length
        {151, ""},                                             // missing pattern
    };
    for (const auto& change : bad) {
        std::map<unsigned, std::string> texts2 = good;
        texts2[change.id] = change.text;
        EXPECT_FALSE(kbdcheck::PrepareRegistrationTexts(texts2, texts, error))
            << change.id << " = " << change.text;
    }
}

}  // namespace
