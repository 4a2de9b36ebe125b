#include "tools/kbdgen/LayoutDefinition.h"

#include <algorithm>
#include <cstdlib>
#include <fstream>
#include <map>
#include <sstream>

namespace kbd {
namespace {

const std::map<std::string, uint8_t>& VirtualKeyNames() {
    static const std::map<std::string, uint8_t> names = {
        {"CANCEL", 0x03},
        {"BACK", 0x08},
        {"TAB", 0x09},
        {"CLEAR", 0x0C},
        {"RETURN", 0x0D},
        {"PAUSE", 0x13},
        {"CAPITAL", 0x14},
        {"ESCAPE", 0x1B},
        {"SPACE", 0x20},
        {"PRIOR", 0x21},
        {"NEXT", 0x22},
        {"END", 0x23},
        {"HOME", 0x24},
        {"LEFT", 0x25},
        {"UP", 0x26},
        {"RIGHT", 0x27},
        {"DOWN", 0x28},
        {"SNAPSHOT", 0x2C},
        {"INSERT", 0x2D},
        {"DELETE", 0x2E},
        {"HELP", 0x2F},
        {"LWIN", 0x5B},
        {"RWIN", 0x5C},
        {"APPS", 0x5D},
        {"SLEEP", 0x5F},
        {"NUMPAD0", 0x60},
        {"NUMPAD1", 0x61},
        {"NUMPAD2", 0x62},
        {"NUMPAD3", 0x63},
        {"NUMPAD4", 0x64},
        {"NUMPAD5", 0x65},
        {"NUMPAD6", 0x66},
        {"NUMPAD7", 0x67},
        {"NUMPAD8", 0x68},
        {"NUMPAD9", 0x69},
        {"MULTIPLY", 0x6A},
        {"ADD", 0x6B},
        {"SUBTRACT", 0x6D},
        {"DECIMAL", 0x6E},
        {"DIVIDE", 0x6F},
        {"NUMLOCK", 0x90},
        {"SCROLL", 0x91},
        {"LSHIFT", 0xA0},
        {"RSHIFT", 0xA1},
        {"LCONTROL", 0xA2},
        {"RCONTROL", 0xA3},
        {"LMENU", 0xA4},
        {"RMENU", 0xA5},
        {"BROWSER_BACK", 0xA6},
        {"BROWSER_FORWARD", 0xA7},
        {"BROWSER_REFRESH", 0xA8},
        {"BROWSER_STOP", 0xA9},
        {"BROWSER_SEARCH", 0xAA},
        {"BROWSER_FAVORITES", 0xAB},
        {"BROWSER_HOME", 0xAC},
        {"VOLUME_MUTE", 0xAD},
        {"VOLUME_DOWN", 0xAE},
        {"VOLUME_UP", 0xAF},
        {"MEDIA_NEXT_TRACK", 0xB0},
        {"MEDIA_PREV_TRACK", 0xB1},
        {"MEDIA_STOP", 0xB2},
        {"MEDIA_PLAY_PAUSE", 0xB3},
        {"LAUNCH_MAIL", 0xB4},
        {"LAUNCH_MEDIA_SELECT", 0xB5},
        {"LAUNCH_APP1", 0xB6},
        {"LAUNCH_APP2", 0xB7},
        {"OEM_1", 0xBA},
        {"OEM_PLUS", 0xBB},
        {"OEM_COMMA", 0xBC},
        {"OEM_MINUS", 0xBD},
        {"OEM_PERIOD", 0xBE},
        {"OEM_2", 0xBF},
        {"OEM_3", 0xC0},
        {"ABNT_C1", 0xC1},
        {"ABNT_C2", 0xC2},
        {"OEM_4", 0xDB},
        {"OEM_5", 0xDC},
        {"OEM_6", 0xDD},
        {"OEM_7", 0xDE},
        {"OEM_8", 0xDF},
        {"OEM_102", 0xE2},
        {"OEM_RESET", 0xE9},
        {"OEM_JUMP", 0xEA},
        {"OEM_PA1", 0xEB},
        {"OEM_PA2", 0xEC},
        {"OEM_PA3", 0xED},
        {"OEM_WSCTRL", 0xEE},
        {"OEM_FINISH", 0xF1},
        {"OEM_AUTO", 0xF3},
        {"OEM_BACKTAB", 0xF5},
        {"EREOF", 0xF9},
        {"ZOOM", 0xFB},
        {"NONE", 0xFF},
    };
    return names;
}

bool ParseHex(const std::string& text, unsigned limit, unsigned& value) {
    if (text.empty() || text.size() > 8) {
        return false;
    }
    char* end = nullptr;
    const unsigned long parsed = std::strtoul(text.c_str(), &end, 16);
    if (*end != '\0' || parsed > limit) {
        return false;
    }
    value = static_cast<unsigned>(parsed);
    return true;
}

bool ParseVirtualKey(const std::string& text, uint8_t& vk) {
    if (text.size() == 1 &&
        ((text[0] >= 'A' && text[0] <= 'Z') || (text[0] >= '0' && text[0] <= '9'))) {
        vk = static_cast<uint8_t>(text[0]);
        return true;
    }
    if (text.size() >= 2 && text[0] == 'F' &&
        text.find_first_not_of("0123456789", 1) == std::string::npos) {
        const int number = std::atoi(text.c_str() + 1);
        if (number >= 1 && number <= 24) {
            vk = static_cast<uint8_t>(0x6F + number);
            return true;
        }
        return false;
    }
    if (text.rfind("0x", 0) == 0) {
        unsigned value = 0;
        if (!ParseHex(text.substr(2), 0xFE, value) || value == 0) {
            return false;
        }
        vk = static_cast<uint8_t>(value);
        return true;
    }
    const auto& names = VirtualKeyNames();
    const auto found = names.find(text);
    if (found == names.end()) {
        return false;
    }
    vk = found->second;
    return true;
}

bool ParseEntryFlags(const std::vector<std::string>& words, size_t first, uint16_t& flags) {
    static const std::map<std::string, uint16_t> names = {{"ext", kFlagExtended},
                                                          {"multivk", kFlagMultiVk},
                                                          {"special", kFlagSpecial},
                                                          {"numpad", kFlagNumpad}};
    flags = 0;
    for (size_t i = first; i < words.size(); ++i) {
        const auto found = names.find(words[i]);
        if (found == names.end()) {
            return false;
        }
        flags |= found->second;
    }
    return true;
}

// One character of a definition: itself, U+XXXX, or - for none. A single UTF-8 character
// that decodes to exactly one UTF-16 unit.
bool ParseCharacter(const std::string& word, uint16_t& ch) {
    if (word == "-") {
        ch = kNoChar;
        return true;
    }
    if (word.size() > 2 && word.rfind("U+", 0) == 0) {
        unsigned value = 0;
        if (!ParseHex(word.substr(2), 0xFFFF, value) || value == 0 ||
            (value >= 0xD800 && value <= 0xDFFF) || value == kNoChar || value == kDeadChar) {
            return false;
        }
        ch = static_cast<uint16_t>(value);
        return true;
    }
    std::u16string units;
    if (!Utf8ToUtf16(word, units) || units.size() != 1) {
        return false;
    }
    ch = units[0];
    return true;
}

class Parser {
public:
    Parser(LayoutDefinition& layout, std::string& error) : layout_(layout), error_(error) {}

