#pragma once
// Looking at processes from a test: states from /proc (on Windows from the process objects),
// bounded polling, a child run as another user.
#include <algorithm>
#include <chrono>
#include <fstream>
#include <functional>
#include <iterator>
#include <optional>
#include <sstream>
#include <string>
#include <thread>

#include "System.h"
#ifndef _WIN32
#include <grp.h>
#include <sys/wait.h>
#endif

namespace kelvora::test {

#ifdef _WIN32
// No longer running (gone, or ended while someone still holds it).
inline bool IsDead(int pid) {
    HANDLE process = ::OpenProcess(SYNCHRONIZE, FALSE, static_cast<DWORD>(pid));
    const bool ended = !process || ::WaitForSingleObject(process, 0) == WAIT_OBJECT_0;
    if (process) ::CloseHandle(process);
    return ended;
}
// Windows keeps no zombies: a child of ours is one still running.
inline bool IsOurChild(int pid) { return !IsDead(pid); }
// Nothing the tool started is left: its job object ends the whole tree with it.
inline bool GroupGone(int pid) { return IsDead(pid); }
#else
// State letter and parent of a process (state 0 when it is gone). The command name may hold
// blanks and parentheses: the fields follow the last ')'.
inline std::pair<char, int> ProcState(int pid) {
    std::ifstream in("/proc/" + std::to_string(pid) + "/stat");
    const std::string line(std::istreambuf_iterator<char>(in), {});
    std::pair<char, int> state{0, 0};
    if (const size_t close = line.rfind(')'); close != std::string::npos)
        std::istringstream(line.substr(close + 1)) >> state.first >> state.second;
    return state;
}
// Still our child: running, or a zombie nobody reaped.
inline bool IsOurChild(int pid) { return ProcState(pid).second == static_cast<int>(getpid()); }
// No longer running (gone, or dead and waiting for its parent).
inline bool IsDead(int pid) { return std::string("\0ZX", 3).find(ProcState(pid).first) != std::string::npos; }
// No process of the group the tool led is left, zombies included.
inline bool GroupGone(int pid) { return ::kill(-pid, 0) != 0 && errno == ESRCH; }
#endif

// Polls `condition` until it holds or `limit` has passed; the result is the last answer.
inline bool WaitFor(const std::function<bool()>& condition,
                    std::chrono::milliseconds limit = std::chrono::milliseconds(5000)) {
    for (const auto deadline = std::chrono::steady_clock::now() + limit; !condition();
         std::this_thread::sleep_for(std::chrono::milliseconds(5)))
        if (std::chrono::steady_clock::now() >= deadline) return false;
    return true;
}

// A pid a test's child wrote (0 while the file is not there).
inline int ReadPidFile(const std::string& file) {
    int pid = 0;
    std::ifstream(file) >> pid;
    return pid;
}

#ifndef _WIN32
// Waits for a forked child of the test for at most `limit`; one that takes longer is killed, so a
// fault that hangs it fails the test in seconds. The child's wait status, or -1 after a kill.
inline int WaitChild(pid_t pid, std::chrono::milliseconds limit = std::chrono::milliseconds(60000)) {
    int status = 0;
    if (WaitFor([&] { return ::waitpid(pid, &status, WNOHANG) == pid; }, limit)) return status;
    ::kill(pid, SIGKILL);
    ::waitpid(pid, &status, 0);
    return -1;
}

// Runs `run` in a forked child that is another user (nobody) when the tests run as root, whom
// permission bits do not stop, and hands back the text it returned; none when the child could
// not change its user (or ended otherwise).
inline std::optional<std::string> AsAnotherUser(const std::function<std::string()>& run) {
    int ends[2];
    if (::pipe(ends) != 0) return std::nullopt;
    const pid_t child = ::fork();
    if (child == 0) {
        if (::geteuid() == 0 && (::setgroups(0, nullptr) != 0 || ::setgid(65534) != 0 || ::setuid(65534) != 0))
            ::_exit(100);
        const std::string text = run();
        ::_exit(::write(ends[1], text.data(), text.size()) == static_cast<ssize_t>(text.size()) ? 0 : 101);
    }
    ::close(ends[1]);
    // The text is short: the pipe holds it all while the child ends.
    const int status = child < 0 ? -1 : WaitChild(child);
    std::string text(65536, '\0');
    ::fcntl(ends[0], F_SETFL, O_NONBLOCK);
    text.resize(static_cast<size_t>(std::max<ssize_t>(0, ::read(ends[0], text.data(), text.size()))));
    ::close(ends[0]);
    if (status < 0 || !WIFEXITED(status) || WEXITSTATUS(status) != 0) return std::nullopt;
    return text;
}
#endif

}  // namespace kelvora::test
