#pragma once
#include <string>

namespace kelvora::test {

// A fresh folder under the system's temp folder, removed with everything in it at the end.
class TempDir {
public:
    TempDir();
    ~TempDir();
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;

    const std::string& path() const { return path_; }
    // path() + "/" + name
    std::string operator/(const std::string& name) const { return path_ + "/" + name; }
    // Writes a file (creating parent folders) with `size` bytes of a repeatable pattern.
    std::string WriteFile(const std::string& relative, size_t size, unsigned seed = 1) const;
    std::string WriteText(const std::string& relative, const std::string& text) const;
    std::string MakeFolder(const std::string& relative) const;

private:
    std::string path_;
};

// The whole content of a file, "" when it cannot be read.
std::string ReadFile(const std::string& path);

// Folder of the test programs: it holds the stand-in archiver as `rar` and a link to `par2`.
std::string TestToolsDir();

}  // namespace kelvora::test
