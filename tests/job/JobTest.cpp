// A job run through JobPlan, without a window: work folders, Stop at every point of a run,
// failing tools, and what the tools are handed when names hold odd characters; with the
// stand-in archiver and with RARLAB's archiver as Debian packages it (scripts/fetch-rar.sh
// fetches it into the build folder; the RealArchiver tests are skipped, with the reason, where
// it could not be had, and on Windows). The whole successful job is in
// tests/app/StartStopTest.cpp, with both archivers; a damaged volume found by the check after
// par2 in tests/cli/PackTest.cpp.
#include <set>
#include <sstream>

#include "ProcessWatch.h"
#include "RunQuietly.h"
#include "TestJob.h"
#include "common/Numbers.h"
#include "common/Text.h"
#include "runner/OutsideTools.h"

namespace fs = std::filesystem;
using kelvora::platform::PathSeparator;

namespace kelvora {
namespace {

using Outcome = ItemResult::Outcome;

// A source of 3,500,000 bytes in two folders, split into volumes of 1,000,000 bytes.
struct Job : ::testing::Test {
    Job() { tmp.WriteFile("src/Holiday/a.bin", 2000000, 3), tmp.WriteFile("src/Holiday/sub/b.bin", 1500000, 4), plan.splitBytes = 1000000; }
    std::string Work(int n, const std::string& name = "") const {
        return output + "Kelvora" + FormatCounter(n) + (name.empty() ? "" : PathSeparator + name);
    }
    // The report of the only item of a run.
    std::string Report(const JobResult& result) const {
        return result.items.size() == 1 ? Describe(result.items[0], Language::English) : "items: " + std::to_string(result.items.size());
    }
    JobResult Run() { return run.Run(plan, tools); }
    // What a command prints, each line once.
    std::set<std::string> Lines(const std::string& command) const {
        std::system((command + " > '" + (tmp / "lines") + "'").c_str());
        std::istringstream out(test::ReadFile(tmp / "lines"));
        std::set<std::string> all;
        for (std::string line; std::getline(out, line);) all.insert(line);
        return all;
    }

    // A chosen file is packed alone, though files of its name lie in the folders below its own,
    // and names that begin with "-" reach both tools as names, not as switches.
    void ChosenNamesExactly(bool real) {
        const std::string names[] = {"report.txt", "-R", "-a", "-v", "-q", "-n1", "--"};
        for (const std::string& name : names)
            for (const char* folder : {"photos/", "photos/sub/", "photos/deep/er/"}) tmp.WriteFile(folder + name, 150000, 'n');
        int n = 0;
        for (const std::string& name : names) {
            SCOPED_TRACE(name);
            plan = test::PlainJob(tmp / ("photos/" + name), output, WithRarExtension(name), 150000);
            const std::string stem = plan.archiveName.substr(0, plan.archiveName.size() - 4);
            EXPECT_TRUE(Run().Succeeded());
            EXPECT_EQ(test::RunQuietly({par2, "verify", Work(++n, stem + ".par2")}), 0);
            if (real) { EXPECT_EQ(Lines("'" KELVORA_REAL_RAR "' lb '" + Work(n, plan.archiveName) + "'"), std::set<std::string>{name}); }
        }
    }

