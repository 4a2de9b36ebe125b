// The packer's steps and the tolvin-pack tool: key material, manifests, the generated catalogue.
#include <gtest/gtest.h>

#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "payload/CGuard.h"
#include "payload/KeyParameters.h"
#include "tools/packer/Catalogue.h"
#include "tools/packer/Container.h"
#include "tools/packer/KeyMaterial.h"
#include "tools/packer/Manifest.h"

namespace {

std::string g_packTool;

Bytes TestKey() {
    Bytes key(kKeyLength);
    for (size_t i = 0; i < key.size(); ++i) {
        key[i] = static_cast<unsigned char>(0xC3 ^ (i * 29));
    }
    return key;
}

Bytes KeyMaterialFor(const Bytes& key, uint64_t seed) {
    Bytes material;
    std::string error;
    EXPECT_TRUE(MakeKeyMaterial(key, seed, material, error)) << error;
    return material;
}

LoadedPayload Payload(const std::string& name, std::vector<uint32_t> indexes, std::string text,
                      uint32_t items = 0) {
    return LoadedPayload{name, std::move(indexes), Bytes(text.begin(), text.end()), items};
}

std::string Catalogue(const std::vector<LoadedPayload>& payloads, std::string* error = nullptr) {
    const Bytes key = TestKey();
    std::string source;
    std::string problem;
    const bool written =
        WriteCatalogueSource(payloads, KeyMaterialFor(key, 7), key, source, problem);
    if (error != nullptr) {
        *error = problem;
    } else {
        EXPECT_TRUE(written) << problem;
    }
    return written ? source : std::string();
}

std::string ReadText(const std::filesystem::path& path) {
    Bytes bytes;
    std::string error;
    EXPECT_TRUE(ReadFileBytes(path.string(), 1 << 24, bytes, error)) << error;
    return std::string(bytes.begin(), bytes.end());
}

size_t Occurrences(const std::string& text, const std::string& what) {
    size_t count = 0;
    for (size_t at = text.find(what); at != std::string::npos; at = text.find(what, at + 1)) {
        ++count;
    }
    return count;
}

class TempFolder : public ::testing::Test {
protected:
    void SetUp() override {
        const auto* test = ::testing::UnitTest::GetInstance()->current_test_info();
        folder = std::filesystem::temp_directory_path() /
                 ("tolvin-packer-" + std::string(test->name()) + "-" +
                  std::to_string(static_cast<unsigned long>(::getpid())));
        std::filesystem::remove_all(folder);
        std::filesystem::create_directories(folder);
    }
    void TearDown() override { std::filesystem::remove_all(folder); }

    std::string Write(const std::string& name, const std::string& content) {
        const auto path = folder / name;
        std::ofstream(path, std::ios::binary) << content;
        return path.string();
    }

    std::filesystem::path folder;
};

}  // namespace

TEST(KeySource, ParsesTheKeyAndSeedAndRefusesMistakes) {
    const std::string hexKey(2 * kKeyLength, 'A');
    KeySource source;
    std::string error;
    ASSERT_TRUE(
        ParseKeySource("# comment\n\nkey = " + hexKey + "\r\nfiller-seed = 00ff\n", source, error))
        << error;
    EXPECT_EQ(source.key, Bytes(kKeyLength, 0xAA));
    EXPECT_EQ(source.fillerSeed, 0xFFu);

    const std::string seed = "filler-seed = 1\n";
    struct Case {
        std::string text;
        const char* expected;
    };
    const Case cases[] = {
        {seed, "no key line"},
        {"key = " + hexKey + "\n", "no filler-seed line"},
        {"key = " + hexKey.substr(1) + "\n" + seed, "pairs of hexadecimal digits"},
        {"key = " + hexKey.substr(2) + "G0\n" + seed, "pairs of hexadecimal digits"},
        {"key = " + hexKey.substr(2) + "\n" + seed, "the key has 55 bytes"},
        {"key = " + hexKey + "\nkey = " + hexKey + "\n" + seed, "line 2: expected one"},
        {"key = " + hexKey + "\nfiller-seed = 12345678901234567\n", "1 to 16 hexadecimal"},
        {"key " + hexKey + "\n" + seed, "line 1: expected one"},
    };
    for (const Case& bad : cases) {
        SCOPED_TRACE(bad.text);
        EXPECT_FALSE(ParseKeySource(bad.text, source, error));
        EXPECT_NE(error.find(bad.expected), std::string::npos) << error;
    }
}

