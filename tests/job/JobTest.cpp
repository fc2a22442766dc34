// A job run through JobPlan, without a window: work folders, Stop at every point of a run,
// failing tools, the check of what was made, and what the tools are handed when names hold odd
// characters. The whole successful job is in RealArchiverTest.cpp, with both archivers.
#include <gtest/gtest.h>
#ifndef _WIN32
#include <sys/mount.h>
#endif

#include <cstring>
#include <filesystem>

#include "ProcessWatch.h"
#include "RunQuietly.h"
#include "TestJob.h"
#include "common/Numbers.h"
#include "common/Text.h"
#include "job/Items.h"
#include "runner/OutsideTools.h"

namespace fs = std::filesystem;
using kelvora::platform::PathSeparator;

namespace kelvora {
namespace {

using Outcome = ItemResult::Outcome;

// A source of 3,500,000 bytes in two folders, split into volumes of 1,000,000 bytes.
struct Job : ::testing::Test {
    Job() {
        tmp.WriteFile("src/Holiday/a.bin", 2000000, 3);
        tmp.WriteFile("src/Holiday/sub/b.bin", 1500000, 4);
        plan.splitBytes = 1000000;
    }
    std::string Work(int n, const std::string& name = "") const {
        return output + "Kelvora" + FormatCounter(n) + (name.empty() ? "" : PathSeparator + name);
    }

    test::TempDir tmp;
    const std::string source = tmp / "src/Holiday", output = tmp.MakeFolder("out") + PathSeparator;
    JobPlan plan = test::PlainJob(source, output, "Holiday.rar", 3500000);
    test::JobRun run;
    const std::string par2 = Par2ToolPath(test::TestToolsDir());
};

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
    EXPECT_TRUE(fs::is_directory(Work(5)) && !fs::exists(tmp / "gone") && test::ReadFile(Work(2)) == "a file");

