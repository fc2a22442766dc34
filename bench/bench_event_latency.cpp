// How fast the window answers while a tool is silent. A second thread posts a queued call to the
// GUI thread, waits until it has run, lets the GUI thread fall asleep again and posts the next;
// each sample is the time from the post to the call. Once with the GUI thread idle in
// QApplication::exec(), once inside DOSOutputs::ExecuteCommand on the real QtDesktop while a
// child writes nothing. Rounds alternate between the two; the medians of all samples count.
// Then the GUI thread's wake-ups during a silent run are counted: with no poll period there are
// only the few the child's start and end cause.
//
// `bench_event_latency --silent-run <seconds>` does only the count, for a look with strace.
#include <sys/resource.h>
#include <unistd.h>

#include <QApplication>
#include <QMetaObject>
#include <algorithm>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "gui/QtDesktop.h"
#include "runner/CommandLine.h"
#include "runner/DOSOutputs.h"

using namespace kelvora;
using Clock = std::chrono::steady_clock;

namespace {

constexpr int Rounds = 3;
constexpr int SamplesPerRound = 1000;
// The gap before each post: long enough for the GUI thread to be asleep again.
constexpr auto Gap = std::chrono::milliseconds(1);

// The real desktop's event loop; a failure of the runner is printed instead of shown in a box
// that nobody would close.
class BenchDesktop : public QtDesktop {
public:
    MsgAnswer MsgBox(const std::string& text, MsgButtons, MsgIcon, const std::string&) override {
        std::fprintf(stderr, "message box: %s\n", text.c_str());
        failed = true;
        return MsgAnswer::OK;
    }
    bool failed = false;
};

std::string Self() {
    char buf[4096];
    const ssize_t n = readlink("/proc/self/exe", buf, sizeof buf - 1);
    return n > 0 ? std::string(buf, static_cast<size_t>(n)) : "bench_event_latency";
}

std::string SilentChild(int seconds) {
    return QuoteArgument(Self()) + " --silent " + std::to_string(seconds);
}

// Posts `count` queued calls to the GUI thread, one after the other, and returns each one's
// turnaround in microseconds; then posts `atEnd`.
std::vector<double> Sample(int count, std::function<void()> atEnd) {
    std::vector<double> samples;
    std::mutex m;
    std::condition_variable cv;
    bool ran = false;
    for (int i = 0; i < count; ++i) {
        std::this_thread::sleep_for(Gap);
        const Clock::time_point posted = Clock::now();
        QMetaObject::invokeMethod(
            qApp,
            [&, posted] {
                const double us = std::chrono::duration<double, std::micro>(Clock::now() - posted).count();
                std::lock_guard lock(m);
                samples.push_back(us);
                ran = true;
                cv.notify_one();
            },
            Qt::QueuedConnection);
        std::unique_lock lock(m);
        cv.wait(lock, [&] { return ran; });
        ran = false;
    }
    QMetaObject::invokeMethod(qApp, std::move(atEnd), Qt::QueuedConnection);
    return samples;
}

std::vector<double> IdleRound() {
    std::vector<double> samples;
    std::thread sampler([&] { samples = Sample(SamplesPerRound, [] { QCoreApplication::quit(); }); });
    QApplication::exec();
    sampler.join();
    return samples;
}

std::vector<double> JobRound(BenchDesktop& desktop) {
    DOSOutputs dos(desktop);
    std::vector<double> samples;
    std::atomic<bool> started = false;
    dos.ReceiveOutputs = [](std::string& text) {
        if (!text.empty()) std::fprintf(stderr, "the silent child wrote: %s\n", text.c_str());
    };
    // The first sample is posted only once the run is under way.
    QMetaObject::invokeMethod(qApp, [&] { started = true; }, Qt::QueuedConnection);
    std::thread sampler([&] {
        while (!started) std::this_thread::sleep_for(Gap);
        samples = Sample(SamplesPerRound, [&dos] { dos.TerminateNow(); });
    });
    dos.ExecuteCommand(SilentChild(600));
    sampler.join();
    if (desktop.failed || dos.LastResult().outcome != RunResult::Outcome::Stopped) {
        std::fprintf(stderr, "the silent run did not last until it was stopped\n");
        std::exit(1);
    }
    return samples;
}

double Percentile(std::vector<double> v, double p) {
    const auto k = static_cast<size_t>(p * static_cast<double>(v.size() - 1));
    std::nth_element(v.begin(), v.begin() + static_cast<long>(k), v.end());
    return v[k];
}

// Context switches of the calling thread: each time it slept and was woken.
long Wakeups() {
    rusage usage{};
    getrusage(RUSAGE_THREAD, &usage);
    return usage.ru_nvcsw + usage.ru_nivcsw;
}

long SilentRunWakeups(BenchDesktop& desktop, int seconds) {
    DOSOutputs dos(desktop);
    const long before = Wakeups();
    dos.ExecuteCommand(SilentChild(seconds));
    const long wakeups = Wakeups() - before;
    if (desktop.failed || dos.LastResult().outcome != RunResult::Outcome::Ended) {
        std::fprintf(stderr, "the silent run failed\n");
        std::exit(1);
    }
    return wakeups;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc == 3 && std::strcmp(argv[1], "--silent") == 0) {
        std::this_thread::sleep_for(std::chrono::seconds(std::atoi(argv[2])));
        return 0;
    }
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    BenchDesktop desktop;

    if (argc == 3 && std::strcmp(argv[1], "--silent-run") == 0) {
        const int seconds = std::atoi(argv[2]);
        std::printf("silent_run_wakeups %ld (GUI thread, %d s silent child)\n", SilentRunWakeups(desktop, seconds),
                    seconds);
        return 0;
    }

    std::vector<double> idle, job;
    for (int i = 0; i < Rounds; ++i) {
        const std::vector<double> a = IdleRound(), b = JobRound(desktop);
        idle.insert(idle.end(), a.begin(), a.end());
        job.insert(job.end(), b.begin(), b.end());
    }
    constexpr int SilentSeconds = 3;
    const long wakeups = SilentRunWakeups(desktop, SilentSeconds);
    const double idleMedian = Percentile(idle, 0.5), jobMedian = Percentile(job, 0.5);
    std::printf("samples %zu per case (a queued call from a second thread every %lld ms and more)\n", idle.size(),
                static_cast<long long>(Gap.count()));
    std::printf("idle_event_latency_us_p90 %.1f\n", Percentile(idle, 0.9));
    std::printf("job_event_latency_us_p90 %.1f\n", Percentile(job, 0.9));
    std::printf("silent_run_wakeups %ld (GUI thread, %d s silent child; a 50 ms poll would add %d)\n", wakeups,
                SilentSeconds, SilentSeconds * 20);
    std::printf("idle_event_latency_us_median %.1f\n", idleMedian);
    std::printf("job_event_latency_us_median %.1f\n", jobMedian);
    std::printf("job_event_latency_ratio %.3f\n", jobMedian / idleMedian);
    return 0;
}
