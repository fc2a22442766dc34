#pragma once
// What the job benchmarks share: their source, folders made afresh, the clock, the tools.
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

namespace kelvora::bench {

// The tools the benchmarks run: the stand-in archiver and par2, where the tests' build put them.
inline bool ToolsThere(const std::string& tools) {
    if (std::filesystem::exists(tools + "/rar") && std::filesystem::exists(tools + "/par2")) return true;
    std::fprintf(stderr, "The stand-in rar and the par2 link are missing in %s: build the tests first.\n", tools.c_str());
    return false;
}

// How many rounds a timed benchmark runs: KELVORA_BENCH_ROUNDS, by default 3.
inline int Rounds() {
    const char* text = std::getenv("KELVORA_BENCH_ROUNDS");
    return text && std::atoi(text) > 0 ? std::atoi(text) : 3;
}

inline double Seconds(std::chrono::steady_clock::time_point since) {
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - since).count();
}

inline void FreshFolder(const std::string& folder) {
    std::filesystem::remove_all(folder);
    std::filesystem::create_directories(folder);
}

// The source: Files files of FileBytes pseudo-random bytes (512 MB), written once and reused by
// later runs.
constexpr int Files = 4;
constexpr uint64_t FileBytes = 128ull * 1024 * 1024;

inline std::string MakeSource(const std::string& dir) {
    namespace fs = std::filesystem;
    const std::string source = dir + "/source";
    fs::create_directories(source);
    std::vector<uint64_t> block(1 << 17);
    for (int i = 0; i < Files; ++i) {
        const std::string path = source + "/part" + std::to_string(i) + ".bin";
        std::error_code ec;
        if (fs::file_size(path, ec) == FileBytes) continue;
        std::ofstream out(path, std::ios::binary | std::ios::trunc);
        uint64_t x = 0x9E3779B97F4A7C15ull * static_cast<uint64_t>(i + 1);
        for (uint64_t done = 0; done < FileBytes; done += block.size() * sizeof(uint64_t)) {
            for (auto& v : block) {
                x ^= x << 13;
                x ^= x >> 7;
                x ^= x << 17;
                v = x;
            }
            out.write(reinterpret_cast<const char*>(block.data()), static_cast<std::streamsize>(block.size() * sizeof(uint64_t)));
        }
    }
    return source;
}

}  // namespace kelvora::bench
