#include <gtest/gtest.h>
#include <signal.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <filesystem>

#include "ProcessWatch.h"
#include "JobWindow.h"
#include "RunQuietly.h"
#include "common/Numbers.h"
#include "common/Text.h"
#include "job/ItemProcessing.h"
#include "job/JobControl.h"
#include "platform/Process.h"

namespace fs = std::filesystem;

namespace kelvora {
namespace {

long Count(const std::string& folder) { return std::distance(fs::directory_iterator(folder), fs::directory_iterator()); }

struct JobRun : ::testing::Test {
    // A source of 3,500,000 bytes in two folders.
    JobRun() {
        tmp.WriteFile("photos/Holiday/IMG_0.jpg", 1500000, 7);
        tmp.WriteFile("photos/Holiday/sub/IMG_1.jpg", 1200000, 8);
        tmp.WriteFile("photos/Holiday/IMG_2.jpg", 800000, 9);
        w.Choose(source, output, "Holiday.rar", 3500000);
    }
    // The message boxes shown since the last call; "!" marks an exclamation box.
    std::string TakeBoxes() {
        std::string all;
        for (const auto& b : w.desktop.boxes) all += b.text + (b.icon == MsgIcon::Exclamation ? "!" : "") + ";";
        return w.desktop.boxes.clear(), all;
    }
    // Status, caption and bar, and whether the input groups are unlocked with no job running.
    std::string Idle() { return f.lblStatus.Caption() + "|" + f.cmdProcess.Caption() + "|" + w.BarText() +
                                (w.InputGroups(true) && !f.JobRunning ? "" : " busy"); }
    void StopWhen(std::function<bool()> condition) {
        w.desktop.When(std::move(condition), [this] { pid = f.objDOS->LastProcessId(), f.cmdProcess.UserClick(); });
    }
    void ExpectIdleAfterCancel() {
        EXPECT_EQ(Idle() + TakeBoxes(), "Status: Canceled by the user.|Start|(0%)");  // no "Done!"
        // No process of the tool's group is left, zombies reaped.
        auto gone = [this] { return platform::ReapFinishedChildren(), ::kill(-pid, 0) != 0 && errno == ESRCH; };
        EXPECT_TRUE(pid != 0 && test::WaitFor(gone, std::chrono::seconds(10))) << "a tool is still running";
    }

