// Jobs with the stand-in archiver and with RARLAB's archiver as Debian packages it
// (scripts/fetch-rar.sh fetches it into the build folder); the RealArchiver tests are skipped,
// with the reason, where it could not be had, and on Windows. The whole job, with its repair,
// is in tests/app/StartStopTest.cpp, as the window shows it.
#include <set>
#include <sstream>

#include "ProcessWatch.h"
#include "RunQuietly.h"
#include "TestJob.h"
#include "common/Text.h"
#include "runner/OutsideTools.h"

namespace fs = std::filesystem;

namespace kelvora {

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
            GTEST_SKIP() << "the real archiver is not there (" << rar << "): scripts/fetch-rar.sh could not fetch Debian's rar package";
        test::SetEnv("RAR", nullptr);  // the user's default switches would change what the archiver writes
        fs::create_symlink(rar, program / "rar"), fs::create_symlink(par2, program / "par2");
    }
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

    // A chosen file is packed alone, though files of its name lie in the folders below its own,
    // and names that begin with "-" reach both tools as names, not as switches.
    void ChosenNamesExactly() {
        const std::string names[] = {"report.txt", "-R", "-a", "-v", "-q", "-n1", "--"};
        for (const std::string& name : names)
            for (const char* folder : {"photos/", "photos/sub/", "photos/deep/er/"}) tmp.WriteFile(folder + name, 150000, 'n');
        int n = 0;
        for (const std::string& name : names) {
            SCOPED_TRACE(name);
            plan = test::PlainJob(tmp / ("photos/" + name), output, WithRarExtension(name), 150000);
            const std::string stem = plan.archiveName.substr(0, plan.archiveName.size() - 4), work = Work(++n);
            EXPECT_TRUE(Run().Succeeded());
            EXPECT_EQ(test::RunQuietly({par2, "verify", work + stem + ".par2"}), 0);
            if (Real) { EXPECT_EQ(Lines("'" + rar + "' lb '" + work + plan.archiveName + "'"), Names{name}); }
        }
    }

    const std::string rar = Real ? KELVORA_REAL_RAR : RarToolPath(test::TestToolsDir()), par2 = Par2ToolPath(test::TestToolsDir());
    test::TempDir program, tmp;
    const std::string source = tmp.MakeFolder("photos/Holiday"), output = tmp.MakeFolder("out") + platform::PathSeparator;
    JobPlan plan = test::PlainJob(source, output, "Holiday.rar", 3500000);
    test::JobRun run;
};
using StandInArchiver = Archiver<false>;
using RealArchiver = Archiver<true>;
TEST_F(StandInArchiver, ChosenNamesExactly) { ChosenNamesExactly(); }
TEST_F(RealArchiver, ChosenNamesExactly) { ChosenNamesExactly(); }

// What the archive holds under the two folder options: with "Don't add main directory name"
// exactly the folder's entries, hidden ones included, at the top; with "Don't add empty
// sub-directories" no empty folder. RAR 5 archives know only "name.partN.rar" volumes, so with
// old-style naming asked for, RAR 7 still writes those, and the job covers them all.
TEST_F(RealArchiver, FolderOptionsAndOldStyleNaming) {
    tmp.WriteFile("photos/Holiday/IMG_0.jpg", 150000, 7), tmp.WriteFile("photos/Holiday/.hidden", 10, 8);
    tmp.WriteFile("photos/Holiday/sub/IMG_1.jpg", 100, 9), tmp.MakeFolder("photos/Holiday/empty");
    const struct { bool contentsOnly, skipEmpty, oldNaming; Names listed; } runs[] = {
        {false, false, false, {"Holiday", "Holiday/.hidden", "Holiday/IMG_0.jpg", "Holiday/empty", "Holiday/sub", "Holiday/sub/IMG_1.jpg"}},
        {true, false, true, {".hidden", "IMG_0.jpg", "empty", "sub", "sub/IMG_1.jpg"}},
        {true, true, false, {".hidden", "IMG_0.jpg", "sub/IMG_1.jpg"}},
    };
    int n = 0;
    for (const auto& r : runs) {
        SCOPED_TRACE(++n);
        plan.splitBytes = 100000, plan.contentsOnly = r.contentsOnly, plan.skipEmptyFolders = r.skipEmpty, plan.oldNaming = r.oldNaming;
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
    for (const std::string& folder : {tmp.path(), program.path(), tmp / "photos", source, output}) fs::permissions(folder, fs::perms::all);
    const std::string said = test::AsAnotherUser([&] {
        const JobResult result = Run();
        return result.items.size() == 1 && result.AnyFailed() ? Describe(result.items[0], Language::English) : "not failed";
    }).value_or("could not run as another user");
    EXPECT_TRUE(StartsWith(said, "The tool rar failed with exit status ") &&
                said.find("\r\nSome files could not be read; they are missing from the volumes.\r\nWhat it said:\r\n") != std::string::npos &&
                said.find("Cannot open " + secret) != std::string::npos)
        << said;
#endif
}

}  // namespace kelvora
