#pragma once
// Looking at processes from a test: states from /proc, bounded polling.
#include <signal.h>
#include <unistd.h>

#include <chrono>
#include <fstream>
#include <functional>
#include <sstream>
#include <string>
#include <thread>

#include "support/TempDir.h"

namespace kelvora::test {

struct ProcInfo {
    bool exists = false;
    char state = 0;
    int ppid = 0;
};

inline ProcInfo ReadProc(int pid) {
    ProcInfo info;
    std::ifstream in("/proc/" + std::to_string(pid) + "/stat");
    std::string line;
    if (!in || !std::getline(in, line)) return info;
    // The command name may hold blanks and parentheses: the fields follow the last ')'.
    size_t close = line.rfind(')');
    if (close == std::string::npos) return info;
    std::istringstream rest(line.substr(close + 1));
    rest >> info.state >> info.ppid;
    info.exists = true;
    return info;
}

// Our child is still ours: running, or a zombie nobody reaped.
inline bool IsOurChild(int pid) {
    ProcInfo p = ReadProc(pid);
    return p.exists && p.ppid == static_cast<int>(getpid());
}

// A process that no longer runs (gone, or dead and waiting for its parent).
inline bool IsDead(int pid) {
    ProcInfo p = ReadProc(pid);
    return !p.exists || p.state == 'Z' || p.state == 'X';
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

// Reads a pid written by helper_child (0 when the file is not there).
inline int ReadPidFile(const std::string& file) {
    std::ifstream in(file);
    int pid = 0;
    in >> pid;
    return pid;
}

// A helper program built from tests/tools.
inline std::string HelperPath(const std::string& name) { return TestToolsDir() + "/" + name; }

}  // namespace kelvora::test