TEST(KeyMaterial, UnscramblesThroughCGuardToTheKeyItWasMadeFrom) {
    const Bytes key = TestKey();
    const Bytes material = KeyMaterialFor(key, 0xFEED);
    ASSERT_EQ(material.size(), static_cast<size_t>(kKeyMaterialLength));
    EXPECT_TRUE(KeyMaterialYieldsKey(material, key));

    // The key is not stored as such, and every other byte is filler from the seed.
    EXPECT_EQ(std::search(material.begin(), material.end(), key.begin(), key.end()),
              material.end());
    EXPECT_EQ(KeyMaterialFor(key, 0xFEED), material);
    const Bytes otherFiller = KeyMaterialFor(key, 0xBEEF);
    EXPECT_NE(otherFiller, material);
    EXPECT_TRUE(KeyMaterialYieldsKey(otherFiller, key));

    Bytes otherKey = key;
    otherKey[kKeyLength - 1] ^= 1;
    EXPECT_FALSE(KeyMaterialYieldsKey(material, otherKey));
}

TEST(Manifest, ParsesEntriesTablesAndItemCounts) {
    std::vector<ManifestEntry> entries;
    std::string error;
    ASSERT_TRUE(
        ParseManifest("kOne\t/a/one\titems=42\r\n\n"
                      "Table[1][12]\t/a/cell\titems=@/a/count\n"
                      "kPlain\t/a/plain\n",
                      entries, error))
        << error;
    ASSERT_EQ(entries.size(), 3u);
    EXPECT_EQ(entries[0].Label(), "kOne");
    EXPECT_EQ(entries[0].items, 42u);
    EXPECT_EQ(entries[1].name, "Table");
    EXPECT_EQ(entries[1].indexes, (std::vector<uint32_t>{1, 12}));
    EXPECT_EQ(entries[1].itemsFile, "/a/count");
    EXPECT_EQ(entries[1].line, 3);
    EXPECT_FALSE(entries[2].items.has_value());
    EXPECT_TRUE(entries[2].itemsFile.empty());
}

TEST(Manifest, MalformedLinesAndDuplicatesNameTheLine) {
    struct Case {
        const char* text;
        const char* expected;
    };
    const Case cases[] = {
        {"kOne\n", "line 1: expected <entry>"},
        {"kOne\t/f\titems=1\textra\n", "line 1: expected <entry>"},
        {"kOne /f\n", "line 1: expected <entry>"},
        {"kOne\t\n", "no file for kOne"},
        {"9lives\t/f\n", "'9lives' is not a name"},
        {"T[x]\t/f\n", "'T[x]' is not a name"},
        {"T[1\t/f\n", "'T[1' is not a name"},
        {"T[-1]\t/f\n", "'T[-1]' is not a name"},
        {"T[4096]\t/f\n", "'T[4096]' is not a name"},
        {"T[1]x\t/f\n", "'T[1]x' is not a name"},
        {"kOne\t/f\titems=abc\n", "'items=abc' is not items="},
        {"kOne\t/f\titems=-1\n", "'items=-1' is not items="},
        {"kOne\t/f\titems=4294967296\n", "'items=4294967296' is not items="},
        {"kOne\t/f\titems=@\n", "'items=@' is not items="},
        {"kOne\t/f\tcount=1\n", "'count=1' is not items="},
        {"kOne\t/f\n\nT[0]\t/g\nkOne\t/h\n", "line 4: kOne is already given on line 1"},
    };
    for (const Case& bad : cases) {
        SCOPED_TRACE(bad.text);
        std::vector<ManifestEntry> entries;
        std::string error;
        EXPECT_FALSE(ParseManifest(bad.text, entries, error));
        EXPECT_NE(error.find(bad.expected), std::string::npos) << error;
    }
}

