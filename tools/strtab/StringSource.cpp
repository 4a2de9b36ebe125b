#include "tools/strtab/StringSource.h"

#include <algorithm>
#include <map>

namespace {

constexpr std::uint32_t kLengthLimit = 0x1FFFFFFFu;
constexpr std::uint32_t kUtf8Flag = 0x80000000u;

class LineParser {
public:
    LineParser(const std::string& file, int lineNumber, std::vector<std::string>& errors)
        : m_file(file), m_lineNumber(lineNumber), m_errors(errors) {}

    // Decodes the raw text of an entry (escapes included) into code points.
    bool DecodeText(std::string_view raw, bool utf8, std::u32string& out) {
        std::size_t at = 0;
        while (at < raw.size()) {
            char32_t point = 0;
            if (raw[at] == '\\') {
                if (!DecodeEscape(raw, at, point)) {
                    return false;
                }
            } else if (!DecodeUtf8(raw, at, point)) {
                return Fail("the text is not valid UTF-8");
            } else if (point < 0x20 || point == 0x7F) {
                return Fail("raw control character in the text; write it as an escape");
            }
            if (!AcceptCodePoint(point, utf8)) {
                return false;
            }
            out.push_back(point);
        }
        return true;
    }

    bool Fail(const std::string& message) {
        m_errors.push_back(m_file + ":" + std::to_string(m_lineNumber) + ": error: " + message);
        return false;
    }

private:
    static int HexValue(char c) {
        if (c >= '0' && c <= '9') {
            return c - '0';
        }
        if (c >= 'a' && c <= 'f') {
            return c - 'a' + 10;
        }
        if (c >= 'A' && c <= 'F') {
            return c - 'A' + 10;
        }
        return -1;
    }

    bool DecodeEscape(std::string_view raw, std::size_t& at, char32_t& point) {
        if (at + 1 >= raw.size()) {
            return Fail("a backslash ends the text; write \\\\ for a backslash");
        }
        const char kind = raw[at + 1];
        at += 2;
        switch (kind) {
            case 'n':
                point = U'\n';
                return true;
            case 'r':
                point = U'\r';
                return true;
            case 't':
                point = U'\t';
                return true;
            case '\\':
                point = U'\\';
                return true;
            case 'x': {
                const int high = at < raw.size() ? HexValue(raw[at]) : -1;
                const int low = at + 1 < raw.size() ? HexValue(raw[at + 1]) : -1;
                if (high < 0 || low < 0) {
                    return Fail("bad escape: \\x takes exactly two hexadecimal digits");
                }
                point = static_cast<char32_t>(high * 16 + low);
                at += 2;
                return true;
            }
            case 'u':
                return DecodeCodePointEscape(raw, at, point);
            default:
                return Fail(std::string("bad escape \\") + kind +
                            "; use \\n \\r \\t \\\\ \\xHH or \\u{...}");
        }
    }

    bool DecodeCodePointEscape(std::string_view raw, std::size_t& at, char32_t& point) {
        if (at >= raw.size() || raw[at] != '{') {
            return Fail("bad escape: \\u takes a code point in braces, as \\u{201E}");
        }
        std::size_t digits = 0;
        std::uint32_t value = 0;
        for (++at; at < raw.size() && raw[at] != '}'; ++at) {
            const int digit = HexValue(raw[at]);
            if (digit < 0 || ++digits > 6) {
                return Fail("bad escape: \\u{...} takes 1 to 6 hexadecimal digits");
            }
            value = value * 16 + static_cast<std::uint32_t>(digit);
        }
        if (at >= raw.size() || digits == 0) {
            return Fail("bad escape: \\u{...} takes 1 to 6 hexadecimal digits");
        }
        ++at;
        point = value;
        return true;
    }

    // One UTF-8 sequence of the source; overlong forms and surrogates are not valid UTF-8.
    static bool DecodeUtf8(std::string_view raw, std::size_t& at, char32_t& point) {
        const auto lead = static_cast<unsigned char>(raw[at]);
        int more = 0;
        char32_t minimum = 0;
        if (lead < 0x80) {
            point = lead;
        } else if ((lead & 0xE0) == 0xC0) {
            point = lead & 0x1F;
            more = 1;
            minimum = 0x80;
        } else if ((lead & 0xF0) == 0xE0) {
            point = lead & 0x0F;
            more = 2;
            minimum = 0x800;
        } else if ((lead & 0xF8) == 0xF0) {
            point = lead & 0x07;
            more = 3;
            minimum = 0x10000;
        } else {
            return false;
        }
        if (raw.size() - at - 1 < static_cast<std::size_t>(more)) {
            return false;
        }
        for (int i = 1; i <= more; ++i) {
            const auto next = static_cast<unsigned char>(raw[at + static_cast<std::size_t>(i)]);
            if ((next & 0xC0) != 0x80) {
                return false;
            }
            point = point << 6 | (next & 0x3F);
        }
        at += static_cast<std::size_t>(more) + 1;
        return point >= minimum && point <= 0x10FFFF && !(point >= 0xD800 && point <= 0xDFFF);
    }

