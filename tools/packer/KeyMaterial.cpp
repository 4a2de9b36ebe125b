#include "tools/packer/KeyMaterial.h"

#include <algorithm>
#include <charconv>
#include <optional>
#include <vector>

#include "payload/CGuard.h"
#include "payload/KeyParameters.h"
#include "tools/packer/Container.h"
#include "tools/packer/Text.h"

namespace {

std::string_view Trim(std::string_view text) {
    const auto first = text.find_first_not_of(" \t\r");
    if (first == std::string_view::npos) {
        return {};
    }
    const auto last = text.find_last_not_of(" \t\r");
    return text.substr(first, last - first + 1);
}

bool ParseHexBytes(std::string_view hex, Bytes& bytes) {
    if (hex.empty() || hex.size() % 2 != 0) {
        return false;
    }
    bytes.clear();
    for (size_t i = 0; i < hex.size(); i += 2) {
        unsigned char byte = 0;
        const auto [end, code] = std::from_chars(hex.data() + i, hex.data() + i + 2, byte, 16);
        if (code != std::errc() || end != hex.data() + i + 2) {
            return false;
        }
        bytes.push_back(byte);
    }
    return true;
}

bool ParseSeed(std::string_view hex, uint64_t& seed) {
    const auto [end, code] = std::from_chars(hex.data(), hex.data() + hex.size(), seed, 16);
    return !hex.empty() && code == std::errc() && end == hex.data() + hex.size();
}

// Splitmix64: a fixed, well-mixed sequence, so the filler never depends on the platform.
class FillerBytes {
public:
    explicit FillerBytes(uint64_t seed) : m_state(seed) {}
    unsigned char Next() {
        m_state += 0x9E3779B97F4A7C15u;
        uint64_t z = m_state;
        z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9u;
        z = (z ^ (z >> 27)) * 0x94D049BB133111EBu;
        return static_cast<unsigned char>((z ^ (z >> 31)) >> 56);
    }

private:
    uint64_t m_state;
};

// What the bytes of the block must be at one stage of the unscrambling; unconstrained bytes
// are free for filler.
using Constraints = std::vector<std::optional<unsigned char>>;

bool Require(Constraints& before, size_t index, unsigned char value) {
    if (before[index] && *before[index] != value) {
        return false;
    }
    before[index] = value;
    return true;
}

// The bytes the block must hold before a move so that it holds `after` afterwards. A move copies
// like memmove, so a byte of the destination range comes from the matching source byte and every
// other byte stays put.
bool UndoMove(const Constraints& after, int32_t source, int32_t destination, int32_t count,
              Constraints& before) {
    const auto length = static_cast<int32_t>(after.size());
    before.assign(after.size(), std::nullopt);
    const bool moves =
        source >= 0 && source < length && destination >= 0 && destination < length && count > 0;
    const int32_t moved = moves ? std::min(count, length - std::max(source, destination)) : 0;
    // Bytes outside the destination first: they are where they were, and a destination byte
    // that needs the same source byte must agree with them.
    for (int32_t i = 0; i < length; ++i) {
        const bool inDestination = i >= destination && i < destination + moved;
        if (after[i] && !inDestination && !Require(before, static_cast<size_t>(i), *after[i])) {
            return false;
        }
    }
    for (int32_t i = 0; i < moved; ++i) {
        const auto& wanted = after[static_cast<size_t>(destination + i)];
        if (wanted && !Require(before, static_cast<size_t>(source + i), *wanted)) {
            return false;
        }
    }
    return true;
}

// The XOR pass applies the byte at the position as it was before the pass. That byte is chosen
// (kept if it is already constrained and outside the range, else filler) and the constrained
// bytes of the range are XORed back with it.
bool UndoXor(Constraints& block, int32_t position, int32_t start, int32_t count,
             FillerBytes& filler) {
    const auto length = static_cast<int32_t>(block.size());
    if (position < 0 || position >= length || start < 0 || start >= length || count <= 0) {
        return true;
    }
    const int32_t end = start + std::min(count, length - start);
    const bool positionChanged = position >= start && position < end;
    auto& applied = block[static_cast<size_t>(position)];
    if (positionChanged && applied && *applied != 0) {
        return false;  // the pass always leaves its own byte zero
    }
    unsigned char value = filler.Next();
    if (!positionChanged && applied) {
        value = *applied;
    }
    for (int32_t i = start; i < end; ++i) {
        if (auto& byte = block[static_cast<size_t>(i)]) {
            *byte ^= value;
        }
    }
    applied = value;
    return true;
}

}  // namespace