    bool ParseFile(const std::string& path, bool addition, int depth) {
        if (depth > 8) {
            return Fail(path, 0, "includes nest too deeply");
        }
        std::ifstream in(path, std::ios::binary);
        if (!in) {
            return Fail(path, 0, "cannot be read");
        }
        std::string line;
        int number = 0;
        while (std::getline(in, line)) {
            ++number;
            if (!line.empty() && line.back() == '\r') {
                line.pop_back();
            }
            const size_t start = line.find_first_not_of(" \t");
            if (start == std::string::npos || line[start] == '#') {
                continue;
            }
            if (!ParseLine(path, number, line.substr(start), addition, depth)) {
                return false;
            }
        }
        return true;
    }

    bool Finish(const std::string& path) {
        if (layout_.title.empty() || layout_.label.empty()) {
            return Fail(path, 0, "needs a title and a label");
        }
        if (layout_.mainKeys.empty() || layout_.numpadKeys.empty()) {
            return Fail(path, 0, "defines no characters");
        }
        for (const KeyChars& key : layout_.mainKeys) {
            for (int column = 0; column < kMainColumns; ++column) {
                if (key.chars[column] == kDeadChar && !layout_.FindDeadKey(key.dead[column])) {
                    return Fail(path, 0, "a dead key has no composition table");
                }
            }
        }
        return true;
    }

private:
    bool Fail(const std::string& path, int line, const std::string& message) {
        std::ostringstream text;
        text << path;
        if (line) {
            text << ':' << line;
        }
        text << ": " << message;
        error_ = text.str();
        return false;
    }

