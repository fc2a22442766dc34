#include "platform/Terminal.h"

#include <windows.h>

#include <shellapi.h>

#include <atomic>
#include <cstdio>
#include <filesystem>

#include "platform/Utf8Path.h"

namespace kelvora::platform {

namespace {

std::atomic<bool> interrupted{false};
HANDLE event = nullptr;

BOOL WINAPI OnInterrupt(DWORD) {
    interrupted = true;
    if (event) ::SetEvent(event);
    return TRUE;  // the command ends itself, once its tools are stopped
}

}  // namespace

InterruptWatch::InterruptWatch() {
    interrupted = false;
    event = ::CreateEventW(nullptr, TRUE, FALSE, nullptr);
    ::SetConsoleCtrlHandler(OnInterrupt, TRUE);
}

InterruptWatch::~InterruptWatch() {
    ::SetConsoleCtrlHandler(OnInterrupt, FALSE);
    if (event) ::CloseHandle(event), event = nullptr;
}

WaitHandle InterruptWatch::Handle() const { return event ? reinterpret_cast<WaitHandle>(event) : NoWaitHandle; }

bool InterruptWatch::Interrupted() const { return interrupted; }

bool WaitForEither(WaitHandle first, WaitHandle second, int timeoutMs) {
    HANDLE handles[2];
    DWORD n = 0;
    for (WaitHandle h : {first, second})
        if (h != NoWaitHandle) handles[n++] = reinterpret_cast<HANDLE>(h);
    const DWORD wait = timeoutMs < 0 ? INFINITE : static_cast<DWORD>(timeoutMs);
    if (n == 0) {
        ::Sleep(wait == INFINITE ? 0 : wait);
        return false;
    }
    return ::WaitForMultipleObjects(n, handles, FALSE, wait) < WAIT_OBJECT_0 + n;
}

void UseParentConsole() {
    // Started from a console with nothing redirected, a window program writes nowhere.
    const HANDLE out = ::GetStdHandle(STD_OUTPUT_HANDLE);
    if (out && out != INVALID_HANDLE_VALUE) return;
    if (!::AttachConsole(ATTACH_PARENT_PROCESS)) return;
    std::freopen("CONOUT$", "w", stdout);
    std::freopen("CONOUT$", "w", stderr);
}

std::vector<std::string> ProgramArguments(int, char**) {
    int count = 0;
    LPWSTR* wide = ::CommandLineToArgvW(::GetCommandLineW(), &count);
    std::vector<std::string> arguments;
    for (int i = 1; wide && i < count; ++i) arguments.push_back(Utf8Text(std::filesystem::path(wide[i])));
    if (wide) ::LocalFree(wide);
    return arguments;
}

bool ErrorIsTerminal() {
    DWORD mode = 0;
    return ::GetConsoleMode(::GetStdHandle(STD_ERROR_HANDLE), &mode) != 0;
}

}  // namespace kelvora::platform
