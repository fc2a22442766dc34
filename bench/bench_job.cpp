// One job through the window model against the same two tool runs done directly. A 512 MB
// source (made once, then reused) is split into 50 MB volumes with the efficient size on and
// given 10 % recovery data, by the stand-in archiver and the real par2 from the test folder.
// The window's run pays for the runner's 256-byte reads, the output parsing and the progress
// drawing; the direct run sends the tools' output to /dev/null. Rounds alternate between the
// two and the fastest of each counts (KELVORA_BENCH_ROUNDS, default 3).
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "app/JobFromWindow.h"
#include "app/Progress.h"
#include "app/StartStop.h"
#include "app/Wiring.h"
#include "job/ToolCommands.h"
#include "prefs/Language.h"
#include "runner/CommandLine.h"
#include "runner/DOSOutputs.h"
#include "Bench.h"
#include "RunQuietly.h"
#include "window/Desktop.h"
#include "window/frmMain.h"

namespace fs = std::filesystem;
using namespace kelvora;

namespace {

using bench::Files;
using bench::FileBytes;
using bench::MakeSource;
using bench::FreshFolder;
using bench::Seconds;

class IdleDesktop : public Desktop {
public:
    MsgAnswer MsgBox(const std::string& text, MsgButtons, MsgIcon, const std::string&) override {
        boxes.push_back(text);
        return MsgAnswer::OK;
    }
    void DoEvents() override {
        if (window && !window->RarStage && !par2Started) par2Started = std::chrono::steady_clock::now();
    }
    void WaitForSourceOrEvents(platform::WaitHandle source, int timeoutMs) override {
        platform::WaitForHandle(source, timeoutMs < 0 ? 50 : timeoutMs);
        DoEvents();
    }
    std::string BrowseForFolder(const std::string&) override { return ""; }
    std::string ShowOpenFileDialog() override { return ""; }
    bool OpenDocument(const std::string&) override { return false; }
    void ShowAbout() override {}
    void CloseMainWindow() override {}
    double TextWidthPx(const std::string& text) override { return 7.0 * static_cast<double>(text.size()); }
    double TextHeightPx(const std::string&) override { return 13.0; }
    DateTime Now() override { return {}; }

    std::vector<std::string> boxes;
    frmMain* window = nullptr;
    std::optional<std::chrono::steady_clock::time_point> par2Started;
};


void Choose(frmMain& f, const std::string& source, const std::string& output) {
    f.cboFormat.SetListIndex(1);
    f.cboSplitSize.SetText("50");
    f.chkCalculateEff.SetValue(1);
    f.cboCompression.SetListIndex(1);
    f.OptPars[0].SetValue(true);
    f.cboRedundancy.SetText("10");
    f.txtBlockSize.SetText("384000");
    f.txtInput.SetText(source);
    f.txtOutput.SetText(output);
    f.txtArchiveName.SetText("Bench.rar");
    f.txtEstimatedSize.SetText(std::to_string(Files * FileBytes));
}


}  // namespace

int main() {
    const std::string tools = KELVORA_TEST_DIR;
    if (!bench::ToolsThere(tools)) return 1;
    const int rounds = bench::Rounds();

    const std::string dir = std::string(KELVORA_BENCH_DIR) + "/job";
    const std::string source = MakeSource(dir);
    const std::string windowOut = dir + "/window/";
    const std::string directOut = dir + "/direct/";

    IdleDesktop desktop;
    frmMain f(desktop);
    desktop.window = &f;
    f.AppPath = tools;
    WireHandlers(f);
    ApplyLanguage(f, Language::English);
    f.objDOS = std::make_unique<DOSOutputs>(desktop);
    InitProgressBar(f);

    // Each timed run starts with the previous run's writes on disk, and the order alternates, so
    // neither side pays for the other's write-back.
    auto windowRun = [&](double& total, double& archiver) {
        FreshFolder(windowOut);
        Choose(f, source, windowOut);
        desktop.boxes.clear();
        desktop.par2Started.reset();
        ::sync();
        const auto start = std::chrono::steady_clock::now();
        cmdProcess_Click(f);
        total = Seconds(start);
        archiver = desktop.par2Started ? std::chrono::duration<double>(*desktop.par2Started - start).count() : 0;
        if (desktop.boxes != std::vector<std::string>{"Done!"}) {
            std::fprintf(stderr, "the job did not end with \"Done!\"%s%s\n", desktop.boxes.empty() ? "" : ": ",
                         desktop.boxes.empty() ? "" : desktop.boxes.front().c_str());
            return false;
        }
        return true;
    };
    // The same two lines, one after the other; the PAR2 line is built after the archiver has
    // run, as in the job, so its wildcard sees the volumes.
    auto directRun = [&](double& total, double& archiver) {
        FreshFolder(directOut + "Kelvora0001");
        Choose(f, source, directOut);
        ::sync();
        const auto start = std::chrono::steady_clock::now();
        const JobPlan plan = ReadJobPlan(f);
        const ItemPaths item{plan.source, plan.archiveName, directOut + "Kelvora0001"};
        const bool rarOk = test::RunQuietly(ToArgv(ArchiverCommand(plan, item, tools)), "", 600000) == 0;
        archiver = Seconds(start);
        const ToolCommand par2 = Par2CreateCommand(plan, item, tools);
        const bool par2Ok = test::RunQuietly(ToArgv(par2), par2.workingFolder, 600000) == 0;
        total = Seconds(start);
        if (!rarOk || !par2Ok) std::fprintf(stderr, "a direct tool run failed\n");
        return rarOk && par2Ok;
    };

    double bestWindow = 1e300, bestDirect = 1e300;
    for (int round = 0; round < rounds; ++round) {
        double window = 0, windowRar = 0, direct = 0, directRar = 0;
        const bool ok = round % 2 == 0 ? windowRun(window, windowRar) && directRun(direct, directRar)
                                       : directRun(direct, directRar) && windowRun(window, windowRar);
        if (!ok) return 1;
        std::printf("round %d: window %.2f s (archiver %.2f s), direct %.2f s (archiver %.2f s)\n", round + 1,
                    window, windowRar, direct, directRar);
        std::fflush(stdout);
        bestWindow = std::min(bestWindow, window);
        bestDirect = std::min(bestDirect, direct);
    }
    fs::remove_all(windowOut);
    fs::remove_all(directOut);

    std::printf("job_window_seconds %.3f\n", bestWindow);
    std::printf("job_direct_seconds %.3f\n", bestDirect);
    std::printf("job_overhead_ratio %.4f\n", bestWindow / bestDirect);
    return 0;
}
