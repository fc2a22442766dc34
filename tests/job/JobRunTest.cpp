#include <fcntl.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "JobWindow.h"
#include "common/Text.h"
#include "job/ItemProcessing.h"
#include "job/JobControl.h"

namespace fs = std::filesystem;

namespace kelvora {
namespace {

using test::Entries;
using test::ReadAll;
using test::RunQuietly;
using test::ScopedEnv;
using test::TempDir;

// What the window shows at one moment of a run.
struct Moment {
    bool rarStage;
    std::string status, caption, bar;
    bool groupsDisabled;
};

struct JobRun : ::testing::Test {
    JobRun() {
        source = tmp.MakeFolder("photos/Holiday");
        output = tmp.MakeFolder("out") + "/";
    }

    // Source files of `sizes` bytes; txtEstimatedSize is their sum.
    void Fill(const std::vector<size_t>& sizes) {
        int64_t total = 0;
        for (size_t i = 0; i < sizes.size(); ++i) {
            tmp.WriteFile("photos/Holiday/" + std::string(i % 2 ? "sub/" : "") + "IMG_" + std::to_string(i) + ".jpg",
                          sizes[i], static_cast<unsigned>(i + 7));
            total += static_cast<int64_t>(sizes[i]);
        }
        w.Choose(source, output, "Holiday.rar", total);
    }
    void SplitInBytes(const std::string& text) {
        f.cboFormat.SetListIndex(0);
        f.cboSplitSize.SetText(text);
    }
    // Records the window at every pass of the event loop.
    void Watch() {
        w.desktop.When(
            [this] {
                moments.push_back({f.RarStage, f.lblStatus.Caption(), f.cmdProcess.Caption(), w.BarText(),
                                   w.InputGroupsDisabled()});
                return false;
            },
            [] {});
    }
    void StopWhen(std::function<bool()> condition) {
        w.desktop.When(std::move(condition), [this] {
            pid = f.objDOS->LastProcessId();
            f.cmdProcess.UserClick();
        });
    }
    void ExpectIdleAfterCancel() {
        EXPECT_EQ(f.lblStatus.Caption(), "Status: Canceled by the user.");
        EXPECT_EQ(f.cmdProcess.Caption(), "Start");
        EXPECT_EQ(w.BarText(), "(0%)");
        EXPECT_EQ(w.BarValue(), 0);
        EXPECT_TRUE(w.InputGroupsEnabled());
        EXPECT_FALSE(f.JobRunning);
        EXPECT_TRUE(w.desktop.boxes.empty());
        ASSERT_NE(pid, 0);
        EXPECT_TRUE(test::GroupGone(pid)) << "a tool is still running";
    }

