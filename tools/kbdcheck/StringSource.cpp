#include "tools/kbdcheck/StringSource.h"

#include <vector>

#include "tools/strtab/FileIo.h"
#include "tools/strtab/StringSource.h"

namespace kbdcheck {
namespace {

void AppendUtf8(char32_t code, std::string& out) {
    if (code < 0x80) {
        out.push_back(static_cast<char>(code));
    } else if (code < 0x800) {
        out.push_back(static_cast<char>(0xC0 | (code >> 6)));
        out.push_back(static_cast<char>(0x80 | (code & 0x3F)));
    } else if (code < 0x10000) {
        out.push_back(static_cast<char>(0xE0 | (code >> 12)));
        out.push_back(static_cast<char>(0x80 | ((code >> 6) & 0x3F)));
        out.push_back(static_cast<char>(0x80 | (code & 0x3F)));
    } else {
        out.push_back(static_cast<char>(0xF0 | (code >> 18)));
        out.push_back(static_cast<char>(0x80 | ((code >> 12) & 0x3F)));
        out.push_back(static_cast<char>(0x80 | ((code >> 6) & 0x3F)));
        out.push_back(static_cast<char>(0x80 | (code & 0x3F)));
    }
}

}  // namespace

// The string-table compiler's own parser reads the file, so the check sees exactly the texts
// the program will carry.
bool ReadStringSource(const std::string& path, std::map<unsigned, std::string>& texts,
                      std::string& error) {
    std::string content;
    if (!ReadWholeFile(path, content)) {
        error = path + ": cannot be read";
        return false;
    }
    std::vector<SourceText> parsed;
    std::vector<std::string> errors;
    if (!ParseStringSource(content, path, parsed, errors)) {
        error = errors.empty() ? path + ": malformed" : errors.front();
        return false;
    }
    for (const SourceText& text : parsed) {
        std::string utf8;
        for (char32_t code : text.text) {
            AppendUtf8(code, utf8);
        }
        texts[text.id] = utf8;
    }
    return true;
}

}  // namespace kbdcheck
