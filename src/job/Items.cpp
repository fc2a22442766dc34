#include "job/Items.h"

#include <cerrno>

#include "common/Numbers.h"
#include "common/RuntimeError.h"
#include "common/Text.h"
#include "platform/FileSystem.h"

namespace kelvora {

namespace {

constexpr int32_t HighestWorkFolder = 99999;

// A folder that could not be created, in the familiar error numbering.
[[noreturn]] void RaiseCreateFailure(int error, const std::string& path) {
    switch (error) {
        case ENOENT:
        case ENOTDIR:
            Raise(Err::PathNotFound, "Path not found");
        case EACCES:
        case EPERM:
        case EROFS:
            Raise(Err::PathFileAccessError, "Path/File access error");
        default:
            Raise(Err::PathFileAccessError,
                  "Path/File access error (" + path + ": " + platform::ErrorText(error) + ")");
    }
}

}  // namespace

std::string WithRarExtension(const std::string& name) {
    // Where the last `count` characters begin (all of the name when it is shorter), counted in
    // characters, not bytes: they may be multi-byte in UTF-8.
    auto startOfLast = [&name](int count) {
        size_t start = name.size();
        for (int chars = 0; chars < count && start > 0; ++chars) {
            --start;
            while (start > 0 && (static_cast<unsigned char>(name[start]) & 0xC0) == 0x80) --start;
        }
        return start;
    };
    if (name.empty() || name[startOfLast(4)] != '.') return name + ".rar";
    return name.substr(0, startOfLast(3)) + "rar";
}

std::string GetItemName(const std::string& path) {
    const size_t at = path.rfind(platform::PathSeparator);
    return at == std::string::npos ? path : path.substr(at + 1);
}

std::string ItemArchiveName(const std::string& item) {
    return WithRarExtension(WithoutForbiddenChars(GetItemName(item)));
}

FolderItems ListFolderItems(const std::string& folderPath) {
    FolderItems found;
    // Without a folder there is nothing to list (an empty text must not become the root).
    if (folderPath.empty()) return found;
    // A file chosen with separate items is its own one item: listed as a folder it has none,
    // and the run would end "Done!" having made nothing.
    if (platform::IsRegularFile(folderPath)) {
        found.items.push_back(folderPath);
        found.files = 1;
        return found;
    }
    std::string folder = folderPath;
    if (folder.back() != platform::PathSeparator) folder += platform::PathSeparator;
    platform::ListFolder(folder, [&](const platform::DirEntry& entry) {
        if (entry.attributes & platform::AttrHidden) return true;
        found.items.push_back(folder + entry.name);
        ++(entry.attributes & platform::AttrDirectory ? found.folders : found.files);
        return true;
    });
    return found;
}

bool IsFolderPath(const std::string& path) {
    const auto attributes = platform::GetAttributes(path);
    return attributes && (*attributes & platform::AttrDirectory) != 0;
}

std::string CreateWorkFolder(const std::string& outputFolder) {
    // mkdir either creates the name or fails with EEXIST, so a name that appears meanwhile (a
    // file, a folder, even a dangling link) is passed over and never written into.
    for (int32_t n = 1; n <= HighestWorkFolder; ++n) {
        const std::string name = "Kelvora" + FormatCounter(n);
        int error = 0;
        if (platform::CreateFolder(outputFolder + name, &error)) return name;
        if (error != EEXIST) RaiseCreateFailure(error, outputFolder + name);
    }
    Raise(Err::FileAlreadyExists, "No free work folder name in " + outputFolder);
}

}  // namespace kelvora
