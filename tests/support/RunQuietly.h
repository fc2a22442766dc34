#pragma once
#ifdef _WIN32
#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>

#include "platform/Utf8Path.h"
#include "runner/CommandLine.h"
#else
#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>

extern char** environ;
#endif

#include <string>
#include <vector>

namespace kelvora::test {

// Runs a program to its end with no input and its output thrown away; its exit status, or -1
// when it could not run or did not exit. Header-only: the benchmarks use it too.
inline int RunQuietly(const std::vector<std::string>& argv) {
#ifdef _WIN32
    std::string line;
    for (const auto& a : argv) line += (line.empty() ? "" : " ") + QuoteArgument(a);
    std::wstring wideLine = platform::Utf8Path(line).wstring();
    SECURITY_ATTRIBUTES inherit{sizeof(SECURITY_ATTRIBUTES), nullptr, TRUE};
    HANDLE null = ::CreateFileW(L"NUL", GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, &inherit,
                                OPEN_EXISTING, 0, nullptr);
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESTDHANDLES;
    startup.hStdInput = startup.hStdOutput = startup.hStdError = null;
    PROCESS_INFORMATION info{};
    const BOOL started = ::CreateProcessW(platform::Utf8Path(argv.at(0)).wstring().c_str(), wideLine.data(), nullptr,
                                          nullptr, TRUE, CREATE_NO_WINDOW, nullptr, nullptr, &startup, &info);
    ::CloseHandle(null);
    if (!started) return -1;
    DWORD code = 0;
    ::WaitForSingleObject(info.hProcess, INFINITE);
    ::GetExitCodeProcess(info.hProcess, &code);
    ::CloseHandle(info.hProcess), ::CloseHandle(info.hThread);
    return static_cast<int>(code);
#else
    std::vector<char*> args;
    for (const auto& a : argv) args.push_back(const_cast<char*>(a.c_str()));
    args.push_back(nullptr);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
    posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
    posix_spawn_file_actions_adddup2(&actions, 1, 2);
    pid_t pid = 0;
    const int rc = posix_spawn(&pid, args[0], &actions, nullptr, args.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    int status = 0;
    if (rc != 0 || ::waitpid(pid, &status, 0) != pid) return -1;
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
#endif
}

}  // namespace kelvora::test
