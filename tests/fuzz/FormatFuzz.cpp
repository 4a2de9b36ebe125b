// Fuzzes the formatting engine with templates built from the input.
//
// Reading a variadic argument of the wrong type is undefined, so the input never writes a raw
// template. It picks each conversion specification from its pieces (flags, width, precision,
// size modifier, letter, an optional literal before it), and the harness appends that one
// specification with AppendFormat, passing exactly the arguments it consumes: an int for every
// `*`, then the argument whose type the letter and modifier call for. Pointer arguments point
// into fixed buffers at least as long as any width or precision the input can ask for (999),
// so every conversion reads valid memory; the sanitizers report anything else.

#include <fuzzer/FuzzedDataProvider.h>

#include <cstdarg>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "text/GString.h"

namespace {

constexpr int kMaxNumber = 999;
constexpr int kMaxSpecifications = 64;
constexpr int kMaxOutput = 1 << 16;
constexpr size_t kWideUnits = kMaxNumber + 1;
constexpr size_t kNarrowBytes = 4 * (kMaxNumber + 1);  // a character takes up to 4 bytes

enum class ArgumentKind { kNone, kInt, kInt64, kDouble, kPointer };

struct Argument {
    ArgumentKind kind = ArgumentKind::kNone;
    int integer = 0;
    long long integer64 = 0;
    double floating = 0;
    const void* pointer = nullptr;
};

// Everything a pointer argument may point at.
struct Material {
    std::u16string wide;
    std::string narrow;
    std::vector<unsigned char> bytes;
    std::vector<unsigned char> countedUtf8;
    std::vector<unsigned char> countedWide;
    GString wideString;
    GString narrowString;
    int count = 0;
};

// Mostly valid UTF-8 (with zeros among it) and now and then a stray byte.
std::string MakeNarrow(FuzzedDataProvider& input) {
    std::string text;
    while (text.size() < kNarrowBytes) {
        const auto choice = input.ConsumeIntegral<uint8_t>();
        const auto value = input.ConsumeIntegral<uint16_t>();
        switch (choice % 5) {
            case 0:
                text += static_cast<char>(0xC0 | ((value >> 6) & 0x1F));
                text += static_cast<char>(0x80 | (value & 0x3F));
                break;
            case 1:
                text += static_cast<char>(0xE0 | (value >> 12));
                text += static_cast<char>(0x80 | ((value >> 6) & 0x3F));
                text += static_cast<char>(0x80 | (value & 0x3F));
                break;
            case 2:
                text += static_cast<char>(value & 0xFF);
                break;
            default:
                text += static_cast<char>(value & 0x7F);
                break;
        }
    }
    text.resize(kNarrowBytes);
    return text;  // its terminator follows
}

std::vector<unsigned char> MakeCounted(bool utf8, const void* text, size_t bytes, uint32_t length) {
    const uint32_t header = length | (utf8 ? 0x80000000u : 0);
    std::vector<unsigned char> block(sizeof header + bytes);
    std::memcpy(block.data(), &header, sizeof header);
    std::memcpy(block.data() + sizeof header, text, bytes);
    return block;
}

void Prepare(FuzzedDataProvider& input, Material& material) {
    const std::vector<uint8_t> seed = input.ConsumeBytes<uint8_t>(32);
    material.wide.assign(kWideUnits, u'a');
    material.bytes.assign(kWideUnits, 0x5A);
    for (size_t i = 0; i < kWideUnits && !seed.empty(); ++i) {
        const uint8_t byte = seed[i % seed.size()];
        material.wide[i] = static_cast<char16_t>(byte < 0x20 ? byte : byte * 131u);
        material.bytes[i] = static_cast<unsigned char>(byte ^ i);
    }
    material.narrow = MakeNarrow(input);
    const auto wideLength = input.ConsumeIntegralInRange<uint32_t>(0, kWideUnits);
    const auto narrowLength = input.ConsumeIntegralInRange<uint32_t>(0, kNarrowBytes);
    material.countedWide = MakeCounted(false, material.wide.data(), kWideUnits * 2, wideLength);
    material.countedUtf8 = MakeCounted(true, material.narrow.data(), kNarrowBytes, narrowLength);
    material.wideString.AssignWide(material.wide.c_str(), static_cast<int>(wideLength));
    material.narrowString.AssignNarrow(material.narrow.c_str(), static_cast<int>(narrowLength));
}

bool AppendTo(GString& target, const char16_t* format, ...) {
    va_list arguments;
    va_start(arguments, format);
    const bool ok = target.AppendFormat(format, arguments);
    va_end(arguments);
    return ok;
}

template <typename... Stars>
bool AppendWith(GString& target, const char16_t* format, const Argument& argument, Stars... stars) {
    switch (argument.kind) {
        case ArgumentKind::kInt:
            return AppendTo(target, format, stars..., argument.integer);
        case ArgumentKind::kInt64:
            return AppendTo(target, format, stars..., argument.integer64);
        case ArgumentKind::kDouble:
            return AppendTo(target, format, stars..., argument.floating);
        case ArgumentKind::kPointer:
            return AppendTo(target, format, stars..., argument.pointer);
        default:
            return AppendTo(target, format, stars...);
    }
}

const void* PickPointer(FuzzedDataProvider& input, const void* valid) {
    return input.ConsumeIntegralInRange(0, 7) == 0 ? nullptr : valid;
}

// The argument that the letter and size modifier consume.
Argument ArgumentFor(FuzzedDataProvider& input, Material& material, char16_t letter,
                     const std::u16string& modifier) {
    const bool is64 = modifier == u"L" || modifier == u"ll";
    const bool isShort = modifier == u"h";
    Argument argument;
    const auto integer = [&]() {
        argument.kind = is64 ? ArgumentKind::kInt64 : ArgumentKind::kInt;
        argument.integer = input.ConsumeIntegral<int>();
        argument.integer64 = input.ConsumeIntegral<long long>();
    };
    const auto pointer = [&](const void* valid) {
        argument.kind = ArgumentKind::kPointer;
        argument.pointer = PickPointer(input, valid);
    };
    switch (letter) {
        case u'd':
        case u'i':
        case u'u':
        case u'x':
        case u'X':
        case u'o':
        case u'y':
        case u'I':
        case u'U':
            integer();
            break;
        case u'c':
        case u'C':
        case u'T':
        case u't':
        case u'Y':
            argument.kind = ArgumentKind::kInt;
            argument.integer = input.ConsumeIntegral<int>();
            break;
        case u'p':
        case u'P':
            // Never read through: any value will do.
            argument.kind = ArgumentKind::kPointer;
            argument.pointer =
                reinterpret_cast<const void*>(input.ConsumeIntegral<std::uintptr_t>());
            break;
        case u'F':
            if (is64) {
                integer();
                break;
            }
            if (isShort) {
                argument.kind = ArgumentKind::kInt;
                argument.integer = input.ConsumeIntegral<int>();
                break;
            }
            [[fallthrough]];
        case u'f':
        case u'e':
        case u'E':
        case u'g':
        case u'G':
        case u'a':
        case u'A': {
            argument.kind = ArgumentKind::kDouble;
            const auto bits = input.ConsumeIntegral<uint64_t>();
            std::memcpy(&argument.floating, &bits, sizeof bits);
            break;
        }
        case u's':
        case u'S':
            pointer(isShort ? static_cast<const void*>(material.narrow.c_str())
                            : static_cast<const void*>(material.wide.c_str()));
            break;
        case u'z':
        case u'Z':
            if (isShort) {
                pointer(input.ConsumeBool() ? material.countedUtf8.data()
                                            : material.countedWide.data());
            } else {
                pointer(input.ConsumeBool() ? &material.wideString : &material.narrowString);
            }
            break;
        case u'b':
        case u'B':
        case u'w':
        case u'W':
            pointer(material.bytes.data());
            break;
        case u'n':
            pointer(&material.count);
            break;
        default:
            break;  // N, %, and the characters that are no conversion take nothing
    }
    return argument;
}

std::u16string Number(int value) {
    std::u16string digits;
    for (const char c : std::to_string(value)) {
        digits += static_cast<char16_t>(c);
    }
    return digits;
}

bool MayFail(char16_t letter, const std::u16string& modifier) {
    switch (letter) {
        case u'T':
        case u't':
        case u'Y':
            return true;
        case u'c':
        case u'C':
        case u's':
        case u'S':
            return modifier == u"h";  // a byte of 128 or more, undecodable UTF-8
        case u'z':
        case u'Z':
            return true;  // a UTF-8 string or counted text may not decode
        default:
            return false;
    }
}

void AppendOneSpecification(FuzzedDataProvider& input, Material& material, GString& output) {
    static constexpr char16_t kFlags[] = u"-+ 0#$`";
    static constexpr char16_t kLetters[] = u"diuxXoypPcCsSzZfeEgGaAFIUbBwWnNTtY%qDHjkLm[_\\";
    static const std::u16string kModifiers[] = {u"", u"L", u"ll", u"l", u"h"};

    std::u16string format;
    const int literal = input.ConsumeIntegralInRange(0, 4);
    for (int i = 0; i < literal; ++i) {
        const auto unit = static_cast<char16_t>(input.ConsumeIntegralInRange(0x20, 0x7E));
        format += unit == u'%' ? u'.' : unit;
    }
    format += u'%';
    const auto flags = input.ConsumeIntegral<uint8_t>();
    for (int i = 0; i < 7; ++i) {
        if ((flags >> i & 1) != 0) {
            format += kFlags[i];
        }
    }
    std::vector<int> stars;
    switch (input.ConsumeIntegralInRange(0, 2)) {
        case 1:
            format += Number(input.ConsumeIntegralInRange(1, kMaxNumber));
            break;
        case 2:
            format += u'*';
            stars.push_back(input.ConsumeIntegralInRange(-kMaxNumber, kMaxNumber));
            break;
        default:
            break;
    }
    switch (input.ConsumeIntegralInRange(0, 3)) {
        case 1:
            format += u'.';
            break;
        case 2:
            format += u'.' + Number(input.ConsumeIntegralInRange(0, kMaxNumber));
            break;
        case 3:
            format += u".*";
            stars.push_back(input.ConsumeIntegralInRange(-kMaxNumber, kMaxNumber));
            break;
        default:
            break;
    }
    const std::u16string& modifier = input.PickValueInArray(kModifiers);
    format += modifier;
    // Sometimes the template ends inside a conversion.
    const bool cutOff = input.ConsumeIntegralInRange(0, 31) == 0;
    const char16_t letter = cutOff ? 0
                                   : kLetters[input.ConsumeIntegralInRange<size_t>(
                                         0, std::char_traits<char16_t>::length(kLetters) - 1)];
    if (letter != 0) {
        format += letter;
    }
    const Argument argument =
        letter != 0 ? ArgumentFor(input, material, letter, modifier) : Argument{};

    const int before = output.GetLength();
    material.count = -1;
    bool ok = false;
    switch (stars.size()) {
        case 0:
            ok = AppendWith(output, format.c_str(), argument);
            break;
        case 1:
            ok = AppendWith(output, format.c_str(), argument, stars[0]);
            break;
        default:
            ok = AppendWith(output, format.c_str(), argument, stars[0], stars[1]);
            break;
    }
    if (output.GetLength() < before || (!ok && !MayFail(letter, modifier))) {
        std::abort();
    }
    if (letter == u'n' && argument.pointer != nullptr && ok &&
        material.count != output.GetLength() - before) {
        std::abort();
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    FuzzedDataProvider input(data, size);
    Material material;
    Prepare(input, material);
    GString output;
    output.AssignWide(u"");
    for (int i = 0; i < kMaxSpecifications && input.remaining_bytes() > 0; ++i) {
        AppendOneSpecification(input, material, output);
        if (output.GetLength() > kMaxOutput) {
            output.Empty();
        }
        if (!output.IsWide()) {
            std::abort();
        }
    }
    return 0;
}
