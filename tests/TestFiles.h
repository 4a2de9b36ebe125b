#pragma once

#include <cstddef>
#include <fstream>
#include <string>

// The whole content of a file, empty when it cannot be read. Takes narrow or (on Windows) wide
// paths. Read in chunks: g++ 12 warns falsely about istreambuf_iterator at -O2.
template <typename Path>
std::string ReadWholeTestFile(const Path& path) {
    std::ifstream in(path.c_str(), std::ios::binary);
    std::string content;
    char chunk[4096];
    while (in.read(chunk, sizeof chunk) || in.gcount() > 0) {
        content.append(chunk, static_cast<std::size_t>(in.gcount()));
    }
    return content;
}
