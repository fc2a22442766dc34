// The Start/Stop button: Start's checks, a whole job as the window shows it (with both
// archivers), and what the window says at the end of a run however it ended.
#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>

#include "RunQuietly.h"
#include "TestWindow.h"
#include "common/Text.h"
#include "job/JobPlan.h"
#include "runner/OutsideTools.h"

namespace fs = std::filesystem;
using kelvora::platform::PathSeparator;

namespace kelvora {
namespace {

std::string GetName(const std::string& path) { return path.substr(path.find_last_of("/\\") + 1); }

struct StartStop : ::testing::Test {
    StartStop() {
        tmp.WriteFile("src/Holiday/a.bin", 2000000, 3);
        tmp.WriteFile("src/Holiday/sub/b.bin", 1500000, 4);
        Again();
    }
    // A run empties the fields: the same choice again.
    void Again() { w.Choose(source, output, "Holiday.rar", 3500000); }

    test::JobWindow w;
    frmMain& f = w.f;
    test::TempDir tmp;
    const std::string source = tmp / "src/Holiday", output = tmp.MakeFolder("out") + PathSeparator;
};

// Each failed check shows its message and leaves the window exactly as it was.
TEST_F(StartStop, ChecksInOrder) {
    test::TempDir program;
    f.AppPath = program.path();
    w.Choose("", "", "", 0);
    auto state = [this] {
        return f.txtInput.Text() + "|" + f.txtOutput.Text() + "|" + f.txtArchiveName.Text() + "|" + f.cboSplitSize.Text() +
               "|" + f.lblStatus.Caption() + (w.Idle() ? "|" : "|busy") + std::to_string(w.desktop.doEventsCalls);
    };
    auto refused = [&](const std::string& message) {
        const std::string was = state();
        f.cmdProcess.UserClick();
        EXPECT_EQ(state() + w.desktop.TakeBoxes(), was + message + "!;");
    };
    f.cboSplitSize.SetText("5");
#ifdef _WIN32
    const std::string noRar = f.MessageText(Msg::RarExeNotFound), noPar2 = f.MessageText(Msg::Par2ExeNotFound);
#else  // what is true here: no WinRAR, no rar.exe
    const std::string noRar = FillIn(f.MessageText(Msg::RarNotFound), {program.path()}),
                      noPar2 = FillIn(f.MessageText(Msg::Par2NotFound), {program.path()});
#endif
    refused(noRar);  // the archiver first, whatever else is missing
    program.MakeFolder(RarToolName());
    refused(noRar);  // a folder is no program
    fs::remove(program / RarToolName());
#ifndef _WIN32  // wine makes no links
    fs::create_symlink(tmp / "gone", program / "rar");
    refused(noRar);  // nor a link that leads nowhere
    fs::remove(program / "rar");
#endif
    program.WriteText(RarToolName(), "not a program");
    refused(noPar2);
    program.WriteText(Par2ToolName(), "");
    refused("No input file / folder selected. ");
    f.txtInput.SetText(" ");  // blanks count as content
    refused("No output folder selected. ");
    f.txtOutput.SetText(tmp / "missing/");
    refused("No output name selected. ");
    f.txtArchiveName.SetText("Holiday.rar");

    // An accepted size reaches the item, which cannot make its folder in the missing output
    // folder: its error, no tool started, and the run has failed (nobody canceled it).
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
            EXPECT_EQ(w.Report() + std::to_string(f.objDOS->LastProcessId()), "76 - Path not found!;Status: Failed.0");
            EXPECT_TRUE(w.Idle());
            w.Choose(" ", tmp / "missing/", "Holiday.rar", 0);
        }
        EXPECT_EQ(SplitBytes, bytes) << text;  // set even when the check then fails
    }
    EXPECT_FALSE(fs::exists(tmp / "missing"));

    // A recovery amount of nothing. The lists can only lose their choice; the count is typed.
    const std::tuple<int, const char*, Msg> amounts[] = {{0, "", Msg::RedundancyTooSmall},
                                                         {1, "", Msg::RecoveryBlocksTooFew},
                                                         {1, "0", Msg::RecoveryBlocksTooFew},
                                                         {2, "", Msg::RecoveryFilesTooFew}};
    for (auto [option, count, message] : amounts) {
        f.OptPars[option].SetValue(true);
        if (option != 1) (option == 0 ? f.cboRedundancy : f.cboRecoveryFiles).SetListIndex(-1);
        f.txtRecoveryBlocks.SetText(count);
        refused(f.MessageText(message));
    }
    f.cboRecoveryFiles.SetListIndex(1);
    for (const std::string& pattern : {tmp / "src/*", tmp / "src/report?.txt"}) {  // the archiver's wildcards
        f.txtInput.SetText(pattern);
        refused(FillIn(f.MessageText(Msg::WildcardInSource), {pattern}));
    }

    // An archiver that cannot be run is found only when it is started: the runner says so, once.
    Again();
    f.cmdProcess.UserClick();
    EXPECT_EQ(w.Report(), "File or command not found;Status: Failed.");
    EXPECT_TRUE(fs::is_empty(output + "Kelvora0001"));  // par2 never ran
}

