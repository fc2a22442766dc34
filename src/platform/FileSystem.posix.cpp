#include "platform/FileSystem.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <sys/types.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

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

std::string ErrorText(int error) { return std::strerror(error); }

}  // namespace kelvora::platform
