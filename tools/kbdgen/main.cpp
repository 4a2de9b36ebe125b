// kbdgen: turns a keyboard-layout definition into the sources of a layout library (x86 and
// x64 builds, compiled by the mingw compilers) or into a data-only Itanium image.
//
//   kbdgen sources --layout <file> [--add <file>]... --dll <name> --text-id <n>
//                  --version <a.b.c.d> --c <out.c> --rc <out.rc> --def <out.def>
//   kbdgen ia64 --layout <file> [--add <file>]... --dll <name> --text-id <n>
//               --os-version <major.minor> --out <image>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <map>
#include <string>
#include <vector>

#include "tools/kbdgen/DataOnlyImage.h"
#include "tools/kbdgen/LayoutDefinition.h"
#include "tools/kbdgen/LibrarySource.h"

namespace {

struct Options {
    std::map<std::string, std::string> values;
    std::vector<std::string> additions;

    const std::string& Get(const std::string& name) const {
        static const std::string empty;
        const auto found = values.find(name);
        return found == values.end() ? empty : found->second;
    }
};

bool ParseOptions(int argc, char** argv, Options& options) {
    for (int i = 2; i < argc; i += 2) {
        const std::string name = argv[i];
        if (name.rfind("--", 0) != 0 || i + 1 >= argc) {
            return false;
        }
        if (name == "--add") {
            options.additions.push_back(argv[i + 1]);
        } else {
            options.values[name.substr(2)] = argv[i + 1];
        }
    }
    return true;
}

bool ParseNumber(const std::string& text, unsigned long limit, unsigned long& value) {
    char* end = nullptr;
    value = std::strtoul(text.c_str(), &end, 10);
    return !text.empty() && *end == '\0' && value <= limit;
}

bool WriteFile(const std::string& path, const void* data, size_t size) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(static_cast<const char*>(data), static_cast<std::streamsize>(size));
    out.close();
    if (!out) {
        std::fprintf(stderr, "kbdgen: cannot write %s\n", path.c_str());
        return false;
    }
    return true;
}

bool WriteText(const std::string& path, const std::string& text) {
    return WriteFile(path, text.data(), text.size());
}

std::string BaseName(const std::string& path) {
    const size_t slash = path.find_last_of('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

int Fail(const std::string& message) {
    std::fprintf(stderr, "kbdgen: %s\n", message.c_str());
    return 1;
}

int Run(const std::string& command, const Options& options) {
    unsigned long textId = 0;
    if (options.Get("layout").empty() || options.Get("dll").empty() ||
        !ParseNumber(options.Get("text-id"), 0xFFFF, textId) || textId == 0) {
        return Fail("--layout, --dll and --text-id (1..65535) are required");
    }
    kbd::LayoutDefinition layout;
    std::string error;
    if (!kbd::LoadLayoutDefinition(options.Get("layout"), options.additions, layout, error)) {
        return Fail(error);
    }
    const std::string& dll = options.Get("dll");
    if (command == "sources") {
        std::string origin = BaseName(options.Get("layout"));
        for (const std::string& addition : options.additions) {
            origin += " + " + BaseName(addition);
        }
        const std::string& version = options.Get("version");
        if (version.empty() || options.Get("c").empty() || options.Get("rc").empty() ||
            options.Get("def").empty()) {
            return Fail("sources needs --version, --c, --rc and --def");
        }
        const bool written = WriteText(options.Get("c"), kbd::WriteLibrarySource(layout, origin)) &&
                             WriteText(options.Get("rc"),
                                       kbd::WriteResourceScript(
                                           layout, static_cast<uint16_t>(textId), dll, version)) &&
                             WriteText(options.Get("def"), kbd::WriteModuleDefinition(dll));
        return written ? 0 : 1;
    }
    unsigned long major = 0;
    unsigned long minor = 0;
    const std::string& osVersion = options.Get("os-version");
    const size_t dot = osVersion.find('.');
    if (options.Get("out").empty() || dot == std::string::npos ||
        !ParseNumber(osVersion.substr(0, dot), 0xFFFF, major) ||
        !ParseNumber(osVersion.substr(dot + 1), 0xFFFF, minor)) {
        return Fail("ia64 needs --os-version <major.minor> and --out");
    }
    const kbd::DataOnlyImageOptions imageOptions{dll, static_cast<uint16_t>(textId),
                                                 static_cast<uint16_t>(major),
                                                 static_cast<uint16_t>(minor)};
    const std::vector<uint8_t> image = kbd::WriteDataOnlyImage(layout, imageOptions);
    return WriteFile(options.Get("out"), image.data(), image.size()) ? 0 : 1;
}

}  // namespace

int main(int argc, char** argv) {
    Options options;
    const std::string command = argc > 1 ? argv[1] : "";
    if ((command != "sources" && command != "ia64") || !ParseOptions(argc, argv, options)) {
        return Fail("usage: kbdgen sources|ia64 --layout <file> [--add <file>]... (see source)");
    }
    return Run(command, options);
}
