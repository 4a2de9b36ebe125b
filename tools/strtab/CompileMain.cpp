// tolvin-strtab: compiles string-table sources into the decoded table that the packer stores,
// and writes the table's item count beside it (<out>.items) for the payload container.
//
//   tolvin-strtab --out <table> [--max-id <n>] <source>...

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "tools/strtab/FileIo.h"
#include "tools/strtab/StringSource.h"

namespace {

int Usage() {
    std::fprintf(stderr, "usage: tolvin-strtab --out <table> [--max-id <n>] <source>...\n");
    return 2;
}

bool ParseMaxId(const char* text, std::uint32_t& maxId) {
    char* end = nullptr;
    const unsigned long long value = std::strtoull(text, &end, 10);
    if (end == text || *end != '\0' || value > 0xFFFFFFFFull) {
        return false;
    }
    maxId = static_cast<std::uint32_t>(value);
    return true;
}

}  // namespace

int main(int argc, char** argv) {
    std::string out;
    std::uint32_t maxId = 0xFFFFFFFFu;
    std::vector<std::string> sources;
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        if (arg == "--out" && i + 1 < argc) {
            out = argv[++i];
        } else if (arg == "--max-id" && i + 1 < argc) {
            if (!ParseMaxId(argv[++i], maxId)) {
                return Usage();
            }
        } else if (arg.rfind("--", 0) == 0) {
            return Usage();
        } else {
            sources.push_back(arg);
        }
    }
    if (out.empty() || sources.empty()) {
        return Usage();
    }

    std::vector<SourceText> texts;
    std::vector<std::string> errors;
    for (const std::string& source : sources) {
        std::string content;
        if (!ReadWholeFile(source, content)) {
            errors.push_back(source + ": error: cannot read the file");
            continue;
        }
        ParseStringSource(content, source, texts, errors);
    }
    if (errors.empty() || !texts.empty()) {
        ValidateTableTexts(texts, maxId, errors);
    }
    if (!errors.empty()) {
        for (const std::string& error : errors) {
            std::fprintf(stderr, "%s\n", error.c_str());
        }
        return 1;
    }

    const std::vector<unsigned char> table = BuildStringTable(texts);
    const std::string count = std::to_string(texts.size()) + "\n";
    if (!WriteWholeFile(
            out, std::string_view(reinterpret_cast<const char*>(table.data()), table.size())) ||
        !WriteWholeFile(out + ".items", count)) {
        std::fprintf(stderr, "%s: error: cannot write %s\n", argv[0], out.c_str());
        return 1;
    }
    return 0;
}