TEST_F(TempFolder, LoadingReadsFilesAndCountsAndNamesWhatFails) {
    const std::string payload = Write("payload.bin", std::string("\0\1\2", 3));
    const std::string count = Write("count", "17\n");
    const std::string badCount = Write("bad-count", "17 items\n");
    const std::string huge = (folder / "huge.bin").string();
    // Sparse: only the size matters, the tool must refuse it before reading.
    std::ofstream(huge).close();
    std::filesystem::resize_file(huge, uint64_t{kMaxContainerSize} + 1);

    std::vector<ManifestEntry> entries;
    std::string error;
    ASSERT_TRUE(ParseManifest("kA\t" + payload + "\titems=@" + count + "\nkB\t" + payload + "\n",
                              entries, error));
    std::vector<LoadedPayload> payloads;
    ASSERT_TRUE(LoadPayloads(entries, payloads, error)) << error;
    ASSERT_EQ(payloads.size(), 2u);
    EXPECT_EQ(payloads[0].plain, (Bytes{0, 1, 2}));
    EXPECT_EQ(payloads[0].items, 17u);
    EXPECT_EQ(payloads[1].items, 0u);

    struct Case {
        std::string manifest;
        std::string expected;
    };
    const Case cases[] = {
        {"kMissing\t" + (folder / "none").string() + "\n", "kMissing (manifest line 1): "},
        {"kA\t" + payload + "\titems=@" + badCount + "\n", "expected one decimal item count"},
        {"kA\t" + payload + "\titems=@" + (folder / "none").string() + "\n", "cannot read"},
        {"T[0]\t" + huge + "\n", "T[0] (manifest line 1): " + huge + ": 2147483641 bytes"},
    };
    for (const Case& bad : cases) {
        SCOPED_TRACE(bad.manifest);
        ASSERT_TRUE(ParseManifest(bad.manifest, entries, error)) << error;
        EXPECT_FALSE(LoadPayloads(entries, payloads, error));
        EXPECT_NE(error.find(bad.expected), std::string::npos) << error;
    }
}

TEST(Catalogue, TablesTakeTheirDimensionsFromTheHighestIndexes) {
    const std::string source =
        Catalogue({Payload("T", {1, 0}, "c"), Payload("T", {0, 1}, "b"), Payload("T", {0, 0}, "a"),
                   Payload("T", {1, 1}, "d"), Payload("kSingle", {}, "s", 3)});
    EXPECT_NE(source.find("#include \"payload/PayloadCatalogue.h\""), std::string::npos);
    EXPECT_NE(source.find("const unsigned char kKeyMaterial[968] = {"), std::string::npos);
    EXPECT_NE(source.find("extern const PayloadRef T[2][2];"), std::string::npos);
    EXPECT_NE(source.find("const PayloadRef kSingle = {"), std::string::npos);
    // Cells appear in index order; blobs are numbered in that order.
    const size_t first = source.find("kBlob0Size},  // [0][0]");
    const size_t last = source.find("kBlob3Size},  // [1][1]");
    EXPECT_NE(first, std::string::npos);
    EXPECT_NE(last, std::string::npos);
    EXPECT_LT(first, last);
}

TEST(Catalogue, SameBytesAndItemCountAreStoredOnce) {
    const std::string source =
        Catalogue({Payload("T", {0}, "same"), Payload("T", {1}, "same"),
                   Payload("kAlso", {}, "same"), Payload("kCounted", {}, "same", 2)});
    // The item count is inside the container, so a different count needs a container of its own.
    EXPECT_EQ(Occurrences(source, "constexpr uint32_t kBlob"), 2u);
    EXPECT_EQ(Occurrences(source, "tolvin_payload_blobs::kBlob0Size}"), 3u);
    EXPECT_EQ(Occurrences(source, "tolvin_payload_blobs::kBlob1Size}"), 1u);
}

TEST(Catalogue, OutputDependsOnlyOnTheInputsNotTheirOrder) {
    const std::vector<LoadedPayload> payloads{Payload("T", {0}, "zero"), Payload("T", {1}, "one"),
                                              Payload("kText", {}, "text", 5)};
    const std::string once = Catalogue(payloads);
    EXPECT_EQ(Catalogue(payloads), once);
    const std::vector<LoadedPayload> reordered{payloads[2], payloads[1], payloads[0]};
    EXPECT_EQ(Catalogue(reordered), once);
}

