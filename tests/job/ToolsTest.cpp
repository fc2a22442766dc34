// What the job hands the tools, and what it makes of their output.
#include <gtest/gtest.h>

#include "TestWindow.h"
#include "common/Text.h"
#include "job/Par2Command.h"
#include "job/RarCommand.h"
#include "job/ToolOutput.h"
#include "runner/OutsideTools.h"

namespace kelvora {
namespace {

// The text between `from` and `to` in a tool's command line.
std::string Between(const std::string& line, const std::string& from, const std::string& to) {
    const size_t start = line.find(from) + from.size();
    return line.substr(start, line.find(to, start) - start);
}

// The worked example's choices, on an unwired window so no reaction rewrites them.
struct ToolCommands : ::testing::Test {
    ToolCommands() {
        f.cboCompression.SetText("Normal");
        Split(1, "15", 15728640);
        f.chkCalculateEff.SetValue(0);
        f.txtEstimatedSize.SetText("100000000");
        f.txtOutput.SetText(test::Native("/out/"));
        f.txtArchiveName.SetText("Holiday.rar");
        f.txtInput.SetText(holiday);
        f.OptPars[0].SetValue(true);
        f.cboRedundancy.SetText("10");
    }
    void Split(int unit, const std::string& text, int64_t bytes) {
        f.cboFormat.SetListIndex(unit), f.cboSplitSize.SetText(text), SplitBytes = bytes;
    }
    std::string Rar() { return BuildRarCommand(f, "Kelvora0001"); }
    std::string Par2() { return BuildPar2Command(f, "Kelvora0001"); }

