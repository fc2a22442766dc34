// What a job reports when a tool fails, when Stop comes between or after the tools, and what it
// hands the tools when names hold wildcard characters or the program folder holds blanks.
#include <gtest/gtest.h>
#include <sys/mount.h>
#include <unistd.h>

#include <cstdlib>
#include <cstring>
#include <filesystem>

#include "ProcessWatch.h"
#include "common/Text.h"
#include "JobWindow.h"
#include "RunQuietly.h"

namespace fs = std::filesystem;

namespace kelvora {
namespace {

struct JobFailure : ::testing::Test {
    JobFailure() {
        tmp.WriteFile("src/Holiday/a.bin", 2000000, 3);
        tmp.WriteFile("src/Holiday/b.bin", 1500000, 4);
        f.cboSplitSize.SetText("1000000");
        w.Choose(tmp / "src/Holiday", output, "Holiday.rar", 3500000);
    }
    ~JobFailure() override {
        for (const char* name : {"KELVORA_FAKE_RAR_DISK_VOLUMES", "KELVORA_FAKE_RAR_CRASH", "KELVORA_FAKE_RAR_LOG",
                                 "KELVORA_FAKE_RAR_CLOSE_EARLY"})
            ::unsetenv(name);
    }
    // Every box since the last call, "!" marking an exclamation box, then the status line.
    std::string Report() {
        std::string all;
        for (const auto& b : w.desktop.boxes) all += b.text + (b.icon == MsgIcon::Exclamation ? "!" : "") + ";";
        w.desktop.boxes.clear();
        return all + f.lblStatus.Caption();
    }
    bool Verified(const std::string& work) {
        return test::RunQuietly({test::TestToolsDir() + "/par2", "verify", work + "/Holiday.par2"}) == 0;
    }

