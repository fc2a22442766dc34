#include "platform/FileSystem.h"

#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>

#include <algorithm>
#include <cerrno>
#include <cstring>

#include "platform/WideText.h"

namespace kelvora::platform {

std::wstring Wide(const std::string& text) {
    if (text.empty()) return {};
    const int n = ::MultiByteToWideChar(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), nullptr, 0);
    std::wstring out(static_cast<size_t>(n), L'\0');
    ::MultiByteToWideChar(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), out.data(), n);
    return out;
}

std::string Narrow(const std::wstring& text) {
    if (text.empty()) return {};
    const int n = ::WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), nullptr, 0, nullptr,
                                        nullptr);
    std::string out(static_cast<size_t>(n), '\0');
    ::WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), out.data(), n, nullptr, nullptr);
    return out;
}

std::wstring LongPath(const std::string& path) {
    std::wstring wide = Wide(path);
    for (auto& c : wide)
        if (c == L'/') c = L'\\';
    // "C:\..." and "\\server\share\..." can take the prefix; relative paths cannot.
    if (wide.size() >= 3 && wide[1] == L':' && wide[2] == L'\\') return L"\\\\?\\" + wide;
    if (wide.size() >= 2 && wide[0] == L'\\' && wide[1] == L'\\' && wide.rfind(L"\\\\?\\", 0) != 0)
        return L"\\\\?\\UNC\\" + wide.substr(2);
    return wide;
}

namespace {

uint32_t OurAttributes(DWORD attributes) {
    uint32_t out = 0;
    if (attributes & FILE_ATTRIBUTE_HIDDEN) out |= AttrHidden;
    if (attributes & FILE_ATTRIBUTE_SYSTEM) out |= AttrSystem;
    if (attributes & FILE_ATTRIBUTE_DIRECTORY) out |= AttrDirectory;
    return out;
}

int ErrnoOf(DWORD error) {
    switch (error) {
        case ERROR_ALREADY_EXISTS:
        case ERROR_FILE_EXISTS:
            return EEXIST;
        case ERROR_FILE_NOT_FOUND:
        case ERROR_PATH_NOT_FOUND:
        case ERROR_INVALID_NAME:
        case ERROR_BAD_NETPATH:
            return ENOENT;
        case ERROR_ACCESS_DENIED:
        case ERROR_SHARING_VIOLATION:
            return EACCES;
        case ERROR_WRITE_PROTECT:
            return EROFS;
        case ERROR_DISK_FULL:
        case ERROR_HANDLE_DISK_FULL:
            return ENOSPC;
        default:
            return EIO;
    }
}

}  // namespace

std::optional<uint32_t> GetAttributes(const std::string& path) {
    if (path.empty()) return std::nullopt;
    const DWORD attributes = ::GetFileAttributesW(LongPath(path).c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES) return std::nullopt;
    return OurAttributes(attributes);
}

bool Exists(const std::string& path) { return GetAttributes(path).has_value(); }

bool IsRegularFile(const std::string& path) {
    const auto attributes = GetAttributes(path);
    return attributes && (*attributes & AttrDirectory) == 0;
}

int64_t FileSize(const std::string& path) {
    if (path.empty()) return 0;
    HANDLE file = ::CreateFileW(LongPath(path).c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                OPEN_EXISTING, 0, nullptr);
    if (file == INVALID_HANDLE_VALUE) {
        // A file another program holds without sharing still has the size its listing shows.
        WIN32_FILE_ATTRIBUTE_DATA data{};
        if (!::GetFileAttributesExW(LongPath(path).c_str(), GetFileExInfoStandard, &data) ||
            (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY))
            return 0;
        return static_cast<int64_t>((static_cast<uint64_t>(data.nFileSizeHigh) << 32) | data.nFileSizeLow);
    }
    LARGE_INTEGER size{};
    const bool ok = ::GetFileSizeEx(file, &size) != 0;
    ::CloseHandle(file);
    return ok ? static_cast<int64_t>(size.QuadPart) : 0;
}

bool ListFolder(const std::string& folder, const std::function<bool(const DirEntry&)>& onEntry) {
    std::string pattern = folder.empty() ? "." : folder;
    if (pattern.back() != '\\' && pattern.back() != '/') pattern += '\\';
    pattern += '*';
    WIN32_FIND_DATAW data{};
    HANDLE find = ::FindFirstFileExW(LongPath(pattern).c_str(), FindExInfoBasic, &data, FindExSearchNameMatch, nullptr,
                                     FIND_FIRST_EX_LARGE_FETCH);
    if (find == INVALID_HANDLE_VALUE) return ::GetLastError() == ERROR_FILE_NOT_FOUND;
    DirEntry entry;
    do {
        const wchar_t* name = data.cFileName;
        if (name[0] == L'.' && (name[1] == 0 || (name[1] == L'.' && name[2] == 0))) continue;
        entry.name = Narrow(name);
        entry.attributes = OurAttributes(data.dwFileAttributes);
        // A link to a folder is listed as a link, never walked into.
        if ((data.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) && (entry.attributes & AttrDirectory))
            entry.attributes &= ~AttrDirectory;
        entry.size = (entry.attributes & AttrDirectory)
                         ? 0
                         : static_cast<int64_t>((static_cast<uint64_t>(data.nFileSizeHigh) << 32) | data.nFileSizeLow);
        if (!onEntry(entry)) break;
    } while (::FindNextFileW(find, &data));
    ::FindClose(find);
    return true;
}

