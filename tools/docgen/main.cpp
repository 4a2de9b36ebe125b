// docgen: makes the layout chart (file 1) and the user guide (file 2) from the layout
// definitions.
//
//   docgen chart|guide --out <pdf> --fonts <folder with the DejaVu fonts>
//          --addition <file of the second family> --set <definition>...
#include <cstdio>
#include <string>
#include <vector>

#include "tools/docgen/Documents.h"

namespace {

int Fail(const std::string& message) {
    std::fprintf(stderr, "docgen: %s\n", message.c_str());
    return 1;
}

}  // namespace

int main(int argc, char** argv) {
    const std::string command = argc > 1 ? argv[1] : "";
    std::string out;
    std::string fontDir;
    std::string addition;
    std::vector<std::string> sets;
    for (int i = 2; i + 1 < argc; i += 2) {
        const std::string name = argv[i];
        if (name == "--out") {
            out = argv[i + 1];
        } else if (name == "--fonts") {
            fontDir = argv[i + 1];
        } else if (name == "--addition") {
            addition = argv[i + 1];
        } else if (name == "--set") {
            sets.push_back(argv[i + 1]);
        } else {
            return Fail("unknown argument " + name);
        }
    }
    if ((command != "chart" && command != "guide") || out.empty() || fontDir.empty() ||
        addition.empty() || sets.empty() || argc % 2 != 0) {
        return Fail(
            "usage: docgen chart|guide --out <pdf> --fonts <dir> --addition <file> "
            "--set <definition>...");
    }
    docgen::LayoutFamilies layouts;
    std::string error;
    for (const std::string& set : sets) {
        kbd::LayoutDefinition first;
        kbd::LayoutDefinition second;
        if (!kbd::LoadLayoutDefinition(set, {}, first, error) ||
            !kbd::LoadLayoutDefinition(set, {addition}, second, error)) {
            return Fail(error);
        }
        layouts.first.push_back(std::move(first));
        layouts.second.push_back(std::move(second));
    }
    const docgen::Fonts fonts{fontDir + "/DejaVuSans.ttf", fontDir + "/DejaVuSans-Bold.ttf",
                              fontDir + "/DejaVuSansMono.ttf"};
    const bool written = command == "chart" ? docgen::WriteChart(out, fonts, layouts, error)
                                            : docgen::WriteGuide(out, fonts, layouts, error);
    return written ? 0 : Fail(error);
}
