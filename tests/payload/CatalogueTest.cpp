// The payloads the program really carries: each decodes with the real key material, and (when
// the test is given the manifest) decodes to exactly the file and item count it was packed from.
#include <gtest/gtest.h>

#include <map>
#include <memory>
#include <string>
#include <vector>

#include "payload/CGuard.h"
#include "payload/PayloadCatalogue.h"
#include "tools/packer/Bytes.h"
#include "tools/packer/Manifest.h"

namespace {

std::string g_manifest;

struct Decoded {
    std::unique_ptr<unsigned char[]> bytes;
    uint32_t size = 0;
    uint32_t items = 0;
};

Decoded DecodePayload(const CGuard& guard, const PayloadRef& payload) {
    Decoded decoded;
    decoded.size = payload.size;
    decoded.bytes.reset(guard.Decode(payload.data, decoded.size, &decoded.items));
    return decoded;
}

// Every entry of the catalogue that this test can name, by its manifest label.
std::map<std::string, const PayloadRef*> KnownEntries() {
    std::map<std::string, const PayloadRef*> known{
        {"kStringTableDefault", &kStringTableDefault},
        {"kStringTableLanguage0", &kStringTableLanguage0},
        {"kStringTableLanguage1", &kStringTableLanguage1},
        {"kStringTableEngine", &kStringTableEngine},
    };
    for (uint32_t family = 0; family < 2; ++family) {
        for (uint32_t set = 0; set < 3; ++set) {
            for (uint32_t variant = 0; variant < 13; ++variant) {
                known[EntryLabel("LayoutLibraryTable", {family, set, variant})] =
                    &LayoutLibraryTable[family][set][variant];
            }
        }
    }
    return known;
}

class RealPayloads : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(guard.SetKeyMaterial(kKeyMaterial, sizeof kKeyMaterial)); }
    CGuard guard;
};

}  // namespace

TEST_F(RealPayloads, EveryKnownEntryDecodes) {
    for (const auto& [label, payload] : KnownEntries()) {
        SCOPED_TRACE(label);
        EXPECT_EQ(payload->size % 8, 0u);
        const Decoded decoded = DecodePayload(guard, *payload);
        ASSERT_NE(decoded.bytes, nullptr);
        if (label.starts_with("kStringTable")) {
            EXPECT_GT(decoded.items, 0u);
        } else {
            ASSERT_GE(decoded.size, 2u);
            EXPECT_EQ(decoded.bytes[0], 'M');  // every layout library is a Windows image
            EXPECT_EQ(decoded.bytes[1], 'Z');
        }
    }
}

TEST_F(RealPayloads, DecodeToTheFilesAndCountsOfTheManifest) {
    if (g_manifest.empty()) {
        GTEST_SKIP() << "no manifest given";
    }
    Bytes text;
    std::string error;
    ASSERT_TRUE(ReadFileBytes(g_manifest, 1 << 20, text, error)) << error;
    std::vector<ManifestEntry> entries;
    ASSERT_TRUE(ParseManifest(std::string(text.begin(), text.end()), entries, error)) << error;
    std::vector<LoadedPayload> sources;
    ASSERT_TRUE(LoadPayloads(entries, sources, error)) << error;

    const auto known = KnownEntries();
    size_t compared = 0;
    for (const LoadedPayload& source : sources) {
        const auto entry = known.find(EntryLabel(source.name, source.indexes));
        if (entry == known.end()) {
            continue;
        }
        SCOPED_TRACE(entry->first);
        const Decoded decoded = DecodePayload(guard, *entry->second);
        ASSERT_NE(decoded.bytes, nullptr);
        EXPECT_EQ(decoded.items, source.items);
        ASSERT_EQ(decoded.size, source.plain.size());
        EXPECT_TRUE(std::equal(source.plain.begin(), source.plain.end(), decoded.bytes.get()));
        ++compared;
    }
    EXPECT_EQ(compared, known.size());
}

int main(int argc, char** argv) {
    ::testing::InitGoogleTest(&argc, argv);
    if (argc > 1) {
        g_manifest = argv[1];
    }
    return RUN_ALL_TESTS();
}