    test::TempDir tmp, program;
    const std::string source = tmp / "src/Holiday", output = tmp.MakeFolder("out") + PathSeparator;
    JobPlan plan = test::PlainJob(source, output, "Holiday.rar", 3500000);
    test::JobRun run;
    const std::string par2 = Par2ToolPath(test::TestToolsDir());
    std::string tools = test::TestToolsDir();  // the program folder
};

// RARLAB's archiver and par2 in a program folder of their own.
struct RealArchiver : Job {
    void SetUp() override {
        if (const std::string why = test::LinkRealArchiver(program.path()); !why.empty()) GTEST_SKIP() << why;
        tools = program.path();
    }
};

TEST_F(Job, WorkFolderNumberingSkipsEveryTakenName) {
    tmp.MakeFolder("out/Kelvora0001"), tmp.WriteText("out/Kelvora0002", "a file");
#ifdef _WIN32
    tmp.WriteText("out/Kelvora0004", "");  // wine makes no links
#else
    fs::create_symlink(tmp / "gone", output + "Kelvora0004");
#endif
    EXPECT_EQ(CreateWorkFolder(output), "Kelvora0003");
    EXPECT_EQ(CreateWorkFolder(output), "Kelvora0005");
    EXPECT_TRUE(fs::is_directory(Work(5)) && !fs::exists(tmp / "gone") && test::ReadFile(Work(2)) == "a file");

    // Every name taken: the item ends with a clear error, writes nothing, and ends the run (the
    // second item is never taken up). Hard links are far cheaper to make than new files; one file
    // takes at most 65,000 of them (on Windows 1,023). The last name is a name like the others.
#ifdef _WIN32
    GTEST_SKIP() << "taking all 99,999 names needs more hard links than Windows gives a file";
#endif
    const std::string seeds[] = {tmp.WriteText("seed0", ""), tmp.WriteText("seed1", "")};
    for (int n = 6; n <= 99999; ++n) fs::create_hard_link(seeds[n / 50000], Work(n));
    plan.separateItems = {source, source};
    EXPECT_EQ(Report(run.Run(plan)), "58 - No free work folder name in " + output);
    EXPECT_TRUE(test::Entries(output) == 99999 && run.runner.LastProcessId() == 0);
    EXPECT_EQ((fs::remove(Work(99999)), CreateWorkFolder(output)), "Kelvora99999");
}

// Stop while the archiver works, right after it, before and while par2 works, during the check,
// and once par2 has finished, for one item and for the first of two: what was stopped is
// canceled, no later step or item begins, no process of a tool's group is left; what had
// finished is done.
TEST_F(Job, StopWhereverItComes) {
    plan.blockSize = 4000, plan.recovery.count = 100;  // many blocks: par2 works a while
    auto stopped = [&](const std::string& at) {
        run.StopAt(at);
        const JobResult result = run.Run(plan);
        const int pid = run.runner.LastProcessId();
        auto gone = [&] { return platform::ReapFinishedChildren(), test::GroupGone(pid); };
        EXPECT_TRUE(pid != 0 && test::WaitFor(gone, std::chrono::seconds(10))) << at << ": a tool is still running";
        EXPECT_TRUE(result.stopped && result.items.size() == 1 && result.items[0].outcome == Outcome::Canceled) << at;
        EXPECT_EQ(run.seen.events.back(), "canceled") << at;
        return result;
    };
    test::SetEnv("KELVORA_FAKE_RAR_DELAY_MS", "30000"), stopped("volumes");  // the archiver waits after each volume
    test::SetEnv("KELVORA_FAKE_RAR_DELAY_MS", nullptr);
    EXPECT_EQ(fs::file_size(Work(1, "Holiday.part1.rar")), 1000000u);  // written before the Stop
    EXPECT_EQ(test::Entries(Work(1)), 1);
    // Right after the archiver, and as par2 is about to begin: par2 never starts.
    for (const char* at : {"ended archiving", "recovery"}) {
        const JobResult result = stopped(at);
        EXPECT_TRUE(run.seen.Count("percent") == 0 && !fs::exists(result.items[0].item.workFolder + PathSeparator + "Holiday.par2"));
    }
    stopped("percent");
    plan.verify = true;  // and during the check after par2
    EXPECT_FALSE(stopped("verifying").items[0].verified);
    plan.verify = false, plan.blockSize = 384000;

    // Once par2 has exited, while its last output is still to be handled: nothing is left to
    // stop. One item is done; of two, the second is never taken up.
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
    EXPECT_TRUE(result.stopped && result.itemCount == 2 && result.items.size() == 1 && result.items[0].outcome == Outcome::Done);
    EXPECT_EQ(run.seen.Count("item"), 1);
}

// A failing tool fails its item with what it said. Of several items the next still runs:
// tests/app/StartStopTest.cpp.
TEST_F(Job, AFailingToolFailsItsItemWithWhatItSaid) {
    const std::string rar = "The tool " + RarToolName() + " ";
#ifdef _WIN32
    const std::string crashed = rar + "failed with exit status " + std::to_string(static_cast<int>(0xC0000005u));
#else
    const std::string crashed = rar + "was ended by signal 11";
#endif
    const struct { const char* cue; int32_t blockSize; std::string report; } cases[] = {
        // A full disk after the first volume: what the archiver said about it, not its last line.
        {"KELVORA_FAKE_RAR_DISK_VOLUMES", 384000,
         rar + "failed with exit status 5.\r\nWhat it said:\r\nERROR: Write error in the file " + Work(1, "Holiday.part2.rar") +
             "\r\nNo space left on device"},
        {"KELVORA_FAKE_RAR_CRASH", 384000, crashed + ".\r\nWhat it said:\r\n"},
        // par2 refuses a block size that would need more than 32768 blocks.
        {nullptr, 100, "The tool " + Par2ToolName() + " failed with exit status 3.\r\nWhat it said:\r\n"},
    };
    for (const auto& c : cases) {
        if (c.cue) test::SetEnv(c.cue, "1");
        plan.blockSize = c.blockSize;
        const JobResult result = run.Run(plan);
        if (c.cue) test::SetEnv(c.cue, nullptr);
        EXPECT_TRUE(result.AnyFailed() && !result.stopped && result.items[0].outcome == Outcome::Failed);
        EXPECT_TRUE(StartsWith(Report(result), c.report) && !EndsWith(Report(result), "\r\n")) << Report(result);
        EXPECT_FALSE(test::IsOurChild(run.runner.LastProcessId()));  // reaped, no zombie
    }
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
    const std::string decoy = tmp.WriteProgram("apps/kp", "#!/bin/sh\ntouch \"$0.ran\"\n"), oddFolder = "o*u?t[1]",
                      sourceName = "x[1] \"q\"\\";
    for (const char* tool : {"rar", "par2"}) fs::create_symlink(test::TestToolsDir() + "/" + tool, program + "/" + tool);
#endif
    test::SetEnv("KELVORA_FAKE_RAR_CLOSE_EARLY", "1"), test::SetEnv("KELVORA_FAKE_RAR_LOG", (tmp / "rar.log").c_str());
    const std::string odd = tmp.MakeFolder(oddFolder) + PathSeparator, name = tmp.MakeFolder("src/" + sourceName);
    tmp.WriteFile("src/" + sourceName + "/in.bin", 300000, 5), tmp.WriteFile("src/x1a/other.bin", 10, 6);
    EXPECT_TRUE(run.Run(test::PlainJob(name, odd, "x[1].rar", 300000), program).Succeeded());
    EXPECT_FALSE(fs::exists(decoy + ".ran") || test::IsOurChild(run.runner.LastProcessId()));
    EXPECT_NE(test::ReadFile(tmp / "rar.log").find("\n--\n" + odd + test::Native("Kelvora0001/x[1].rar\n") + name + "\n----\n"),
              std::string::npos);
    // par2 reads * and ? in its own arguments as wildcards: verify from inside the folder.
    EXPECT_EQ(test::RunQuietly({par2, "verify", "-q", "x[1].par2"}, odd + "Kelvora0001"), 0);
}

TEST_F(Job, ChosenNamesExactly) { ChosenNamesExactly(false); }
TEST_F(RealArchiver, ChosenNamesExactly) { ChosenNamesExactly(true); }

// What the archive holds under the two folder options: with "Don't add main directory name"
// exactly the folder's entries, hidden ones included, at the top; with "Don't add empty
// sub-directories" no empty folder. RAR 5 archives know only "name.partN.rar" volumes, so with
// old-style naming asked for, RAR 7 still writes those, and the job covers them all.
TEST_F(RealArchiver, FolderOptionsAndOldStyleNaming) {
    tmp.WriteFile("photos/Holiday/IMG_0.jpg", 150000, 7), tmp.WriteFile("photos/Holiday/.hidden", 10, 8);
    tmp.WriteFile("photos/Holiday/sub/IMG_1.jpg", 100, 9), tmp.MakeFolder("photos/Holiday/empty");
    plan = test::PlainJob(tmp / "photos/Holiday", output, "Holiday.rar", 150110);
    plan.compression = Compression::None, plan.splitBytes = 100000;  // stored: two volumes
    const struct { bool contentsOnly, skipEmpty, oldNaming; std::set<std::string> listed; } runs[] = {
        {false, false, false, {"Holiday", "Holiday/.hidden", "Holiday/IMG_0.jpg", "Holiday/empty", "Holiday/sub", "Holiday/sub/IMG_1.jpg"}},
        {true, false, true, {".hidden", "IMG_0.jpg", "empty", "sub", "sub/IMG_1.jpg"}},
        {true, true, false, {".hidden", "IMG_0.jpg", "sub/IMG_1.jpg"}},
    };
    int n = 0;
    for (const auto& r : runs) {
        SCOPED_TRACE(++n);
        plan.contentsOnly = r.contentsOnly, plan.skipEmptyFolders = r.skipEmpty, plan.oldNaming = r.oldNaming;
        EXPECT_TRUE(Run().Succeeded());
        EXPECT_EQ(Lines("ls '" + Work(n) + "' | grep -v par2$"), (std::set<std::string>{"Holiday.part1.rar", "Holiday.part2.rar"}));
        // Every volume's entries; an entry that spans volumes shows in each.
        EXPECT_EQ(Lines("'" KELVORA_REAL_RAR "' lb -v '" + Work(n, "Holiday.part1.rar") + "'"), r.listed);
        EXPECT_EQ(test::RunQuietly({KELVORA_REAL_RAR, "t", Work(n, "Holiday.part1.rar")}), 0);
        EXPECT_EQ(test::RunQuietly({par2, "verify", Work(n, "Holiday.par2")}), 0);
    }
}

// A file the archiver cannot read: the volumes lack it, so the item fails, saying why, as an
// ordinary user meets it (as root every file can be read: the job runs as another user).
TEST_F(RealArchiver, AFileItCannotReadFailsTheItem) {
#ifndef _WIN32
    tmp.WriteFile("photos/Holiday/IMG_0.jpg", 1000, 7);
    const std::string secret = tmp.WriteFile("photos/Holiday/secret.jpg", 1000, 8);
    fs::permissions(secret, fs::perms::none);
    for (const std::string& folder : {tmp.path(), program.path(), tmp / "photos", tmp / "photos/Holiday", output})
        fs::permissions(folder, fs::perms::all);
    plan = test::PlainJob(tmp / "photos/Holiday", output, "Holiday.rar", 2000);
    const std::string said = test::AsAnotherUser([&] {
        const JobResult result = Run();
        return result.AnyFailed() ? Report(result) : "not failed";
    }).value_or("could not run as another user");
    EXPECT_TRUE(StartsWith(said, "The tool rar failed with exit status ") &&
                said.find("\r\nSome files could not be read; they are missing from the volumes.\r\nWhat it said:\r\n") != std::string::npos &&
                said.find("Cannot open " + secret) != std::string::npos)
        << said;
#endif
}

}  // namespace
}  // namespace kelvora
