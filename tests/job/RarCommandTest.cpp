#include <gtest/gtest.h>

#include <string>

#include "JobWindow.h"
#include "common/RuntimeError.h"
#include "job/RarCommand.h"
#include "runner/CommandLine.h"

namespace kelvora {
namespace {

using test::TestWindow;

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
        std::string line = Line();
        size_t from = line.find("-ep1 ") + 5;
        return line.substr(from, line.find("-- ") - from);
    }

    TestWindow w{false};
    frmMain& f = w.f;
};

TEST_F(RarLine, WorkedExampleExactly) {
    EXPECT_EQ(Line(), "/tools/kelvora/rar a -r -ep1 -m3 -v15728640b -- \"/out/Kelvora0001/Holiday.rar\" \"/photos/Holiday\"");
    EXPECT_EQ(ExpectedVolumes, 7);  // 100,000,000 / 15,728,640 = 6.36, rounded up
    f.chkCalculateEff.SetValue(1);
    EXPECT_EQ(Switches(), "-m3 -v15744000b ");  // 40.96 blocks -> 41
}

TEST_F(RarLine, CompressionTextsOfBothLanguagesInAnyCase) {
    f.cboSplitSize.SetText("");
    const std::pair<const char*, const char*> cases[] = {
        {"None", "-m0 "}, {"geen", "-m0 "},   {"Normal", "-m3 "}, {"normal", "-m3 "}, {"NORMAAL", "-m3 "},
        {"High", "-m5 "}, {"hOOg", "-m5 "},   {"", ""},           {"Highest", ""},
    };
    for (auto [text, expected] : cases) {
        f.cboCompression.Clear();
        f.cboCompression.AddItem(text);
        f.cboCompression.SetListIndex(0);
        EXPECT_EQ(Switches(), expected) << text;
    }
}

TEST_F(RarLine, EmptyDirsOnlyWhenCheckedAndEnabledOldNamingWhenChecked) {
    f.cboSplitSize.SetText("");
    f.cboCompression.SetListIndex(-1);
    f.chkAddEmpty.SetValue(1);
    EXPECT_EQ(Switches(), "-ed ");
    f.chkAddEmpty.SetEnabled(false);  // left over from a folder source, now a file
    EXPECT_EQ(Switches(), "");
    f.chkAddEmpty.SetValue(2);
    f.chkAddEmpty.SetEnabled(true);
    EXPECT_EQ(Switches(), "");

    f.chkOldNaming.SetValue(1);
    f.chkOldNaming.SetEnabled(false);
    EXPECT_EQ(Switches(), "-vn ");
    f.chkAddEmpty.SetValue(1);
    EXPECT_EQ(Switches(), "-ed -vn ");
    // A disabled frame leaves the box's own state, which is what counts while a job runs.
    f.Frame2.SetEnabled(false);
    EXPECT_EQ(Switches(), "-ed -vn ");
}

TEST_F(RarLine, VolumeSizeInBytesAndMegabytesWithAndWithoutEfficientSize) {
    f.cboCompression.SetListIndex(-1);
    f.cboFormat.SetListIndex(0);
    f.cboSplitSize.SetText("1600000");
    SplitBytes = 1600000;
    EXPECT_EQ(Switches(), "-v1600000b ");
    f.chkCalculateEff.SetValue(1);
    f.txtBlockSize.SetText("640000");
    EXPECT_EQ(Switches(), "-v1280000b ");  // 2.5 blocks round to 2, the even neighbour
    f.txtBlockSize.SetText("384000");
    f.cboSplitSize.SetText("100000");
    SplitBytes = 100000;
    EXPECT_EQ(Switches(), "-v384000b ");  // 0.26 blocks: one block, never a 0-byte volume

    f.cboFormat.SetListIndex(1);
    f.cboSplitSize.SetText("250");
    SplitBytes = 262144000;
    f.chkCalculateEff.SetValue(0);
    EXPECT_EQ(Switches(), "-v262144000b ");
    // The efficient size follows SplitBytes, not the text.
    f.chkCalculateEff.SetValue(1);
    SplitBytes = 1000000;
    EXPECT_EQ(Switches(), "-v1152000b ");

    f.txtBlockSize.SetText("0");
    EXPECT_THROW(Line(), RuntimeError);
}

TEST_F(RarLine, ExpectedVolumesOnlyWithASplitSize) {
    f.cboFormat.SetListIndex(0);
    f.cboSplitSize.SetText("1000000");
    SplitBytes = 1000000;
    f.txtEstimatedSize.SetText("3000000");
    Line();
    EXPECT_EQ(ExpectedVolumes, 3);
    f.txtEstimatedSize.SetText("3000001");
    Line();
    EXPECT_EQ(ExpectedVolumes, 4);

    f.cboSplitSize.SetText("");
    SplitBytes = 0;
    f.txtEstimatedSize.SetText("99000000");
    EXPECT_EQ(Line().find("-v"), std::string::npos);
    EXPECT_EQ(ExpectedVolumes, 4);  // kept from the last line with a split size
}

TEST_F(RarLine, ContentsWildcardOnlyForAnEnabledCheckedNoMainDir) {
    auto source = [this] { return SplitCommandLine(Line()).back(); };
    EXPECT_EQ(source(), "/photos/Holiday");
    f.chkNoMainDir.SetValue(1);
    EXPECT_EQ(source(), "/photos/Holiday/*.*");
    f.chkNoMainDir.SetEnabled(false);
    EXPECT_EQ(source(), "/photos/Holiday");
}

TEST_F(RarLine, PathsWithBlanksGoInAsTheyStand) {
    f.txtOutput.SetText("/my out/");
    f.txtArchiveName.SetText("My Holiday 2024.rar");
    f.txtInput.SetText("/my photos/Holiday 2024");
    const std::string line = Line();
    EXPECT_NE(line.find(" -- \"/my out/Kelvora0001/My Holiday 2024.rar\" \"/my photos/Holiday 2024\""),
              std::string::npos)
        << line;
}

// A double quote and a trailing backslash reach the archiver exactly, each path one argument.
TEST(RarLineChild, OddPathsArriveAsOneExactArgumentEach) {
    test::JobWindow w;
    frmMain& f = w.f;
    test::TempDir tmp;
    const std::string log = tmp / "args.log";
    test::ScopedEnv env("KELVORA_FAKE_RAR_LOG", log);

    const std::string output = tmp.MakeFolder("say \"hi\" out") + "/";
    const std::string source = tmp.path() + "/a \"quoted\" name\\";
    tmp.WriteFile("a \"quoted\" name\\", 1000);
    f.txtOutput.SetText(output);
    f.txtArchiveName.SetText("Odd.rar");
    f.txtInput.SetText(source);
    f.cboSplitSize.SetText("");
    f.cboCompression.SetListIndex(-1);

    f.objDOS->ExecuteCommand(BuildRarCommand(f, "Kelvora0001"));
    EXPECT_EQ(test::ReadAll(log), "a\n-r\n-ep1\n--\n" + output + "Kelvora0001/Odd.rar\n" + source + "\n----\n");
}

}  // namespace
}  // namespace kelvora
