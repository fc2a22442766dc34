// Start's checks, work folders, Stop at every point of a run, failing tools, and what the tools
// are handed when names hold odd characters. The whole job that succeeds is in
// RealArchiverTest.cpp, run with both archivers.
#include <gtest/gtest.h>
#ifndef _WIN32
#include <sys/mount.h>
#endif

#include <cstring>
#include <filesystem>

#include "ProcessWatch.h"
#include "RunQuietly.h"
#include "TestWindow.h"
#include "common/Numbers.h"
#include "common/Text.h"
#include "job/ItemProcessing.h"
#include "runner/OutsideTools.h"

namespace fs = std::filesystem;
using kelvora::platform::PathSeparator;

namespace kelvora {
namespace {

// A source of 3,500,000 bytes in two folders, split into volumes of 1,000,000 bytes.
struct Job : ::testing::Test {
    Job() {
        tmp.WriteFile("src/Holiday/a.bin", 2000000, 3);
        tmp.WriteFile("src/Holiday/sub/b.bin", 1500000, 4);
        Again();
        f.cboSplitSize.SetText("1000000");
    }
    // A run empties the fields: the same choice again.
    void Again() { w.Choose(source, output, "Holiday.rar", 3500000); }

    test::JobWindow w;
    frmMain& f = w.f;
    test::TempDir tmp;
    const std::string source = tmp / "src/Holiday", output = tmp.MakeFolder("out") + PathSeparator;
    const std::string par2 = Par2ToolPath(test::TestToolsDir());
};

// Each failed check shows its message and leaves the window exactly as it was.
TEST_F(Job, StartChecksInOrder) {
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
    const std::string noRar = f.MessageText(37), noPar2 = f.MessageText(38);
#else  // what is true here: no WinRAR, no rar.exe
    const std::string noRar = FillIn(f.MessageText(67), {program.path()}), noPar2 = FillIn(f.MessageText(68), {program.path()});
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
    // folder: its error, and no tool started.
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
            EXPECT_EQ(w.Report() + std::to_string(f.objDOS->LastProcessId()),
                      "76 - Path not found!;Status: Canceled by the user.0");
            w.Choose(" ", tmp / "missing/", "Holiday.rar", 0);
        }
        EXPECT_EQ(SplitBytes, bytes) << text;  // set even when the check then fails
    }
    EXPECT_FALSE(fs::exists(tmp / "missing"));

    // A recovery amount of nothing. The lists can only lose their choice; the count is typed.
    const std::tuple<int, const char*, int> amounts[] = {{0, "", 63}, {1, "", 64}, {1, "0", 64}, {2, "", 65}};
    for (auto [option, count, message] : amounts) {
        f.OptPars[option].SetValue(true);
        if (option != 1) (option == 0 ? f.cboRedundancy : f.cboRecoveryFiles).SetListIndex(-1);
        f.txtRecoveryBlocks.SetText(count);
        refused(f.MessageText(message));
    }
    f.cboRecoveryFiles.SetListIndex(1);
    for (const std::string& pattern : {tmp / "src/*", tmp / "src/report?.txt"}) {  // the archiver's wildcards
        f.txtInput.SetText(pattern);
        refused(FillIn(f.MessageText(66), {pattern}));
    }

    // An archiver that cannot be run is found only when it is started: the runner says so, once.
    Again();
    f.cmdProcess.UserClick();
    EXPECT_EQ(w.Report(), "File or command not found;Status: Failed.");
    EXPECT_TRUE(fs::is_empty(output + "Kelvora0001"));  // par2 never ran
}

TEST_F(Job, WorkFolderNumberingSkipsEveryTakenName) {
    tmp.MakeFolder("out/Kelvora0001");
    tmp.WriteText("out/Kelvora0002", "a file");
#ifdef _WIN32
    tmp.WriteText("out/Kelvora0004", "");  // wine makes no links
#else
    fs::create_symlink(tmp / "gone", output + "Kelvora0004");
#endif
    EXPECT_EQ(CreateWorkFolder(output), "Kelvora0003");
    EXPECT_EQ(CreateWorkFolder(output), "Kelvora0005");
    EXPECT_TRUE(fs::is_directory(output + "Kelvora0005") && !fs::exists(tmp / "gone") &&
                test::ReadFile(output + "Kelvora0002") == "a file");

    // Every name taken: the item ends with a clear error and writes nothing. Hard links are far
    // cheaper to make than new files; one file takes at most 65,000 of them (on Windows 1,023).
#ifdef _WIN32
    GTEST_SKIP() << "taking all 99,999 names needs more hard links than Windows gives a file";
#endif
    const std::string seeds[] = {tmp.WriteText("seed0", ""), tmp.WriteText("seed1", "")};
    for (int n = 6; n <= 99999; ++n) fs::create_hard_link(seeds[n / 50000], output + "Kelvora" + FormatCounter(n));
    f.cmdProcess.UserClick();
    EXPECT_EQ(w.desktop.TakeBoxes(), "58 - No free work folder name in " + output + "!;");
    EXPECT_EQ(std::distance(fs::directory_iterator(output), fs::directory_iterator()), 99999);
    EXPECT_EQ(f.objDOS->LastProcessId(), 0);
}

