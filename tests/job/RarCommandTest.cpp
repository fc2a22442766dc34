#include <gtest/gtest.h>

#include <cstdlib>
#include <string>

#include "JobWindow.h"
#include "common/RuntimeError.h"
#include "common/Text.h"
#include "job/RarCommand.h"
#include "runner/CommandLine.h"

namespace kelvora {
namespace {

// The worked example's choices, on an unwired window so no reaction rewrites them.
struct RarLine : ::testing::Test {
    RarLine() {
        f.cboCompression.SetText("Normal");
        Split(1, "15", 15728640);
        f.chkCalculateEff.SetValue(0);
        f.txtEstimatedSize.SetText("100000000");
        f.txtOutput.SetText("/out/");
        f.txtArchiveName.SetText("Holiday.rar");
        f.txtInput.SetText("/photos/Holiday");
    }
    std::string Line() { return BuildRarCommand(f, "Kelvora0001"); }
    // The switches between "-ep1 " and "-- ".
    std::string Switches() {
        const std::string line = Line();
        return line.substr(line.find("-ep1 ") + 5, line.find("-- ") - line.find("-ep1 ") - 5);
    }
    void Split(int unit, const std::string& text, int64_t bytes) {
        f.cboFormat.SetListIndex(unit), f.cboSplitSize.SetText(text), SplitBytes = bytes;
    }

    test::TestWindow w{false};
    frmMain& f = w.f;
};

TEST_F(RarLine, WorkedExampleFolderSwitchesAndPaths) {
    EXPECT_EQ(Line(), test::TestToolsDir() +
                          "/rar a -r -ep1 -m3 -v15728640b -- \"/out/Kelvora0001/Holiday.rar\" \"/photos/Holiday\"");
    EXPECT_EQ(ExpectedVolumes, 7);  // 100,000,000 / 15,728,640 = 6.36, rounded up
    f.chkCalculateEff.SetValue(1);
    EXPECT_EQ(Switches(), "-m3 -v15744000b ");  // 40.96 blocks of 384,000 -> 41
    Split(1, "", 0);
    EXPECT_EQ(ExpectedVolumes, 7);  // kept from the last line with a split size
    f.chkAddEmpty.SetValue(1);
    EXPECT_EQ(Switches(), "-m3 -ed ");
    f.chkAddEmpty.SetEnabled(false);  // left over from a folder source, now a file
    f.chkOldNaming.SetValue(1);
    f.chkOldNaming.SetEnabled(false);  // old naming counts whether enabled or not
    EXPECT_EQ(Switches(), "-m3 -vn ");

    f.chkNoMainDir.SetValue(1);
    EXPECT_TRUE(EndsWith(Line(), " \"/photos/Holiday/*.*\""));
    f.chkNoMainDir.SetEnabled(false);
    f.txtOutput.SetText("/my out/");
    f.txtInput.SetText("/my photos/Holiday 2024");
    EXPECT_TRUE(EndsWith(Line(), "-- \"/my out/Kelvora0001/Holiday.rar\" \"/my photos/Holiday 2024\""));
}

TEST_F(RarLine, CompressionAndVolumeSwitches) {
    Split(1, "", 0);
    const std::pair<const char*, const char*> texts[] = {{"None", "-m0 "}, {"geen", "-m0 "}, {"normal", "-m3 "},
        {"NORMAAL", "-m3 "}, {"High", "-m5 "}, {"hOOg", "-m5 "}, {"", ""}, {"Highest", ""}};
    for (auto [text, expected] : texts) {
        f.cboCompression.AddItem(text);
        f.cboCompression.SetListIndex(f.cboCompression.ListCount() - 1);
        EXPECT_EQ(Switches(), expected) << text;
    }

    // {unit: bytes 0 / megabytes 1, split text, SplitBytes, efficient size, block size, switch}
    const std::tuple<int, const char*, int64_t, int, const char*, const char*> sizes[] = {
        {0, "1600000", 1600000, 0, "384000", "-v1600000b "},
        {0, "1600000", 1600000, 1, "640000", "-v1280000b "},  // 2.5 blocks round to 2, the even neighbour
        {0, "100000", 100000, 1, "384000", "-v384000b "},     // 0 blocks: one block, never a 0-byte volume
        {1, "250", 1000000, 1, "384000", "-v1152000b "},  // the efficient size follows SplitBytes, not the text
    };
    for (auto [unit, text, bytes, efficient, block, expected] : sizes) {
        Split(unit, text, bytes);
        f.chkCalculateEff.SetValue(efficient);
        f.txtBlockSize.SetText(block);
        EXPECT_EQ(Switches(), expected) << text << " " << block;
    }
}

// A double quote and a trailing backslash reach the archiver exactly, each path one argument.
TEST(RarLineChild, OddPathsArriveAsOneExactArgumentEach) {
    test::JobWindow w;
    test::TempDir tmp;
    const std::string log = tmp / "args.log", output = tmp.MakeFolder("say \"hi\" out") + "/";
    const std::string source = tmp.WriteFile("a \"quoted\" name\\", 1000);
    ::setenv("KELVORA_FAKE_RAR_LOG", log.c_str(), 1);
    w.Choose(source, output, "Odd.rar", 1000);
    w.f.objDOS->ExecuteCommand(BuildRarCommand(w.f, "Kelvora0001"));
    ::unsetenv("KELVORA_FAKE_RAR_LOG");
    EXPECT_EQ(test::ReadFile(log), "a\n-r\n-ep1\n-m3\n--\n" + output + "Kelvora0001/Odd.rar\n" + source + "\n----\n");
}

}  // namespace
}  // namespace kelvora