    test::TestWindow w{false};
    frmMain& f = w.f;
    test::TempDir tmp;
    const std::string holiday = tmp.MakeFolder("photos/Holiday");
};

TEST_F(ToolCommands, RarSwitchesPathsAndVolumes) {
    EXPECT_EQ(Rar(), RarToolPath(test::TestToolsDir()) +
                         test::Native(" a -r -ep1 -m3 -v15728640b -- \"/out/Kelvora0001/Holiday.rar\" \"") + holiday + "\"");
    EXPECT_EQ(ExpectedVolumes, 7);  // 100,000,000 / 15,728,640 = 6.36, rounded up
    Split(1, "", 0);  // no -v: the switches alone
    auto switches = [&] { return Between(Rar(), "-ep1 ", "-- "); };
    // Either language's word, in any case; no known word, no switch.
    for (auto [word, expected] : {std::pair{"None", "-m0 "}, {"geen", "-m0 "}, {"NORMAAL", "-m3 "}, {"hIGH", "-m5 "},
                                  {"hOOg", "-m5 "}, {"Highest", ""}}) {
        f.cboCompression.AddItem(word);
        f.cboCompression.SetListIndex(f.cboCompression.ListCount() - 1);
        EXPECT_EQ(switches(), expected) << word;
    }
    f.cboCompression.SetListIndex(1);
    f.chkAddEmpty.SetValue(1);
    EXPECT_EQ(switches(), "-m3 -ed ");
    f.chkAddEmpty.SetEnabled(false);  // left over from a folder source, now a file
    f.chkOldNaming.SetValue(1);
    f.chkOldNaming.SetEnabled(false);  // old naming counts whether enabled or not
    EXPECT_EQ(switches(), "-m3 -vn ");
    f.chkNoMainDir.SetValue(1);
    EXPECT_TRUE(EndsWith(Rar(), " \"" + holiday + test::Native("/*.*\"")));
    f.chkNoMainDir.SetEnabled(false);  // left over from a folder source
    EXPECT_TRUE(EndsWith(Rar(), " \"" + holiday + "\""));
    // A file is packed without -r: with it the archiver adds the file's namesakes from below.
    f.txtInput.SetText(tmp.WriteText("photos/report.txt", "r"));
    EXPECT_TRUE(StartsWith(Rar(), RarToolPath(test::TestToolsDir()) + " a -ep1 -m3 -vn -- "));
    f.txtInput.SetText(holiday);

    // Volumes of whole blocks: {unit: bytes 0 / megabytes 1, split text, SplitBytes, block size, switch}.
    f.chkCalculateEff.SetValue(1);
    const std::tuple<int, const char*, int64_t, const char*, const char*> sizes[] = {
        {1, "15", 15728640, "384000", "-v15744000b"},     // 40.96 blocks of 384,000 -> 41
        {0, "1600000", 1600000, "640000", "-v1280000b"},  // 2.5 blocks round to 2, the even neighbour
        {0, "100000", 100000, "384000", "-v384000b"},     // 0 blocks: one block, never a 0-byte volume
        {1, "250", 1000000, "384000", "-v1152000b"},      // the size follows SplitBytes, not the text
    };
    for (auto [unit, text, bytes, block, expected] : sizes) {
        Split(unit, text, bytes);
        f.txtBlockSize.SetText(block);
        EXPECT_EQ(Between(Rar(), "-vn ", " "), expected) << text << " " << block;
    }
}

TEST_F(ToolCommands, Par2NameAndRecoverySwitches) {
    f.AppPath = test::Native("/tools/kelvora");
    EXPECT_EQ(Par2(), Par2ToolPath(f.AppPath) +
                          test::Native(" create -s384000 -r10 -- \"/out/Kelvora0001/Holiday.par2\" \"/out/Kelvora0001/*.*\""));
    // Only a closing ".rar" goes, in any case.
    for (auto [name, stem] : {std::pair{"Holiday.RAR", "Holiday"}, {"my.rar.parts.rar", "my.rar.parts"},
                              {"x.rarities", "x.rarities"}, {"library", "library"}}) {
        f.txtArchiveName.SetText(name);
        EXPECT_EQ(Between(Par2(), test::Native("Kelvora0001/"), "\""), std::string(stem) + ".par2") << name;
    }
    // The first selected option decides; the uniform switch counts whether enabled or not; empty
    // texts give bare switches.
    auto switches = [&] { return Between(Par2(), "create ", "\""); };
    f.OptPars[1].SetValue(true);
    f.txtRecoveryBlocks.SetText("250");
    EXPECT_EQ(switches(), "-s384000 -c250 -- ");
    f.OptPars[2].SetValue(true);
    f.cboRecoveryFiles.SetText("5");
    f.chkUniformSize.SetValue(1);
    f.chkUniformSize.SetEnabled(false);
    EXPECT_EQ(switches(), "-s384000 -n5 -u -- ");
    f.OptPars[2].SetValue(false);
    EXPECT_EQ(switches(), "-s384000 -u -- ");
    f.chkUniformSize.SetValue(0);
    f.OptPars[0].SetValue(true);
    f.cboRedundancy.SetListIndex(-1);
    f.txtBlockSize.SetText("");
    EXPECT_EQ(switches(), "-s -r -- ");
}

using Bars = std::vector<std::string>;

struct Progress : ::testing::Test {
    // Feeds one chunk; returns how often the window's events ran meanwhile.
    long Feed(std::string chunk) {
        const long before = w.desktop.doEventsCalls;
        objDOS_ReceiveOutputs(f, chunk);
        return w.desktop.doEventsCalls - before;
    }

