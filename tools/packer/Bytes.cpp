#include "tools/packer/Bytes.h"
#include "tools/packer/Text.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <memory>
#include <system_error>

namespace {

struct FileCloser {
    void operator()(std::FILE* file) const { std::fclose(file); }
};

}  // namespace

bool ReadFileBytes(const std::string& path, uint64_t limit, Bytes& bytes, std::string& error) {
    std::error_code code;
    const uintmax_t size = std::filesystem::file_size(path, code);
    if (code) {
        error = Concat(path, ": cannot read: ", code.message());
        return false;
    }
    if (size > limit) {
        error = Concat(path, ": ", size, " bytes is more than the limit of ", limit);
        return false;
    }
    std::unique_ptr<std::FILE, FileCloser> file(std::fopen(path.c_str(), "rb"));
    if (!file) {
        error = Concat(path, ": cannot open: ", std::strerror(errno));
        return false;
    }
    bytes.resize(static_cast<size_t>(size));
    if (std::fread(bytes.data(), 1, bytes.size(), file.get()) != bytes.size() ||
        std::fgetc(file.get()) != EOF) {
        error = Concat(path, ": changed or failed while it was read");
        return false;
    }
    return true;
}

bool ReplaceFileText(const std::string& path, const std::string& text, std::string& error) {
    const std::string temporary = Concat(path, ".partial");
    {
        std::unique_ptr<std::FILE, FileCloser> file(std::fopen(temporary.c_str(), "wb"));
        if (!file) {
            error = Concat(temporary, ": cannot create: ", std::strerror(errno));
            return false;
        }
        if (std::fwrite(text.data(), 1, text.size(), file.get()) != text.size() ||
            std::fflush(file.get()) != 0) {
            error = Concat(temporary, ": cannot write: ", std::strerror(errno));
            file.reset();
            std::remove(temporary.c_str());
            return false;
        }
    }
    std::error_code code;
    std::filesystem::rename(temporary, path, code);
    if (code) {
        error = Concat(path, ": cannot replace: ", code.message());
        std::remove(temporary.c_str());
        return false;
    }
    return true;
}
