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
// Windows has its own hidden and system bits; on POSIX hidden = the name starts with ".", and
// nothing is a system entry.
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

// How reading a whole file ended.
enum class ReadOutcome { Read, Missing, NotRegular, TooLarge, Failed };

// Reads a regular file (links followed) of at most `maxBytes` bytes into `content`. Anything
// else is refused without waiting or reading: a FIFO, a device, a folder, a larger file.
ReadOutcome ReadRegularFile(const std::string& path, std::size_t maxBytes, std::string& content);

// Writes `content` over the file itself, from its start, and cuts it there: for when no
// temporary file can be made beside it. Nothing is cut before the end, and the room a longer
// content needs is taken first: on a full disk the file stays as it was. False when it cannot be
// done (nothing is created).
bool OverwriteFile(const std::string& path, const std::string& content);

// Creates the file `path` with `content`. The name must be new: whatever already bears it (a
// file, a link, a folder) is never opened or changed, and gives EEXIST in *error. A file that
// could not be written whole is removed again.
bool CreateNewFile(const std::string& path, const std::string& content, int* error = nullptr);

// True when the existing file may be opened for writing; nothing in it changes.
bool FileWritable(const std::string& path);

// True when this user may create and remove entries in the folder.
bool FolderWritable(const std::string& folder);

// Creates the folder and its missing parents, each with access for this user only (the
// convention for configuration and runtime folders). True when the folder exists afterwards.
bool CreatePrivateFolders(const std::string& path);

// An exclusive lock on a file, held until the object goes (or the process ends, however it
// ends): the first taker wins, with no window for a race and nothing stale left behind.
class FileLock {
public:
    // Opens (creating it, for this user only) and locks `path` without waiting; a link or a file
    // of another user is refused. Held() tells whether the lock was taken, Busy() whether
    // another holder has it.
    explicit FileLock(const std::string& path);
    ~FileLock();
    FileLock(const FileLock&) = delete;
    FileLock& operator=(const FileLock&) = delete;
    bool Held() const { return held_; }
    bool Busy() const { return busy_; }

private:
    intptr_t handle_ = -1;  // a descriptor on POSIX, a HANDLE on Windows
    bool held_ = false;
    bool busy_ = false;
};

// A readable text for a system error code (strerror).
std::string ErrorText(int error);

}  // namespace kelvora::platform
