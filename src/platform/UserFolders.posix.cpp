#include "platform/UserFolders.h"

#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>

namespace kelvora::platform {

namespace {

// An absolute path from the environment, without closing separators; "" when unset or relative
// (the convention says to ignore a relative one).
std::string AbsoluteFromEnvironment(const char* name) {
    const char* value = std::getenv(name);
    if (!value || value[0] != '/') return "";
    std::string path = value;
    while (path.size() > 1 && path.back() == '/') path.pop_back();
    return path;
}

}  // namespace

std::string UserConfigFolder() {
    if (std::string config = AbsoluteFromEnvironment("XDG_CONFIG_HOME"); !config.empty()) return config;
    std::string home = AbsoluteFromEnvironment("HOME");
    if (home.empty()) {
        if (const passwd* pw = ::getpwuid(::getuid()); pw && pw->pw_dir && pw->pw_dir[0] == '/') home = pw->pw_dir;
    }
    if (home.empty()) return "";
    return (home == "/" ? "" : home) + "/.config";
}

bool IsPrivateFolder(const std::string& path, bool create) {
    if (path.empty()) return false;
    if (create) ::mkdir(path.c_str(), 0700);  // an existing name is judged below like any other
    struct stat st;
    return ::lstat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode) && st.st_uid == ::geteuid() &&
           (st.st_mode & (S_IRWXG | S_IRWXO)) == 0;
}

std::string PrivateRuntimeFolder(const std::string& runtimeFolder, const std::string& tempFolder) {
    if (!runtimeFolder.empty() && runtimeFolder[0] == '/' && IsPrivateFolder(runtimeFolder)) return runtimeFolder;
    if (tempFolder.empty()) return "";
    const std::string own =
        tempFolder + (tempFolder.back() == '/' ? "" : "/") + "kelvora-" + std::to_string(::geteuid());
    return IsPrivateFolder(own, true) ? own : "";
}

std::string PrivateRuntimeFolder() {
    std::error_code ec;
    std::string temp = std::filesystem::temp_directory_path(ec).string();
    if (ec || temp.empty()) temp = "/tmp";
    return PrivateRuntimeFolder(AbsoluteFromEnvironment("XDG_RUNTIME_DIR"), temp);
}

}  // namespace kelvora::platform
