#include "platform/FileSystem.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <sys/types.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <filesystem>

namespace kelvora::platform {

namespace {

// The last component of a path, trailing separators ignored ("/a/b/" -> "b").
std::string LastComponent(const std::string& path) {
    size_t end = path.find_last_not_of('/');
    if (end == std::string::npos) return "";
    size_t start = path.rfind('/', end);
    start = (start == std::string::npos) ? 0 : start + 1;
    return path.substr(start, end - start + 1);
}

bool IsHiddenName(const char* name) {
    // "." and ".." are the folder itself and its parent, not hidden entries.
    return name[0] == '.' && !(name[1] == '\0' || (name[1] == '.' && name[2] == '\0'));
}

}  // namespace

std::optional<uint32_t> GetAttributes(const std::string& path) {
    struct stat st;
    if (path.empty() || ::lstat(path.c_str(), &st) != 0) return std::nullopt;
    uint32_t attributes = 0;
    if (S_ISDIR(st.st_mode)) attributes |= AttrDirectory;
    if (IsHiddenName(LastComponent(path).c_str())) attributes |= AttrHidden;
    return attributes;
}

bool Exists(const std::string& path) {
    struct stat st;
    return !path.empty() && ::lstat(path.c_str(), &st) == 0;
}

bool IsRegularFile(const std::string& path) {
    struct stat st;
    return !path.empty() && ::stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode);
}

int64_t FileSize(const std::string& path) {
    // Follows a link: the size is what reading the file would give.
    struct stat st;
    if (path.empty() || ::stat(path.c_str(), &st) != 0 || S_ISDIR(st.st_mode)) return 0;
    return static_cast<int64_t>(st.st_size);
}

bool ListFolder(const std::string& folder, const std::function<bool(const DirEntry&)>& onEntry) {
    DIR* dir = ::opendir(folder.empty() ? "." : folder.c_str());
    if (!dir) return false;
    const int fd = ::dirfd(dir);
    DirEntry entry;
    for (;;) {
        errno = 0;
        const dirent* d = ::readdir(dir);
        if (!d) break;
        const char* name = d->d_name;
        if (name[0] == '.' && (name[1] == '\0' || (name[1] == '.' && name[2] == '\0'))) continue;

        entry.name.assign(name);
        entry.attributes = IsHiddenName(name) ? AttrHidden : 0;
        entry.size = 0;
        if (d->d_type == DT_DIR) {
            // A folder needs no stat: its size does not count.
            entry.attributes |= AttrDirectory;
        } else {
            // Sizes (and the type, where the file system does not report it) from the entry
            // itself; a link is never followed.
            struct stat st;
            if (::fstatat(fd, name, &st, AT_SYMLINK_NOFOLLOW) == 0) {
                if (S_ISDIR(st.st_mode)) {
                    entry.attributes |= AttrDirectory;
                } else {
                    entry.size = static_cast<int64_t>(st.st_size);
                }
            }
        }
        if (!onEntry(entry)) break;
    }
    ::closedir(dir);
    return true;
}

bool CreateFolder(const std::string& path, int* error) {
    // mkdir fails with EEXIST for any existing name, so two callers never get the same folder.
    if (::mkdir(path.c_str(), 0777) == 0) {
        if (error) *error = 0;
        return true;
    }
    if (error) *error = errno;
    return false;
}

std::string ProgramFolder() {
    std::string buffer(256, '\0');
    for (;;) {
        ssize_t n = ::readlink("/proc/self/exe", buffer.data(), buffer.size());
        if (n < 0) return ".";
        if (static_cast<size_t>(n) < buffer.size()) {
            buffer.resize(static_cast<size_t>(n));
            break;
        }
        buffer.resize(buffer.size() * 2);
    }
    size_t slash = buffer.rfind('/');
    if (slash == std::string::npos) return ".";
    if (slash == 0) return "/";
    return buffer.substr(0, slash);
}

