// tolvin-pack --manifest <file> --key <key source> --out <generated C++ source>
//
// Packs every payload of the manifest into containers and writes the catalogue source that the
// program compiles. Any failure names its cause and exits nonzero, leaving the output untouched.
#include <cstdio>
#include <string>
#include <string_view>
#include <vector>

#include "tools/packer/Catalogue.h"
#include "tools/packer/KeyMaterial.h"
#include "tools/packer/Manifest.h"
#include "tools/packer/Text.h"

namespace {

constexpr uint64_t kLongestTextInput = 16 * 1024 * 1024;

struct Arguments {
    std::string manifest;
    std::string key;
    std::string out;
};

bool ParseArguments(int argc, char** argv, Arguments& arguments) {
    for (int i = 1; i + 1 < argc; i += 2) {
        const std::string_view option = argv[i];
        if (option == "--manifest") {
            arguments.manifest = argv[i + 1];
        } else if (option == "--key") {
            arguments.key = argv[i + 1];
        } else if (option == "--out") {
            arguments.out = argv[i + 1];
        } else {
            return false;
        }
    }
    return argc % 2 == 1 && !arguments.manifest.empty() && !arguments.key.empty() &&
           !arguments.out.empty();
}

bool ReadText(const std::string& path, std::string& text, std::string& error) {
    Bytes bytes;
    if (!ReadFileBytes(path, kLongestTextInput, bytes, error)) {
        return false;
    }
    text.assign(bytes.begin(), bytes.end());
    return true;
}

bool Pack(const Arguments& arguments, std::string& error) {
    std::string keyText;
    KeySource keySource;
    if (!ReadText(arguments.key, keyText, error) || !ParseKeySource(keyText, keySource, error)) {
        error = Concat(arguments.key, ": ", error);
        return false;
    }
    Bytes keyMaterial;
    if (!MakeKeyMaterial(keySource.key, keySource.fillerSeed, keyMaterial, error)) {
        return false;
    }
    if (!KeyMaterialYieldsKey(keyMaterial, keySource.key)) {
        error = "the key material does not unscramble to the key";
        return false;
    }

    std::string manifestText;
    std::vector<ManifestEntry> entries;
    std::vector<LoadedPayload> payloads;
    if (!ReadText(arguments.manifest, manifestText, error) ||
        !ParseManifest(manifestText, entries, error) || !LoadPayloads(entries, payloads, error)) {
        error = Concat(arguments.manifest, ": ", error);
        return false;
    }
    std::string source;
    return WriteCatalogueSource(payloads, keyMaterial, keySource.key, source, error) &&
           ReplaceFileText(arguments.out, source, error);
}

}  // namespace

int main(int argc, char** argv) {
    Arguments arguments;
    if (!ParseArguments(argc, argv, arguments)) {
        std::fprintf(stderr,
                     "usage: tolvin-pack --manifest <file> --key <key source> --out <source>\n");
        return 2;
    }
    std::string error;
    if (!Pack(arguments, error)) {
        std::fprintf(stderr, "tolvin-pack: %s\n", error.c_str());
        return 1;
    }
    return 0;
}
