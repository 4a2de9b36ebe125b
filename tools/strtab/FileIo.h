#pragma once

#include <string>
#include <string_view>

// Whole-file reading and writing for the build-time tools. Writing goes through a temporary
// file that replaces the target only when complete, so a failed run never leaves a half-written
// output for the build to pick up.
bool ReadWholeFile(const std::string& path, std::string& content);
bool WriteWholeFile(const std::string& path, std::string_view content);
