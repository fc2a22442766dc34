#pragma once
// What the test tools share: their arguments as UTF-8 texts and output that goes out byte for
// byte. On Windows a tool gets its command line as it stands: the C runtime splits it (as it does
// for rar.exe and phpar2.exe) and expands no wildcards, so each tool expands its own "*.*".
#include <cstdlib>
#include <string>
#include <vector>

#include "System.h"
#include "platform/Utf8Path.h"

// The tool itself, given the arguments after its name.
int ToolMain(const std::vector<std::string>& args);

namespace tool {

using kelvora::platform::Utf8Path;
using kelvora::platform::Utf8Text;

inline void Say(const std::string& text, bool error = false) {
#ifdef _WIN32
    HANDLE out = ::GetStdHandle(error ? STD_ERROR_HANDLE : STD_OUTPUT_HANDLE);
    for (size_t done = 0; done < text.size();) {
        DWORD n = 0;
        if (!::WriteFile(out, text.data() + done, static_cast<DWORD>(text.size() - done), &n, nullptr)) return;
        done += n;
    }
#else
    for (size_t done = 0; done < text.size();) {
        const ssize_t n = ::write(error ? STDERR_FILENO : STDOUT_FILENO, text.data() + done, text.size() - done);
        if (n < 0 && errno != EINTR) return;
        done += n > 0 ? static_cast<size_t>(n) : 0;
    }
#endif
}

// Standard output and error go to the null device from here on: the reader sees their end.
inline void CloseOutput() {
#ifdef _WIN32
    HANDLE out = ::GetStdHandle(STD_OUTPUT_HANDLE), err = ::GetStdHandle(STD_ERROR_HANDLE);
    HANDLE null = ::CreateFileW(L"NUL", GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING, 0, nullptr);
    ::SetStdHandle(STD_OUTPUT_HANDLE, null);
    ::SetStdHandle(STD_ERROR_HANDLE, null);
    ::CloseHandle(out);
    if (err != out) ::CloseHandle(err);
#else
    const int null = ::open("/dev/null", O_WRONLY);
    ::dup2(null, STDOUT_FILENO), ::dup2(null, STDERR_FILENO);
#endif
}

// Ends as a crash does (on Windows with an access violation's exit status, waking no debugger).
[[noreturn]] inline void Crash() {
#ifdef _WIN32
    ::TerminateProcess(::GetCurrentProcess(), 0xC0000005);
#else
    ::signal(SIGSEGV, SIG_DFL), ::raise(SIGSEGV);
#endif
    std::abort();
}

}  // namespace tool

#ifdef _WIN32
extern "C" {
int _dowildcard = 0;  // the C runtime's globbing stays off
}

int wmain(int argc, wchar_t** argv) {
    std::vector<std::string> args;
    for (int i = 1; i < argc; ++i) args.push_back(tool::Utf8Text(std::filesystem::path(argv[i])));
    return ToolMain(args);
}
#else
int main(int argc, char** argv) { return ToolMain({argv + 1, argv + argc}); }
#endif
