#include "platform/Process.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/prctl.h>
#include <sys/syscall.h>
#include <sys/types.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <chrono>
#include <mutex>
#include <thread>

extern char** environ;

namespace kelvora::platform {

namespace {

std::mutex& ReaperMutex() {
    static std::mutex m;
    return m;
}

std::vector<pid_t>& ReaperList() {
    static std::vector<pid_t> pids;
    return pids;
}

// Process groups of the children that have not been reaped, for the termination handler: a
// fixed table of atomics, as a signal handler may read nothing else.
constexpr int MaxLiveGroups = 64;
std::atomic<pid_t> liveGroups[MaxLiveGroups];

void RegisterGroup(pid_t pid) {
    for (auto& slot : liveGroups) {
        pid_t empty = 0;
        if (slot.compare_exchange_strong(empty, pid)) return;
    }
}

void UnregisterGroup(pid_t pid) {
    for (auto& slot : liveGroups) {
        pid_t mine = pid;
        if (slot.compare_exchange_strong(mine, 0)) return;
    }
}

// Reaps pid when it has exited, filling *status; true when it is gone for good (reaped now, or
// no longer our child). The group leaves the termination table before the id is freed, so the
// handler can never signal an id the system has given to another process.
bool ReapNoWait(pid_t pid, ExitStatus* status = nullptr) {
    siginfo_t info{};
    for (;;) {
        info.si_pid = 0;
        if (::waitid(P_PID, static_cast<id_t>(pid), &info, WEXITED | WNOHANG | WNOWAIT) == 0) break;
        if (errno == EINTR) continue;
        UnregisterGroup(pid);
        return true;  // ECHILD: already reaped elsewhere
    }
    if (info.si_pid != pid) return false;
    UnregisterGroup(pid);
    int raw = 0;
    while (::waitpid(pid, &raw, 0) < 0 && errno == EINTR) {
    }
    if (status) {
        if (WIFSIGNALED(raw))
            *status = {ExitStatus::Kind::Signalled, WTERMSIG(raw)};
        else
            *status = {ExitStatus::Kind::Exited, WEXITSTATUS(raw)};
    }
    return true;
}

void HandOff(pid_t pid) {
    std::lock_guard<std::mutex> lock(ReaperMutex());
    ReaperList().push_back(pid);
}

void CloseAll(std::initializer_list<int> fds) {
    for (int fd : fds)
        if (fd >= 0) ::close(fd);
}

// Signals a tool expects at their defaults, whatever the host changed (a GUI often ignores
// SIGPIPE).
constexpr int DefaultSignals[] = {SIGPIPE, SIGINT,  SIGQUIT, SIGHUP,  SIGTERM, SIGCHLD,
                                  SIGALRM, SIGUSR1, SIGUSR2, SIGTSTP, SIGTTIN, SIGTTOU};

// The child's side of a start, between fork and exec: system calls only.
[[noreturn]] void BecomeChild(char* const* args, bool searchPath, const char* folder, int writeFd, int errorFd,
                              pid_t parent) {
    ::setpgid(0, 0);
    // Dies with this program, even when it is killed outright.
    ::prctl(PR_SET_PDEATHSIG, SIGKILL);
    if (::getppid() != parent) ::_exit(127);

    struct sigaction byDefault {};
    byDefault.sa_handler = SIG_DFL;
    for (int sig : DefaultSignals) ::sigaction(sig, &byDefault, nullptr);
    sigset_t none;
    sigemptyset(&none);
    ::sigprocmask(SIG_SETMASK, &none, nullptr);

    int input = ::open("/dev/null", O_RDONLY);
    if (input < 0 || (folder && ::chdir(folder) != 0) || ::dup2(input, 0) < 0 || ::dup2(writeFd, 1) < 0 || ::dup2(writeFd, 2) < 0) {
        int code = errno;
        if (::write(errorFd, &code, sizeof code) < 0) {
        }
        ::_exit(127);
    }
    if (searchPath)
        ::execvpe(args[0], args, environ);
    else
        ::execve(args[0], args, environ);
    int code = errno;
    if (::write(errorFd, &code, sizeof code) < 0) {
    }
    ::_exit(127);
}

int OpenExitHandle(pid_t pid) {
#ifdef SYS_pidfd_open
    const long fd = ::syscall(SYS_pidfd_open, pid, 0);
    if (fd >= 0) {
        ::fcntl(static_cast<int>(fd), F_SETFD, FD_CLOEXEC);
        return static_cast<int>(fd);
    }
#else
    (void)pid;
#endif
    return -1;
}

void EndChildrenAndDie(int sig) {
    for (auto& slot : liveGroups) {
        const pid_t group = slot.load();
        if (group > 0) ::killpg(group, SIGKILL);
    }
    ::signal(sig, SIG_DFL);
    ::raise(sig);
}

}  // namespace

bool WaitForHandle(WaitHandle handle, int timeoutMs) {
    if (handle == NoWaitHandle) return false;
    pollfd p{static_cast<int>(handle), POLLIN, 0};
    int r;
    while ((r = ::poll(&p, 1, timeoutMs)) < 0 && errno == EINTR) {
    }
    return r > 0;
}

void ReapFinishedChildren() {
    std::lock_guard<std::mutex> lock(ReaperMutex());
    auto& pids = ReaperList();
    pids.erase(std::remove_if(pids.begin(), pids.end(), [](pid_t pid) { return ReapNoWait(pid); }), pids.end());
}

void EndChildrenWithProgram() {
    struct sigaction action {};
    action.sa_handler = EndChildrenAndDie;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESETHAND;
    for (int sig : {SIGTERM, SIGHUP, SIGINT}) {
        struct sigaction old {};
        // A signal the program was started to ignore stays ignored.
        if (::sigaction(sig, nullptr, &old) == 0 && old.sa_handler == SIG_IGN) continue;
        ::sigaction(sig, &action, nullptr);
    }
}

std::unique_ptr<ChildProcess> ChildProcess::Start(const std::vector<std::string>& argv, StartError* error,
                                                 const std::string& folder, const std::string&) {
    ReapFinishedChildren();
    auto fail = [error](StartError::Step step, int code) {
        if (error) *error = {step, code};
        return nullptr;
    };
    if (error) *error = {};
    if (argv.empty() || argv[0].empty()) return fail(StartError::Step::Program, ENOENT);

    int fds[2];
    if (::pipe2(fds, O_CLOEXEC) != 0) return fail(StartError::Step::Pipe, errno);
    // Only the parent's end is non-blocking; the child writes to a blocking pipe as usual.
    int flags = ::fcntl(fds[0], F_GETFL);
    if (flags < 0 || ::fcntl(fds[0], F_SETFL, flags | O_NONBLOCK) != 0) {
        int code = errno;
        CloseAll({fds[0], fds[1]});
        return fail(StartError::Step::Pipe, code);
    }
    // The child reports a failed exec through this pipe; a successful exec closes it.
    int report[2];
    if (::pipe2(report, O_CLOEXEC) != 0) {
        int code = errno;
        CloseAll({fds[0], fds[1]});
        return fail(StartError::Step::Pipe, code);
    }

    std::vector<char*> args;
    args.reserve(argv.size() + 1);
    for (const auto& a : argv) args.push_back(const_cast<char*>(a.c_str()));
    args.push_back(nullptr);
    const bool searchPath = argv[0].find('/') == std::string::npos;

    const pid_t parent = ::getpid();
    const pid_t pid = ::fork();
    if (pid < 0) {
        int code = errno;
        CloseAll({fds[0], fds[1], report[0], report[1]});
        return fail(StartError::Step::Program, code);
    }
    if (pid == 0) BecomeChild(args.data(), searchPath, folder.empty() ? nullptr : folder.c_str(), fds[1], report[1], parent);

    // Set on both sides, so a kill right after the start already reaches the group.
    ::setpgid(pid, pid);
    RegisterGroup(pid);
    CloseAll({fds[1], report[1]});
    int code = 0;
    ssize_t got;
    while ((got = ::read(report[0], &code, sizeof code)) < 0 && errno == EINTR) {
    }
    ::close(report[0]);
    if (got > 0) {
        ::close(fds[0]);
        ExitStatus ignored;
        while (!ReapNoWait(pid, &ignored)) std::this_thread::sleep_for(std::chrono::milliseconds(1));
        return fail(StartError::Step::Program, code);
    }
    return std::unique_ptr<ChildProcess>(new ChildProcess(pid, fds[0], OpenExitHandle(pid)));
}

ChildProcess::ChildProcess(int pid, int readFd, int exitFd) : pid_(pid), readFd_(readFd), exitFd_(exitFd) {}

ChildProcess::~ChildProcess() {
    ClosePipe();
    if (exitFd_ >= 0) ::close(exitFd_);
    if (!reaped_ && !TryReap()) HandOff(pid_);
}

WaitHandle ChildProcess::OutputHandle() const { return readFd_; }

WaitHandle ChildProcess::ExitHandle() const { return exitFd_; }

long ChildProcess::ReadChunk(char* buf, size_t max) {
    if (readFd_ < 0) return 0;
    for (;;) {
        ssize_t n = ::read(readFd_, buf, max);
        if (n >= 0) return static_cast<long>(n);
        if (errno == EINTR) continue;
        if (errno == EAGAIN || errno == EWOULDBLOCK) return -1;
        return 0;  // a broken pipe ends the output
    }
}

bool ChildProcess::KillGroup() {
    if (reaped_ || pid_ <= 0) return false;
    return ::killpg(pid_, SIGKILL) == 0;
}

void ChildProcess::ClosePipe() {
    if (readFd_ >= 0) {
        ::close(readFd_);
        readFd_ = -1;
    }
}

bool ChildProcess::HasExited() const {
    if (reaped_) return true;
    siginfo_t info{};
    while (::waitid(P_PID, static_cast<id_t>(pid_), &info, WEXITED | WNOHANG | WNOWAIT) != 0)
        if (errno != EINTR) return true;
    return info.si_pid == pid_;
}

bool ChildProcess::TryReap() {
    if (!reaped_ && ReapNoWait(pid_, &status_)) reaped_ = true;
    return reaped_;
}

bool ChildProcess::ReapWithin(int timeoutMs) {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
    while (!TryReap()) {
        if (std::chrono::steady_clock::now() >= deadline) return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    return true;
}

}  // namespace kelvora::platform