    static std::vector<std::string> Split(const std::string& text) {
        std::vector<std::string> words;
        std::istringstream stream(text);
        std::string word;
        while (stream >> word) {
            words.push_back(word);
        }
        return words;
    }

    // The rest of the line after the directive, as one quoted text.
    static bool QuotedText(const std::string& line, size_t from, std::u16string& text) {
        const size_t open = line.find('"', from);
        const size_t close = line.rfind('"');
        if (open == std::string::npos || close <= open ||
            line.find_first_not_of(" \t", close + 1) != std::string::npos) {
            return false;
        }
        return Utf8ToUtf16(line.substr(open + 1, close - open - 1), text) && !text.empty();
    }

    bool ParseLine(const std::string& path, int number, const std::string& line, bool addition,
                   int depth) {
        const std::vector<std::string> words = Split(line);
        const std::string& directive = words[0];
        if (addition && directive != "chars") {
            return Fail(path, number, "an addition may only add characters");
        }
        if (directive == "include") {
            if (words.size() != 2) {
                return Fail(path, number, "include takes one file name");
            }
            const size_t slash = path.find_last_of('/');
            const std::string folder = slash == std::string::npos ? "" : path.substr(0, slash + 1);
            return ParseFile(folder + words[1], false, depth + 1);
        }
        if (directive == "title" || directive == "label" || directive == "summary") {
            std::u16string& target = directive == "title"   ? layout_.title
                                     : directive == "label" ? layout_.label
                                                            : layout_.summary;
            if (!QuotedText(line, directive.size(), target)) {
                return Fail(path, number, directive + " needs a quoted text");
            }
            return true;
        }
        if (directive == "scan") {
            return ParseScan(path, number, words);
        }
        if (directive == "e0" || directive == "e1") {
            return ParsePrefixed(path, number, words, directive == "e0" ? layout_.e0 : layout_.e1);
        }
        if (directive == "keyname" || directive == "keyname-ext") {
            return ParseKeyName(path, number, line, words,
                                directive == "keyname" ? layout_.keyNames : layout_.keyNamesExt);
        }
        if (directive == "chars") {
            return ParseChars(path, number, words, layout_.mainKeys, kMainColumns, addition);
        }
        if (directive == "numpad") {
            std::vector<std::string> withAttributes = words;
            withAttributes.insert(withAttributes.begin() + 2, "-");
            return ParseChars(path, number, withAttributes, layout_.numpadKeys, kNumpadColumns,
                              false);
        }
        if (directive == "dead") {
            return ParseDead(path, number, line, words);
        }
        return Fail(path, number, "unknown directive '" + directive + "'");
    }

    bool ParseScan(const std::string& path, int number, const std::vector<std::string>& words) {
        unsigned scan = 0;
        uint8_t vk = 0;
        uint16_t flags = 0;
        if (words.size() < 3 || !ParseHex(words[1], kScanCodeCount - 1, scan) ||
            !ParseVirtualKey(words[2], vk) || !ParseEntryFlags(words, 3, flags)) {
            return Fail(path, number, "expected: scan <00..7F> <virtual key> [flags]");
        }
        layout_.scanToVk[scan] = static_cast<uint16_t>(vk | flags);
        return true;
    }

