#pragma once
#include <filesystem>
#include <fstream>
#include <iterator>
#include <random>
#include <string>

#include "Portable.h"

namespace kelvora::test {

using platform::Utf8Path;
using platform::Utf8Text;

// A fresh folder under the system's temp folder (only the user's own), removed with everything
// in it at the end. Paths are UTF-8 texts in the system's own separators; "/" in a relative
// path given to it stands for the separator.
class TempDir {
public:
    TempDir() {
        namespace fs = std::filesystem;
        std::random_device random;
        do path_ = Utf8Text(fs::temp_directory_path() / "kelvora-test-") + std::to_string(random());
        while (!fs::create_directory(Utf8Path(path_)));  // throws when none can be made
        fs::permissions(Utf8Path(path_), fs::perms::owner_all);
    }
    ~TempDir() {
        namespace fs = std::filesystem;
        std::error_code ec;
        // Everything writable again, so tests that take permissions away leave no litter.
        for (auto it = fs::recursive_directory_iterator(Utf8Path(path_), fs::directory_options::skip_permission_denied, ec);
             !ec && it != fs::recursive_directory_iterator(); it.increment(ec))
            if (!it->is_symlink()) fs::permissions(it->path(), fs::perms::owner_all, fs::perm_options::add, ec);
        fs::remove_all(Utf8Path(path_), ec);
    }
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;

    const std::string& path() const { return path_; }
    std::string operator/(const std::string& name) const { return path_ + platform::PathSeparator + Native(name); }
    // A file (its folders made) of `size` bytes of a pattern that differs with the seed.
    std::string WriteFile(const std::string& relative, size_t size, unsigned seed = 1) const {
        std::string data(size, '\0');
        for (unsigned x = seed * 2654435761u + 1; char& c : data) c = static_cast<char>((x = x * 1664525u + 1013904223u) >> 24);
        return WriteText(relative, data);
    }
    std::string WriteText(const std::string& relative, const std::string& text) const {
        const std::filesystem::path p = Utf8Path(*this / relative);
        std::filesystem::create_directories(p.parent_path());
        std::ofstream(p, std::ios::binary) << text;
        return Utf8Text(p);
    }
    // A script only its owner may run.
    std::string WriteProgram(const std::string& relative, const std::string& text) const {
        std::filesystem::permissions(WriteText(relative, text), std::filesystem::perms::owner_all);
        return *this / relative;
    }
    std::string MakeFolder(const std::string& relative) const {
        std::filesystem::create_directories(Utf8Path(*this / relative));
        return *this / relative;
    }

private:
    std::string path_;
};

// The whole content of a file, "" when it cannot be read.
inline std::string ReadFile(const std::string& path) {
    std::ifstream in(Utf8Path(path), std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

// Folder of the test programs: it holds the stand-in archiver as `rar` and a link to `par2` (on
// Windows `rar.exe` and `phpar2.exe`, and there it is found from the running test).
inline std::string TestToolsDir() {
#ifdef _WIN32
    return platform::ProgramFolder();
#else
    return KELVORA_TEST_DIR;
#endif
}

// Links RARLAB's archiver, as scripts/fetch-rar.sh leaves it, and par2 into `folder`; why it
// cannot, where that archiver is not there.
inline std::string LinkRealArchiver([[maybe_unused]] const std::string& folder) {
#ifdef _WIN32
    return "RARLAB's archiver as Debian packages it runs on Linux only";
#else
    if (::access(KELVORA_REAL_RAR, X_OK) != 0) return "the real archiver could not be fetched (scripts/fetch-rar.sh)";
    SetEnv("RAR", nullptr);  // the user's default switches would change what the archiver writes
    std::filesystem::create_symlink(KELVORA_REAL_RAR, folder + "/rar");
    std::filesystem::create_symlink(TestToolsDir() + "/par2", folder + "/par2");
    return "";
#endif
}

// The number of entries in a folder.
inline long Entries(const std::string& folder) {
    return static_cast<long>(std::distance(std::filesystem::directory_iterator(Utf8Path(folder)), {}));
}

}  // namespace kelvora::test
