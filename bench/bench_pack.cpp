// `kelvora pack` against the same two tool runs done directly, and the price of --verify. The
// 512 MB source of bench_job is split into 50 MB volumes of whole PAR2 blocks with 10 % recovery
// data, by the stand-in archiver and the real par2, from a program folder holding a copy of the
// program. Rounds alternate and the fastest of each counts (KELVORA_BENCH_ROUNDS, default 3).
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "Bench.h"
#include "RunQuietly.h"
#include "job/ToolCommands.h"
#include "runner/CommandLine.h"

namespace fs = std::filesystem;
using namespace kelvora;
using bench::FreshFolder;
using bench::Seconds;

int main() {
    const std::string tools = KELVORA_TEST_DIR;
    if (!bench::ToolsThere(tools)) return 1;
    const int rounds = bench::Rounds();
    const std::string dir = std::string(KELVORA_BENCH_DIR) + "/job";
    const std::string source = bench::MakeSource(dir), out = dir + "/pack/", program = dir + "/program";
    FreshFolder(program);
    fs::copy_file(KELVORA_PROGRAM, program + "/kelvora");
    fs::create_symlink(tools + "/rar", program + "/rar");
    fs::create_symlink(fs::read_symlink(tools + "/par2"), program + "/par2");

    auto pack = [&](bool verify, double& seconds) {
        FreshFolder(out);
        ::sync();
        std::vector<std::string> argv = {program + "/kelvora", "pack", source, "-o", out, "--split", "50M",
                                         "--compression", "normal", "-q"};
        if (verify) argv.push_back("--verify");
        const auto start = std::chrono::steady_clock::now();
        const int status = test::RunQuietly(argv, "", 600000);
        seconds = Seconds(start);
        if (status != 0) std::fprintf(stderr, "kelvora pack ended with %d\n", status);
        return status == 0;
    };
    auto direct = [&](double& seconds) {
        FreshFolder(out + "Kelvora0001");
        ::sync();
        JobPlan plan;
        plan.source = source, plan.outputFolder = out, plan.archiveName = "source.rar", plan.splitBytes = 50 * 1048576;
        plan.compression = Compression::Normal;
        const ItemPaths item{source, plan.archiveName, out + "Kelvora0001"};
        const auto start = std::chrono::steady_clock::now();
        const bool rarOk = test::RunQuietly(ToArgv(ArchiverCommand(plan, item, tools)), "", 600000) == 0;
        const ToolCommand par2 = Par2CreateCommand(plan, item, tools);
        const bool par2Ok = test::RunQuietly(ToArgv(par2), par2.workingFolder, 600000) == 0;
        seconds = Seconds(start);
        if (!rarOk || !par2Ok) std::fprintf(stderr, "a direct tool run failed\n");
        return rarOk && par2Ok;
    };

    double bestPack = 1e300, bestDirect = 1e300, bestVerify = 1e300;
    for (int round = 0; round < rounds; ++round) {
        double packed = 0, directly = 0, verified = 0;
        const bool ok = round % 2 == 0 ? pack(false, packed) && direct(directly) && pack(true, verified)
                                       : pack(true, verified) && direct(directly) && pack(false, packed);
        if (!ok) return 1;
        std::printf("round %d: pack %.2f s, direct %.2f s, pack --verify %.2f s\n", round + 1, packed, directly, verified);
        std::fflush(stdout);
        bestPack = std::min(bestPack, packed);
        bestDirect = std::min(bestDirect, directly);
        bestVerify = std::min(bestVerify, verified);
    }
    fs::remove_all(out);
    std::printf("pack_seconds %.3f\n", bestPack);
    std::printf("verify_extra_ratio %.4f\n", bestVerify / bestPack);
    std::printf("pack_overhead_ratio %.4f\n", bestPack / bestDirect);
    return 0;
}