    bool AcceptCodePoint(char32_t point, bool utf8) {
        if (point == 0) {
            return Fail("U+0000 cannot be part of a text");
        }
        if (point >= 0xD800 && point <= 0xDFFF) {
            return Fail("a surrogate is not a character; write the code point itself");
        }
        if (point > 0x10FFFF) {
            return Fail("code point beyond U+10FFFF");
        }
        if (utf8 && point > 0xFFFF) {
            // The program's UTF-8 reader decodes sequences of at most three bytes.
            return Fail("characters beyond U+FFFF need the UTF-16 form ('=' instead of 'u8=')");
        }
        return true;
    }

    const std::string& m_file;
    int m_lineNumber;
    std::vector<std::string>& m_errors;
};

// Splits "<id> <marker>[ <text>]". Answers false with an error for anything else.
bool SplitEntry(std::string_view line, LineParser& parser, std::uint32_t& id, bool& utf8,
                std::string_view& raw) {
    std::size_t at = 0;
    std::uint64_t value = 0;
    while (at < line.size() && line[at] >= '0' && line[at] <= '9') {
        value = value * 10 + static_cast<std::uint64_t>(line[at] - '0');
        if (value > 0xFFFFFFFFu) {
            return parser.Fail("id out of range: ids are 32-bit unsigned numbers");
        }
        ++at;
    }
    std::string_view rest = line.substr(at);
    if (rest.substr(0, 4) == " u8=") {
        utf8 = true;
        rest.remove_prefix(4);
    } else if (rest.substr(0, 2) == " =") {
        utf8 = false;
        rest.remove_prefix(2);
    } else {
        return parser.Fail("malformed line: expected '<id> = <text>' or '<id> u8= <text>'");
    }
    if (!rest.empty() && rest[0] != ' ') {
        return parser.Fail("malformed line: a space must follow the '=' before the text");
    }
    id = static_cast<std::uint32_t>(value);
    raw = rest.empty() ? rest : rest.substr(1);
    return true;
}

void AppendUtf8(std::vector<unsigned char>& out, char32_t point) {
    if (point < 0x80) {
        out.push_back(static_cast<unsigned char>(point));
    } else if (point < 0x800) {
        out.push_back(static_cast<unsigned char>(0xC0 | point >> 6));
        out.push_back(static_cast<unsigned char>(0x80 | (point & 0x3F)));
    } else {
        out.push_back(static_cast<unsigned char>(0xE0 | point >> 12));
        out.push_back(static_cast<unsigned char>(0x80 | (point >> 6 & 0x3F)));
        out.push_back(static_cast<unsigned char>(0x80 | (point & 0x3F)));
    }
}

void AppendUnit(std::vector<unsigned char>& out, std::uint32_t unit) {
    out.push_back(static_cast<unsigned char>(unit));
    out.push_back(static_cast<unsigned char>(unit >> 8));
}

void AppendUtf16(std::vector<unsigned char>& out, char32_t point) {
    if (point < 0x10000) {
        AppendUnit(out, point);
    } else {
        const std::uint32_t rest = point - 0x10000;
        AppendUnit(out, 0xD800 | rest >> 10);
        AppendUnit(out, 0xDC00 | (rest & 0x3FF));
    }
}

void Write32(unsigned char* at, std::uint32_t value) {
    at[0] = static_cast<unsigned char>(value);
    at[1] = static_cast<unsigned char>(value >> 8);
    at[2] = static_cast<unsigned char>(value >> 16);
    at[3] = static_cast<unsigned char>(value >> 24);
}

// The text's code units in its stored form.
std::vector<unsigned char> EncodeText(const SourceText& text, std::uint32_t& units) {
    std::vector<unsigned char> bytes;
    for (char32_t point : text.text) {
        if (text.utf8) {
            AppendUtf8(bytes, point);
        } else {
            AppendUtf16(bytes, point);
        }
    }
    units = static_cast<std::uint32_t>(text.utf8 ? bytes.size() : bytes.size() / 2);
    return bytes;
}

}  // namespace

