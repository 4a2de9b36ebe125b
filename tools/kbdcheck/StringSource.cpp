#include "tools/kbdcheck/StringSource.h"

#include <cstdlib>
#include <fstream>

namespace kbdcheck {
namespace {

void AppendUtf8(uint32_t code, std::string& out) {
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

bool ParseHexDigits(const std::string& digits, uint32_t limit, uint32_t& value) {
    if (digits.empty() || digits.size() > 6 ||
        digits.find_first_not_of("0123456789abcdefABCDEF") != std::string::npos) {
        return false;
    }
    value = static_cast<uint32_t>(std::strtoul(digits.c_str(), nullptr, 16));
    return value <= limit;
}

bool Unescape(const std::string& raw, std::string& out) {
    for (size_t i = 0; i < raw.size(); ++i) {
        if (raw[i] != '\\') {
            out.push_back(raw[i]);
            continue;
        }
        if (++i >= raw.size()) {
            return false;
        }
        uint32_t code = 0;
        switch (raw[i]) {
            case 'n':
                out.push_back('\n');
                break;
            case 'r':
                out.push_back('\r');
                break;
            case 't':
                out.push_back('\t');
                break;
            case '\\':
                out.push_back('\\');
                break;
            case 'x':
                if (i + 2 >= raw.size() || !ParseHexDigits(raw.substr(i + 1, 2), 0xFF, code)) {
                    return false;
                }
                AppendUtf8(code, out);
                i += 2;
                break;
            case 'u': {
                const size_t close = raw.find('}', i);
                if (i + 1 >= raw.size() || raw[i + 1] != '{' || close == std::string::npos ||
                    !ParseHexDigits(raw.substr(i + 2, close - i - 2), 0x10FFFF, code)) {
                    return false;
                }
                AppendUtf8(code, out);
                i = close;
                break;
            }
            default:
                return false;
        }
    }
    return true;
}

}  // namespace

bool ReadStringSource(const std::string& path, std::map<unsigned, std::string>& texts,
                      std::string& error) {
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        error = path + ": cannot be read";
        return false;
    }
    std::string line;
    int number = 0;
    std::string* last = nullptr;
    while (std::getline(in, line)) {
        ++number;
        const auto fail = [&] {
            error = path + ":" + std::to_string(number) + ": malformed text line";
            return false;
        };
        if (line.empty() || line[0] == '#') {
            continue;
        }
        if (line.rfind("+ ", 0) == 0) {
            if (!last || !Unescape(line.substr(2), *last)) {
                return fail();
            }
            continue;
        }
        const size_t space = line.find(' ');
        const std::string id = line.substr(0, space);
        if (space == std::string::npos || id.empty() || id.size() > 9 ||
            id.find_first_not_of("0123456789") != std::string::npos) {
            return fail();
        }
        // The marker, then one space and the text; an empty text ends at the marker.
        const std::string rest = line.substr(space);
        size_t textStart = 0;
        if (rest == " =" || rest == " u8=") {
            textStart = line.size();
        } else if (rest.rfind(" = ", 0) == 0) {
            textStart = space + 3;
        } else if (rest.rfind(" u8= ", 0) == 0) {
            textStart = space + 5;
        } else {
            return fail();
        }
        std::string& text = texts[static_cast<unsigned>(std::stoul(id))];
        text.clear();
        if (!Unescape(line.substr(textStart), text)) {
            return fail();
        }
        last = &text;
    }
    return true;
}

}  // namespace kbdcheck