TEST(Catalogue, IncompleteOrInconsistentTablesFailNamingTheCause) {
    struct Case {
        const char* what;
        std::vector<LoadedPayload> payloads;
        const char* expected;
    };
    const Case cases[] = {
        {"missing cell",
         {Payload("T", {0, 0}, "a"), Payload("T", {1, 1}, "b"), Payload("T", {0, 1}, "c")},
         "T[1][0] is missing"},
        {"mixed index counts",
         {Payload("T", {0, 0}, "a"), Payload("T", {1}, "b")},
         "T[1] does not have the 2 indexes"},
        {"name alone and as a table",
         {Payload("T", {}, "a"), Payload("T", {0}, "b")},
         "T[0] does not have the 0 indexes"},
        {"cell given twice",
         {Payload("T", {0}, "a"), Payload("T", {0}, "b")},
         "T[0] is given twice"},
        {"key material as a payload", {Payload("kKeyMaterial", {}, "a")}, "kKeyMaterial is made"},
        {"one far cell of a huge table",
         {Payload("T", {4095, 4095, 4095}, "a")},
         "T[0][0][0] is missing"},
    };
    for (const Case& bad : cases) {
        SCOPED_TRACE(bad.what);
        std::string error;
        EXPECT_EQ(Catalogue(bad.payloads, &error), "");
        EXPECT_NE(error.find(bad.expected), std::string::npos) << error;
    }
}

TEST_F(TempFolder, ToolWritesTheCatalogueOrFailsWithoutOutput) {
    const std::string key =
        Write("key.txt", "key = " + std::string(2 * kKeyLength, '5') + "\nfiller-seed = 42\n");
    const std::string payload = Write("payload.txt", "hello");
    const std::string good = Write("good.manifest", "kHello\t" + payload + "\titems=1\n");
    const std::string out = (folder / "catalogue.cpp").string();
    auto run = [&](const std::string& manifest, const std::string& keyFile) {
        const std::string command = g_packTool + " --manifest " + manifest + " --key " + keyFile +
                                    " --out " + out + " 2>" + (folder / "stderr").string();
        return std::system(command.c_str());
    };
    auto stderrText = [&] { return ReadText(folder / "stderr"); };

    ASSERT_EQ(run(good, key), 0) << stderrText();
    const std::string first = ReadText(out);
    EXPECT_NE(first.find("const PayloadRef kHello = "), std::string::npos);
    ASSERT_EQ(run(good, key), 0);
    EXPECT_EQ(ReadText(out), first);

    std::filesystem::remove(out);
    struct Case {
        std::string manifest;
        std::string key;
        const char* expected;
    };
    const Case cases[] = {
        {Write("bad.manifest", "kHello " + payload + "\n"), key, "manifest line 1"},
        {Write("dup.manifest", "kA\t" + payload + "\nkA\t" + payload + "\n"), key,
         "kA is already given on line 1"},
        {Write("missing.manifest", "kA\t" + (folder / "none").string() + "\n"), key, "cannot read"},
        {Write("table.manifest", "T[1]\t" + payload + "\n"), key, "T[0] is missing"},
        {good, Write("short-key.txt", "key = 00\nfiller-seed = 1\n"), "the key has 1 bytes"},
        {good, (folder / "no-key.txt").string(), "cannot read"},
    };
    for (const Case& bad : cases) {
        SCOPED_TRACE(bad.manifest);
        EXPECT_NE(run(bad.manifest, bad.key), 0);
        EXPECT_NE(stderrText().find(bad.expected), std::string::npos) << stderrText();
        EXPECT_FALSE(std::filesystem::exists(out));
    }
}

int main(int argc, char** argv) {
    ::testing::InitGoogleTest(&argc, argv);
    if (argc != 2) {
        std::fprintf(stderr, "usage: packer_tests <tolvin-pack>\n");
        return 2;
    }
    g_packTool = argv[1];
    return RUN_ALL_TESTS();
}
