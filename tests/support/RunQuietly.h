#pragma once
#include <string>
#include <vector>

#include "platform/Process.h"
#include "runner/CommandLine.h"

namespace kelvora::test {

// Runs a program to its end (in `folder` when given) with no input and its output thrown away;
// its exit status, or -1 when it could not run or did not exit. Header-only: the benchmarks use
// it too.
inline int RunQuietly(const std::vector<std::string>& argv, const std::string& folder = "") {
    std::string line;  // Windows hands the program this line as it stands
    for (const auto& a : argv) {
        if (!line.empty()) line += ' ';
        line += QuoteArgument(a);
    }
    auto child = platform::ChildProcess::Start(argv, nullptr, folder, line);
    if (!child) return -1;
    char buffer[4096];
    for (long n; (n = child->ReadChunk(buffer, sizeof buffer)) != 0;)
        if (n < 0) platform::WaitForHandle(child->OutputHandle(), -1);
    while (!child->ReapWithin(100)) {
    }
    const platform::ExitStatus status = child->Status();
    return status.kind == platform::ExitStatus::Kind::Exited ? status.code : -1;
}

}  // namespace kelvora::test
