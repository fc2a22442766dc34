#pragma once
#include <algorithm>
#include <chrono>
#include <string>
#include <vector>

#include "platform/Process.h"
#include "runner/CommandLine.h"

namespace kelvora::test {

// Runs a program to its end (in `folder` when given) with no input and its output thrown away;
// its exit status, or -1 when it could not run or did not exit within `limitMs` (then it is
// killed, so a tool that hangs fails a test in seconds). Header-only: the benchmarks use it too.
inline int RunQuietly(const std::vector<std::string>& argv, const std::string& folder = "", int limitMs = 60000) {
    std::string line;  // Windows hands the program this line as it stands
    for (const auto& a : argv) {
        if (!line.empty()) line += ' ';
        line += QuoteArgument(a);
    }
    auto child = platform::ChildProcess::Start(argv, nullptr, folder, line);
    if (!child) return -1;
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(limitMs);
    auto left = [&] {
        return static_cast<int>(std::chrono::duration_cast<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now()).count());
    };
    char buffer[4096];
    for (long n; (n = child->ReadChunk(buffer, sizeof buffer)) != 0;)
        if (n < 0 && (left() <= 0 || !platform::WaitForHandle(child->OutputHandle(), std::max(left(), 0)))) break;
    while (!child->ReapWithin(100))
        if (left() <= 0 && child->KillGroup()) child->ReapWithin(1000);
    const platform::ExitStatus status = child->Status();
    return status.kind == platform::ExitStatus::Kind::Exited ? status.code : -1;
}

}  // namespace kelvora::test