bool CreateFolder(const std::string& path, int* error) {
    if (::CreateDirectoryW(LongPath(path).c_str(), nullptr)) {
        if (error) *error = 0;
        return true;
    }
    if (error) *error = ErrnoOf(::GetLastError());
    return false;
}

std::string ProgramFolder() {
    std::wstring buffer(MAX_PATH, L'\0');
    for (;;) {
        const DWORD n = ::GetModuleFileNameW(nullptr, buffer.data(), static_cast<DWORD>(buffer.size()));
        if (n == 0) return ".";
        if (n < buffer.size()) {
            buffer.resize(n);
            break;
        }
        buffer.resize(buffer.size() * 2);
    }
    if (buffer.rfind(L"\\\\?\\", 0) == 0) buffer.erase(0, 4);
    const size_t slash = buffer.find_last_of(L"\\/");
    if (slash == std::wstring::npos) return ".";
    return Narrow(buffer.substr(0, slash));
}

namespace {

// An open file that is a file on a disk: not a folder, a pipe or a device such as CON or NUL.
HANDLE OpenDiskFile(const std::string& path, DWORD access) {
    HANDLE file = ::CreateFileW(LongPath(path).c_str(), access, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                OPEN_EXISTING, FILE_FLAG_OVERLAPPED, nullptr);
    if (file != INVALID_HANDLE_VALUE && ::GetFileType(file) != FILE_TYPE_DISK) {
        ::CloseHandle(file);
        ::SetLastError(ERROR_BAD_FILE_TYPE);
        return INVALID_HANDLE_VALUE;
    }
    return file;
}

// Blocking reads and writes on a handle opened for overlapped use (so a pipe could never block
// the open itself): each one waits for its own completion.
bool Transfer(HANDLE file, bool write, char* data, DWORD size, uint64_t offset, DWORD& done) {
    OVERLAPPED o{};
    o.Offset = static_cast<DWORD>(offset);
    o.OffsetHigh = static_cast<DWORD>(offset >> 32);
    const BOOL started = write ? ::WriteFile(file, data, size, nullptr, &o) : ::ReadFile(file, data, size, nullptr, &o);
    if (!started && ::GetLastError() != ERROR_IO_PENDING) {
        done = 0;
        return ::GetLastError() == ERROR_HANDLE_EOF;
    }
    return ::GetOverlappedResult(file, &o, &done, TRUE) || ::GetLastError() == ERROR_HANDLE_EOF;
}

}  // namespace

ReadOutcome ReadRegularFile(const std::string& path, std::size_t maxBytes, std::string& content) {
    const auto attributes = GetAttributes(path);
    if (!attributes) return ReadOutcome::Missing;
    if (*attributes & AttrDirectory) return ReadOutcome::NotRegular;
    HANDLE file = OpenDiskFile(path, GENERIC_READ);
    if (file == INVALID_HANDLE_VALUE)
        return ::GetLastError() == ERROR_BAD_FILE_TYPE ? ReadOutcome::NotRegular : ReadOutcome::Failed;
    ReadOutcome outcome = ReadOutcome::Read;
    LARGE_INTEGER size{};
    std::string data;
    if (!::GetFileSizeEx(file, &size)) {
        outcome = ReadOutcome::Failed;
    } else if (static_cast<uint64_t>(size.QuadPart) > maxBytes) {
        outcome = ReadOutcome::TooLarge;
    } else {
        char buffer[64 * 1024];
        for (;;) {
            DWORD n = 0;
            const DWORD want = static_cast<DWORD>(std::min(sizeof buffer, maxBytes + 1 - data.size()));
            if (!Transfer(file, false, buffer, want, data.size(), n)) {
                outcome = ReadOutcome::Failed;
                break;
            }
            if (n == 0) break;
            data.append(buffer, n);
            if (data.size() > maxBytes) {
                outcome = ReadOutcome::TooLarge;
                break;
            }
        }
    }
    ::CloseHandle(file);
    if (outcome == ReadOutcome::Read) content = std::move(data);
    return outcome;
}

