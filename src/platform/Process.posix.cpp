#include "platform/Process.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/types.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
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

// True when pid is gone for good: reaped now, or no longer our child (already reaped, or
// reaped by the system because SIGCHLD is ignored).
bool ReapNoWait(pid_t pid) {
    for (;;) {
        int status = 0;
        pid_t r = ::waitpid(pid, &status, WNOHANG);
        if (r == pid) return true;
        if (r == 0) return false;
        if (errno == EINTR) continue;
        return true;  // ECHILD
    }
}

void HandOff(pid_t pid) {
    std::lock_guard<std::mutex> lock(ReaperMutex());
    ReaperList().push_back(pid);
}

// Closes the descriptors of a failed start.
void CloseBoth(int fds[2]) {
    ::close(fds[0]);
    ::close(fds[1]);
}

}  // namespace

void ReapFinishedChildren() {
    std::lock_guard<std::mutex> lock(ReaperMutex());
    auto& pids = ReaperList();
    pids.erase(std::remove_if(pids.begin(), pids.end(), ReapNoWait), pids.end());
}

std::unique_ptr<ChildProcess> ChildProcess::Start(const std::vector<std::string>& argv, StartError* error) {
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
        CloseBoth(fds);
        return fail(StartError::Step::Pipe, code);
    }

    posix_spawn_file_actions_t actions;
    posix_spawnattr_t attr;
    posix_spawn_file_actions_init(&actions);
    posix_spawnattr_init(&attr);
    posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
    posix_spawn_file_actions_adddup2(&actions, fds[1], 1);
    posix_spawn_file_actions_adddup2(&actions, fds[1], 2);

    // Own process group, so a kill reaches whatever the tool starts itself. Signal dispositions
    // the host may have changed (a GUI often ignores SIGPIPE) go back to their defaults.
    sigset_t defaults, noMask;
    sigemptyset(&defaults);
    for (int sig : {SIGPIPE, SIGINT, SIGQUIT, SIGHUP, SIGTERM, SIGCHLD, SIGALRM, SIGUSR1, SIGUSR2, SIGTSTP,
                    SIGTTIN, SIGTTOU})
        sigaddset(&defaults, sig);
    sigemptyset(&noMask);
    posix_spawnattr_setpgroup(&attr, 0);
    posix_spawnattr_setsigdefault(&attr, &defaults);
    posix_spawnattr_setsigmask(&attr, &noMask);
    posix_spawnattr_setflags(&attr, POSIX_SPAWN_SETPGROUP | POSIX_SPAWN_SETSIGDEF | POSIX_SPAWN_SETSIGMASK);

    std::vector<char*> args;
    args.reserve(argv.size() + 1);
    for (const auto& a : argv) args.push_back(const_cast<char*>(a.c_str()));
    args.push_back(nullptr);

    // glibc reports a failed exec (missing or not executable program) as the spawn's result.
    pid_t pid = 0;
    const bool searchPath = argv[0].find('/') == std::string::npos;
    int rc = searchPath ? ::posix_spawnp(&pid, args[0], &actions, &attr, args.data(), environ)
                        : ::posix_spawn(&pid, args[0], &actions, &attr, args.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    posix_spawnattr_destroy(&attr);
    if (rc != 0) {
        CloseBoth(fds);
        return fail(StartError::Step::Program, rc);
    }

    // Our copy of the write end goes at once: the pipe ends when the child and everything it
    // started have closed theirs.
    ::close(fds[1]);
    return std::unique_ptr<ChildProcess>(new ChildProcess(pid, fds[0]));
}

ChildProcess::~ChildProcess() {
    ClosePipe();
    if (!reaped_ && !TryReap()) HandOff(pid_);
}

long ChildProcess::ReadChunk(char* buf, size_t max, int timeoutMs) {
    if (readFd_ < 0) return 0;
    bool waited = false;
    for (;;) {
        ssize_t n = ::read(readFd_, buf, max);
        if (n >= 0) return static_cast<long>(n);
        if (errno == EINTR) continue;
        if (errno != EAGAIN && errno != EWOULDBLOCK) return 0;  // a broken pipe ends the output
        if (waited) return -1;
        // Poll only when the pipe is empty: a busy pipe costs one read per chunk.
        pollfd p{readFd_, POLLIN, 0};
        int r = ::poll(&p, 1, timeoutMs);
        if (r == 0) return -1;
        if (r < 0 && errno != EINTR) return 0;
        waited = true;
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

bool ChildProcess::TryReap() {
    if (!reaped_ && ReapNoWait(pid_)) reaped_ = true;
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