    test::JobWindow w;
    frmMain& f = w.f;
    test::TempDir tmp;
    std::string source = tmp.MakeFolder("photos/Holiday"), output = tmp.MakeFolder("out") + "/";
    int pid = 0;
};

TEST_F(JobRun, VolumesOfWholeBlocksAndRecoveryFilesThatRepair) {
    f.cboSplitSize.SetText("1000000");
    f.chkCalculateEff.SetValue(1);
    f.txtBlockSize.SetText("128000");
    f.cboRedundancy.SetText("30");
    f.chkPause.SetValue(1);
    std::string statusAtBox;
    w.desktop.onMsgBox = [&](const auto& box) { statusAtBox += box.text + "|" + f.lblStatus.Caption() + ";"; };
    // Each stage shows its status, "Stop" and locked input groups; the bar runs per stage.
    std::vector<std::string> rarBars, parBars;
    w.desktop.When([&] {
        if (f.cmdProcess.Caption() == "Start") return false;
        EXPECT_TRUE(f.cmdProcess.Caption() == "Stop" && w.InputGroups(false));
        EXPECT_EQ(f.lblStatus.Caption(), (f.RarStage ? "Status: Rarring... " : "Status: Parring... ") + source);
        (f.RarStage ? rarBars : parBars).push_back(w.BarText());
        return false;
    }, [] {});

    f.cmdProcess.UserClick();

    // The pause between the stages, then "Done!" before the status says so.
    EXPECT_EQ(statusAtBox, "Kelvora is paused. Click 'OK' to continue. |Status: Rarring... " + source +
                               ";Done!|Status: Parring... " + source + ";");
    EXPECT_EQ(Idle() + "|" + f.txtInput.Text(), "Status: Done!|Start|(0%)|");
    // Four volumes of the four expected, then the bar is emptied for the second stage.
    rarBars.erase(std::unique(rarBars.begin(), rarBars.end()), rarBars.end());
    EXPECT_EQ(rarBars, (std::vector<std::string>{"(0%)", "(25%)", "(50%)", "(75%)", "(100%)", "(0%)"}));
    EXPECT_NE(std::count(parBars.begin(), parBars.end(), "(0%)"), static_cast<long>(parBars.size()));

    // 1,000,000 bytes is 7.8 blocks of 128,000: volumes of 8 whole blocks, the last one shorter.
    const std::string work = output + "Kelvora0001/", par2 = test::TestToolsDir() + "/par2", index = work + "Holiday.par2";
    auto volume = [&](int i) { return work + "Holiday.part" + std::to_string(i) + ".rar"; };
    ASSERT_TRUE(fs::exists(volume(4)) && !fs::exists(volume(5)));
    for (int i = 1; i <= 3; ++i) EXPECT_EQ(fs::file_size(volume(i)), 8 * 128000u);
    EXPECT_EQ(test::RunQuietly({par2, "verify", index}), 0);
    // One volume lost, then one damaged: each time the repair gives back the very bytes.
    for (const int i : {2, 3}) {
        const std::string path = volume(i), bytes = test::ReadFile(path);
        if (i == 2) fs::remove(path);
        else fs::resize_file(path, 500000);
        EXPECT_EQ(test::RunQuietly({par2, "repair", index}), 0);
        EXPECT_TRUE(test::ReadFile(path) == bytes) << path;
    }
}

// Stopped in the archiver stage, then in a second run in the PAR2 stage.
TEST_F(JobRun, StopInEitherStageKeepsTheFilesAndLeavesNoTool) {
    f.cboSplitSize.SetText("1000000");
    f.txtBlockSize.SetText("4000");
    f.cboRedundancy.SetText("100");
    bool parring = false;
    f.lblStatus.Observe([&] { parring |= StartsWith(f.lblStatus.Caption(), "Status: Parring"); });
    ::setenv("KELVORA_FAKE_RAR_DELAY_MS", "30000", 1);  // the archiver waits after each volume
    StopWhen([this] { return f.VolumesDone >= 1; });
    f.cmdProcess.UserClick();
    ::unsetenv("KELVORA_FAKE_RAR_DELAY_MS");
    ExpectIdleAfterCancel();
    EXPECT_TRUE(!parring && Count(output + "Kelvora0001") == 1);
    EXPECT_EQ(fs::file_size(output + "Kelvora0001/Holiday.part1.rar"), 1000000u);  // written before the Stop

    pid = 0;
    w.Choose(source, output, "Holiday.rar", 3500000);
    f.cboSplitSize.SetText("");
    StopWhen([&] { return parring; });
    // The button reads "Start" again while the stopped run is still ending: a click there must
    // not begin a run inside the run.
    w.desktop.When([this] { return f.cmdProcess.Caption() == "Start" && pid != 0; },
                   [this] { f.cmdProcess.UserClick(); });
    f.cmdProcess.UserClick();
    ExpectIdleAfterCancel();
    EXPECT_EQ(f.VolumesDone, 1);  // counted afresh: the one volume of this run
    EXPECT_GT(fs::file_size(output + "Kelvora0002/Holiday.rar"), 3500000u);
}

// Each failed check shows its message and leaves the window exactly as it was.
TEST_F(JobRun, StartChecksInOrder) {
    test::TempDir program;
    f.AppPath = program.path();
    w.Choose("", "", "", 0);
    auto state = [this] {
        return f.txtInput.Text() + "|" + f.txtOutput.Text() + "|" + f.txtArchiveName.Text() + "|" +
               f.cboSplitSize.Text() + "|" + Idle() + "|" + std::to_string(w.desktop.doEventsCalls);
    };
    auto refused = [&](const std::string& message) {
        const std::string was = state();
        f.cmdProcess.UserClick();
        EXPECT_EQ(state() + TakeBoxes(), was + message + "!;");
    };
    f.cboSplitSize.SetText("5");

    refused(f.MessageText(37));  // the archiver first, whatever else is missing
    program.MakeFolder("rar");
    refused(f.MessageText(37));  // a folder is no program
    fs::remove(program / "rar");
    program.WriteText("rar", "");
    refused(f.MessageText(38));
    program.WriteText("par2", "");
    refused("No input file / folder selected. ");
    f.txtInput.SetText(" ");  // blanks count as content
    refused("No output folder selected. ");
    f.txtOutput.SetText(tmp / "missing/");
    refused("No output name selected. ");
    f.txtArchiveName.SetText("Holiday.rar");

    // An accepted size reaches the item, which cannot create its folder in the missing output
    // folder: the error box, the window idle, no tool started.
    const std::tuple<int, const char*, int64_t, bool> sizes[] = {
        {0, "99999", 99999, false}, {0, "100000", 100000, true}, {0, "262144001", 262144001, false},
        {1, "250", 262144000, true}};
    for (auto [format, text, bytes, ok] : sizes) {
        f.cboFormat.SetListIndex(format);
        f.cboSplitSize.SetText(text);
        if (!ok) refused(bytes < 100000 ? "Minimum allowed split size is 100.000 bytes. "
                                        : "Maximum allowed split size is 250mb (262.144.000 bytes). ");
        else {
            f.cmdProcess.UserClick();
            EXPECT_EQ(Idle() + TakeBoxes() + std::to_string(f.objDOS->LastProcessId()),
                      "Status: Canceled by the user.|Start|(0%)76 - Path not found!;0");  // the run ends the item's error
            w.Choose(" ", tmp / "missing/", "Holiday.rar", 0);
        }
        EXPECT_EQ(SplitBytes, bytes) << text;  // set even when the check then fails
    }
    EXPECT_FALSE(fs::exists(tmp / "missing"));
}

TEST_F(JobRun, WorkFolderNumberingSkipsEveryTakenName) {
    tmp.MakeFolder("out/Kelvora0001");
    tmp.WriteText("out/Kelvora0002", "a file");
    fs::create_symlink(tmp / "gone", output + "Kelvora0004");
    EXPECT_EQ(CreateWorkFolder(output), "Kelvora0003");
    EXPECT_EQ(CreateWorkFolder(output), "Kelvora0005");
    EXPECT_TRUE(fs::is_directory(output + "Kelvora0005") && !fs::exists(tmp / "gone") &&
                test::ReadFile(output + "Kelvora0002") == "a file");

    // Every name taken: the item ends with a clear error and writes nothing. Hard links are far
    // cheaper to make than new files; one file takes at most 65,000 of them.
    const std::string seeds[] = {tmp.WriteText("seed0", ""), tmp.WriteText("seed1", "")};
    for (int n = 6; n <= 99999; ++n)
        ASSERT_EQ(::link(seeds[n / 50000].c_str(), (output + "Kelvora" + FormatCounter(n)).c_str()), 0) << n;
    f.cmdProcess.UserClick();
    EXPECT_EQ(TakeBoxes(), "58 - No free work folder name in " + output + "!;");
    EXPECT_EQ(Count(output), 99999);
    EXPECT_EQ(f.objDOS->LastProcessId(), 0);
}

// The extension rule looks at the first of the last four characters, or of all of a shorter name.
TEST(ArchiveNameRule, LastFourCharacters) {
    const std::pair<const char*, const char*> names[] = {{"avi_clip.avi", "avi_clip.rar"}, {"Holiday", "Holiday.rar"},
        {"movie.mpeg", "movie.mpeg.rar"}, {"a.bc", "a.bc.rar"}, {".ab", "rar"}, {"abc", "abc.rar"},
        {"Caf\xC3\xA9.\xC3\xA9t\xC3\xA9", "Caf\xC3\xA9.rar"}};
    for (auto [name, expected] : names) EXPECT_EQ(WithRarExtension(name), expected) << name;
}

}  // namespace
}  // namespace kelvora
