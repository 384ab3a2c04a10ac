#include "core/platform/Directory.h"

#include <cerrno>
#include <filesystem>
#include <system_error>

namespace fs = std::filesystem;

namespace {

// std::filesystem takes a narrow string in the system's code page on Windows; our paths
// are UTF-8 everywhere.
fs::path FromUtf8(const std::string& path) {
    return fs::path(std::u8string(path.begin(), path.end()));
}

std::string ToUtf8(const fs::path& path) {
    const std::u8string text = path.u8string();
    return std::string(text.begin(), text.end());
}

} // namespace

std::vector<std::string> ListFileNames(const std::string& directory) {
    std::vector<std::string> names;
    std::error_code ec;
    fs::directory_iterator it(FromUtf8(directory), ec);
    for (; !ec && it != fs::directory_iterator(); it.increment(ec)) {
        std::error_code typeError;
        if (it->is_regular_file(typeError))
            names.push_back(ToUtf8(it->path().filename()));
    }
    return names;
}

int MakeDirectory(const std::string& directory) {
    std::error_code ec;
    const fs::path path = FromUtf8(directory);
    if (fs::create_directory(path, ec) || (!ec && fs::is_directory(path, ec)))
        return 0;
    if (!ec)
        return EEXIST; // a file of that name is in the way
    // Windows reports its own codes; their portable meaning is what callers understand.
    const std::error_condition portable = ec.default_error_condition();
    return portable.category() == std::generic_category() ? portable.value() : EIO;
}
