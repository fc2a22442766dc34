#include "platform/Terminal.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>

namespace kelvora::platform {

namespace {

std::atomic<bool> interrupted{false};
int pipeFds[2] = {-1, -1};
struct sigaction previous[2];
constexpr int Signals[2] = {SIGINT, SIGTERM};

void OnInterrupt(int) {
    interrupted = true;
    const int saved = errno;
    const char byte = 1;
    if (::write(pipeFds[1], &byte, 1) < 0) {
    }
    errno = saved;
}

}  // namespace

InterruptWatch::InterruptWatch() {
    interrupted = false;
    if (::pipe2(pipeFds, O_CLOEXEC | O_NONBLOCK) != 0) pipeFds[0] = pipeFds[1] = -1;
    struct sigaction action {};
    action.sa_handler = OnInterrupt;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    for (int i = 0; i < 2; ++i) ::sigaction(Signals[i], &action, &previous[i]);
}

InterruptWatch::~InterruptWatch() {
    for (int i = 0; i < 2; ++i) ::sigaction(Signals[i], &previous[i], nullptr);
    for (int& fd : pipeFds)
        if (fd >= 0) ::close(fd), fd = -1;
}

WaitHandle InterruptWatch::Handle() const { return pipeFds[0]; }

bool InterruptWatch::Interrupted() const { return interrupted; }

bool WaitForEither(WaitHandle first, WaitHandle second, int timeoutMs) {
    pollfd p[2];
    nfds_t n = 0;
    for (WaitHandle h : {first, second})
        if (h != NoWaitHandle) p[n++] = {static_cast<int>(h), POLLIN, 0};
    int r;
    while ((r = ::poll(p, n, timeoutMs)) < 0 && errno == EINTR) {
    }
    return r > 0;
}

void UseParentConsole() {}

std::vector<std::string> ProgramArguments(int argc, char** argv) {
    return argc > 1 ? std::vector<std::string>(argv + 1, argv + argc) : std::vector<std::string>{};
}

bool ErrorIsTerminal() { return ::isatty(STDERR_FILENO) == 1; }

}  // namespace kelvora::platform
