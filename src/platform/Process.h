#pragma once
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace kelvora::platform {

// What an event loop can wait on until it is ready: a file descriptor on POSIX, a HANDLE on
// Windows.
using WaitHandle = intptr_t;
inline constexpr WaitHandle NoWaitHandle = -1;

// Why a child could not be started.
struct StartError {
    enum class Step { None, Pipe, Program };
    Step step = Step::None;
    int code = 0;  // system error code of the failing call
};

// How a child ended.
struct ExitStatus {
    enum class Kind { Running, Exited, Signalled };
    Kind kind = Kind::Running;
    int code = 0;  // the exit code, or the number of the signal that ended the child
    bool Success() const { return kind == Kind::Exited && code == 0; }
};

// One child process with its standard output and standard error in one pipe that the parent
// reads. The child gets its own process group (on Windows a job object, and no console window),
// stdin from the null device, and inherits the environment and the current folder. It is killed
// with its group when this program is ended by a signal, and by the system when this program
// dies (see EndChildrenWithProgram).
//
// Reaping never blocks the caller: a child that has not exited when its ChildProcess goes away
// is handed to a process-wide list that later starts (or ReapFinishedChildren) reap.
class ChildProcess {
public:
    // Starts argv[0] with the arguments argv[1..], in `folder` when it is not empty. A program
    // name without a separator is looked up in PATH. Returns nullptr when the pipe or the program
    // could not be started (a missing or not executable program, an empty argv, a folder that
    // cannot be entered), with the reason in *error. On Windows the program is argv[0] and it
    // gets `commandLine` as it stands (argv[1..] are not used there; only a program path with
    // blanks at its start is put in quotes); on POSIX `commandLine` is not used.
    static std::unique_ptr<ChildProcess> Start(const std::vector<std::string>& argv, StartError* error = nullptr,
                                               const std::string& folder = "", const std::string& commandLine = "");

    ~ChildProcess();
    ChildProcess(const ChildProcess&) = delete;
    ChildProcess& operator=(const ChildProcess&) = delete;

    int Pid() const { return pid_; }

    // Ready when output, or the end of the output, can be read.
    WaitHandle OutputHandle() const;
    // Reads at most `max` bytes without waiting: the count read (> 0), 0 at the end of the
    // output, or -1 when nothing is there yet.
    long ReadChunk(char* buf, size_t max);

    // Ready when the child has exited; NoWaitHandle where the system cannot tell (then poll
    // TryReap).
    WaitHandle ExitHandle() const;

    // SIGKILL to the child's process group (on Windows: the job object ends, exit code 0), only
    // while the child has not been reaped (its id cannot have been given to another process
    // yet). Returns whether a signal was sent.
    bool KillGroup();

    // Closes the parent's end of the pipe (also done on destruction).
    void ClosePipe();

    // True when the child has exited (it may still wait to be reaped).
    bool HasExited() const;
    // Reaps the child if it has exited; true once it has been reaped.
    bool TryReap();
    // Waits up to timeoutMs for the child to exit and reaps it (for use right after a kill).
    bool ReapWithin(int timeoutMs);
    bool Reaped() const { return reaped_; }
    // How the child ended; Running until it has been reaped.
    ExitStatus Status() const { return status_; }

private:
    ChildProcess(int pid, int readFd, int exitFd);

    int pid_;
    int readFd_;
    int exitFd_;
    bool reaped_ = false;
    ExitStatus status_;
#ifdef _WIN32
    struct Windows;
    std::unique_ptr<Windows> win_;
#endif
};

// Waits up to timeoutMs (-1: no limit) until `handle` is ready; true when it is.
bool WaitForHandle(WaitHandle handle, int timeoutMs);

// Reaps every handed-off child that has exited since; never blocks.
void ReapFinishedChildren();

// Makes a termination of this program end its children too: SIGTERM, SIGHUP and SIGINT kill
// the running children's process groups, then end the program as the signal asks. (Each child
// is also killed by the system when this program dies of anything else, SIGKILL included.)
void EndChildrenWithProgram();

}  // namespace kelvora::platform
