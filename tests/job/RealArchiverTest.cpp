#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>

#include "JobWindow.h"
#include "RunQuietly.h"

namespace fs = std::filesystem;

namespace kelvora {
namespace {

// Whole jobs with RARLAB's archiver as Debian packages it (scripts/fetch-rar.sh fetches it into
// the build folder); skipped, with the reason, where it could not be had.
struct RealArchiver : ::testing::Test {
    void SetUp() override {
        if (::access(rar.c_str(), X_OK) != 0)
            GTEST_SKIP() << "the real archiver is not there (" << rar
                         << "): scripts/fetch-rar.sh could not fetch Debian's rar package";
        ::unsetenv("RAR");  // the user's default switches would change what the archiver writes
        fs::create_symlink(rar, program / "rar");
        fs::create_symlink(par2, program / "par2");
        f.AppPath = program.path();
        f.cboCompression.SetListIndex(0);  // stored: volume counts follow the sizes
    }

    // A job on the source; the message boxes it showed.
    std::string Run() {
        w.Choose(source, output, "Holiday.rar", 3500000);
        f.cmdProcess.UserClick();
        std::string boxes;
        for (const auto& b : w.desktop.boxes) boxes += b.text + ";";
        w.desktop.boxes.clear();
        return boxes + f.lblStatus.Caption();
    }
    // The lines a command prints, sorted.
    static std::vector<std::string> Lines(const std::string& command) {
        std::vector<std::string> lines;
        if (FILE* out = ::popen(command.c_str(), "r")) {
            char buffer[4096];
            while (std::fgets(buffer, sizeof buffer, out)) lines.emplace_back(buffer, std::strcspn(buffer, "\n"));
            ::pclose(out);
        }
        std::sort(lines.begin(), lines.end());
        return lines;
    }

    const std::string rar = KELVORA_REAL_RAR, par2 = test::TestToolsDir() + "/par2";
    test::JobWindow w;
    frmMain& f = w.f;
    test::TempDir program, tmp;
    std::string source = tmp.MakeFolder("photos/Holiday"), output = tmp.MakeFolder("out") + "/";
};

// Volumes of whole PAR2 blocks, the bar full from the archiver's own output, and recovery files
// that repair a damaged real volume so that the archiver tests it sound again.
TEST_F(RealArchiver, WholeBlockVolumesFullBarAndRepair) {
    tmp.WriteFile("photos/Holiday/IMG_0.jpg", 1500000, 7);
    tmp.WriteFile("photos/Holiday/sub/IMG_1.jpg", 1200000, 8);
    tmp.WriteFile("photos/Holiday/IMG_2.jpg", 800000, 9);
    f.cboSplitSize.SetText("1000000");
    f.chkCalculateEff.SetValue(1);
    f.txtBlockSize.SetText("128000");
    f.cboRedundancy.SetText("30");
    std::vector<std::string> bars;
    w.desktop.When([&] {
        if (f.RarStage && (bars.empty() || bars.back() != w.BarText())) bars.push_back(w.BarText());
        return false;
    }, [] {});

    EXPECT_EQ(Run(), "Done!;Status: Done!");
    EXPECT_EQ(bars, (std::vector<std::string>{"(0%)", "(25%)", "(50%)", "(75%)", "(100%)", "(0%)"}));

    // 1,000,000 bytes is 7.8 blocks of 128,000: volumes of 8 whole blocks, the last one shorter.
    const std::string work = output + "Kelvora0001/", index = work + "Holiday.par2";
    auto volume = [&](int i) { return work + "Holiday.part" + std::to_string(i) + ".rar"; };
    ASSERT_TRUE(fs::exists(volume(4)) && !fs::exists(volume(5)));
    for (int i = 1; i <= 3; ++i) EXPECT_EQ(fs::file_size(volume(i)), 8 * 128000u) << i;
    EXPECT_EQ(test::RunQuietly({par2, "verify", index}), 0);

    const std::string bytes = test::ReadFile(volume(2));
    {
        std::fstream damage(volume(2), std::ios::in | std::ios::out | std::ios::binary);
        damage.seekp(500000);
        damage.write("damaged", 7);
    }
    EXPECT_NE(test::RunQuietly({rar, "t", volume(1)}), 0);
    EXPECT_EQ(test::RunQuietly({par2, "repair", index}), 0);
    EXPECT_TRUE(test::ReadFile(volume(2)) == bytes);
    EXPECT_EQ(test::RunQuietly({rar, "t", volume(1)}), 0);
}

// What the archive holds under the two folder options: with "Don't add main directory name"
// exactly the folder's entries, hidden ones included, at the top; with "Don't add empty
// sub-directories" no empty folder. RAR 5 archives know only "name.partN.rar" volumes, so with
// old-style naming asked for, RAR 7 still writes those, and the job covers them all.
TEST_F(RealArchiver, FolderOptionsAndOldStyleNaming) {
    tmp.WriteFile("photos/Holiday/IMG_0.jpg", 150000, 7);
    tmp.WriteFile("photos/Holiday/.hidden", 10, 8);
    tmp.WriteFile("photos/Holiday/sub/IMG_1.jpg", 100, 9);
    tmp.MakeFolder("photos/Holiday/empty");
    using Names = std::vector<std::string>;
    const struct {
        int noMainDir, skipEmpty, oldNaming;
        Names listed;
    } runs[] = {
        {0, 0, 0,
         {"Holiday", "Holiday/.hidden", "Holiday/IMG_0.jpg", "Holiday/empty", "Holiday/sub", "Holiday/sub/IMG_1.jpg"}},
        {1, 0, 1, {".hidden", "IMG_0.jpg", "empty", "sub", "sub/IMG_1.jpg"}},
        {1, 1, 0, {".hidden", "IMG_0.jpg", "sub/IMG_1.jpg"}},
    };
    int n = 0;
    for (const auto& r : runs) {
        SCOPED_TRACE(++n);
        f.cboSplitSize.SetText("100000");
        f.chkNoMainDir.SetValue(r.noMainDir);
        f.chkAddEmpty.SetValue(r.skipEmpty);
        f.chkOldNaming.SetValue(r.oldNaming);
        EXPECT_EQ(Run(), "Done!;Status: Done!");
        const std::string work = output + "Kelvora000" + std::to_string(n) + "/";
        EXPECT_EQ(Lines("ls '" + work + "' | grep -v par2$"), (Names{"Holiday.part1.rar", "Holiday.part2.rar"}));
        // Every volume's entries; an entry that spans volumes shows in each.
        Names listed = Lines("'" + rar + "' lb -v '" + work + "Holiday.part1.rar'");
        listed.erase(std::unique(listed.begin(), listed.end()), listed.end());
        EXPECT_EQ(listed, r.listed);
        EXPECT_EQ(test::RunQuietly({rar, "t", work + "Holiday.part1.rar"}), 0);
        EXPECT_EQ(test::RunQuietly({par2, "verify", work + "Holiday.par2"}), 0);
    }
}

}  // namespace
}  // namespace kelvora
