#include "tools/strtab/FileIo.h"

#include <cstdio>
#include <memory>

namespace {

struct FileCloser {
    void operator()(std::FILE* file) const { std::fclose(file); }
};
using FilePtr = std::unique_ptr<std::FILE, FileCloser>;

}  // namespace

bool ReadWholeFile(const std::string& path, std::string& content) {
    const FilePtr file(std::fopen(path.c_str(), "rb"));
    if (!file) {
        return false;
    }
    content.clear();
    char chunk[65536];
    std::size_t got = 0;
    while ((got = std::fread(chunk, 1, sizeof chunk, file.get())) > 0) {
        content.append(chunk, got);
    }
    return std::ferror(file.get()) == 0;
}

bool WriteWholeFile(const std::string& path, std::string_view content) {
    const std::string temporary = path + ".tmp";
    FilePtr file(std::fopen(temporary.c_str(), "wb"));
    if (!file) {
        return false;
    }
    const bool written =
        std::fwrite(content.data(), 1, content.size(), file.get()) == content.size();
    const bool closed = std::fclose(file.release()) == 0;
    if (!written || !closed || std::rename(temporary.c_str(), path.c_str()) != 0) {
        std::remove(temporary.c_str());
        return false;
    }
    return true;
}