    test::JobWindow w;
    frmMain& f = w.f;
};

// Older archivers print one "l sum" marker per finished volume; a chunk counts once, however
// many it holds, and a marker split over two chunks is not seen.
TEST_F(Progress, ArchiverMarkersAgainstExpectedVolumes) {
    f.RarStage = true;
    ExpectedVolumes = 4;
    const std::string volume = "...  IMG_0042.JPG     58%\b\b\b\b\nCalculating the control sum         OK \n\n";
    Feed("Adding    /photos/Holiday/a.jpg  OK \nCalculating the control sum\nl sum l sum");
    Feed("Calculating the control s"), Feed("um   OK \n"), Feed("Processing: 45.3%");
    EXPECT_EQ(f.VolumesDone, 1);
    Bars seen{w.BarText()};
    for (int i = 0; i < 4; ++i) seen.push_back((Feed(volume), w.BarText()));
    EXPECT_EQ(seen, (Bars{"(25%)", "(50%)", "(75%)", "(100%)", "(100%)"}));
    ExpectedVolumes = 0;  // counted, but no progress to show
    DrawProgress(f, 100, 0);
    Feed("Calculating the control sum");
    EXPECT_EQ(w.BarText() + std::to_string(f.VolumesDone), "(0%)6");
}

// RAR 7 prints no "l sum": its volume lines count, followed across chunks of any size. Recorded
// from rar 7.01 (a name "Done" and a name holding the marker text must not count).
TEST_F(Progress, ArchiverVolumeLinesAcrossAnyChunks) {
    const std::string output =
        "\nRAR 7.01   Copyright (c) 1993-2024 Alexander Roshal   12 May 2024\nTrial version             Type "
        "'rar -?' for help\n\nEvaluation copy. Please register.\n\nCreating archive /out/Holiday.part1.rar\n\n"
        "Adding    /photos/Done                                                 OK \n"
        "Adding    /photos/Creating archive x                                    \b\b\b\b  0%\b\b\b\b\b  OK \n"
        "Adding    /photos/a.jpg                                                 \b\b\b\b 55%\b\b\b\b    \n\n"
        "Creating archive /out/Holiday.part2.rar\n\n...         a.jpg                                \b\b\b\b\b  OK \n"
        "Adding    /photos/sub/b.jpg                                            100%\b\b\b\b    \n\n"
        "Creating archive /out/Holiday.part3.rar\n\n...         sub/b.jpg        \b\b\b\b\b  OK \nDone\n";
    Bars bars;  // each drawing that changed the bar
    w.desktop.When([&] { return !bars.empty() && bars.back() != w.BarText() && (bars.push_back(w.BarText()), false); },
                   [] {});
    for (const size_t size : {1, 7, 256}) {
        SCOPED_TRACE(size);
        f.RarStage = true;
        f.VolumesDone = f.VolumesBegun = 0;
        ExpectedVolumes = 4;  // the packing needed fewer volumes than the sizes foretold
        DrawProgress(f, 100, 0);
        bars = {w.BarText()};
        for (size_t at = 0; at < output.size(); at += size) Feed(output.substr(at, size));
        EXPECT_EQ(f.VolumesDone, 3);
        EXPECT_EQ(bars, (Bars{"(0%)", "(25%)", "(50%)", "(75%)", "(100%)"}));  // the end fills it
    }
}

TEST_F(Progress, Par2PercentageAfterTheLastBlank) {
    f.RarStage = false;
    // Recorded from par2 create: 256-byte reads cut its \r-separated progress anywhere.
    EXPECT_EQ(Feed("Processing: 0.5%\rProcessing: 1.1%\rProcessing: 45.3%\rProcessing: 4"), 1);
    EXPECT_EQ(w.BarText(), "(0%)");  // the last number has no point yet
    EXPECT_EQ(Feed("Processing: 44.6%\rProcessing: 45.3%\rProces"), 3);
    EXPECT_EQ(w.BarText(), "(45%)");
    Feed("Processing: 99.9%\r");
    EXPECT_EQ(w.BarText(), "(99%)");  // the fraction is dropped, not rounded
    for (const char* odd : {"sing: 50.0%\r", "Processing: 150.0%\r", "Processing done. Finished.", "Processing: 7x.0%",
                            "Processing: 99999999999.0%", "Processing", "", "Opening: Holiday.part1.rar\n",
                            "Calculating the control sum"})
        Feed(odd);
    EXPECT_EQ(w.BarText() + std::to_string(f.VolumesDone), "(99%)0");  // volumes count only while the archiver runs
}

}  // namespace
}  // namespace kelvora
