// Throughput of the console runner: a child writes 200 MB in 4 KiB writes; DOSOutputs reads it
// in chunks of 256 bytes, raising an event and running DoEvents for each. Beside it, a plain
// blocking loop reading the same kind of pipe 256 bytes at a time. The writer is this program
// itself started with --write, so it costs no more than its write calls.
#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "runner/CommandLine.h"
#include "runner/DOSOutputs.h"
#include "window/Desktop.h"

extern char** environ;

namespace {

constexpr long long TotalBytes = 200LL * 1024 * 1024;
constexpr size_t WriteBlock = 4096;
constexpr int Rounds = 3;

int Write(long long total, size_t block) {
    std::vector<char> data(block, 'k');
    for (long long done = 0; done < total;) {
        size_t n = static_cast<size_t>(std::min<long long>(static_cast<long long>(block), total - done));
        ssize_t w = write(1, data.data(), n);
        if (w <= 0) return 1;
        done += w;
    }
    return 0;
}

class IdleDesktop : public kelvora::Desktop {
public:
    kelvora::MsgAnswer MsgBox(const std::string& text, kelvora::MsgButtons, kelvora::MsgIcon,
                              const std::string&) override {
        std::fprintf(stderr, "message box: %s\n", text.c_str());
        return kelvora::MsgAnswer::OK;
    }
    void DoEvents() override {}
    void WaitForSourceOrEvents(kelvora::platform::WaitHandle source, int timeoutMs) override {
        kelvora::platform::WaitForHandle(source, timeoutMs < 0 ? 50 : timeoutMs);
    }
    std::string BrowseForFolder(const std::string&) override { return ""; }
    std::string ShowOpenFileDialog() override { return ""; }
    bool OpenDocument(const std::string&) override { return false; }
    void ShowAbout() override {}
    void CloseMainWindow() override {}
    double TextWidthPx(const std::string&) override { return 0; }
    double TextHeightPx(const std::string&) override { return 0; }
    kelvora::DateTime Now() override { return {}; }
};

std::string Self() {
    char buf[4096];
    ssize_t n = readlink("/proc/self/exe", buf, sizeof buf - 1);
    if (n <= 0) return "bench_runner";
    return std::string(buf, static_cast<size_t>(n));
}

double MbPerSecond(long long bytes, std::chrono::steady_clock::duration d) {
    return static_cast<double>(bytes) / (1024.0 * 1024.0) / std::chrono::duration<double>(d).count();
}

double RunnerRound(const std::string& self) {
    IdleDesktop desktop;
    kelvora::DOSOutputs dos(desktop);
    long long received = 0;
    dos.ReceiveOutputs = [&received](std::string& text) { received += static_cast<long long>(text.size()); };
    auto start = std::chrono::steady_clock::now();
    dos.ExecuteCommand(kelvora::QuoteArgument(self) + " --write " + std::to_string(TotalBytes) + " " +
                       std::to_string(WriteBlock));
    auto took = std::chrono::steady_clock::now() - start;
    if (received != TotalBytes) {
        std::fprintf(stderr, "runner received %lld bytes\n", received);
        std::exit(1);
    }
    return MbPerSecond(received, took);
}

double PlainRound(const std::string& self) {
    int fds[2];
    if (pipe2(fds, O_CLOEXEC) != 0) std::exit(1);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, fds[1], 1);
    std::string total = std::to_string(TotalBytes), block = std::to_string(WriteBlock);
    std::vector<char*> args{const_cast<char*>(self.c_str()), const_cast<char*>("--write"), total.data(), block.data(),
                            nullptr};
    auto start = std::chrono::steady_clock::now();
    pid_t pid = 0;
    if (posix_spawn(&pid, self.c_str(), &actions, nullptr, args.data(), environ) != 0) std::exit(1);
    posix_spawn_file_actions_destroy(&actions);
    close(fds[1]);
    char buf[256];
    long long received = 0;
    for (;;) {
        ssize_t n = read(fds[0], buf, sizeof buf);
        if (n <= 0) break;
        received += n;
    }
    auto took = std::chrono::steady_clock::now() - start;
    close(fds[0]);
    waitpid(pid, nullptr, 0);
    if (received != TotalBytes) {
        std::fprintf(stderr, "plain loop received %lld bytes\n", received);
        std::exit(1);
    }
    return MbPerSecond(received, took);
}

}  // namespace

int main(int argc, char** argv) {
    if (argc == 4 && std::strcmp(argv[1], "--write") == 0)
        return Write(std::atoll(argv[2]), static_cast<size_t>(std::atoll(argv[3])));

    const std::string self = Self();
    double runner = 0, plain = 0;
    // Alternate the two and keep the best of each, so a busy moment hurts neither alone.
    for (int i = 0; i < Rounds; ++i) {
        runner = std::max(runner, RunnerRound(self));
        plain = std::max(plain, PlainRound(self));
    }
    std::printf("bytes_per_run %lld (written in %zu-byte blocks, read 256 bytes at a time)\n", TotalBytes, WriteBlock);
    std::printf("plain_loop_mb_per_s %.1f\n", plain);
    std::printf("runner_vs_plain_ratio %.3f\n", runner / plain);
    std::printf("runner_mb_per_s %.1f\n", runner);
    return 0;
}