// Stop while the archiver works, right after it, while par2 works, and once par2 is done.
TEST_F(Job, StopWhereverItComes) {
    f.txtBlockSize.SetText("4000");  // many blocks: par2 works a while
    f.cboRedundancy.SetText("100");
    bool parring = false;
    f.lblStatus.Observe([&] { parring |= StartsWith(f.lblStatus.Caption(), "Status: Parring"); });
    int pid = 0;
    auto stopWhen = [&](std::function<bool()> condition) {
        pid = 0;
        w.desktop.When(std::move(condition), [&] { pid = f.objDOS->LastProcessId(), f.cmdProcess.UserClick(); });
        f.cmdProcess.UserClick();
    };
    // Canceled, no "Done!", and no process of the tool's group left, zombies reaped.
    auto canceled = [&] {
        EXPECT_EQ(w.Report() + w.BarText(), "Status: Canceled by the user.(0%)");
        EXPECT_TRUE(w.Idle());
        auto gone = [&] { return platform::ReapFinishedChildren(), test::GroupGone(pid); };
        EXPECT_TRUE(pid != 0 && test::WaitFor(gone, std::chrono::seconds(10))) << "a tool is still running";
        Again();
    };

    test::SetEnv("KELVORA_FAKE_RAR_DELAY_MS", "30000");  // the archiver waits after each volume
    stopWhen([&] { return f.VolumesDone >= 1; });
    test::SetEnv("KELVORA_FAKE_RAR_DELAY_MS", nullptr);
    canceled();
    EXPECT_FALSE(parring);
    EXPECT_EQ(fs::file_size(output + test::Native("Kelvora0001/Holiday.part1.rar")), 1000000u);  // written before the Stop
    EXPECT_EQ(std::distance(fs::directory_iterator(output + "Kelvora0001"), fs::directory_iterator()), 1);

    // In the repaint right after the archiver: par2 does not start.
    stopWhen([&] { return f.RarStage && f.VolumesDone == 4 && !f.objDOS->Running(); });
    canceled();
    EXPECT_FALSE(parring || fs::exists(output + test::Native("Kelvora0002/Holiday.par2")));

    // The button reads "Start" again while the stopped run is still ending: a click there must
    // not begin a run inside the run.
    f.cboSplitSize.SetText("");
    w.desktop.When([&] { return f.cmdProcess.Caption() == "Start" && pid != 0; }, [&] { f.cmdProcess.UserClick(); });
    stopWhen([&] { return parring; });
    canceled();
    EXPECT_EQ(f.VolumesDone, 1);  // counted afresh: the one volume of this run
    EXPECT_GT(fs::file_size(output + test::Native("Kelvora0003/Holiday.rar")), 3500000u);

    // Once par2 has finished, a Stop stops nothing: the job is complete and says so.
    stopWhen([&] { return !f.RarStage && f.JobRunning && !f.objDOS->Running(); });
    EXPECT_EQ(w.Report(), "Done!;Status: Done!");
    EXPECT_EQ(test::RunQuietly({par2, "verify", output + test::Native("Kelvora0004/Holiday.par2")}), 0);
}

TEST_F(Job, AFailingToolIsReportedWithItsStatusAndLastWordsNeverAsDone) {
    const std::string rar = "The tool " + RarToolName(), par2 = "The tool " + Par2ToolName();
#ifdef _WIN32
    const std::string crashed = rar + " failed with exit status " + std::to_string(static_cast<int>(0xC0000005u));
#else
    const std::string crashed = rar + " was ended by signal 11";
#endif
    const struct { const char *cue, *blockSize; std::string report; } cases[] = {
        // A full disk after the first volume: what the archiver said about it, not its last line.
        {"KELVORA_FAKE_RAR_DISK_VOLUMES", "384000",
         rar + " failed with exit status 5.\r\nWhat it said:\r\nERROR: Write error in the file " + output +
             test::Native("Kelvora0001/Holiday.part2.rar\r\nNo space left on device!;Status: Failed.")},
        {"KELVORA_FAKE_RAR_CRASH", "384000", crashed + ".\r\nWhat it said:\r\n"},
        // par2 refuses a block size that would need more than 32768 blocks.
        {nullptr, "100", par2 + " failed with exit status "},
    };
    for (const auto& c : cases) {
        if (c.cue) test::SetEnv(c.cue, "1");
        f.txtBlockSize.SetText(c.blockSize);
        f.cmdProcess.UserClick();
        if (c.cue) test::SetEnv(c.cue, nullptr);
        const std::string report = w.Report();
        EXPECT_TRUE(StartsWith(report, c.report) && EndsWith(report, "!;Status: Failed.")) << report;
        EXPECT_TRUE(report.find("Done!") == std::string::npos && w.Idle());
        EXPECT_FALSE(test::IsOurChild(f.objDOS->LastProcessId()));  // reaped, no zombie
        Again();
    }
    // The par2 case names what par2 said.
    ASSERT_EQ(f.FailedItems.size(), 1u);
    EXPECT_NE(f.FailedItems[0].second.find("What it said:\r\n"), std::string::npos);
}

