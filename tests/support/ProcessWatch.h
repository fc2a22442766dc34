#pragma once
// Looking at processes from a test: states from /proc, bounded polling.
#include <unistd.h>

#include <chrono>
#include <fstream>
#include <functional>
#include <sstream>
#include <string>
#include <thread>

namespace kelvora::test {

// State letter and parent of a process (state 0 when it is gone).
inline std::pair<char, int> ProcState(int pid) {
    std::ifstream in("/proc/" + std::to_string(pid) + "/stat");
    std::string line;
    std::getline(in, line);
    // The command name may hold blanks and parentheses: the fields follow the last ')'.
    const size_t close = line.rfind(')');
    std::pair<char, int> state{0, 0};
    if (close != std::string::npos) std::istringstream(line.substr(close + 1)) >> state.first >> state.second;
    return state;
}

// Still our child: running, or a zombie nobody reaped.
inline bool IsOurChild(int pid) { return ProcState(pid).second == static_cast<int>(getpid()); }

// No longer running (gone, or dead and waiting for its parent).
inline bool IsDead(int pid) {
    const char state = ProcState(pid).first;
    return state == 0 || state == 'Z' || state == 'X';
}

// Polls `condition` until it holds or `limit` has passed; the result is the last answer.
inline bool WaitFor(const std::function<bool()>& condition,
                    std::chrono::milliseconds limit = std::chrono::milliseconds(5000)) {
    const auto deadline = std::chrono::steady_clock::now() + limit;
    for (;;) {
        if (condition()) return true;
        if (std::chrono::steady_clock::now() >= deadline) return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
}

// A pid a test's shell child wrote (0 while the file is not there).
inline int ReadPidFile(const std::string& file) {
    int pid = 0;
    std::ifstream(file) >> pid;
    return pid;
}

}  // namespace kelvora::test
