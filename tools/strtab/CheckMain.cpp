// tolvin-strcheck: fails the build when a string id that the code names has no text where the
// program looks for it (the chosen language table, the default table, the engine table), for
// either UI language.
//
//   tolvin-strcheck --ids <StringIds.h> --default <table> --engine <table> --lang0 <table>
//                   --lang1 <table> [--all] [--stamp <file>] <source folder or file>...
//
// Each table is read with its item count from <table>.items, as tolvin-strtab wrote them.
// --all checks every constant of the catalogue, used or not.

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "tools/strtab/FileIo.h"
#include "tools/strtab/IdCheck.h"

namespace {

namespace fs = std::filesystem;

int Usage() {
    std::fprintf(stderr,
                 "usage: tolvin-strcheck --ids <header> --default <table> --engine <table> "
                 "--lang0 <table> --lang1 <table> [--all] [--stamp <file>] <source>...\n");
    return 2;
}

bool LoadTable(const std::string& path, StringTable& table, std::vector<std::string>& errors) {
    std::string bytes;
    std::string items;
    if (!ReadWholeFile(path, bytes) || !ReadWholeFile(path + ".items", items)) {
        errors.push_back(path + ": error: cannot read the table or its item count");
        return false;
    }
    const long count = std::strtol(items.c_str(), nullptr, 10);
    auto buffer = std::make_unique<unsigned char[]>(bytes.size());
    std::copy(bytes.begin(), bytes.end(), buffer.get());
    if (!table.Attach(buffer.get(), static_cast<std::int32_t>(count),
                      static_cast<std::uint32_t>(bytes.size()))) {
        errors.push_back(path + ": error: not a string table with " + items);
        return false;
    }
    buffer.release();
    return true;
}

bool IsCodeFile(const fs::path& path) {
    const std::string extension = path.extension().string();
    return extension == ".h" || extension == ".cpp" || extension == ".hpp" || extension == ".cc";
}

void ScanPath(const fs::path& path, const fs::path& idsFile, const IdCatalogue& catalogue,
              std::vector<IdUse>& uses, std::vector<std::string>& errors) {
    std::vector<fs::path> files;
    if (fs::is_directory(path)) {
        for (const auto& item : fs::recursive_directory_iterator(path)) {
            if (item.is_regular_file() && IsCodeFile(item.path())) {
                files.push_back(item.path());
            }
        }
    } else if (fs::exists(path)) {
        files.push_back(path);
    }
    std::sort(files.begin(), files.end());
    for (const fs::path& file : files) {
        if (fs::equivalent(file, idsFile)) {
            continue;
        }
        std::string content;
        if (!ReadWholeFile(file.string(), content)) {
            errors.push_back(file.string() + ": error: cannot read the file");
            continue;
        }
        CollectIdUses(content, file.string(), catalogue, uses);
    }
}

}  // namespace

int main(int argc, char** argv) {
    std::string ids;
    std::string tablePaths[4];  // default, engine, language 0, language 1
    std::string stamp;
    bool all = false;
    std::vector<std::string> sources;
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        const bool hasValue = i + 1 < argc;
        if (arg == "--ids" && hasValue) {
            ids = argv[++i];
        } else if (arg == "--default" && hasValue) {
            tablePaths[0] = argv[++i];
        } else if (arg == "--engine" && hasValue) {
            tablePaths[1] = argv[++i];
        } else if (arg == "--lang0" && hasValue) {
            tablePaths[2] = argv[++i];
        } else if (arg == "--lang1" && hasValue) {
            tablePaths[3] = argv[++i];
        } else if (arg == "--stamp" && hasValue) {
            stamp = argv[++i];
        } else if (arg == "--all") {
            all = true;
        } else if (arg.rfind("--", 0) == 0) {
            return Usage();
        } else {
            sources.push_back(arg);
        }
    }
    if (ids.empty()) {
        return Usage();
    }
    for (const std::string& path : tablePaths) {
        if (path.empty()) {
            return Usage();
        }
    }

    std::vector<std::string> errors;
    IdCatalogue catalogue;
    std::string header;
    if (!ReadWholeFile(ids, header)) {
        errors.push_back(ids + ": error: cannot read the file");
    } else {
        ReadIdCatalogue(header, ids, catalogue, errors);
    }
    StringTable tables[4];
    for (int i = 0; i < 4; ++i) {
        LoadTable(tablePaths[i], tables[i], errors);
    }
    if (errors.empty()) {
        std::vector<IdUse> uses;
        for (const std::string& source : sources) {
            ScanPath(source, ids, catalogue, uses, errors);
        }
        if (all) {
            for (const auto& [name, entry] : catalogue) {
                uses.push_back({name, entry.id, ids + ":" + std::to_string(entry.line)});
            }
        }
        CheckIdUses(uses, {&tables[0], &tables[1], {&tables[2], &tables[3]}}, errors);
    }
    if (!errors.empty()) {
        for (const std::string& error : errors) {
            std::fprintf(stderr, "%s\n", error.c_str());
        }
        return 1;
    }
    if (!stamp.empty() && !WriteWholeFile(stamp, "checked\n")) {
        std::fprintf(stderr, "%s: error: cannot write %s\n", argv[0], stamp.c_str());
        return 1;
    }
    return 0;
}