bool OverwriteFile(const std::string& path, const std::string& content) {
    HANDLE file = OpenDiskFile(path, GENERIC_WRITE);
    if (file == INVALID_HANDLE_VALUE) return false;
    std::string data = content;
    LARGE_INTEGER oldSize{}, newSize{};
    newSize.QuadPart = static_cast<LONGLONG>(data.size());
    bool ok = ::GetFileSizeEx(file, &oldSize) != 0;
    // The room a longer content needs is taken before a byte changes (setting the end allocates
    // it, or fails on a full disk and leaves the size): a disk that fills up half way would leave
    // the file cut off in the middle.
    if (ok && newSize.QuadPart > oldSize.QuadPart &&
        !(::SetFilePointerEx(file, newSize, nullptr, FILE_BEGIN) && ::SetEndOfFile(file))) {
        if (::SetFilePointerEx(file, oldSize, nullptr, FILE_BEGIN)) ::SetEndOfFile(file);
        ok = false;
    }
    for (size_t done = 0; ok && done < data.size();) {
        DWORD n = 0;
        const DWORD chunk = static_cast<DWORD>(std::min<size_t>(data.size() - done, 1u << 20));
        ok = Transfer(file, true, data.data() + done, chunk, done, n) && n > 0;
        done += n;
    }
    ok = ok && ::SetFilePointerEx(file, newSize, nullptr, FILE_BEGIN) && ::SetEndOfFile(file);
    ok = ::CloseHandle(file) && ok;
    return ok;
}

bool CreateNewFile(const std::string& path, const std::string& content, int* error) {
    // CREATE_NEW: an existing name is never opened (the C library's "x" mode is ignored here).
    const std::wstring name = LongPath(path);
    HANDLE file = ::CreateFileW(name.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) {
        if (error) *error = ErrnoOf(::GetLastError());
        return false;
    }
    DWORD code = 0;
    for (size_t done = 0; code == 0 && done < content.size();) {
        DWORD n = 0;
        const DWORD chunk = static_cast<DWORD>(std::min<size_t>(content.size() - done, 1u << 20));
        if (!::WriteFile(file, content.data() + done, chunk, &n, nullptr)) code = ::GetLastError();
        else if (n == 0) code = ERROR_WRITE_FAULT;
        done += n;
    }
    if (!::CloseHandle(file) && code == 0) code = ::GetLastError();
    if (code != 0) ::DeleteFileW(name.c_str());
    if (error) *error = code == 0 ? 0 : ErrnoOf(code);
    return code == 0;
}

bool FileWritable(const std::string& path) {
    HANDLE file = OpenDiskFile(path, GENERIC_WRITE);
    if (file == INVALID_HANDLE_VALUE) return false;
    ::CloseHandle(file);
    return true;
}

bool FolderWritable(const std::string& folder) {
    // Access rights on Windows are lists, not bits: a file made and dropped at once is the answer.
    const auto attributes = GetAttributes(folder);
    if (!attributes || !(*attributes & AttrDirectory)) return false;
    std::string probe = folder;
    if (probe.back() != '\\' && probe.back() != '/') probe += '\\';
    probe += "kelvora-write-probe-" + std::to_string(::GetCurrentProcessId());
    HANDLE file = ::CreateFileW(LongPath(probe).c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                                FILE_ATTRIBUTE_TEMPORARY | FILE_FLAG_DELETE_ON_CLOSE, nullptr);
    if (file == INVALID_HANDLE_VALUE) return false;
    ::CloseHandle(file);
    return true;
}

bool CreatePrivateFolders(const std::string& path) {
    // The folders of a user's profile already keep others out. Each missing parent is made in
    // turn; a drive or a server's share at the start simply refuses.
    std::string native = path;
    std::replace(native.begin(), native.end(), '/', '\\');
    for (size_t at = native.find('\\'); at != std::string::npos; at = native.find('\\', at + 1))
        if (at > 0 && native[at - 1] != '\\' && native[at - 1] != ':')
            ::CreateDirectoryW(LongPath(native.substr(0, at)).c_str(), nullptr);
    if (!native.empty()) ::CreateDirectoryW(LongPath(native).c_str(), nullptr);
    const auto attributes = GetAttributes(path);
    return attributes && (*attributes & AttrDirectory);
}

FileLock::FileLock(const std::string& path) {
    // Opened without sharing: the open itself is the lock, and it goes with the process.
    HANDLE file = ::CreateFileW(LongPath(path).c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_ALWAYS,
                                FILE_ATTRIBUTE_NORMAL | FILE_FLAG_OPEN_REPARSE_POINT, nullptr);
    if (file == INVALID_HANDLE_VALUE) {
        busy_ = ::GetLastError() == ERROR_SHARING_VIOLATION;
        return;
    }
    BY_HANDLE_FILE_INFORMATION info{};
    if (!::GetFileInformationByHandle(file, &info) || (info.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT)) {
        ::CloseHandle(file);  // a link is never taken
        return;
    }
    handle_ = reinterpret_cast<intptr_t>(file);
    held_ = true;
}

FileLock::~FileLock() {
    if (held_) ::CloseHandle(reinterpret_cast<HANDLE>(handle_));
}

std::string ErrorText(int error) { return std::strerror(error); }

}  // namespace kelvora::platform
