#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "tools/packer/Bytes.h"

// The readable source of the payload key:
//   # comments and blank lines
//   key = <hexadecimal key bytes>
//   filler-seed = <up to 16 hexadecimal digits>
struct KeySource {
    Bytes key;
    uint64_t fillerSeed = 0;
};
bool ParseKeySource(std::string_view text, KeySource& source, std::string& error);

// The stored key material that the program unscrambles into a block holding `key` at the key
// slice. Every byte that the unscrambling does not carry into the key is filler drawn from the
// seed, so the same key and seed always give the same material.
bool MakeKeyMaterial(ByteView key, uint64_t fillerSeed, Bytes& material, std::string& error);

// Whether a CGuard given `material` decodes a container packed with `key`: the proof that the
// material and the containers agree.
bool KeyMaterialYieldsKey(ByteView material, ByteView key);
