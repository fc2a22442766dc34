#pragma once
#include <cstddef>
#include <memory>
#include <string>
#include <vector>

namespace kelvora::platform {

// Why a child could not be started.
struct StartError {
    enum class Step { None, Pipe, Program };
    Step step = Step::None;
    int code = 0;  // system error code of the failing call
};

// One child process with its standard output and standard error in one pipe that the parent
// reads. The child gets its own process group, stdin from the null device, and inherits the
// environment and the current folder.
//
// Reaping never blocks the caller: a child that has not exited when its ChildProcess goes away
// is handed to a process-wide list that later starts (or ReapFinishedChildren) reap.
class ChildProcess {
public:
    // Starts argv[0] with the arguments argv[1..]. A program name without a separator is looked
    // up in PATH. Returns nullptr when the pipe or the program could not be started (a missing
    // or not executable program, an empty argv), with the reason in *error.
    static std::unique_ptr<ChildProcess> Start(const std::vector<std::string>& argv, StartError* error = nullptr);

    ~ChildProcess();
    ChildProcess(const ChildProcess&) = delete;
    ChildProcess& operator=(const ChildProcess&) = delete;

    int Pid() const { return pid_; }

    // Reads at most `max` bytes: the count read (> 0), 0 at the end of the pipe, or -1 when
    // nothing arrived within timeoutMs.
    long ReadChunk(char* buf, size_t max, int timeoutMs);

    // SIGKILL to the child's process group, only while the child has not been reaped (its id
    // cannot have been given to another process yet). Returns whether a signal was sent.
    bool KillGroup();

    // Closes the parent's end of the pipe (also done on destruction).
    void ClosePipe();

    // Reaps the child if it has exited; true once it has been reaped.
    bool TryReap();
    // Waits up to timeoutMs for the child to exit and reaps it (for use right after a kill).
    bool ReapWithin(int timeoutMs);
    bool Reaped() const { return reaped_; }

private:
    ChildProcess(int pid, int readFd) : pid_(pid), readFd_(readFd) {}

    int pid_;
    int readFd_;
    bool reaped_ = false;
};

// Reaps every handed-off child that has exited since; never blocks.
void ReapFinishedChildren();

}  // namespace kelvora::platform