ReadOutcome ReadRegularFile(const std::string& path, std::size_t maxBytes, std::string& content) {
    // The type is asked before opening: opening a device may already do something, and a FIFO
    // without a writer would block.
    struct stat st;
    if (path.empty() || ::stat(path.c_str(), &st) != 0)
        return errno == ENOENT || errno == ENOTDIR || path.empty() ? ReadOutcome::Missing : ReadOutcome::Failed;
    if (!S_ISREG(st.st_mode)) return ReadOutcome::NotRegular;
    if (static_cast<uint64_t>(st.st_size) > maxBytes) return ReadOutcome::TooLarge;

    // Non-blocking and checked again on the open file, in case the name changed meanwhile.
    const int fd = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
    if (fd < 0) return errno == ENOENT ? ReadOutcome::Missing : ReadOutcome::Failed;
    ReadOutcome outcome = ReadOutcome::Read;
    std::string data;
    if (::fstat(fd, &st) != 0) {
        outcome = ReadOutcome::Failed;
    } else if (!S_ISREG(st.st_mode)) {
        outcome = ReadOutcome::NotRegular;
    } else {
        // A file that grows while it is read still stops one byte past the limit.
        char buffer[64 * 1024];
        for (;;) {
            const ssize_t n = ::read(fd, buffer, std::min(sizeof buffer, maxBytes + 1 - data.size()));
            if (n < 0 && errno == EINTR) continue;
            if (n < 0) {
                outcome = ReadOutcome::Failed;
                break;
            }
            if (n == 0) break;
            data.append(buffer, static_cast<size_t>(n));
            if (data.size() > maxBytes) {
                outcome = ReadOutcome::TooLarge;
                break;
            }
        }
    }
    ::close(fd);
    if (outcome == ReadOutcome::Read) content = std::move(data);
    return outcome;
}

bool OverwriteFile(const std::string& path, const std::string& content) {
    const int fd = ::open(path.c_str(), O_WRONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
    if (fd < 0) return false;
    struct stat st;
    bool ok = ::fstat(fd, &st) == 0 && S_ISREG(st.st_mode);
    const off_t oldSize = ok ? st.st_size : 0, newSize = static_cast<off_t>(content.size());
    // The room a longer content needs is taken before a byte changes: a disk that fills up half
    // way would leave the file cut off in the middle.
    int reserve = 0;
    if (ok && newSize > oldSize) {
        do reserve = ::posix_fallocate(fd, oldSize, newSize - oldSize);
        while (reserve == EINTR);
    }
    if (reserve != 0) {
        // What was taken before the failure (the emulation writes zeros) goes again.
        if (::fstat(fd, &st) == 0 && st.st_size != oldSize) (void)!::ftruncate(fd, oldSize);
        ok = false;
    }
    for (size_t done = 0; ok && done < content.size();) {
        const ssize_t n = ::pwrite(fd, content.data() + done, content.size() - done, static_cast<off_t>(done));
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) ok = false;
        else done += static_cast<size_t>(n);
    }
    ok = ok && ::ftruncate(fd, newSize) == 0;
    ok = ::close(fd) == 0 && ok;
    return ok;
}

bool CreateNewFile(const std::string& path, const std::string& content, int* error) {
    // O_EXCL: an existing name, a link included, is never opened.
    const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOCTTY | O_CLOEXEC, 0666);
    if (fd < 0) {
        if (error) *error = errno;
        return false;
    }
    int code = 0;
    for (size_t done = 0; code == 0 && done < content.size();) {
        const ssize_t n = ::write(fd, content.data() + done, content.size() - done);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) code = n < 0 ? errno : EIO;
        else done += static_cast<size_t>(n);
    }
    if (::close(fd) != 0 && code == 0) code = errno;
    if (code != 0) ::unlink(path.c_str());
    if (error) *error = code;
    return code == 0;
}

bool FileWritable(const std::string& path) {
    const int fd = ::open(path.c_str(), O_WRONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
    if (fd < 0) return false;
    ::close(fd);
    return true;
}

bool FolderWritable(const std::string& folder) {
    struct stat st;
    return !folder.empty() && ::stat(folder.c_str(), &st) == 0 && S_ISDIR(st.st_mode) &&
           ::faccessat(AT_FDCWD, folder.c_str(), W_OK | X_OK, AT_EACCESS) == 0;
}

bool CreatePrivateFolders(const std::string& path) {
    std::filesystem::path made;
    for (const auto& part : std::filesystem::path(path)) {
        made /= part;
        if (part.empty() || part == "/") continue;
        ::mkdir(made.c_str(), 0700);  // an existing one is fine; the result is checked below
    }
    struct stat st;
    return !path.empty() && ::stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

FileLock::FileLock(const std::string& path) {
    const int fd = ::open(path.c_str(), O_RDWR | O_CREAT | O_NOFOLLOW | O_NONBLOCK | O_NOCTTY | O_CLOEXEC, 0600);
    if (fd < 0) return;
    struct stat st;
    if (::fstat(fd, &st) == 0 && S_ISREG(st.st_mode) && st.st_uid == ::geteuid()) {
        int result;
        do result = ::flock(fd, LOCK_EX | LOCK_NB);
        while (result != 0 && errno == EINTR);
        held_ = result == 0;
        busy_ = result != 0 && errno == EWOULDBLOCK;
    }
    if (held_)
        handle_ = fd;
    else
        ::close(fd);
}

FileLock::~FileLock() {
    if (held_) ::close(static_cast<int>(handle_));  // closing the only descriptor releases the lock
}

std::string ErrorText(int error) { return std::strerror(error); }

}  // namespace kelvora::platform
