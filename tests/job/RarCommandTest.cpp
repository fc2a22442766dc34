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
        f.AppPath = "/tools/kelvora";
        f.cboCompression.SetText("Normal");
        f.cboFormat.SetListIndex(1);
        f.cboSplitSize.SetText("15");
        f.chkCalculateEff.SetValue(0);
        f.txtBlockSize.SetText("384000");
        f.txtEstimatedSize.SetText("100000000");
        f.txtOutput.SetText("/out/");
        f.txtArchiveName.SetText("Holiday.rar");
        f.txtInput.SetText("/photos/Holiday");
        SplitBytes = 15728640;
    }
    std::string Line() { return BuildRarCommand(f, "Kelvora0001"); }
    // The switches between "-ep1 " and "-- ".
    std::string Switches() {
        const std::string line = Line();
        const size_t from = line.find("-ep1 ") + 5;
        return line.substr(from, line.find("-- ") - from);
    }
    void Split(int format, const std::string& text, int64_t bytes) {
        f.cboFormat.SetListIndex(format);
        f.cboSplitSize.SetText(text);
        SplitBytes = bytes;
    }

    test::TestWindow w{false};
    frmMain& f = w.f;
};

TEST_F(RarLine, CompressionAndFolderSwitches) {
    Split(1, "", 0);
    const std::pair<const char*, const char*> texts[] = {
        {"None", "-m0 "}, {"geen", "-m0 "}, {"normal", "-m3 "}, {"NORMAAL", "-m3 "},
        {"High", "-m5 "}, {"hOOg", "-m5 "}, {"", ""},           {"Highest", ""},
    };
    f.cboCompression.Clear();
    for (auto [text, expected] : texts) {
        f.cboCompression.AddItem(text);
        f.cboCompression.SetListIndex(f.cboCompression.ListCount() - 1);
        EXPECT_EQ(Switches(), expected) << text;
    }

    f.cboCompression.SetListIndex(-1);
    f.chkAddEmpty.SetValue(1);
    EXPECT_EQ(Switches(), "-ed ");
    f.chkAddEmpty.SetEnabled(false);  // left over from a folder source, now a file
    EXPECT_EQ(Switches(), "");
    f.chkAddEmpty.SetEnabled(true);
    f.chkOldNaming.SetValue(1);
    f.chkOldNaming.SetEnabled(false);  // old naming counts whether enabled or not
    EXPECT_EQ(Switches(), "-ed -vn ");
}

TEST_F(RarLine, VolumeSize) {
    f.cboCompression.SetListIndex(-1);
    // {unit: bytes 0 / megabytes 1, split text, SplitBytes, efficient size, block size, switch}
    const std::tuple<int, const char*, int64_t, int, const char*, const char*> sizes[] = {
        {0, "1600000", 1600000, 0, "384000", "-v1600000b "},
        {0, "1600000", 1600000, 1, "640000", "-v1280000b "},  // 2.5 blocks round to 2, the even neighbour
        {0, "100000", 100000, 1, "384000", "-v384000b "},     // 0 blocks: one block, never a 0-byte volume
        {1, "250", 262144000, 0, "384000", "-v262144000b "},
        {1, "250", 1000000, 1, "384000", "-v1152000b "},  // the efficient size follows SplitBytes, not the text
    };
    for (auto [unit, text, bytes, efficient, block, expected] : sizes) {
        Split(unit, text, bytes);
        f.chkCalculateEff.SetValue(efficient);
        f.txtBlockSize.SetText(block);
        EXPECT_EQ(Switches(), expected) << text << " " << block;
    }
    f.txtBlockSize.SetText("0");
    EXPECT_THROW(Line(), RuntimeError);
}

TEST_F(RarLine, WorkedExampleAndPaths) {
    EXPECT_EQ(Line(), "/tools/kelvora/rar a -r -ep1 -m3 -v15728640b -- \"/out/Kelvora0001/Holiday.rar\" \"/photos/Holiday\"");
    EXPECT_EQ(ExpectedVolumes, 7);  // 100,000,000 / 15,728,640 = 6.36, rounded up
    f.chkCalculateEff.SetValue(1);
    EXPECT_EQ(Switches(), "-m3 -v15744000b ");  // 40.96 blocks -> 41
    Split(1, "", 0);
    f.txtEstimatedSize.SetText("99000000");
    EXPECT_EQ(Switches(), "-m3 ");
    EXPECT_EQ(ExpectedVolumes, 7);  // kept from the last line with a split size

    auto source = [this] { return SplitCommandLine(Line()).back(); };
    f.chkNoMainDir.SetValue(1);
    EXPECT_EQ(source(), "/photos/Holiday/*.*");
    f.chkNoMainDir.SetEnabled(false);
    EXPECT_EQ(source(), "/photos/Holiday");

    f.txtOutput.SetText("/my out/");
    f.txtArchiveName.SetText("My Holiday 2024.rar");
    f.txtInput.SetText("/my photos/Holiday 2024");
    EXPECT_TRUE(EndsWith(Line(), "-- \"/my out/Kelvora0001/My Holiday 2024.rar\" \"/my photos/Holiday 2024\""));
}

// A double quote and a trailing backslash reach the archiver exactly, each path one argument.
TEST(RarLineChild, OddPathsArriveAsOneExactArgumentEach) {
    test::JobWindow w;
    test::TempDir tmp;
    const std::string log = tmp / "args.log";
    ::setenv("KELVORA_FAKE_RAR_LOG", log.c_str(), 1);
    const std::string output = tmp.MakeFolder("say \"hi\" out") + "/";
    const std::string source = tmp.WriteFile("a \"quoted\" name\\", 1000);
    w.Choose(source, output, "Odd.rar", 1000);
    w.f.cboCompression.SetListIndex(-1);

    w.f.objDOS->ExecuteCommand(BuildRarCommand(w.f, "Kelvora0001"));
    ::unsetenv("KELVORA_FAKE_RAR_LOG");
    EXPECT_EQ(test::ReadFile(log), "a\n-r\n-ep1\n--\n" + output + "Kelvora0001/Odd.rar\n" + source + "\n----\n");
}

}  // namespace
}  // namespace kelvora