    bool ParsePrefixed(const std::string& path, int number, const std::vector<std::string>& words,
                       std::vector<ScanVk>& table) {
        unsigned scan = 0;
        uint8_t vk = 0;
        uint16_t flags = 0;
        if (words.size() < 3 || !ParseHex(words[1], 0xFF, scan) || scan == 0 ||
            !ParseVirtualKey(words[2], vk) || !ParseEntryFlags(words, 3, flags)) {
            return Fail(path, number, "expected: " + words[0] + " <01..FF> <virtual key> [flags]");
        }
        // Windows stops at the first entry whose scan code is 0, and setup patches the first
        // entry of a scan code; a second one would never be reached.
        for (const ScanVk& entry : table) {
            if (entry.scan == scan) {
                return Fail(path, number, "scan code listed twice");
            }
        }
        table.push_back({static_cast<uint8_t>(scan), static_cast<uint16_t>(vk | flags)});
        return true;
    }

    bool ParseKeyName(const std::string& path, int number, const std::string& line,
                      const std::vector<std::string>& words, std::vector<KeyName>& names) {
        unsigned scan = 0;
        KeyName name;
        if (words.size() < 3 || !ParseHex(words[1], 0xFF, scan) || scan == 0 ||
            !QuotedText(line, line.find(words[1]) + words[1].size(), name.text)) {
            return Fail(path, number, "expected: " + words[0] + " <scan code> \"name\"");
        }
        name.scan = static_cast<uint8_t>(scan);
        names.push_back(std::move(name));
        return true;
    }

    static bool ParseAttributes(const std::string& word, uint8_t& attributes) {
        attributes = 0;
        if (word == "-") {
            return true;
        }
        std::istringstream parts(word);
        std::string part;
        while (std::getline(parts, part, ',')) {
            if (part == "caps") {
                attributes |= kAttrCapsLock;
            } else if (part == "altgr-caps") {
                attributes |= kAttrCapsLockAltGr;
            } else {
                return false;
            }
        }
        return true;
    }

    bool ParseChars(const std::string& path, int number, const std::vector<std::string>& words,
                    std::vector<KeyChars>& table, int columns, bool addition) {
        uint8_t vk = 0;
        if (words.size() != static_cast<size_t>(3 + columns) || !ParseVirtualKey(words[1], vk) ||
            vk == 0xFF) {
            return Fail(path, number,
                        "expected: " + words[0] + " <virtual key> " +
                            (columns == kMainColumns ? "<attributes> " : "") +
                            std::to_string(columns) + " characters");
        }
        auto existing = std::find_if(table.begin(), table.end(),
                                     [vk](const KeyChars& key) { return key.vk == vk; });
        if (existing == table.end()) {
            table.push_back(KeyChars{});
            existing = table.end() - 1;
            existing->vk = vk;
        }
        KeyChars& key = *existing;
        if (words[2] != "=" && (addition || !ParseAttributes(words[2], key.attributes))) {
            return Fail(path, number,
                        addition ? "an addition keeps the key's attributes"
                                 : "unknown attribute in '" + words[2] + "'");
        }
        for (int column = 0; column < columns; ++column) {
            const std::string& word = words[3 + column];
            if (word == "=") {
                continue;
            }
            if (addition && key.chars[column] != kNoChar) {
                return Fail(path, number, "an addition may not replace a character");
            }
            uint16_t ch = 0;
            uint16_t accent = 0;
            if (word.rfind("dead:", 0) == 0 && columns == kMainColumns) {
                if (!ParseCharacter(word.substr(5), accent) || accent == kNoChar) {
                    return Fail(path, number, "bad dead key '" + word + "'");
                }
                ch = kDeadChar;
            } else if (!ParseCharacter(word, ch)) {
                return Fail(path, number, "bad character '" + word + "'");
            }
            key.chars[column] = ch;
            key.dead[column] = accent;
        }
        return true;
    }

