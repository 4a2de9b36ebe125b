// kbdcheck: the build's proof that every layout image suits setup's patcher and agrees with
// the texts that register it. Fails the build with one line per problem.
//
//   kbdcheck --manifest <file> --stamp <file> --texts <string-table source>
//
// Manifest lines: <image> <x86|x64|ia64> <os major.minor> <layout set 0..2>.
// The texts (see RegistrationTexts) come from the default string table's source.
#include <cstdio>
#include <fstream>
#include <iterator>
#include <map>
#include <sstream>
#include <string>
#include <vector>

#include "tools/kbdcheck/LayoutCheck.h"
#include "tools/kbdcheck/PeImage.h"
#include "tools/kbdcheck/StringSource.h"

namespace {

using kbdcheck::ImageExpectation;
using kbdcheck::RegistrationTexts;

bool Fail(const std::string& message) {
    std::fprintf(stderr, "kbdcheck: %s\n", message.c_str());
    return false;
}

bool ParseMachine(const std::string& name, uint16_t& machine) {
    const std::map<std::string, uint16_t> machines = {{"x86", kbdcheck::kMachineI386},
                                                      {"x64", kbdcheck::kMachineAmd64},
                                                      {"ia64", kbdcheck::kMachineIa64}};
    const auto found = machines.find(name);
    if (found == machines.end()) {
        return false;
    }
    machine = found->second;
    return true;
}

bool CheckManifestLine(const std::string& line, const RegistrationTexts& texts) {
    std::istringstream words(line);
    std::string path;
    std::string machineName;
    unsigned osMajor = 0;
    unsigned osMinor = 0;
    char dot = 0;
    unsigned set = 0;
    ImageExpectation expected;
    if (!(words >> path >> machineName >> osMajor >> dot >> osMinor >> set) || dot != '.' ||
        set > 2 || !ParseMachine(machineName, expected.machine)) {
        return Fail("bad manifest line: " + line);
    }
    expected.osMajor = static_cast<uint16_t>(osMajor);
    expected.osMinor = static_cast<uint16_t>(osMinor);
    expected.dllName = texts.dllName;
    expected.displayTextId = texts.displayTextId;

    std::ifstream in(path, std::ios::binary);
    std::vector<uint8_t> bytes((std::istreambuf_iterator<char>(in)),
                               std::istreambuf_iterator<char>());
    kbdcheck::PeImage image;
    std::string error;
    if (!in.good() && !in.eof()) {
        return Fail(path + ": cannot be read");
    }
    if (!image.Parse(std::move(bytes), error)) {
        return Fail(path + ": " + error);
    }
    std::vector<std::string> problems;
    if (!kbdcheck::CheckLayoutImage(image, expected, texts.ForSet(set), problems)) {
        for (const std::string& problem : problems) {
            Fail(path + ": " + problem);
        }
        return false;
    }
    return true;
}

}  // namespace

int main(int argc, char** argv) {
    std::map<std::string, std::string> options;
    for (int i = 1; i + 1 < argc; i += 2) {
        options[argv[i]] = argv[i + 1];
    }
    const std::string& manifest = options["--manifest"];
    const std::string& stamp = options["--stamp"];
    if (manifest.empty() || stamp.empty() || options["--texts"].empty() || argc != 7) {
        Fail("usage: kbdcheck --manifest <file> --stamp <file> --texts <file>");
        return 2;
    }
    std::map<unsigned, std::string> textsById;
    RegistrationTexts texts;
    std::string error;
    if (!kbdcheck::ReadStringSource(options["--texts"], textsById, error) ||
        !kbdcheck::PrepareRegistrationTexts(textsById, texts, error)) {
        Fail(error);
        return 1;
    }
    std::ifstream lines(manifest);
    std::string line;
    int checked = 0;
    bool allGood = static_cast<bool>(lines);
    while (std::getline(lines, line)) {
        if (!line.empty()) {
            allGood = CheckManifestLine(line, texts) && allGood;
            ++checked;
        }
    }
    if (!allGood || checked == 0) {
        Fail(checked == 0 ? "no images in " + manifest : "layout images failed the check");
        return 1;
    }
    std::ofstream(stamp) << checked << " layout images checked\n";
    return 0;
}
