#pragma once
// The behaviour's paths are UTF-8 texts. The standard library reads a path made from a plain
// std::string in the system's code page on Windows, which garbles every name outside it, so
// paths cross into and out of std::filesystem only through these two.
#include <filesystem>
#include <string>

namespace kelvora::platform {

inline std::filesystem::path Utf8Path(const std::string& text) {
    return std::filesystem::path(std::u8string(text.begin(), text.end()));
}

inline std::string Utf8Text(const std::filesystem::path& path) {
    const std::u8string text = path.u8string();
    return std::string(text.begin(), text.end());
}

}  // namespace kelvora::platform
