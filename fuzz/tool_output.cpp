// A tool's output as the runner hands it over: in chunks of 1 to 256 bytes, cut anywhere (the
// cuts follow from the input). What the job and the failure report read from it must not
// depend on where the cuts fall, must stay bounded, and the volume count never goes down.
#include <algorithm>
#include <vector>

#include "Fuzz.h"
#include "job/ToolProgress.h"
#include "runner/ToolMessages.h"

using namespace kelvora;

namespace {

constexpr std::size_t RunnerChunk = 256;
constexpr std::size_t MaxLine = 1024;  // what ToolMessages keeps of a line

bool HasLineEnd(const std::string& s) { return s.find_first_of("\r\n") != std::string::npos; }

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
    const std::string output = fuzz::Text(data, size);
    fuzz::Numbers numbers(output);
    std::vector<std::string> chunks;
    for (std::size_t at = 0; at < output.size();) {
        const std::size_t n = numbers.Next(RunnerChunk);
        chunks.push_back(output.substr(at, n));
        at += n;
    }

    ToolMessages chunked, whole;
    ArchiverProgress progress, progressWhole;
    int32_t lastCount = 0;
    const auto onVolumes = [&](int32_t count) {
        fuzz::Check(count > lastCount, "the volume count only goes up");
        lastCount = count;
    };
    for (const std::string& chunk : chunks) {
        chunked.Feed(chunk);
        progress.Feed(chunk, onVolumes, [] {});
        if (const auto percent = Par2PercentIn(chunk))
            fuzz::Check(chunk.find("Processing") != std::string::npos, "a percentage comes from a Processing chunk");
    }
    chunked.Finish();
    whole.Feed(output);
    whole.Finish();

    fuzz::Check(progress.VolumesDone() == lastCount, "the count told is the count kept");
    // "l sum" counts per chunk; without it only lines count, and the cuts change nothing.
    if (output.find("l sum") == std::string::npos) {
        progressWhole.Feed(output, [](int32_t) {}, [] {});
        fuzz::Check(progressWhole.VolumesDone() == progress.VolumesDone(), "lines count alike however cut");
    }

    fuzz::Check(chunked.Problems() == whole.Problems() && chunked.LastLine() == whole.LastLine(),
                "the messages do not depend on the cuts");
    const auto& problems = chunked.Problems();
    fuzz::Check(problems.size() <= ToolMessages::MaxProblems, "at most MaxProblems problem lines");
    for (std::size_t i = 0; i < problems.size(); ++i) {
        fuzz::Check(!problems[i].empty() && problems[i].size() <= MaxLine && !HasLineEnd(problems[i]),
                    "a problem is one bounded line");
        fuzz::Check(std::find(problems.begin(), problems.begin() + static_cast<long>(i), problems[i]) ==
                        problems.begin() + static_cast<long>(i),
                    "each problem once");
    }
    fuzz::Check(chunked.LastLine().size() <= MaxLine && !HasLineEnd(chunked.LastLine()), "the last line is one bounded line");
    const auto quote = chunked.Quote();
    fuzz::Check(problems.empty() ? quote.size() == !chunked.LastLine().empty() : quote == problems,
                "the quote is the problems, else the last line");
    return 0;
}
