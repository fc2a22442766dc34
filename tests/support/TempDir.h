#pragma once
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <stdexcept>
#include <string>

namespace kelvora::test {

// A fresh folder under the system's temp folder, removed with everything in it at the end.
class TempDir {
public:
    TempDir() {
        std::string name = (std::filesystem::temp_directory_path() / "kelvora-test-XXXXXX").string();
        if (!::mkdtemp(name.data())) throw std::runtime_error("mkdtemp failed");
        path_ = name;
    }
    ~TempDir() {
        namespace fs = std::filesystem;
        std::error_code ec;
        // Everything writable again, so tests that take permissions away leave no litter.
        for (auto it = fs::recursive_directory_iterator(path_, fs::directory_options::skip_permission_denied, ec);
             !ec && it != fs::recursive_directory_iterator(); it.increment(ec))
            if (!it->is_symlink()) fs::permissions(it->path(), fs::perms::owner_all, fs::perm_options::add, ec);
        fs::remove_all(path_, ec);
    }
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;

    const std::string& path() const { return path_; }
    std::string operator/(const std::string& name) const { return path_ + "/" + name; }
    // A file (its folders made) of `size` bytes of a pattern that differs with the seed.
    std::string WriteFile(const std::string& relative, size_t size, unsigned seed = 1) const {
        std::string data(size, '\0');
        for (unsigned x = seed * 2654435761u + 1; char& c : data) c = static_cast<char>((x = x * 1664525u + 1013904223u) >> 24);
        return WriteText(relative, data);
    }
    std::string WriteText(const std::string& relative, const std::string& text) const {
        const std::filesystem::path p = *this / relative;
        std::filesystem::create_directories(p.parent_path());
        std::ofstream(p, std::ios::binary) << text;
        return p.string();
    }
    std::string MakeFolder(const std::string& relative) const {
        std::filesystem::create_directories(*this / relative);
        return *this / relative;
    }

private:
    std::string path_;
};

// The whole content of a file, "" when it cannot be read.
inline std::string ReadFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

// Folder of the test programs: it holds the stand-in archiver as `rar` and a link to `par2`.
inline std::string TestToolsDir() { return KELVORA_TEST_DIR; }

}  // namespace kelvora::test