bool ParseStringSource(std::string_view content, const std::string& fileName,
                       std::vector<SourceText>& texts, std::vector<std::string>& errors) {
    const std::size_t errorsBefore = errors.size();
    if (content.substr(0, 3) == "\xEF\xBB\xBF") {
        content.remove_prefix(3);
    }
    // What a '+' line continues: nothing, a good text, or a text already reported as broken
    // (whose continuation lines are skipped rather than reported once more).
    enum class Previous { kNone, kText, kBroken } previous = Previous::kNone;
    int lineNumber = 0;
    while (!content.empty()) {
        ++lineNumber;
        const std::size_t end = content.find('\n');
        std::string_view line = content.substr(0, end);
        content.remove_prefix(end == std::string_view::npos ? content.size() : end + 1);
        if (!line.empty() && line.back() == '\r') {
            line.remove_suffix(1);
        }
        LineParser parser(fileName, lineNumber, errors);
        if (!line.empty() && (line.back() == ' ' || line.back() == '\t')) {
            parser.Fail("trailing blank; write a blank that ends a text as \\x20");
            previous = previous == Previous::kNone ? Previous::kNone : Previous::kBroken;
            continue;
        }
        if (line.empty() || line[0] == '#') {
            previous = Previous::kNone;
            continue;
        }
        if (line[0] == '+') {
            if (previous == Previous::kNone) {
                parser.Fail("a '+' line must follow a text or another '+' line");
            } else if (previous == Previous::kText) {
                if (line.size() > 1 && line[1] != ' ') {
                    parser.Fail("malformed line: a space must follow the '+' before the text");
                    previous = Previous::kBroken;
                } else if (!parser.DecodeText(line.size() > 2 ? line.substr(2) : "",
                                              texts.back().utf8, texts.back().text)) {
                    previous = Previous::kBroken;
                }
            }
            continue;
        }
        SourceText entry;
        std::string_view raw;
        if (line[0] < '0' || line[0] > '9') {
            parser.Fail("malformed line: expected '<id> = <text>', '+ <text>' or '# comment'");
            previous = Previous::kBroken;
            continue;
        }
        if (!SplitEntry(line, parser, entry.id, entry.utf8, raw) ||
            !parser.DecodeText(raw, entry.utf8, entry.text)) {
            previous = Previous::kBroken;
            continue;
        }
        entry.file = fileName;
        entry.line = lineNumber;
        texts.push_back(std::move(entry));
        previous = Previous::kText;
    }
    return errors.size() == errorsBefore;
}

bool ValidateTableTexts(const std::vector<SourceText>& texts, std::uint32_t maxId,
                        std::vector<std::string>& errors) {
    const std::size_t errorsBefore = errors.size();
    if (texts.empty()) {
        errors.push_back("error: no texts: a string table needs at least one");
    }
    std::map<std::uint32_t, const SourceText*> seen;
    for (const SourceText& text : texts) {
        const std::string where = text.file + ":" + std::to_string(text.line) + ": error: ";
        if (text.id > maxId) {
            errors.push_back(where + "id " + std::to_string(text.id) +
                             " out of range: the highest id is " + std::to_string(maxId));
        }
        const auto [it, inserted] = seen.emplace(text.id, &text);
        if (!inserted) {
            errors.push_back(where + "duplicate id " + std::to_string(text.id) +
                             "; first given at " + it->second->file + ":" +
                             std::to_string(it->second->line));
        }
        std::uint32_t units = 0;
        EncodeText(text, units);
        if (units > kLengthLimit) {
            errors.push_back(where + "text too long for a counted text");
        }
    }
    return errors.size() == errorsBefore;
}

std::vector<unsigned char> BuildStringTable(std::vector<SourceText> texts) {
    std::sort(texts.begin(), texts.end(),
              [](const SourceText& a, const SourceText& b) { return a.id < b.id; });
    const std::size_t indexSize = texts.size() * 8;
    std::vector<unsigned char> table(indexSize);
    std::vector<unsigned char> area;
    for (std::size_t i = 0; i < texts.size(); ++i) {
        std::uint32_t units = 0;
        const std::vector<unsigned char> bytes = EncodeText(texts[i], units);
        Write32(&table[i * 8], texts[i].id);
        Write32(&table[i * 8 + 4], static_cast<std::uint32_t>(area.size()));
        unsigned char header[4];
        Write32(header, units | (texts[i].utf8 ? kUtf8Flag : 0));
        area.insert(area.end(), header, header + 4);
        area.insert(area.end(), bytes.begin(), bytes.end());
        area.resize((area.size() + 3) / 4 * 4);
    }
    table.insert(table.end(), area.begin(), area.end());
    return table;
}