// 3,500,000 bytes in volumes of 1,000,000 rounded to whole PAR2 blocks, with the pause between
// the tools, where the user switches to Dutch. Each stage shows its status, "Stop" and locked
// input groups; the bar counts the volumes from the archiver's own output and follows par2; the
// texts shown later are Dutch; the run ends idle with the fields emptied.
template <bool Real>
struct WholeJob : StartStop {
    void SetUp() override {
        if (!Real) return;
#ifdef _WIN32
        GTEST_SKIP() << "RARLAB's archiver as Debian packages it runs on Linux only";
#else
        if (::access(KELVORA_REAL_RAR, X_OK) != 0) GTEST_SKIP() << "the real archiver could not be fetched";
        test::SetEnv("RAR", nullptr);
        fs::create_symlink(KELVORA_REAL_RAR, program / "rar");
        fs::create_symlink(Par2ToolPath(test::TestToolsDir()), program / "par2");
        f.AppPath = program.path();
#endif
    }
    void Run() {
        f.cboCompression.SetListIndex(0);
        f.cboSplitSize.SetText("1000000");
        f.chkCalculateEff.SetValue(1);
        f.cboLines.SetText("1500");  // 192,000-byte blocks
        f.cboRedundancy.SetText("30");
        f.chkPause.SetValue(1);
        std::string statusAtBox;
        w.desktop.onMsgBox = [&](const auto& box) {
            statusAtBox += box.text + "|" + f.lblStatus.Caption() + ";";
            if (f.RarStage) f.mnuNederlands.UserClick();
        };
        std::vector<std::string> rarBars, parBars;
        w.desktop.Every([&] {
            if (f.cmdProcess.Caption() == "Start") return;
            EXPECT_TRUE(f.cmdProcess.Caption() == "Stop" && w.InputGroups(false));
            EXPECT_EQ(f.lblStatus.Caption(), (f.RarStage ? "Status: Rarring... " : "Status: Parren... ") + source);
            auto& bars = f.RarStage ? rarBars : parBars;
            if (bars.empty() || bars.back() != w.BarText()) bars.push_back(w.BarText());
        });

        f.cmdProcess.UserClick();

        EXPECT_EQ(statusAtBox, "Kelvora is paused. Click 'OK' to continue. |Status: Rarring... " + source +
                                   ";Klaar!|Status: Parren... " + source + ";");
        EXPECT_EQ(w.Report() + "|" + w.BarText() + "|" + f.txtInput.Text(),
                  "Kelvora is paused. Click 'OK' to continue. ;Klaar!;Status: Klaar!|(0%)|");
        EXPECT_TRUE(w.Idle());
        EXPECT_EQ(rarBars, (std::vector<std::string>{"(0%)", "(25%)", "(50%)", "(75%)", "(100%)", "(0%)"}));
        EXPECT_GT(parBars.size(), 1u);  // par2's own percentage moves the bar
        // 1,000,000 bytes is 5.2 blocks of 192,000: volumes of 5 whole blocks.
        EXPECT_EQ(fs::file_size(output + test::Native("Kelvora0001/Holiday.part1.rar")), 5 * 192000u);
    }
    test::TempDir program;
};
using WholeJobStandIn = WholeJob<false>;
using WholeJobRealArchiver = WholeJob<true>;
TEST_F(WholeJobStandIn, AsTheWindowShowsIt) { Run(); }
TEST_F(WholeJobRealArchiver, AsTheWindowShowsIt) { Run(); }

// What the status line and the boxes say at the end: a Stop after a failed item is the user's
// cancel (the failures told as well); a Stop that comes once the last tool has ended stops
// nothing; a checked job says so.
TEST_F(StartStop, EndingsSayWhatHappened) {
    // Separate items: the first fails, the user stops the second.
    const std::string set = tmp / "src/Holiday";
    w.desktop.folderResults.push_back(set);
    f.cmdBrowseFolder.UserClick();
    f.chkSeparately.UserClick();  // answered Yes
    f.txtOutput.SetText(output);
    ASSERT_EQ(f.SeparateItems.value_or(std::vector<std::string>{}).size(), 2u);
    const std::string first = (*f.SeparateItems)[0];
    test::SetEnv("KELVORA_FAKE_RAR_ONLY", GetName(first).c_str());
    test::SetEnv("KELVORA_FAKE_RAR_DISK_VOLUMES", "0");
    test::SetEnv("KELVORA_FAKE_RAR_DELAY_MS", "200");  // the second item still works as Stop comes
    w.desktop.When([&] { return f.RarStage && f.lblStatus.Caption().find((*f.SeparateItems)[1]) != std::string::npos; },
                   [&] { f.cmdProcess.UserClick(); });
    w.desktop.boxes.clear();
    f.cmdProcess.UserClick();
    const std::string report = w.Report();
    EXPECT_TRUE(StartsWith(report, "These items failed:\r\n\r\n" + first + "\r\nThe tool " + RarToolName()) &&
                EndsWith(report, "!;Status: Canceled by the user."))
        << report;

    // A Stop in the repaint after the last tool: done, and said so, with the check it had.
    for (const char* cue : {"KELVORA_FAKE_RAR_ONLY", "KELVORA_FAKE_RAR_DELAY_MS", "KELVORA_FAKE_RAR_DISK_VOLUMES"})
        test::SetEnv(cue, nullptr);
    Again();
    f.mnuVerify.UserClick();
    w.desktop.When([&] { return f.JobRunning && f.lblStatus.Caption().find("Verifying") != std::string::npos &&
                                !f.objDOS->Running(); },
                   [&] { f.cmdProcess.UserClick(); });
    f.cmdProcess.UserClick();
    EXPECT_EQ(w.Report(), "Done!\r\n\r\n" + f.MessageText(Msg::Verified) + ";Status: Done!");
}

}  // namespace
}  // namespace kelvora
