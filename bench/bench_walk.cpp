// Times the folder walk against `du` on the same warm tree of 200,000 files in 2,000 folders.
// Prints both times and, last, `walk_vs_du_ratio <walk / du>` (goal: at most 1.0). Exits non-zero
// when the walk's total differs from the sum of the file sizes `find` reports.
#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <string>

#include "sizing/Sizes.h"

namespace fs = std::filesystem;

namespace {

constexpr int TopFolders = 40;
constexpr int SubFolders = 49;  // per top folder: 40 + 40 x 49 = 2,000 folders
constexpr int FilesPerFolder = 100;

std::string Quoted(const std::string& path) {
    std::string out = "'";
    for (char c : path) out += c == '\'' ? std::string("'\\''") : std::string(1, c);
    return out + "'";
}

// Sparse files of varied sizes up to 64 KiB (some empty): the tree stays small on disk and for
// any copying tool. Sizes beyond 32 bits are the unit tests' business.
off_t SizeOf(long n) { return static_cast<off_t>((n * 7919) % 65536); }

void FillFolder(const std::string& folder, long& n) {
    fs::create_directories(folder);
    for (int i = 0; i < FilesPerFolder; ++i, ++n) {
        const std::string path = folder + "/f" + std::to_string(i) + ".bin";
        const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
        if (fd < 0 || ::ftruncate(fd, SizeOf(n)) != 0) {
            std::perror(path.c_str());
            std::exit(2);
        }
        ::close(fd);
    }
}

// Made once; a stamp beside the tree says it is complete.
void MakeTree(const std::string& tree) {
    const std::string stamp = tree + ".complete";
    if (fs::exists(stamp) && fs::exists(tree)) return;
    std::error_code ec;
    fs::remove_all(tree, ec);
    std::printf("generating %s\n", tree.c_str());
    long n = 0;
    for (int t = 0; t < TopFolders; ++t) {
        const std::string top = tree + "/d" + std::to_string(t);
        FillFolder(top, n);
        for (int s = 0; s < SubFolders; ++s) FillFolder(top + "/s" + std::to_string(s), n);
    }
    std::ofstream(stamp) << n << "\n";
}

// Runs a command and hands each line of its output to `onLine`.
bool Run(const std::string& command, const std::function<void(const char*)>& onLine) {
    FILE* pipe = ::popen(command.c_str(), "r");
    if (!pipe) return false;
    char line[4096];
    while (std::fgets(line, sizeof line, pipe)) onLine(line);
    return ::pclose(pipe) == 0;
}

double Seconds(const std::function<void()>& run) {
    const auto start = std::chrono::steady_clock::now();
    run();
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

}  // namespace

int main() {
    const std::string tree = std::string(KELVORA_BENCH_DIR) + "/walk_tree";
    MakeTree(tree);

    int64_t expected = 0;
    long files = 0;
    if (!Run("find " + Quoted(tree) + " -type f -printf '%s\\n'", [&](const char* line) {
            expected += std::strtoll(line, nullptr, 10);
            ++files;
        })) {
        std::fprintf(stderr, "find failed\n");
        return 2;
    }

    long refreshes = 0;
    const auto refresh = [&] { ++refreshes; };
    int64_t total = kelvora::GetFolderSize(tree, refresh);  // warms the tree's metadata
    const std::string du = "du -s --apparent-size -B1 " + Quoted(tree);
    int64_t duTotal = 0;
    const auto runDu = [&] {
        if (!Run(du, [&](const char* line) { duTotal = std::strtoll(line, nullptr, 10); })) {
            std::fprintf(stderr, "du failed\n");
            std::exit(2);
        }
    };
    runDu();

    // Best of three each, taken in turns so a change in the machine's load hits both alike.
    double walkSeconds = 1e30, duSeconds = 1e30;
    for (int i = 0; i < 3; ++i) {
        walkSeconds = std::min(walkSeconds, Seconds([&] { total = kelvora::GetFolderSize(tree, refresh); }));
        duSeconds = std::min(duSeconds, Seconds(runDu));
    }

    std::printf("files %ld total %lld (find %lld, du with folders %lld)\n", files, static_cast<long long>(total),
                static_cast<long long>(expected), static_cast<long long>(duTotal));
    std::printf("walk_seconds %.4f\n", walkSeconds);
    std::printf("du_seconds %.4f\n", duSeconds);
    if (total != expected) {
        std::fprintf(stderr, "walk total %lld differs from find's %lld\n", static_cast<long long>(total),
                     static_cast<long long>(expected));
        return 1;
    }
    std::printf("walk_vs_du_ratio %.3f\n", walkSeconds / duSeconds);
    return 0;
}
