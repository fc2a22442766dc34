// Whole jobs with the stand-in archiver and with RARLAB's archiver as Debian packages it
// (scripts/fetch-rar.sh fetches it into the build folder); the RealArchiver tests are skipped,
// with the reason, where it could not be had, and on Windows.
#include <gtest/gtest.h>
#include <unistd.h>
#ifndef _WIN32
#include <sys/wait.h>
#endif

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <set>
#include <sstream>

#include "ProcessWatch.h"
#include "RunQuietly.h"
#include "TestJob.h"
#include "job/Items.h"
#include "common/Text.h"
#include "runner/OutsideTools.h"

namespace fs = std::filesystem;

namespace kelvora {
namespace {

using Names = std::set<std::string>;

template <bool Real>
struct Archiver : ::testing::Test {
    void SetUp() override {
        plan.compression = Compression::None;  // stored: volume counts follow the sizes
        if (!Real) return;
#ifdef _WIN32
        GTEST_SKIP() << "RARLAB's archiver as Debian packages it runs on Linux only";
#endif
        if (::access(rar.c_str(), X_OK) != 0)
            GTEST_SKIP() << "the real archiver is not there (" << rar
                         << "): scripts/fetch-rar.sh could not fetch Debian's rar package";
        test::SetEnv("RAR", nullptr);  // the user's default switches would change what the archiver writes
        fs::create_symlink(rar, program / "rar");
        fs::create_symlink(par2, program / "par2");
    }
    void WholeBlocksAndRepair();
    void ChosenNamesExactly();
    std::string Work(int n) const { return output + "Kelvora000" + std::to_string(n) + platform::PathSeparator; }
    // What a command prints, each line once.
    Names Lines(const std::string& command) {
        std::system((command + " > '" + (tmp / "lines") + "'").c_str());
        std::istringstream out(test::ReadFile(tmp / "lines"));
        Names all;
        for (std::string line; std::getline(out, line);) all.insert(line);
        return all;
    }
    JobResult Run() { return run.Run(plan, Real ? program.path() : test::TestToolsDir()); }