    test::JobWindow w;
    frmMain& f = w.f;
    test::TempDir tmp;
    std::string output = tmp.MakeFolder("out") + "/";
};

TEST_F(JobFailure, AFailingToolIsReportedWithItsStatusAndLastWordsNeverAsDone) {
    struct Case {
        const char* env;
        const char* blockSize;
        std::string report;
    };
    const Case cases[] = {
        // A full disk after the first volume.
        {"KELVORA_FAKE_RAR_DISK_VOLUMES", "384000",
         "The tool rar failed with exit status 5.\r\nIts last message: No space left on device!;Status: Failed."},
        {"KELVORA_FAKE_RAR_CRASH", "384000", "The tool rar was ended by signal 11.\r\nIts last message: "},
        // par2 refuses a block size that would need more than 32768 blocks.
        {nullptr, "100", "The tool par2 failed with exit status "},
    };
    for (const auto& c : cases) {
        if (c.env) ::setenv(c.env, "1", 1);
        f.txtBlockSize.SetText(c.blockSize);
        f.cmdProcess.UserClick();
        if (c.env) ::unsetenv(c.env);
        const std::string report = Report();
        EXPECT_TRUE(StartsWith(report, c.report)) << report;
        EXPECT_TRUE(EndsWith(report, "!;Status: Failed.") && report.find("Done!") == std::string::npos) << report;
        EXPECT_TRUE(!f.JobRunning && f.cmdProcess.Caption() == "Start" && w.InputGroups(true));
        EXPECT_FALSE(test::IsOurChild(f.objDOS->LastProcessId()));  // reaped, no zombie
        w.Choose(tmp / "src/Holiday", output, "Holiday.rar", 3500000);
    }
    // The par2 case names what par2 said.
    EXPECT_EQ(f.FailedItems.size(), 1u);
    EXPECT_NE(f.FailedItems[0].second.find("Its last message: "), std::string::npos);
}

TEST_F(JobFailure, ToolsThatCannotRunStopTheItemOnceReported) {
    test::TempDir program;
    f.AppPath = program.path();
    fs::create_symlink(test::TestToolsDir() + "/par2", program / "par2");
    // A link that leads nowhere is no archiver.
    fs::create_symlink(tmp / "gone", program / "rar");
    f.cmdProcess.UserClick();
    EXPECT_EQ(Report(), f.MessageText(37) + "!;Status: ---");

    // A file that cannot be run is found only when it is started: the runner says so once.
    fs::remove(program / "rar");
    program.WriteText("rar", "not a program");
    f.cmdProcess.UserClick();
    EXPECT_EQ(Report(), "File or command not found;Status: Failed.");
    EXPECT_EQ(fs::directory_iterator(output + "Kelvora0001"), fs::directory_iterator());  // par2 never ran
}

TEST_F(JobFailure, ARecoveryAmountOfNothingIsRefusedAtStart) {
    struct Case {
        int option;
        const char* text;
        int message;
    };
    const Case cases[] = {{0, "", 63}, {1, "", 64}, {1, "0", 64}, {2, "", 65}};
    for (const auto& c : cases) {
        f.OptPars[c.option].SetValue(true);
        // The lists can only lose their choice; the block count is typed.
        if (c.option == 0) f.cboRedundancy.SetListIndex(-1);
        if (c.option == 1) f.txtRecoveryBlocks.SetText(c.text);
        if (c.option == 2) f.cboRecoveryFiles.SetListIndex(-1);
        f.cmdProcess.UserClick();
        EXPECT_EQ(Report(), f.MessageText(c.message) + "!;Status: ---");
        EXPECT_FALSE(fs::exists(output + "Kelvora0001"));
    }
}

TEST_F(JobFailure, AChosenNameIsOneName) {
    // Names the archiver would read as patterns are refused before anything runs.
    ::setenv("KELVORA_FAKE_RAR_LOG", (tmp / "rar.log").c_str(), 1);
    tmp.WriteFile("src/report1.txt", 10, 1);
    for (const std::string& source : {tmp.MakeFolder("src/*"), tmp.WriteFile("src/report?.txt", 10, 2)}) {
        w.Choose(source, output, "x.rar", 10);
        f.cmdProcess.UserClick();
        EXPECT_EQ(Report(), FillIn(f.MessageText(66), {source}) + "!;Status: ---");
    }
    EXPECT_FALSE(fs::exists(tmp / "rar.log"));

    // Output folders holding * ? [ ] work with both tools, and the source reaches the archiver
    // exactly as chosen.
    const std::string odd = tmp.MakeFolder("o*u?t[1]") + "/", source = tmp.MakeFolder("src/x[1]");
    tmp.WriteFile("src/x[1]/in.bin", 300000, 5);
    tmp.WriteFile("src/x1a/other.bin", 10, 6);
    w.Choose(source, odd, "x[1].rar", 300000);
    f.cmdProcess.UserClick();
    EXPECT_EQ(Report(), "Done!;Status: Done!");
    EXPECT_TRUE(fs::exists(odd + "Kelvora0001/x[1].par2") && fs::exists(odd + "Kelvora0001/x[1].part1.rar"));
    // par2 reads * and ? in its own arguments as wildcards: verify from inside the folder.
    const fs::path here = fs::current_path();
    fs::current_path(odd + "Kelvora0001");
    EXPECT_EQ(test::RunQuietly({test::TestToolsDir() + "/par2", "verify", "-q", "x[1].par2"}), 0);
    fs::current_path(here);
    EXPECT_NE(test::ReadFile(tmp / "rar.log").find("\n" + source + "\n"), std::string::npos);
}

TEST_F(JobFailure, StopBetweenOrAfterTheToolsReportsWhatWasDone) {
    // A Stop in the repaint right after the archiver: par2 does not start, the run is canceled.
    w.desktop.When([this] { return f.RarStage && f.VolumesDone == 4 && !f.objDOS->Running(); },
                   [this] { f.cmdProcess.UserClick(); });
    f.cmdProcess.UserClick();
    EXPECT_EQ(Report(), "Status: Canceled by the user.");
    EXPECT_FALSE(fs::exists(output + "Kelvora0001/Holiday.par2"));

    // A Stop once par2 has finished stops nothing: the job is complete and says so.
    w.Choose(tmp / "src/Holiday", output, "Holiday.rar", 3500000);
    w.desktop.When([this] { return !f.RarStage && f.objDOS && !f.objDOS->Running() && f.JobRunning; },
                   [this] { f.cmdProcess.UserClick(); });
    f.cmdProcess.UserClick();
    EXPECT_EQ(Report(), "Done!;Status: Done!");
    EXPECT_TRUE(Verified(output + "Kelvora0002"));
}

TEST_F(JobFailure, ToolsAreWaitedForAndFoundBesideTheProgramWhateverItsFolderHolds) {
    // A program folder "kp x" beside a file "kp": the tools in the folder run, not the file.
    const std::string decoy = tmp.WriteText("apps/kp", "#!/bin/sh\ntouch \"$0.ran\"\n");
    fs::permissions(decoy, fs::perms::owner_all);
    const std::string program = tmp.MakeFolder("apps/kp x");
    for (const char* tool : {"rar", "par2"}) fs::create_symlink(test::TestToolsDir() + "/" + tool, program + "/" + tool);
    f.AppPath = program;
    // An archiver that closes its output long before it is done: par2 starts only once it is.
    ::setenv("KELVORA_FAKE_RAR_CLOSE_EARLY", "1", 1);
    f.cmdProcess.UserClick();
    EXPECT_EQ(Report(), "Done!;Status: Done!");
    EXPECT_FALSE(fs::exists(decoy + ".ran"));
    EXPECT_TRUE(Verified(output + "Kelvora0001"));
    EXPECT_FALSE(test::IsOurChild(f.objDOS->LastProcessId()));
}

// A real full disk: a small file system mounted for the test (needs the right to mount).
TEST_F(JobFailure, AFullDiskIsAFailure) {
    const std::string small = tmp.MakeFolder("small");
    if (::mount("kelvora-test", small.c_str(), "tmpfs", 0, "size=1m") != 0)
        GTEST_SKIP() << "cannot mount a small file system here: " << std::strerror(errno);
    w.Choose(tmp / "src/Holiday", small + "/", "Holiday.rar", 3500000);
    f.cmdProcess.UserClick();
    const std::string report = Report();
    ::umount2(small.c_str(), MNT_DETACH);
    EXPECT_TRUE(StartsWith(report, "The tool rar failed with exit status ") && EndsWith(report, "!;Status: Failed."))
        << report;
}

}  // namespace
}  // namespace kelvora