// A real full disk: a small file system mounted for the test (needs the right to mount).
TEST_F(Job, AFullDiskIsAFailure) {
#ifdef _WIN32
    GTEST_SKIP() << "no small file system can be mounted for a test on Windows";
#else
    const std::string small = tmp.MakeFolder("small");
    if (::mount("kelvora-test", small.c_str(), "tmpfs", 0, "size=1m") != 0)
        GTEST_SKIP() << "cannot mount a small file system here: " << std::strerror(errno);
    w.Choose(source, small + "/", "Holiday.rar", 3500000);
    f.cmdProcess.UserClick();
    const std::string report = w.Report();
    ::umount2(small.c_str(), MNT_DETACH);
    EXPECT_TRUE(StartsWith(report, "The tool rar failed with exit status ") && EndsWith(report, "!;Status: Failed."))
        << report;
#endif
}

// Odd names everywhere: a program folder "kp x" beside a program "kp" (the tools in the folder
// run, not the other one), an output folder holding * ? [ ] (both tools work in it), and a source
// name with brackets, quotes and a closing backslash (one exact argument); Windows names hold
// none of * ? " \, so there blanks, brackets, the shell's % ^ & and letters beyond the ANSI code
// page. The archiver closes its output long before it is done: par2 starts only once it has.
TEST_F(Job, OddNamesReachTheToolsExactly) {
    const std::string program = tmp.MakeFolder("apps/kp x");
#ifdef _WIN32
    // Started by the text up to the first blank, Windows would run apps\kp.exe.
    const std::string decoy = tmp / "apps/kp.exe", oddFolder = "o u[1]%PATH%^&", sourceName = "x[1] 'q' \xCE\xA9\xE6\xBC\xA2";
    fs::copy_file(test::TestToolsDir() + "\\test_child.exe", decoy);
    for (const std::string& tool : {RarToolName(), Par2ToolName()})
        fs::copy_file(test::TestToolsDir() + PathSeparator + tool, program + PathSeparator + tool);
#else
    const std::string decoy = tmp.WriteText("apps/kp", "#!/bin/sh\ntouch \"$0.ran\"\n"), oddFolder = "o*u?t[1]",
                      sourceName = "x[1] \"q\"\\";
    fs::permissions(decoy, fs::perms::owner_all);
    for (const char* tool : {"rar", "par2"}) fs::create_symlink(test::TestToolsDir() + "/" + tool, program + "/" + tool);
#endif
    f.AppPath = program;
    test::SetEnv("KELVORA_FAKE_RAR_CLOSE_EARLY", "1");
    test::SetEnv("KELVORA_FAKE_RAR_LOG", (tmp / "rar.log").c_str());
    const std::string odd = tmp.MakeFolder(oddFolder) + PathSeparator, name = tmp.MakeFolder("src/" + sourceName);
    tmp.WriteFile("src/" + sourceName + "/in.bin", 300000, 5);
    tmp.WriteFile("src/x1a/other.bin", 10, 6);
    w.Choose(name, odd, "x[1].rar", 300000);
    f.cmdProcess.UserClick();
    EXPECT_EQ(w.Report(), "Done!;Status: Done!");
    EXPECT_FALSE(fs::exists(decoy + ".ran") || test::IsOurChild(f.objDOS->LastProcessId()));
    EXPECT_NE(test::ReadFile(tmp / "rar.log").find("\n--\n" + odd + test::Native("Kelvora0001/x[1].rar\n") + name + "\n----\n"),
              std::string::npos);
    // par2 reads * and ? in its own arguments as wildcards: verify from inside the folder.
    const fs::path here = fs::current_path();
    fs::current_path(test::Utf8Path(odd + "Kelvora0001"));
    EXPECT_EQ(test::RunQuietly({par2, "verify", "-q", "x[1].par2"}), 0);
    fs::current_path(here);
}

}  // namespace
}  // namespace kelvora