    bool ParseDead(const std::string& path, int number, const std::string& line,
                   const std::vector<std::string>& words) {
        DeadKey dead;
        const size_t open = line.find('"');
        const size_t close = open == std::string::npos ? open : line.find('"', open + 1);
        if (words.size() < 2 || !ParseCharacter(words[1], dead.accent) || dead.accent == kNoChar ||
            close == std::string::npos ||
            !Utf8ToUtf16(line.substr(open + 1, close - open - 1), dead.name) || dead.name.empty()) {
            return Fail(path, number, "expected: dead <accent> \"name\" <base> <composed> ...");
        }
        const std::vector<std::string> pairs = Split(line.substr(close + 1));
        if (pairs.empty() || pairs.size() % 2 != 0) {
            return Fail(path, number, "compositions come in pairs of base and composed letter");
        }
        for (size_t i = 0; i < pairs.size(); i += 2) {
            uint16_t base = 0;
            uint16_t composed = 0;
            if (!ParseCharacter(pairs[i], base) || !ParseCharacter(pairs[i + 1], composed) ||
                base == kNoChar || composed == kNoChar) {
                return Fail(path, number,
                            "bad composition '" + pairs[i] + " " + pairs[i + 1] + "'");
            }
            dead.compositions.emplace_back(base, composed);
        }
        if (layout_.FindDeadKey(dead.accent)) {
            return Fail(path, number, "dead key defined twice");
        }
        layout_.deadKeys.push_back(std::move(dead));
        return true;
    }

    LayoutDefinition& layout_;
    std::string& error_;
};

}  // namespace

const KeyChars* LayoutDefinition::FindMainKey(uint8_t vk) const {
    for (const KeyChars& key : mainKeys) {
        if (key.vk == vk) {
            return &key;
        }
    }
    return nullptr;
}

const DeadKey* LayoutDefinition::FindDeadKey(uint16_t accent) const {
    for (const DeadKey& dead : deadKeys) {
        if (dead.accent == accent) {
            return &dead;
        }
    }
    return nullptr;
}

bool LoadLayoutDefinition(const std::string& path, const std::vector<std::string>& additions,
                          LayoutDefinition& out, std::string& error) {
    LayoutDefinition layout;
    Parser parser(layout, error);
    if (!parser.ParseFile(path, false, 0)) {
        return false;
    }
    for (const std::string& addition : additions) {
        if (!parser.ParseFile(addition, true, 0)) {
            return false;
        }
    }
    if (!parser.Finish(path)) {
        return false;
    }
    out = std::move(layout);
    return true;
}

bool Utf8ToUtf16(const std::string& text, std::u16string& out) {
    out.clear();
    for (size_t i = 0; i < text.size();) {
        const auto lead = static_cast<unsigned char>(text[i]);
        unsigned length = 0;
        uint32_t code = 0;
        if (lead < 0x80) {
            length = 1;
            code = lead;
        } else if ((lead & 0xE0) == 0xC0) {
            length = 2;
            code = lead & 0x1F;
        } else if ((lead & 0xF0) == 0xE0) {
            length = 3;
            code = lead & 0x0F;
        } else {
            return false;  // four-byte sequences lie outside the BMP, others are malformed
        }
        if (i + length > text.size()) {
            return false;
        }
        for (unsigned k = 1; k < length; ++k) {
            const auto next = static_cast<unsigned char>(text[i + k]);
            if ((next & 0xC0) != 0x80) {
                return false;
            }
            code = (code << 6) | (next & 0x3F);
        }
        const uint32_t smallest[] = {0, 0, 0x80, 0x800};
        if (code < smallest[length] || (code >= 0xD800 && code <= 0xDFFF)) {
            return false;
        }
        out.push_back(static_cast<char16_t>(code));
        i += length;
    }
    return true;
}

std::string Utf16ToUtf8(const std::u16string& text) {
    std::string out;
    for (const char16_t unit : text) {
        const uint32_t code = unit;
        if (code < 0x80) {
            out.push_back(static_cast<char>(code));
        } else if (code < 0x800) {
            out.push_back(static_cast<char>(0xC0 | (code >> 6)));
            out.push_back(static_cast<char>(0x80 | (code & 0x3F)));
        } else {
            out.push_back(static_cast<char>(0xE0 | (code >> 12)));
            out.push_back(static_cast<char>(0x80 | ((code >> 6) & 0x3F)));
            out.push_back(static_cast<char>(0x80 | (code & 0x3F)));
        }
    }
    return out;
}

}  // namespace kbd
