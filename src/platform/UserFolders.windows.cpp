#include "platform/UserFolders.h"

#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>

#include <cstdlib>
#include <filesystem>

#include "platform/FileSystem.h"
#include "platform/WideText.h"

namespace kelvora::platform {

namespace {

std::string FromEnvironment(const wchar_t* name) {
    const wchar_t* value = ::_wgetenv(name);
    std::string path = value ? Narrow(value) : std::string();
    while (path.size() > 3 && (path.back() == '\\' || path.back() == '/')) path.pop_back();
    return path;
}

}  // namespace

std::string UserConfigFolder() { return FromEnvironment(L"APPDATA"); }

bool IsPrivateFolder(const std::string& path, bool create) {
    // The folders of a user's profile keep others out through their access lists; what is
    // refused here is a link, which could lead anywhere.
    if (path.empty()) return false;
    if (create) CreateFolder(path);
    const DWORD attributes = ::GetFileAttributesW(LongPath(path).c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) &&
           !(attributes & FILE_ATTRIBUTE_REPARSE_POINT);
}

std::string PrivateRuntimeFolder(const std::string& runtimeFolder, const std::string& tempFolder) {
    if (!runtimeFolder.empty() && IsPrivateFolder(runtimeFolder)) return runtimeFolder;
    if (tempFolder.empty()) return "";
    // The temporary folder is the user's own on Windows.
    const std::string own = tempFolder + (tempFolder.back() == '\\' ? "" : "\\") + "kelvora";
    return IsPrivateFolder(own, true) ? own : "";
}

std::string PrivateRuntimeFolder() {
    std::error_code ec;
    const std::string temp = Narrow(std::filesystem::temp_directory_path(ec).wstring());
    return PrivateRuntimeFolder("", ec ? std::string() : temp);
}

}  // namespace kelvora::platform
