// Drives random sequences of GString operations against a plain model (std::u16string for the
// wide form, std::string for the UTF-8 form) and stops at the first disagreement.

#include <fuzzer/FuzzedDataProvider.h>

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "text/GString.h"
#include "text/UpperCase.h"

namespace {

constexpr std::size_t kMaxText = 4096;

void Check(bool condition) {
    if (!condition) {
        std::abort();
    }
}

struct Text {
    bool wide = false;
    std::u16string units;
    std::string bytes;

    std::size_t Size() const { return wide ? units.size() : bytes.size(); }
};

std::string Encode(const std::u16string& units) {
    std::string out;
    for (char16_t u : units) {
        if (u < 0x80) {
            out += static_cast<char>(u);
        } else if (u < 0x800) {
            out += static_cast<char>(0xC0 | (u >> 6));
            out += static_cast<char>(0x80 | (u & 0x3F));
        } else {
            out += static_cast<char>(0xE0 | (u >> 12));
            out += static_cast<char>(0x80 | ((u >> 6) & 0x3F));
            out += static_cast<char>(0x80 | (u & 0x3F));
        }
    }
    return out;
}

bool Decode(const std::string& bytes, std::u16string& out) {
    out.clear();
    for (std::size_t i = 0; i < bytes.size();) {
        const auto lead = static_cast<unsigned char>(bytes[i]);
        const std::size_t size = lead < 0x80                   ? 1
                                 : lead >= 0xC0 && lead < 0xE0 ? 2
                                 : lead >= 0xE0 && lead < 0xF0 ? 3
                                                               : 0;
        if (size == 0 || i + size > bytes.size()) {
            return false;
        }
        unsigned value = size == 1 ? lead : lead & (size == 2 ? 0x1F : 0x0F);
        for (std::size_t k = 1; k < size; ++k) {
            const auto next = static_cast<unsigned char>(bytes[i + k]);
            if ((next & 0xC0) != 0x80) {
                return false;
            }
            value = (value << 6) | (next & 0x3F);
        }
        out += static_cast<char16_t>(value);
        i += size;
    }
    return true;
}

// The text converted into the given form; false when UTF-8 bytes cannot be decoded.
bool InForm(const Text& text, bool wide, Text& out) {
    out.wide = wide;
    out.units.clear();
    out.bytes.clear();
    if (text.wide == wide) {
        out = text;
        return true;
    }
    if (wide) {
        return Decode(text.bytes, out.units);
    }
    out.bytes = Encode(text.units);
    return true;
}

void AppendSame(Text& to, const Text& from) {
    to.units += from.units;
    to.bytes += from.bytes;
}

bool EndsWith(const Text& text, const Text& suffix) {
    if (text.wide) {
        return text.units.size() >= suffix.units.size() &&
               text.units.compare(text.units.size() - suffix.units.size(), suffix.units.size(),
                                  suffix.units) == 0;
    }
    return text.bytes.size() >= suffix.bytes.size() &&
           text.bytes.compare(text.bytes.size() - suffix.bytes.size(), suffix.bytes.size(),
                              suffix.bytes) == 0;
}

// Texts drawn from a small alphabet so that searches, suffixes and separators meet often.
Text RandomText(FuzzedDataProvider& data) {
    static constexpr char16_t kUnits[] = {u'a',      u'b',      u'\\',     u'/',      u'\x00e4',
                                          u'\x00df', u'\x20ac', u'\xd83d', u'\xde00', u'\x0101'};
    static constexpr char kBytes[] = {'a',    'b',    '\\',   '/',    '\xc3', '\xa4',
                                      '\xe2', '\x82', '\xac', '\x80', '\xf0', 'A'};
    Text text;
    text.wide = data.ConsumeBool();
    const std::size_t length = data.ConsumeIntegralInRange<std::size_t>(0, 12);
    for (std::size_t i = 0; i < length; ++i) {
        if (text.wide) {
            text.units += data.ConsumeBool() ? kUnits[data.ConsumeIntegralInRange(0, 9)]
                                             : data.ConsumeIntegral<char16_t>();
        } else {
            text.bytes += data.ConsumeBool() ? kBytes[data.ConsumeIntegralInRange(0, 11)]
                                             : static_cast<char>(data.ConsumeIntegral<uint8_t>());
        }
    }
    // Zero units would end the text early where a length of -1 is used.
    std::replace(text.units.begin(), text.units.end(), u'\0', u'z');
    std::replace(text.bytes.begin(), text.bytes.end(), '\0', 'z');
    return text;
}

void Assign(GString& s, const Text& text) {
    Check(text.wide ? s.AssignWide(text.units.c_str()) : s.AssignNarrow(text.bytes.c_str()));
}

void ExpectSame(const GString& s, const Text& model) {
    Check(s.IsWide() == model.wide);
    Check(static_cast<std::size_t>(s.GetLength()) == model.Size());
    Check(s.GetRoom() >= s.GetLength());
    Check(s.GetCapacity() % 64 == 0);
    if (model.wide) {
        Check(std::u16string(s.GetWideText(), model.units.size()) == model.units);
        Check(s.GetWideText()[model.units.size()] == 0);
    } else {
        Check(std::string(s.GetNarrowText(), model.bytes.size()) == model.bytes);
        Check(s.GetNarrowText()[model.bytes.size()] == 0);
    }
}

int ModelCompare(const Text& model, const Text& text) {
    if (model.Size() == 0) {
        return text.Size() == 0 ? 0 : -1;
    }
    if (text.Size() == 0) {
        return 1;
    }
    Text converted;
    if (!InForm(text, model.wide, converted)) {
        return 1;
    }
    if (model.Size() != converted.Size()) {
        return model.Size() < converted.Size() ? -1 : 1;
    }
    const int order =
        model.wide ? model.units.compare(converted.units)
                   : std::memcmp(model.bytes.data(), converted.bytes.data(), model.bytes.size());
    return order == 0 ? 0 : (order < 0 ? -1 : 1);
}

int ModelFind(const Text& model, const Text& needle, int first) {
    Text converted;
    if (needle.Size() == 0 || first < 0 || static_cast<std::size_t>(first) >= model.Size() ||
        !InForm(needle, model.wide, converted)) {
        return -1;
    }
    const std::size_t at = model.wide ? model.units.find(converted.units, first)
                                      : model.bytes.find(converted.bytes, first);
    return at == std::string::npos ? -1 : static_cast<int>(at);
}

void AppendPathModel(GString& s, Text& model, const Text& component) {
    const bool ok = component.wide ? s.AppendPath(component.units.c_str())
                                   : s.AppendPath(component.bytes.c_str());
    Text separator{false, u"", "\\"};
    Text separatorInForm;
    InForm(separator, model.wide, separatorInForm);
    if (component.Size() == 0) {
        if (!EndsWith(model, separatorInForm)) {
            AppendSame(model, separatorInForm);
        }
        Check(ok);
        return;
    }
    Text rest = component;
    const bool leadingSeparator = rest.wide ? (rest.units[0] == u'\\' || rest.units[0] == u'/')
                                            : (rest.bytes[0] == '\\' || rest.bytes[0] == '/');
    if (leadingSeparator && rest.wide) {
        rest.units.erase(0, 1);
    } else if (leadingSeparator) {
        rest.bytes.erase(0, 1);
    }
    Text converted;
    if (!InForm(rest, model.wide, converted)) {
        Check(!ok);
        return;
    }
    Check(ok);
    if (!EndsWith(model, separatorInForm)) {
        AppendSame(model, separatorInForm);
    }
    AppendSame(model, converted);
}

void RunOne(FuzzedDataProvider& data, GString& s, Text& model) {
    switch (data.ConsumeIntegralInRange(0, 16)) {
        case 0: {  // append text of either form
            const Text text = RandomText(data);
            const bool ok =
                text.wide ? s.AppendWide(text.units.c_str()) : s.AppendNarrow(text.bytes.c_str());
            Text converted;
            const bool expected = InForm(text, model.wide, converted);
            Check(ok == expected);
            if (expected) {
                AppendSame(model, converted);
            }
            break;
        }
        case 1: {
            const auto unit = data.ConsumeIntegral<char16_t>();
            const int count = data.ConsumeIntegralInRange(-2, 40);
            const bool ok = s.AppendChar(unit, count);
            const bool noOp = unit == 0 || count <= 0;
            Check(ok == (noOp || model.wide || unit < 0x80));
            if (ok && !noOp) {
                model.units.append(model.wide ? count : 0, unit);
                model.bytes.append(model.wide ? 0 : count, static_cast<char>(unit));
            }
            break;
        }
        case 2: {
            const auto byte = data.ConsumeIntegral<uint8_t>();
            const int count = data.ConsumeIntegralInRange(-2, 40);
            const bool ok = s.AppendByte(byte, count);
            const bool noOp = byte == 0 || count <= 0;
            Check(ok == (noOp || !model.wide || byte < 0x80));
            if (ok && !noOp) {
                model.units.append(model.wide ? count : 0, byte);
                model.bytes.append(model.wide ? 0 : count, static_cast<char>(byte));
            }
            break;
        }
        case 3: {
            const int n = data.ConsumeIntegralInRange(-3, 50);
            Check(s.TrimLeft(n) == (n > 0));
            if (n > 0) {
                model.units.erase(0, model.wide ? n : 0);
                model.bytes.erase(0, model.wide ? 0 : n);
            }
            break;
        }
        case 4: {
            Text converted;
            const bool expected = InForm(model, true, converted);
            Check((s.MakeWide() != nullptr) == expected);
            if (expected) {
                model = converted;
            }
            break;
        }
        case 5: {
            Check(s.MakeNarrow() != nullptr);
            Text converted;
            InForm(model, false, converted);
            model = converted;
            break;
        }
        case 6:
            s.Empty();
            model.units.clear();
            model.bytes.clear();
            break;
        case 7: {  // an external writer fills the append buffer
            Text converted;
            const bool decodable = InForm(model, true, converted);
            const int reserve = data.ConsumeIntegralInRange(0, 100);
            char16_t* buffer = s.GetAppendBuffer(reserve);
            Check((buffer != nullptr) == decodable);
            if (buffer == nullptr) {
                break;
            }
            model = converted;
            const int written = data.ConsumeIntegralInRange(0, reserve);
            for (int i = 0; i < written; ++i) {
                buffer[i] = static_cast<char16_t>(u'a' + i % 26);
                model.units += buffer[i];
            }
            if (data.ConsumeBool()) {
                buffer[written] = 0;
                Check(s.SetLength(-1));
            } else {
                Check(s.SetLength(static_cast<int>(model.units.size())));
            }
            break;
        }
        case 8:
            AppendPathModel(s, model, RandomText(data));
            break;
        case 9: {
            const Text suffix = RandomText(data);
            const bool ok = suffix.wide ? s.EnsureSuffix(suffix.units.c_str())
                                        : s.EnsureSuffix(suffix.bytes.c_str());
            Text converted;
            const bool expected = suffix.Size() > 0 && InForm(suffix, model.wide, converted);
            Check(ok == expected);
            if (expected && !EndsWith(model, converted)) {
                AppendSame(model, converted);
            }
            break;
        }
        case 10: {
            const Text needle = RandomText(data);
            const int first = data.ConsumeIntegralInRange(-1, 20);
            const int found = needle.wide ? s.Find(needle.units.c_str(), first)
                                          : s.Find(needle.bytes.c_str(), first);
            Check(found == ModelFind(model, needle, first));
            break;
        }
        case 11: {
            const auto unit =
                static_cast<char16_t>(data.ConsumeBool() ? data.ConsumeIntegral<char16_t>()
                                                         : data.ConsumeIntegralInRange(0x5C, 0xE4));
            const int lowest = data.ConsumeIntegralInRange(-1, 20);
            Text needle{true, std::u16string(1, unit), ""};
            Text converted;
            InForm(needle, model.wide, converted);
            int expected = -1;
            const std::size_t at = model.wide ? model.units.rfind(converted.units)
                                              : model.bytes.rfind(converted.bytes);
            if (at != std::string::npos && lowest >= 0 && static_cast<int>(at) >= lowest) {
                expected = static_cast<int>(at);
            }
            Check(s.ReverseFind(unit, lowest) == expected);
            break;
        }
        case 12: {
            const Text text = RandomText(data);
            const int order =
                text.wide ? s.Compare(text.units.c_str()) : s.Compare(text.bytes.c_str());
            Check(order == ModelCompare(model, text));
            GString other;
            Assign(other, text);
            Check(GString::IsEqual(s, other) == (order == 0));
            break;
        }
        case 13: {
            Text converted;
            const bool decodable = InForm(model, true, converted);
            Check(s.MakeUpper() == decodable);
            if (decodable) {
                for (char16_t& u : converted.units) {
                    u = UpperCaseUnit(u);
                }
                InForm(converted, model.wide, model);
            }
            break;
        }
        case 14: {
            const Text text = RandomText(data);
            GString other;
            Assign(other, text);
            Check(s.Assign(other));
            model = text;
            break;
        }
        case 15: {  // appending the string to itself
            Check(s.Append(s));
            AppendSame(model, Text(model));
            break;
        }
        default: {
            const Text text = RandomText(data);
            std::vector<unsigned char> counted(4 + text.units.size() * 2 + text.bytes.size());
            const std::uint32_t header = static_cast<std::uint32_t>(text.Size()) |
                                         (text.wide ? 0 : 0x80000000u) |
                                         (data.ConsumeBool() ? 0x40000000u : 0);
            std::memcpy(counted.data(), &header, 4);
            std::memcpy(counted.data() + 4,
                        text.wide ? static_cast<const void*>(text.units.data()) : text.bytes.data(),
                        counted.size() - 4);
            Check(s.AssignCounted(counted.data()));
            model = text;
            break;
        }
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* bytes, size_t size) {
    FuzzedDataProvider data(bytes, size);
    GString s;
    Text model;
    while (data.remaining_bytes() > 0) {
        RunOne(data, s, model);
        ExpectSame(s, model);
        if (model.Size() > kMaxText) {
            s.Empty();
            model.units.clear();
            model.bytes.clear();
        }
    }
    return 0;
}
