#include <gtest/gtest.h>
#include <signal.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <thread>

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

std::vector<std::string> Entries(const std::string& folder, const std::string& suffix = "") {
    std::vector<std::string> names;
    for (const auto& e : fs::directory_iterator(folder))
        if (EndsWith(e.path().filename().string(), suffix)) names.push_back(e.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
}

// True once no process of the group `pgid` is left (zombies reaped); polls for at most 10 s.
bool GroupGone(int pgid) {
    const auto end = std::chrono::steady_clock::now() + std::chrono::seconds(10);
    for (;;) {
        platform::ReapFinishedChildren();
        if (::kill(-pgid, 0) != 0 && errno == ESRCH) return true;
        if (std::chrono::steady_clock::now() > end) return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
}

struct JobRun : ::testing::Test {
    // A source of 3,500,000 bytes in two folders.
    JobRun() {
        source = tmp.MakeFolder("photos/Holiday");
        output = tmp.MakeFolder("out") + "/";
        tmp.WriteFile("photos/Holiday/IMG_0.jpg", 1500000, 7);
        tmp.WriteFile("photos/Holiday/sub/IMG_1.jpg", 1200000, 8);
        tmp.WriteFile("photos/Holiday/IMG_2.jpg", 800000, 9);
        w.Choose(source, output, "Holiday.rar", 3500000);
    }
    void StopWhen(std::function<bool()> condition) {
        w.desktop.When(std::move(condition), [this] {
            pid = f.objDOS->LastProcessId();
            f.cmdProcess.UserClick();
        });
    }
    void ExpectIdleAfterCancel() {
        EXPECT_EQ(f.lblStatus.Caption() + "|" + f.cmdProcess.Caption() + "|" + w.BarText(),
                  "Status: Canceled by the user.|Start|(0%)");
        EXPECT_TRUE(w.InputGroups(true) && !f.JobRunning);
        EXPECT_TRUE(w.desktop.boxes.empty());  // no "Done!"
        EXPECT_TRUE(pid != 0 && GroupGone(pid)) << "a tool is still running";
    }

    test::JobWindow w;
    frmMain& f = w.f;
    test::TempDir tmp;
    std::string source, output;
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
    w.desktop.When(
        [&] {
            if (f.cmdProcess.Caption() == "Start") return false;
            EXPECT_EQ(f.cmdProcess.Caption(), "Stop");
            EXPECT_TRUE(w.InputGroups(false));
            EXPECT_EQ(f.lblStatus.Caption(), (f.RarStage ? "Status: Rarring... " : "Status: Parring... ") + source);
            (f.RarStage ? rarBars : parBars).push_back(w.BarText());
            return false;
        },
        [] {});

    f.cmdProcess.UserClick();

    // The pause between the stages, then "Done!" before the status says so.
    EXPECT_EQ(statusAtBox, "Kelvora is paused. Click 'OK' to continue. |Status: Rarring... " + source +
                               ";Done!|Status: Parring... " + source + ";");
    EXPECT_EQ(f.lblStatus.Caption() + "|" + f.cmdProcess.Caption() + "|" + w.BarText() + "|" + f.txtInput.Text(),
              "Status: Done!|Start|(0%)|");
    EXPECT_TRUE(w.InputGroups(true) && !f.JobRunning);
    // Four volumes of the four expected, then the bar is emptied for the second stage.
    rarBars.erase(std::unique(rarBars.begin(), rarBars.end()), rarBars.end());
    EXPECT_EQ(rarBars, (std::vector<std::string>{"(0%)", "(25%)", "(50%)", "(75%)", "(100%)", "(0%)"}));
    EXPECT_NE(std::count(parBars.begin(), parBars.end(), "(0%)"), static_cast<long>(parBars.size()));

    // 1,000,000 bytes is 7.8 blocks of 128,000: volumes of 8 whole blocks, the last one shorter.
    const std::string work = output + "Kelvora0001/";
    const auto volumes = Entries(work, ".rar");
    ASSERT_EQ(volumes, (std::vector<std::string>{"Holiday.part1.rar", "Holiday.part2.rar", "Holiday.part3.rar",
                                                 "Holiday.part4.rar"}));
    for (size_t i = 0; i + 1 < volumes.size(); ++i) EXPECT_EQ(fs::file_size(work + volumes[i]), 8 * 128000u);
    EXPECT_LT(fs::file_size(work + volumes.back()), 8 * 128000u);

    const std::string par2 = test::TestToolsDir() + "/par2", index = work + "Holiday.par2";
    EXPECT_EQ(test::RunQuietly({par2, "verify", index}), 0);
    // One volume lost, then one damaged: each time the repair gives back the very bytes.
    const std::string second = test::ReadFile(work + volumes[1]), third = test::ReadFile(work + volumes[2]);
    fs::remove(work + volumes[1]);
    EXPECT_EQ(test::RunQuietly({par2, "repair", index}), 0);
    EXPECT_TRUE(test::ReadFile(work + volumes[1]) == second);
    fs::resize_file(work + volumes[2], 500000);
    EXPECT_EQ(test::RunQuietly({par2, "repair", index}), 0);
    EXPECT_TRUE(test::ReadFile(work + volumes[2]) == third);
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
    EXPECT_FALSE(parring);
    EXPECT_EQ(Entries(output + "Kelvora0001"), std::vector<std::string>{"Holiday.part1.rar"});
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
               f.cboSplitSize.Text() + "|" + f.lblStatus.Caption() + "|" + f.cmdProcess.Caption() + "|" +
               w.BarText() + std::to_string(f.JobRunning) + std::to_string(w.InputGroups(true)) + "|" +
               std::to_string(w.desktop.doEventsCalls);
    };
    auto refused = [&](const std::string& message) {
        const std::string was = state();
        w.desktop.boxes.clear();
        f.cmdProcess.UserClick();
        EXPECT_EQ(state(), was);
        ASSERT_EQ(w.desktop.boxes.size(), 1u);
        EXPECT_EQ(w.desktop.boxes[0].text, message);
        EXPECT_EQ(w.desktop.boxes[0].icon, MsgIcon::Exclamation);
    };
    const std::string tooSmall = "Minimum allowed split size is 100.000 bytes. ";
    const std::string tooLarge = "Maximum allowed split size is 250mb (262.144.000 bytes). ";
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
    refused(tooSmall);

    // An accepted size reaches the item, which cannot create its folder in the missing output
    // folder: the error box, the window idle, no tool started.
    auto accepted = [&] {
        w.desktop.boxes.clear();
        f.cmdProcess.UserClick();
        ASSERT_EQ(w.desktop.boxes.size(), 1u);
        EXPECT_EQ(w.desktop.boxes[0].text, "76 - Path not found");
        EXPECT_TRUE(f.cmdProcess.Caption() == "Start" && w.InputGroups(true) && !f.JobRunning);
        EXPECT_EQ(f.objDOS->LastProcessId(), 0);
        w.Choose(" ", tmp / "missing/", "Holiday.rar", 0);
    };
    const std::tuple<int, const char*, int64_t, bool> sizes[] = {
        {0, "99999", 99999, false}, {0, "100000", 100000, true}, {0, "262144001", 262144001, false},
        {1, "250", 262144000, true}};
    for (auto [format, text, bytes, ok] : sizes) {
        f.cboFormat.SetListIndex(format);
        f.cboSplitSize.SetText(text);
        if (ok) accepted();
        else refused(bytes < 100000 ? tooSmall : tooLarge);
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
    EXPECT_TRUE(fs::is_directory(output + "Kelvora0005"));
    EXPECT_EQ(test::ReadFile(output + "Kelvora0002"), "a file");
    EXPECT_FALSE(fs::exists(tmp / "gone"));

    // Every name taken: the item ends with a clear error and writes nothing. Hard links are far
    // cheaper to make than new files; one file takes at most 65,000 of them.
    const std::string seeds[] = {tmp.WriteText("seed0", ""), tmp.WriteText("seed1", "")};
    for (int n = 6; n <= 99999; ++n)
        ASSERT_EQ(::link(seeds[n / 50000].c_str(), (output + "Kelvora" + FormatCounter(n)).c_str()), 0) << n;
    f.cmdProcess.UserClick();
    ASSERT_EQ(w.desktop.boxes.size(), 1u);
    EXPECT_EQ(w.desktop.boxes[0].text, "58 - No free work folder name in " + output);
    EXPECT_EQ(Entries(output).size(), 99999u);
    EXPECT_EQ(f.objDOS->LastProcessId(), 0);
}

// The extension rule looks at the first of the last four characters, or of all of a shorter name.
TEST(ArchiveNameRule, LastFourCharacters) {
    const std::pair<const char*, const char*> names[] = {
        {"Movie.avi", "Movie.rar"}, {"avi_clip.avi", "avi_clip.rar"}, {"Holiday", "Holiday.rar"},
        {"movie.mpeg", "movie.mpeg.rar"}, {"a.bc", "a.bc.rar"}, {".ab", "rar"}, {"abc", "abc.rar"},
        {"Caf\xC3\xA9.\xC3\xA9t\xC3\xA9", "Caf\xC3\xA9.rar"}};
    for (auto [name, expected] : names) EXPECT_EQ(WithRarExtension(name), expected) << name;
}

}  // namespace
}  // namespace kelvora
