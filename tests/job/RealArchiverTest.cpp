// Whole jobs from Start to "Done!", with the stand-in archiver and with RARLAB's archiver as
// Debian packages it (scripts/fetch-rar.sh fetches it into the build folder); the RealArchiver
// tests are skipped, with the reason, where it could not be had, and on Windows.
#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <set>
#include <sstream>

#include "RunQuietly.h"
#include "TestWindow.h"
#include "job/JobControl.h"
#include "runner/OutsideTools.h"

namespace fs = std::filesystem;

namespace kelvora {
namespace {

template <bool Real>
struct Archiver : ::testing::Test {
    void SetUp() override {
        f.cboCompression.SetListIndex(0);  // stored: volume counts follow the sizes
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
        f.AppPath = program.path();
    }
    void WholeJob();
    void ChosenNamesExactly();
    // What a command prints, each line once.
    std::set<std::string> Lines(const std::string& command) {
        std::system((command + " > '" + (tmp / "lines") + "'").c_str());
        std::istringstream out(test::ReadFile(tmp / "lines"));
        std::set<std::string> all;
        for (std::string line; std::getline(out, line);) all.insert(line);
        return all;
    }

    const std::string rar = Real ? KELVORA_REAL_RAR : RarToolPath(test::TestToolsDir());
    const std::string par2 = Par2ToolPath(test::TestToolsDir());
    test::JobWindow w;
    frmMain& f = w.f;
    test::TempDir program, tmp;
    const std::string source = tmp.MakeFolder("photos/Holiday"), output = tmp.MakeFolder("out") + platform::PathSeparator;
};
using StandInArchiver = Archiver<false>;
using RealArchiver = Archiver<true>;

// 3,500,000 bytes in volumes of 1,000,000 rounded to whole PAR2 blocks, with the pause between
// the tools, where the user switches to Dutch. Each stage shows its status, "Stop" and locked
// input groups; the bar counts the volumes from the archiver's own output; the texts shown
// later are Dutch; the recovery files repair a lost and a damaged volume.
template <bool Real>
void Archiver<Real>::WholeJob() {
    tmp.WriteFile("photos/Holiday/IMG_0.jpg", 1500000, 7);
    tmp.WriteFile("photos/Holiday/sub/IMG_1.jpg", 1200000, 8);
    tmp.WriteFile("photos/Holiday/IMG_2.jpg", 800000, 9);
    w.Choose(source, output, "Holiday.rar", 3500000);
    f.cboSplitSize.SetText("1000000");
    f.chkCalculateEff.SetValue(1);
    f.txtBlockSize.SetText("128000");
    f.cboRedundancy.SetText("30");
    f.chkPause.SetValue(1);
    std::string statusAtBox;
    w.desktop.onMsgBox = [&](const auto& box) {
        statusAtBox += box.text + "|" + f.lblStatus.Caption() + ";";
        if (f.RarStage) f.mnuNederlands.UserClick();
    };
    std::vector<std::string> rarBars, parBars;
    w.desktop.When([&] {
        if (f.cmdProcess.Caption() == "Start") return false;
        EXPECT_TRUE(f.cmdProcess.Caption() == "Stop" && w.InputGroups(false));
        EXPECT_EQ(f.lblStatus.Caption(), (f.RarStage ? "Status: Rarring... " : "Status: Parren... ") + source);
        auto& bars = f.RarStage ? rarBars : parBars;
        if (bars.empty() || bars.back() != w.BarText()) bars.push_back(w.BarText());
        return false;
    }, [] {});

    f.cmdProcess.UserClick();

    EXPECT_EQ(statusAtBox, "Kelvora is paused. Click 'OK' to continue. |Status: Rarring... " + source +
                               ";Klaar!|Status: Parren... " + source + ";");
    EXPECT_EQ(w.Report() + "|" + w.BarText() + "|" + f.txtInput.Text(),
              "Kelvora is paused. Click 'OK' to continue. ;Klaar!;Status: Klaar!|(0%)|");
    EXPECT_TRUE(w.Idle());
    EXPECT_EQ(rarBars, (std::vector<std::string>{"(0%)", "(25%)", "(50%)", "(75%)", "(100%)", "(0%)"}));
    EXPECT_GT(parBars.size(), 1u);  // par2's own percentage moves the bar

    // 1,000,000 bytes is 7.8 blocks of 128,000: volumes of 8 whole blocks, the last one shorter.
    const std::string work = output + "Kelvora0001" + platform::PathSeparator, index = work + "Holiday.par2";
    auto volume = [&](int i) { return work + "Holiday.part" + std::to_string(i) + ".rar"; };
    ASSERT_TRUE(fs::exists(volume(4)) && !fs::exists(volume(5)));
    for (int i = 1; i <= 3; ++i) EXPECT_EQ(fs::file_size(volume(i)), 8 * 128000u) << i;
    EXPECT_EQ(test::RunQuietly({par2, "verify", index}), 0);
    if (KELVORA_PAR2_STAND_IN) GTEST_SKIP() << "the stand-in PAR2 tool writes no recovery data to repair from";
    // Each time the repair gives back the very bytes, and the real archiver finds its archive
    // sound again.
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

TEST_F(StandInArchiver, WholeBlockVolumesProgressAndRepair) { WholeJob(); }
TEST_F(RealArchiver, WholeBlockVolumesProgressAndRepair) { WholeJob(); }

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
        const std::string archive = WithRarExtension(name), stem = archive.substr(0, archive.size() - 4);
        w.Choose(tmp / ("photos/" + name), output, archive, 150000);
        f.chkNoMainDir.SetEnabled(false), f.chkAddEmpty.SetEnabled(false);  // as for any file source
        f.cmdProcess.UserClick();
        EXPECT_EQ(w.Report(), "Done!;Status: Done!");
        const std::string work = output + "Kelvora000" + std::to_string(++n) + platform::PathSeparator;
        EXPECT_EQ(test::RunQuietly({par2, "verify", work + stem + ".par2"}), 0);
        if (Real) { EXPECT_EQ(Lines("'" + rar + "' lb '" + work + archive + "'"), std::set<std::string>{name}); }
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
    using Names = std::set<std::string>;
    const struct { int noMainDir, skipEmpty, oldNaming; Names listed; } runs[] = {
        {0, 0, 0,
         {"Holiday", "Holiday/.hidden", "Holiday/IMG_0.jpg", "Holiday/empty", "Holiday/sub", "Holiday/sub/IMG_1.jpg"}},
        {1, 0, 1, {".hidden", "IMG_0.jpg", "empty", "sub", "sub/IMG_1.jpg"}},
        {1, 1, 0, {".hidden", "IMG_0.jpg", "sub/IMG_1.jpg"}},
    };
    int n = 0;
    for (const auto& r : runs) {
        SCOPED_TRACE(++n);
        w.Choose(source, output, "Holiday.rar", 150110);
        f.cboSplitSize.SetText("100000");
        f.chkNoMainDir.SetValue(r.noMainDir);
        f.chkAddEmpty.SetValue(r.skipEmpty);
        f.chkOldNaming.SetValue(r.oldNaming);
        f.cmdProcess.UserClick();
        EXPECT_EQ(w.Report(), "Done!;Status: Done!");
        const std::string work = output + "Kelvora000" + std::to_string(n) + "/";
        EXPECT_EQ(Lines("ls '" + work + "' | grep -v par2$"), (Names{"Holiday.part1.rar", "Holiday.part2.rar"}));  // old names too
        // Every volume's entries; an entry that spans volumes shows in each.
        EXPECT_EQ(Lines("'" + rar + "' lb -v '" + work + "Holiday.part1.rar'"), r.listed);
        EXPECT_EQ(test::RunQuietly({rar, "t", work + "Holiday.part1.rar"}), 0);
        EXPECT_EQ(test::RunQuietly({par2, "verify", work + "Holiday.par2"}), 0);
    }
}

}  // namespace
}  // namespace kelvora