    // Every name taken: the item ends with a clear error and writes nothing. Hard links are far
    // cheaper to make than new files; one file takes at most 65,000 of them (on Windows 1,023).
#ifdef _WIN32
    GTEST_SKIP() << "taking all 99,999 names needs more hard links than Windows gives a file";
#endif
    const std::string seeds[] = {tmp.WriteText("seed0", ""), tmp.WriteText("seed1", "")};
    for (int n = 6; n <= 99999; ++n) fs::create_hard_link(seeds[n / 50000], Work(n));
    const JobResult result = run.Run(plan);
    ASSERT_EQ(result.items.size(), 1u);
    EXPECT_EQ(Describe(result.items[0], Language::English), "58 - No free work folder name in " + output);
    EXPECT_EQ(std::distance(fs::directory_iterator(output), fs::directory_iterator()), 99999);
    EXPECT_EQ(run.runner.LastProcessId(), 0);
}

// Stop while the archiver works, right after it, before and while par2 works, and once par2 has
// finished, for one item and for the first of two: what was stopped is canceled, no later step
// or item begins, no process of a tool's group is left; what had finished is done.
TEST_F(Job, StopWhereverItComes) {
    plan.blockSize = 4000;  // many blocks: par2 works a while
    plan.recovery.count = 100;
    auto stopped = [&](const JobResult& result, const std::string& lastEvent) {
        const int pid = run.runner.LastProcessId();
        auto gone = [&] { return platform::ReapFinishedChildren(), test::GroupGone(pid); };
        EXPECT_TRUE(pid != 0 && test::WaitFor(gone, std::chrono::seconds(10))) << "a tool is still running";
        EXPECT_TRUE(result.stopped && !result.Succeeded());
        EXPECT_EQ(run.seen.events.back(), lastEvent);
        return result.items.size() == 1 && result.items[0].outcome == Outcome::Canceled;
    };

    test::SetEnv("KELVORA_FAKE_RAR_DELAY_MS", "30000");  // the archiver waits after each volume
    run.StopAt([](const std::string& e) { return e == "volumes 1"; });
    EXPECT_TRUE(stopped(run.Run(plan), "canceled"));
    test::SetEnv("KELVORA_FAKE_RAR_DELAY_MS", nullptr);
    EXPECT_EQ(fs::file_size(Work(1, "Holiday.part1.rar")), 1000000u);  // written before the Stop
    EXPECT_EQ(std::distance(fs::directory_iterator(Work(1)), fs::directory_iterator()), 1);

    // Right after the archiver, and as par2 is about to begin: par2 never starts.
    for (const char* at : {"ended archiving", "recovery"}) {
        run.StopAt([at](const std::string& e) { return e == at; });
        const JobResult result = run.Run(plan);
        EXPECT_TRUE(result.stopped && result.items[0].outcome == Outcome::Canceled) << at;
        EXPECT_TRUE(run.seen.Of("percent").empty() &&
                    !fs::exists(result.items[0].item.workFolder + PathSeparator + "Holiday.par2"));
    }
    const int before = run.runner.LastProcessId();
    run.StopAt([](const std::string& e) { return e.rfind("percent", 0) == 0; });
    EXPECT_TRUE(stopped(run.Run(plan), "canceled"));
    EXPECT_NE(run.runner.LastProcessId(), before);  // it was par2 that was stopped

    // Once par2 has exited, while its last output is still to be handled: nothing is left to
    // stop. One item is done; of two, the second is never taken up.
    plan.blockSize = 384000;
    auto atTheEnd = [&] {
        bool parring = false;
        run.seen.onEvent = [&parring](const std::string& e) { parring |= e == "recovery"; };
        run.desktop.When([&, &parring = parring] { return parring && run.runner.Running(); }, [&] {
            EXPECT_TRUE(test::WaitFor([&] { return test::IsDead(run.runner.LastProcessId()); }));
            run.job->RequestStop();
        });
        return run.Run(plan);
    };
    JobResult result = atTheEnd();
    EXPECT_TRUE(result.Succeeded() && !result.stopped);
    EXPECT_EQ(test::RunQuietly({par2, "verify", result.items[0].item.workFolder + PathSeparator + "Holiday.par2"}), 0);
    plan.separateItems = {tmp / "src/Holiday/a.bin", tmp / "src/Holiday/sub"};
    result = atTheEnd();
    EXPECT_TRUE(result.stopped && result.itemCount == 2 && result.items.size() == 1 &&
                result.items[0].outcome == Outcome::Done);
    EXPECT_EQ(run.seen.Of("item").size(), 1u);
}

TEST_F(Job, AFailingToolFailsItsItemWithWhatItSaid) {
    const std::string rar = "The tool " + RarToolName(), par2Tool = "The tool " + Par2ToolName();
#ifdef _WIN32
    const std::string crashed = rar + " failed with exit status " + std::to_string(static_cast<int>(0xC0000005u));
#else
    const std::string crashed = rar + " was ended by signal 11";
#endif
    const struct { const char* cue; int32_t blockSize; std::string report; } cases[] = {
        // A full disk after the first volume: what the archiver said about it, not its last line.
        {"KELVORA_FAKE_RAR_DISK_VOLUMES", 384000,
         rar + " failed with exit status 5.\r\nWhat it said:\r\nERROR: Write error in the file " + Work(1, "Holiday.part2.rar") +
             "\r\nNo space left on device"},
        {"KELVORA_FAKE_RAR_CRASH", 384000, crashed + ".\r\nWhat it said:\r\n"},
        // par2 refuses a block size that would need more than 32768 blocks.
        {nullptr, 100, par2Tool + " failed with exit status 3.\r\nWhat it said:\r\n"},
    };
    for (const auto& c : cases) {
        if (c.cue) test::SetEnv(c.cue, "1");
        plan.blockSize = c.blockSize;
        const JobResult result = run.Run(plan);
        if (c.cue) test::SetEnv(c.cue, nullptr);
        ASSERT_EQ(result.items.size(), 1u);
        EXPECT_TRUE(result.AnyFailed() && !result.stopped && result.items[0].outcome == Outcome::Failed);
        const std::string report = Describe(result.items[0], Language::English);
        EXPECT_TRUE(StartsWith(report, c.report) && !EndsWith(report, "\r\n")) << report;
        EXPECT_FALSE(test::IsOurChild(run.runner.LastProcessId()));  // reaped, no zombie
    }

    // Of several items a failed one is told and the next still runs; one the archiver could not
    // be given (its own name a pattern) fails before anything runs.
    test::SetEnv("KELVORA_FAKE_RAR_DISK_VOLUMES", "0");
    test::SetEnv("KELVORA_FAKE_RAR_ONLY", "a.bin");
    plan.blockSize = 384000;
    plan.separateItems = {tmp / "src/Holiday/a.bin", tmp.WriteText("src/what*.txt", "w"), tmp / "src/Holiday/sub"};
    const JobResult result = run.Run(plan);
    ASSERT_EQ(result.items.size(), 3u);
    EXPECT_EQ(result.items[0].outcome, Outcome::Failed);
    EXPECT_EQ(Describe(result.items[1], Language::English),
              FillIn(Text(Msg::WildcardInSource, Language::English), {tmp / "src/what*.txt"}));
    EXPECT_TRUE(result.items[1].item.workFolder.empty() && result.items[2].outcome == Outcome::Done);
}

// A real full disk: a small file system mounted for the test (needs the right to mount).
TEST_F(Job, AFullDiskIsAFailure) {
#ifdef _WIN32
    GTEST_SKIP() << "no small file system can be mounted for a test on Windows";
#else
    const std::string small = tmp.MakeFolder("small");
    if (::mount("kelvora-test", small.c_str(), "tmpfs", 0, "size=1m") != 0)
        GTEST_SKIP() << "cannot mount a small file system here: " << std::strerror(errno);
    plan.outputFolder = small + "/";
    const JobResult result = run.Run(plan);
    ::umount2(small.c_str(), MNT_DETACH);
    ASSERT_EQ(result.items.size(), 1u);
    EXPECT_TRUE(StartsWith(Describe(result.items[0], Language::English), "The tool rar failed with exit status "));
#endif
}

// The check after par2: a sound set is verified; a volume damaged between its making and the
// check fails the item with par2's own finding; a Stop works there too.
TEST_F(Job, VerifyPassesOnlyWhatIsSound) {
    plan.verify = true;
    JobResult result = run.Run(plan);
    EXPECT_TRUE(result.Succeeded() && result.items[0].verified);
    EXPECT_EQ(run.seen.Of("verifying").size(), 1u);

    run.StopAt([](const std::string& e) { return e == "verifying"; });
    result = run.Run(plan);
    EXPECT_TRUE(result.stopped && result.items[0].outcome == Outcome::Canceled && !result.items[0].verified);
    run.seen.onEvent = nullptr;

#ifdef _WIN32
    GTEST_SKIP() << "the damaging stand-in PAR2 tool is a shell script";
#else
    // par2 that damages the second volume just before it verifies.
    test::TempDir program;
    fs::create_symlink(test::TestToolsDir() + "/rar", program / "rar");
    program.WriteText("par2", "#!/bin/sh\n[ \"$1\" = verify ] && printf damaged | dd of=Holiday.part2.rar bs=1 seek=5000 "
                              "conv=notrunc 2>/dev/null\nexec '" + par2 + "' \"$@\"\n");
    fs::permissions(program / "par2", fs::perms::owner_all);
    result = run.Run(plan, program.path());
    ASSERT_EQ(result.items.size(), 1u);
    EXPECT_FALSE(result.items[0].verified);
    const std::string report = Describe(result.items[0], Language::English);
    EXPECT_TRUE(StartsWith(report, "The tool par2 failed with exit status 1.\r\n" +
                                       Text(Msg::VerifyRepairable, Language::English) + "\r\nWhat it said:\r\n"))
        << report;
    EXPECT_NE(report.find("damaged"), std::string::npos) << report;
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
    test::SetEnv("KELVORA_FAKE_RAR_CLOSE_EARLY", "1");
    test::SetEnv("KELVORA_FAKE_RAR_LOG", (tmp / "rar.log").c_str());
    const std::string odd = tmp.MakeFolder(oddFolder) + PathSeparator, name = tmp.MakeFolder("src/" + sourceName);
    tmp.WriteFile("src/" + sourceName + "/in.bin", 300000, 5);
    tmp.WriteFile("src/x1a/other.bin", 10, 6);
    const JobResult result = run.Run(test::PlainJob(name, odd, "x[1].rar", 300000), program);
    EXPECT_TRUE(result.Succeeded());
    EXPECT_FALSE(fs::exists(decoy + ".ran") || test::IsOurChild(run.runner.LastProcessId()));
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