bool ParseKeySource(std::string_view text, KeySource& source, std::string& error) {
    bool haveKey = false;
    bool haveSeed = false;
    int lineNumber = 0;
    while (!text.empty()) {
        const auto newline = text.find('\n');
        const std::string_view line = Trim(text.substr(0, newline));
        text = newline == std::string_view::npos ? std::string_view{} : text.substr(newline + 1);
        ++lineNumber;
        if (line.empty() || line.front() == '#') {
            continue;
        }
        const auto equals = line.find('=');
        const std::string_view name = Trim(line.substr(0, equals));
        const std::string_view value =
            equals == std::string_view::npos ? std::string_view{} : Trim(line.substr(equals + 1));
        const std::string where = Concat("line ", lineNumber, ": ");
        if (name == "key" && !haveKey) {
            if (!ParseHexBytes(value, source.key)) {
                error = Concat(where, "the key must be pairs of hexadecimal digits");
                return false;
            }
            haveKey = true;
        } else if (name == "filler-seed" && !haveSeed) {
            if (!ParseSeed(value, source.fillerSeed)) {
                error = Concat(where, "the filler seed must be 1 to 16 hexadecimal digits");
                return false;
            }
            haveSeed = true;
        } else {
            error = Concat(where, "expected one 'key = ...' and one 'filler-seed = ...'");
            return false;
        }
    }
    if (!haveKey || !haveSeed) {
        error = haveKey ? "no filler-seed line" : "no key line";
        return false;
    }
    if (source.key.size() != static_cast<size_t>(kKeyLength)) {
        error = Concat("the key has ", source.key.size(), " bytes; the program takes ", kKeyLength);
        return false;
    }
    return true;
}

bool MakeKeyMaterial(ByteView key, uint64_t fillerSeed, Bytes& material, std::string& error) {
    if (key.size() != static_cast<size_t>(kKeyLength)) {
        error = Concat("the key must have ", kKeyLength, " bytes");
        return false;
    }
    FillerBytes filler(fillerSeed);
    Constraints wanted(kKeyMaterialLength);
    for (size_t i = 0; i < key.size(); ++i) {
        wanted[static_cast<size_t>(kKeyOffset) + i] = key[i];
    }
    // Back through the steps in reverse order: XOR pass, move 2, move 1.
    Constraints beforeMove2;
    Constraints stored;
    if (!UndoXor(wanted, kXorPosition, kXorStart, kXorCount, filler) ||
        !UndoMove(wanted, kMove2Source, kMove2Destination, kMove2Count, beforeMove2) ||
        !UndoMove(beforeMove2, kMove1Source, kMove1Destination, kMove1Count, stored)) {
        error = "the unscrambling parameters cannot carry every key byte into the key slice";
        return false;
    }
    material.clear();
    for (const auto& byte : stored) {
        material.push_back(byte ? *byte : filler.Next());
    }
    return true;
}

bool KeyMaterialYieldsKey(ByteView material, ByteView key) {
    static constexpr unsigned char kProbe[] = "key material probe";
    constexpr uint32_t kProbeItems = 0x5EED;
    Bytes container;
    std::string error;
    if (!PackContainer(kProbe, kProbeItems, key, container, error)) {
        return false;
    }
    CGuard guard;
    if (!guard.SetKeyMaterial(material.data(), static_cast<int32_t>(material.size()))) {
        return false;
    }
    uint32_t size = static_cast<uint32_t>(container.size());
    uint32_t items = 0;
    unsigned char* plain = guard.Decode(container.data(), size, &items);
    const bool same = plain != nullptr && size == sizeof kProbe && items == kProbeItems &&
                      std::equal(kProbe, kProbe + sizeof kProbe, plain);
    delete[] plain;
    return same;
}
