#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <vector>

using Bytes = std::vector<unsigned char>;
using ByteView = std::span<const unsigned char>;

// Reads a whole file, refusing one larger than `limit` bytes before reading any of it. On failure
// `error` names the file and the reason.
bool ReadFileBytes(const std::string& path, uint64_t limit, Bytes& bytes, std::string& error);

// Writes `text` to `path` through a temporary file beside it, so that a failed run never leaves
// a partial file that a build would take for finished.
bool ReplaceFileText(const std::string& path, const std::string& text, std::string& error);
