#pragma once
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace kelvora::platform {

// The path separator of this platform (the behaviour's "backslash").
#ifdef _WIN32
constexpr char PathSeparator = '\\';
#else
constexpr char PathSeparator = '/';
#endif

// Attribute bits as the behaviour speaks of them.
constexpr uint32_t AttrHidden = 2;
constexpr uint32_t AttrSystem = 4;
constexpr uint32_t AttrDirectory = 16;

// Attribute bits of a path (links are not followed); nullopt when the path cannot be queried.
// Hidden = the name starts with "."; nothing is a system entry.
std::optional<uint32_t> GetAttributes(const std::string& path);

// True when something of that name exists (file, folder or link, even a dangling one).
bool Exists(const std::string& path);

// True when the path names a regular file, links followed.
bool IsRegularFile(const std::string& path);

// Size of a file in bytes; 0 when it cannot be read.
int64_t FileSize(const std::string& path);

struct DirEntry {
    std::string name;
    uint32_t attributes = 0;  // AttrDirectory only for real folders, never for links to them
    int64_t size = 0;         // bytes for files (a link counts as itself), 0 for folders
};

// Lists a folder's entries (without "." and ".."), in the order the system returns them.
// Returns false when the folder cannot be opened. The callback may return false to stop.
bool ListFolder(const std::string& folder, const std::function<bool(const DirEntry&)>& onEntry);

// Creates a folder; false with errno-style code in *error when it could not (EEXIST when the
// name is taken, atomically: an existing name is never reused).
bool CreateFolder(const std::string& path, int* error = nullptr);

// The folder of the running executable, without a trailing separator.
std::string ProgramFolder();

// A readable text for a system error code (strerror).
std::string ErrorText(int error);

}  // namespace kelvora::platform