    test::JobWindow w;
    frmMain& f = w.f;
    TempDir tmp;
    std::string source, output;
    std::vector<Moment> moments;
    int pid = 0;
};

std::vector<std::string> WithSuffix(const std::vector<std::string>& names, const std::string& suffix) {
    std::vector<std::string> out;
    for (const auto& n : names)
        if (EndsWith(n, suffix)) out.push_back(n);
    return out;
}

TEST_F(JobRun, VolumesOfWholeBlocksAndRecoveryFilesThatRepair) {
    Fill({1500000, 1200000, 800000});
    SplitInBytes("1000000");
    f.chkCalculateEff.SetValue(1);
    f.txtBlockSize.SetText("128000");
    f.cboRedundancy.SetText("30");
    f.chkPause.SetValue(1);
    std::string statusAtBox;
    w.desktop.onMsgBox = [&](const auto&) { statusAtBox += f.lblStatus.Caption() + "|" + w.BarText() + ";"; };
    Watch();

    f.cmdProcess.UserClick();

    // The pause between the stages, then "Done!" before the status says so.
    ASSERT_EQ(w.desktop.boxes.size(), 2u);
    EXPECT_EQ(w.desktop.boxes[0].text, "Kelvora is paused. Click 'OK' to continue. ");
    EXPECT_EQ(w.desktop.boxes[1].text, "Done!");
    for (const auto& box : w.desktop.boxes) {
        EXPECT_EQ(box.icon, MsgIcon::Information);
        EXPECT_EQ(box.buttons, MsgButtons::OK);
        EXPECT_EQ(box.title, "Kelvora");
    }
    EXPECT_EQ(statusAtBox, "Status: Rarring... " + source + "|(0%);Status: Parring... " + source + "|(0%);");
    EXPECT_EQ(f.lblStatus.Caption(), "Status: Done!");
    EXPECT_EQ(f.cmdProcess.Caption(), "Start");
    EXPECT_TRUE(w.InputGroupsEnabled());
    EXPECT_EQ(w.BarText(), "(0%)");
    EXPECT_EQ(f.txtInput.Text() + f.txtOutput.Text() + f.txtArchiveName.Text(), "");
    EXPECT_FALSE(f.chkSeparately.Enabled());
    EXPECT_FALSE(f.SeparateItems.has_value());
    EXPECT_FALSE(f.JobRunning);

    // Each stage shows its status, "Stop" and locked input groups; the bar runs per stage.
    std::vector<std::string> rarBars, parBars;
    for (const Moment& m : moments) {
        if (m.caption == "Start") continue;
        EXPECT_EQ(m.caption, "Stop");
        EXPECT_TRUE(m.groupsDisabled);
        EXPECT_EQ(m.status, (m.rarStage ? "Status: Rarring... " : "Status: Parring... ") + source);
        (m.rarStage ? rarBars : parBars).push_back(m.bar);
    }
    ASSERT_FALSE(rarBars.empty());
    ASSERT_FALSE(parBars.empty());
    // Four volumes of the four expected, then the bar is emptied for the second stage.
    rarBars.erase(std::unique(rarBars.begin(), rarBars.end()), rarBars.end());
    EXPECT_EQ(rarBars, (std::vector<std::string>{"(0%)", "(25%)", "(50%)", "(75%)", "(100%)", "(0%)"}));
    EXPECT_EQ(parBars.front(), "(0%)");
    EXPECT_GT(std::count_if(parBars.begin(), parBars.end(), [](auto& b) { return b != "(0%)"; }), 0);

    const std::string work = output + "Kelvora0001/";
    const auto names = Entries(work);
    const auto volumes = WithSuffix(names, ".rar");
    ASSERT_EQ(volumes, (std::vector<std::string>{"Holiday.part1.rar", "Holiday.part2.rar", "Holiday.part3.rar",
                                                 "Holiday.part4.rar"}));
    for (size_t i = 0; i + 1 < volumes.size(); ++i) EXPECT_EQ(fs::file_size(work + volumes[i]), 1024000u);
    EXPECT_LT(fs::file_size(work + volumes.back()), 1024000u);
    EXPECT_FALSE(WithSuffix(names, ".par2").empty());

    // The volumes hold the source.
    const std::string tools = test::TestToolsDir();
    ASSERT_EQ(RunQuietly({tools + "/rar", "x", work + volumes[0], tmp / "back"}), 0);
    EXPECT_EQ(ReadAll(tmp / "back/Holiday/sub/IMG_1.jpg"), ReadAll(source + "/sub/IMG_1.jpg"));

    const std::string par2 = work + "Holiday.par2";
    EXPECT_EQ(RunQuietly({tools + "/par2", "verify", par2}), 0);
    const std::string second = ReadAll(work + volumes[1]);
    fs::remove(work + volumes[1]);
    EXPECT_EQ(RunQuietly({tools + "/par2", "repair", par2}), 0);
    EXPECT_EQ(ReadAll(work + volumes[1]), second);

    const std::string third = ReadAll(work + volumes[2]);
    {
        std::fstream damage(work + volumes[2], std::ios::in | std::ios::out | std::ios::binary);
        damage.seekp(500000);
        damage.write(std::string(3000, '\x5a').data(), 3000);
    }
    EXPECT_NE(ReadAll(work + volumes[2]), third);
    EXPECT_EQ(RunQuietly({tools + "/par2", "repair", par2}), 0);
    EXPECT_EQ(ReadAll(work + volumes[2]), third);
}

TEST_F(JobRun, StopWhileArchiving) {
    ScopedEnv slow("KELVORA_FAKE_RAR_DELAY_MS", "60000");
    Fill({350000});
    SplitInBytes("100000");
    std::vector<std::string> statuses;
    f.lblStatus.Observe([&] { statuses.push_back(f.lblStatus.Caption()); });
    StopWhen([this] { return f.VolumesDone >= 1; });

    f.cmdProcess.UserClick();

    ExpectIdleAfterCancel();
    for (const auto& s : statuses) EXPECT_FALSE(StartsWith(s, "Status: Parring")) << s;
    const std::string work = output + "Kelvora0001/";
    const auto names = Entries(work);
    EXPECT_TRUE(WithSuffix(names, ".par2").empty());
    ASSERT_FALSE(names.empty());
    EXPECT_EQ(names[0], "Holiday.part1.rar");
    EXPECT_EQ(fs::file_size(work + names[0]), 100000u);  // written before the Stop, kept
    EXPECT_EQ(f.txtInput.Text(), "");
}

// Separate items: a Stop in the PAR2 stage of the first item ends the whole run.
TEST_F(JobRun, StopWhileMakingRecoveryFilesEndsTheRun) {
    const std::string movie = tmp.WriteFile("photos/Holiday/Movie.avi", 3000000);
    tmp.WriteFile("photos/Holiday/Music/song.mp3", 1000);
    f.chkSeparately.Click = nullptr;  // the items are given here, not listed from the folder
    f.chkSeparately.SetValue(1);
    f.SeparateItems = std::vector<std::string>{movie, source + "/Music"};
    w.Choose(source, output, "ignored.rar", 3001000);
    f.chkPause.SetValue(1);
    f.chkPause.SetEnabled(false);  // as separate-items mode leaves it: no pause
    f.txtBlockSize.SetText("4000");
    f.cboRedundancy.SetText("100");
    StopWhen([this] { return StartsWith(f.lblStatus.Caption(), "Status: Parring"); });
    // The button reads "Start" again while the stopped run is still ending: a click there is
    // ignored, it does not begin a run inside the run.
    w.desktop.When([this] { return f.cmdProcess.Caption() == "Start" && pid != 0; },
                   [this] { f.cmdProcess.UserClick(); });

    f.cmdProcess.UserClick();

    ExpectIdleAfterCancel();
    EXPECT_EQ(Entries(output), std::vector<std::string>{"Kelvora0001"});
    EXPECT_GT(fs::file_size(output + "Kelvora0001/Movie.rar"), fs::file_size(movie));
    EXPECT_EQ(f.chkSeparately.Value(), 0);
    EXPECT_FALSE(f.chkSeparately.Enabled());
    EXPECT_FALSE(f.SeparateItems.has_value());
}

TEST_F(JobRun, EveryItemGetsItsOwnFolderAndName) {
    const std::string movie = tmp.WriteFile("photos/Holiday/Movie.avi", 2000);
    tmp.WriteFile("photos/Holiday/Music/song.mp3", 1000);
    f.chkSeparately.Click = nullptr;
    f.chkSeparately.SetValue(1);
    f.SeparateItems = std::vector<std::string>{movie, source + "/Music"};
    w.Choose(source, output, "ignored.rar", 3000);
    std::vector<std::string> names, statuses;
    f.txtArchiveName.Observe([&] { names.push_back(f.txtArchiveName.Text()); });
    f.lblStatus.Observe([&] { statuses.push_back(f.lblStatus.Caption()); });
    // The language menu stays usable while a tool runs.
    w.desktop.When([this] { return f.RarStage; }, [this] { f.mnuNederlands.UserClick(); });

    f.cmdProcess.UserClick();

    EXPECT_EQ(names, (std::vector<std::string>{"Movie.rar", "Music.rar", ""}));
    EXPECT_EQ(Entries(output), (std::vector<std::string>{"Kelvora0001", "Kelvora0002"}));
    EXPECT_TRUE(fs::exists(output + "Kelvora0001/Movie.par2"));
    EXPECT_TRUE(fs::exists(output + "Kelvora0002/Music.rar"));
    EXPECT_TRUE(fs::exists(output + "Kelvora0002/Music.par2"));
    EXPECT_EQ(statuses, (std::vector<std::string>{"Status: Rarring... " + movie, "Status: Parren... " + movie,
                                                  "Status: Rarren... " + source + "/Music",
                                                  "Status: Parren... " + source + "/Music", "Status: Klaar!"}));
    ASSERT_EQ(w.desktop.boxes.size(), 1u);
    EXPECT_EQ(w.desktop.boxes[0].text, "Klaar!");
}

// Each failed check shows its message and leaves the window exactly as it was.
TEST_F(JobRun, StartChecksInOrder) {
    TempDir program;
    f.AppPath = program.path();
    const long before = w.desktop.doEventsCalls;
    auto state = [this] {
        return f.txtInput.Text() + "|" + f.txtOutput.Text() + "|" + f.txtArchiveName.Text() + "|" +
               f.cboSplitSize.Text() + "|" + f.lblStatus.Caption() + "|" + f.cmdProcess.Caption() + "|" +
               w.BarText() + "|" + std::to_string(f.JobRunning) + std::to_string(w.InputGroupsEnabled());
    };
    auto refused = [&](const std::string& message) {
        const std::string was = state();
        w.desktop.boxes.clear();
        f.cmdProcess.UserClick();
        EXPECT_EQ(state(), was);
        ASSERT_EQ(w.desktop.boxes.size(), 1u);
        EXPECT_EQ(w.desktop.boxes[0].text, message);
        EXPECT_EQ(w.desktop.boxes[0].icon, MsgIcon::Exclamation);
        EXPECT_EQ(w.desktop.boxes[0].title, "Kelvora");
    };
    f.cboFormat.SetListIndex(0);
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
    refused("Minimum allowed split size is 100.000 bytes. ");
    EXPECT_EQ(SplitBytes, 5);
    EXPECT_EQ(w.desktop.doEventsCalls, before);
    EXPECT_FALSE(fs::exists(tmp / "missing"));

    // Split sizes at the limits. An accepted size reaches the item, which cannot create its
    // folder in the missing output folder.
    auto accepted = [&] {
        w.desktop.boxes.clear();
        f.cmdProcess.UserClick();
        ASSERT_EQ(w.desktop.boxes.size(), 1u);
        EXPECT_EQ(w.desktop.boxes[0].text, "76 - Path not found");
        w.Choose(" ", tmp / "missing/", "Holiday.rar", 0);
    };
    f.cboSplitSize.SetText("99999");
    refused("Minimum allowed split size is 100.000 bytes. ");
    EXPECT_EQ(SplitBytes, 99999);
    f.cboSplitSize.SetText("100000");
    accepted();
    EXPECT_EQ(SplitBytes, 100000);
    f.cboSplitSize.SetText("262144001");
    refused("Maximum allowed split size is 250mb (262.144.000 bytes). ");
    EXPECT_EQ(SplitBytes, 262144001);
    f.cboSplitSize.SetText("");
    accepted();
    EXPECT_EQ(SplitBytes, 0);
    f.cboFormat.SetListIndex(1);
    f.cboSplitSize.SetText("250");
    accepted();
    EXPECT_EQ(SplitBytes, 262144000);

    // Texts no reaction lets through must not bring the window down either.
    f.cboSplitSize.Change = nullptr;
    f.cboSplitSize.SetText("999999");  // megabytes beyond 32 bits
    refused("Maximum allowed split size is 250mb (262.144.000 bytes). ");
    f.cboFormat.SetListIndex(0);
    f.cboSplitSize.SetText("99999999999");
    refused("Maximum allowed split size is 250mb (262.144.000 bytes). ");
    f.cboSplitSize.SetText("-99999999999");
    refused("Minimum allowed split size is 100.000 bytes. ");
}

TEST_F(JobRun, MissingOutputFolderEndsTheItemBeforeAnyTool) {
    Fill({1000});
    const std::string log = tmp / "tool.log";
    ScopedEnv logging("KELVORA_FAKE_RAR_LOG", log);
    f.txtOutput.SetText(tmp / "nowhere/");

    f.cmdProcess.UserClick();

    ASSERT_EQ(w.desktop.boxes.size(), 1u);
    EXPECT_EQ(w.desktop.boxes[0].text, "76 - Path not found");
    EXPECT_EQ(w.desktop.boxes[0].icon, MsgIcon::Exclamation);
    EXPECT_EQ(f.lblStatus.Caption(), "Status: Canceled by the user.");
    EXPECT_EQ(f.cmdProcess.Caption(), "Start");
    EXPECT_TRUE(w.InputGroupsEnabled());
    EXPECT_FALSE(f.JobRunning);
    EXPECT_FALSE(fs::exists(log));
    EXPECT_EQ(f.objDOS->LastProcessId(), 0);
}

TEST_F(JobRun, WorkFolderNumberingSkipsEveryTakenName) {
    tmp.MakeFolder("out/Kelvora0001");
    tmp.WriteText("out/Kelvora0002", "a file");
    fs::create_symlink(tmp / "gone", output + "Kelvora0004");
    EXPECT_EQ(CreateWorkFolder(output), "Kelvora0003");
    EXPECT_EQ(CreateWorkFolder(output), "Kelvora0005");
    EXPECT_TRUE(fs::is_directory(output + "Kelvora0005"));
    EXPECT_EQ(ReadAll(output + "Kelvora0002"), "a file");
    EXPECT_FALSE(fs::exists(tmp / "gone"));

    // Every name taken: the item ends with a clear error and writes nothing.
    for (int n = 6; n <= 99999; ++n) {
        std::string digits = std::to_string(n);
        digits.insert(0, digits.size() < 4 ? 4 - digits.size() : 0, '0');
        ::close(::open((output + "Kelvora" + digits).c_str(), O_CREAT | O_WRONLY, 0644));
    }
    Fill({1000});
    f.cmdProcess.UserClick();
    ASSERT_EQ(w.desktop.boxes.size(), 1u);
    EXPECT_EQ(w.desktop.boxes[0].text, "58 - No free work folder name in " + output);
    EXPECT_EQ(Entries(output).size(), 99999u);
    EXPECT_EQ(f.objDOS->LastProcessId(), 0);
    EXPECT_EQ(f.cmdProcess.Caption(), "Start");
}

TEST(JobNames, ItemNamesAndArchiveExtension) {
    EXPECT_EQ(GetItemName("/photos/Holiday"), "Holiday");
    EXPECT_EQ(GetItemName("/photos/"), "");
    EXPECT_EQ(GetItemName("Holiday"), "Holiday");
    const std::pair<const char*, const char*> cases[] = {
        {"Movie.avi", "Movie.rar"}, {"avi_clip.avi", "avi_clip.rar"}, {"Holiday", "Holiday.rar"},
        {"a.jpeg", "a.jpeg.rar"},   {"abc", "abc.rar"},                {".ab", ".ab.rar"},
        {".abc", ".rar"},           {"Caf\xC3\xA9.\xC3\xA4\xC3\xB6\xC3\xBC", "Caf\xC3\xA9.rar"},
    };
    for (auto [name, expected] : cases) EXPECT_EQ(WithRarExtension(name), expected) << name;

    TempDir tmp;
    EXPECT_TRUE(FileExists(tmp.WriteText("file", "")));
    EXPECT_FALSE(FileExists(tmp.MakeFolder("folder")));
    EXPECT_FALSE(FileExists(tmp / "missing"));
}

}  // namespace
}  // namespace kelvora