    const std::string rar = Real ? KELVORA_REAL_RAR : RarToolPath(test::TestToolsDir());
    const std::string par2 = Par2ToolPath(test::TestToolsDir());
    test::TempDir program, tmp;
    const std::string source = tmp.MakeFolder("photos/Holiday"), output = tmp.MakeFolder("out") + platform::PathSeparator;
    JobPlan plan = test::PlainJob(source, output, "Holiday.rar", 3500000);
    test::JobRun run;
};
using StandInArchiver = Archiver<false>;
using RealArchiver = Archiver<true>;

// 3,500,000 bytes in volumes of 1,000,000 rounded to whole PAR2 blocks: each volume counted from
// the archiver's own output, par2's percentage followed, and the recovery files repair a lost and
// a damaged volume to the very bytes.
template <bool Real>
void Archiver<Real>::WholeBlocksAndRepair() {
    tmp.WriteFile("photos/Holiday/IMG_0.jpg", 1500000, 7);
    tmp.WriteFile("photos/Holiday/sub/IMG_1.jpg", 1200000, 8);
    tmp.WriteFile("photos/Holiday/IMG_2.jpg", 800000, 9);
    plan.splitBytes = 1000000;
    plan.wholeBlockVolumes = true;
    plan.blockSize = 128000;
    plan.recovery.count = 30;
    plan.verify = Real;
    // The stand-in ends its lines as the Windows archiver does: the closing "Done" still counts.
    if (!Real) test::SetEnv("KELVORA_FAKE_RAR_CRLF", "1");
    const JobResult result = Run();
    test::SetEnv("KELVORA_FAKE_RAR_CRLF", nullptr);
    EXPECT_TRUE(result.Succeeded() && result.items[0].verified == Real);
    EXPECT_EQ(run.seen.Of("volumes"), (std::vector<std::string>{"volumes 1", "volumes 2", "volumes 3", "volumes 4"}));
    EXPECT_EQ(run.seen.Of("archiver done").size(), 1u);
    EXPECT_GT(run.seen.Of("percent").size(), 1u);

    // 1,000,000 bytes is 7.8 blocks of 128,000: volumes of 8 whole blocks, the last one shorter.
    const std::string work = Work(1), index = work + "Holiday.par2";
    auto volume = [&](int i) { return work + "Holiday.part" + std::to_string(i) + ".rar"; };
    ASSERT_TRUE(fs::exists(volume(4)) && !fs::exists(volume(5)));
    for (int i = 1; i <= 3; ++i) EXPECT_EQ(fs::file_size(volume(i)), 8 * 128000u) << i;
    EXPECT_EQ(test::RunQuietly({par2, "verify", index}), 0);
    if (KELVORA_PAR2_STAND_IN) GTEST_SKIP() << "the stand-in PAR2 tool writes no recovery data to repair from";
    for (const int i : {2, 3}) {
        const std::string bytes = test::ReadFile(volume(i));
        if (i == 2) fs::remove(volume(i));
        else std::fstream(volume(i), std::ios::in | std::ios::out | std::ios::binary).seekp(500000) << "damaged";
        if (Real && i == 3) { EXPECT_NE(test::RunQuietly({rar, "t", volume(1)}), 0); }
        EXPECT_EQ(test::RunQuietly({par2, "repair", index}), 0);
        EXPECT_TRUE(test::ReadFile(volume(i)) == bytes) << i;
    }
    if (Real) { EXPECT_EQ(test::RunQuietly({rar, "t", volume(1)}), 0); }
}

TEST_F(StandInArchiver, WholeBlockVolumesProgressAndRepair) { WholeBlocksAndRepair(); }
TEST_F(RealArchiver, WholeBlockVolumesProgressAndRepair) { WholeBlocksAndRepair(); }

// A chosen file is packed alone, though files of its name lie in the folders below its own, and
// names that begin with "-" reach both tools as names, not as switches.
template <bool Real>
void Archiver<Real>::ChosenNamesExactly() {
    const std::string names[] = {"report.txt", "-R", "-a", "-v", "-q", "-n1", "--"};
    for (const std::string& name : names)
        for (const char* folder : {"photos/", "photos/sub/", "photos/deep/er/"}) tmp.WriteFile(folder + name, 150000, 'n');
    int n = 0;
    for (const std::string& name : names) {
        SCOPED_TRACE(name);
        plan = test::PlainJob(tmp / ("photos/" + name), output, WithRarExtension(name), 150000);
        const std::string archive = plan.archiveName, stem = archive.substr(0, archive.size() - 4);
        EXPECT_TRUE(Run().Succeeded());
        const std::string work = Work(++n);
        EXPECT_EQ(test::RunQuietly({par2, "verify", work + stem + ".par2"}), 0);
        if (Real) { EXPECT_EQ(Lines("'" + rar + "' lb '" + work + archive + "'"), Names{name}); }
    }
}

TEST_F(StandInArchiver, ChosenNamesExactly) { ChosenNamesExactly(); }
TEST_F(RealArchiver, ChosenNamesExactly) { ChosenNamesExactly(); }

// What the archive holds under the two folder options: with "Don't add main directory name"
// exactly the folder's entries, hidden ones included, at the top; with "Don't add empty
// sub-directories" no empty folder. RAR 5 archives know only "name.partN.rar" volumes, so with
// old-style naming asked for, RAR 7 still writes those, and the job covers them all.
TEST_F(RealArchiver, FolderOptionsAndOldStyleNaming) {
    tmp.WriteFile("photos/Holiday/IMG_0.jpg", 150000, 7);
    tmp.WriteFile("photos/Holiday/.hidden", 10, 8);
    tmp.WriteFile("photos/Holiday/sub/IMG_1.jpg", 100, 9);
    tmp.MakeFolder("photos/Holiday/empty");
    const struct { bool contentsOnly, skipEmpty, oldNaming; Names listed; } runs[] = {
        {false, false, false,
         {"Holiday", "Holiday/.hidden", "Holiday/IMG_0.jpg", "Holiday/empty", "Holiday/sub", "Holiday/sub/IMG_1.jpg"}},
        {true, false, true, {".hidden", "IMG_0.jpg", "empty", "sub", "sub/IMG_1.jpg"}},
        {true, true, false, {".hidden", "IMG_0.jpg", "sub/IMG_1.jpg"}},
    };
    int n = 0;
    for (const auto& r : runs) {
        SCOPED_TRACE(++n);
        plan.splitBytes = 100000;
        plan.contentsOnly = r.contentsOnly, plan.skipEmptyFolders = r.skipEmpty, plan.oldNaming = r.oldNaming;
        EXPECT_TRUE(Run().Succeeded());
        EXPECT_EQ(Lines("ls '" + Work(n) + "' | grep -v par2$"), (Names{"Holiday.part1.rar", "Holiday.part2.rar"}));  // old names too
        // Every volume's entries; an entry that spans volumes shows in each.
        EXPECT_EQ(Lines("'" + rar + "' lb -v '" + Work(n) + "Holiday.part1.rar'"), r.listed);
        EXPECT_EQ(test::RunQuietly({rar, "t", Work(n) + "Holiday.part1.rar"}), 0);
        EXPECT_EQ(test::RunQuietly({par2, "verify", Work(n) + "Holiday.par2"}), 0);
    }
}

// A file the archiver cannot read: the volumes lack it, so the item fails, saying why, as an
// ordinary user meets it (as root every file can be read: the job runs as another user).
TEST_F(RealArchiver, AFileItCannotReadFailsTheItem) {
#ifndef _WIN32
    tmp.WriteFile("photos/Holiday/IMG_0.jpg", 1000, 7);
    const std::string secret = tmp.WriteFile("photos/Holiday/secret.jpg", 1000, 8);
    fs::permissions(secret, fs::perms::none);
    for (const std::string& folder : {tmp.path(), program.path(), tmp / "photos", source, output})
        fs::permissions(folder, fs::perms::all);
    const std::string report = tmp / "report";
    const pid_t child = ::fork();
    if (child == 0) {
        if (::setgid(65534) != 0 || ::setuid(65534) != 0) ::_exit(100);
        const JobResult result = Run();
        std::ofstream(report) << (result.items.size() == 1 ? Describe(result.items[0], Language::English) : "?");
        ::_exit(result.AnyFailed() ? 0 : 1);
    }
    const int status = test::WaitChild(child);
    if (WIFEXITED(status) && WEXITSTATUS(status) == 100) GTEST_SKIP() << "cannot run the job as another user here";
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << test::ReadFile(report);
    const std::string said = test::ReadFile(report);
    EXPECT_TRUE(StartsWith(said, "The tool rar failed with exit status ") &&
                said.find("\r\nSome files could not be read; they are missing from the volumes.\r\nWhat it said:\r\n") !=
                    std::string::npos &&
                said.find("Cannot open " + secret) != std::string::npos)
        << said;
#endif
}

}  // namespace
}  // namespace kelvora
