#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "JobWindow.h"
#include "runner/ToolOutput.h"

namespace kelvora {
namespace {

using Op = PictureBox::DrawOp;

struct Progress : ::testing::Test {
    Progress() { InitProgressBar(f); }

    // Feeds one chunk; returns how often the window's events ran meanwhile.
    long Feed(std::string chunk) {
        long before = w.desktop.doEventsCalls;
        objDOS_ReceiveOutputs(f, chunk);
        return w.desktop.doEventsCalls - before;
    }
    std::string Text() const { return w.BarText(); }
    double Bar() const { return w.BarValue(); }

    test::JobWindow w;
    frmMain& f = w.f;
};

TEST_F(Progress, InitialBarIsRedNotXorAndEmpty) {
    EXPECT_EQ(f.PicPB.DrawMode, 10);
    EXPECT_EQ(f.PicPB.FillStyle, 0);
    EXPECT_TRUE(f.PicPB.AutoRedraw);
    EXPECT_EQ(f.PicPB.ForeColor, 0x0000FFu);
    ASSERT_EQ(f.PicPB.Record().size(), 2u);
    EXPECT_EQ(Text(), "(0%)");
    EXPECT_EQ(Bar(), 0);
    EXPECT_EQ(f.PicPB.ScaleWidth(), 100);
}

TEST_F(Progress, DrawingGeometry) {
    // The scripted desktop measures 7 px a character, 13 px high; the box is 525 x 15 px.
    DrawProgress(f, 100, 45);
    const auto& rec = f.PicPB.Record();
    ASSERT_EQ(rec.size(), 2u);
    EXPECT_EQ(rec[0].kind, Op::Kind::Print);
    EXPECT_EQ(rec[0].text, "(45%)");
    EXPECT_EQ(rec[0].x1, 48);  // (100 - 21 px * 100 / 525) / 2, centred on "45%"
    EXPECT_EQ(rec[0].y1, 1);   // (15 - 13) / 2
    EXPECT_EQ(rec[1].kind, Op::Kind::Box);
    EXPECT_EQ(rec[1].x1, 0);
    EXPECT_EQ(rec[1].y1, 0);
    EXPECT_EQ(rec[1].x2, 45);
    EXPECT_EQ(rec[1].y2, f.PicPB.ScaleHeight());
    for (const auto& op : rec) {
        EXPECT_EQ(op.color, 0x0000FFu);
        EXPECT_EQ(op.drawMode, 10);
    }

    DrawProgress(f, 3, 2);
    EXPECT_EQ(Text(), "(67%)");
    EXPECT_EQ(Bar(), 2);
    EXPECT_EQ(f.PicPB.ScaleWidth(), 3);

    DrawProgress(f, 8, 1);
    EXPECT_EQ(Text(), "(12%)");  // 12.5 to the even neighbour
    DrawProgress(f, 8, 3);
    EXPECT_EQ(Text(), "(38%)");
}

TEST_F(Progress, ValueAboveMaxChangesNothingAndValueIsLoweredToThePreviousScale) {
    DrawProgress(f, 100, 100);
    EXPECT_EQ(Text(), "(100%)");
    const auto before = f.PicPB.Record().size();
    const long events = w.desktop.doEventsCalls;
    DrawProgress(f, 100, 101);
    EXPECT_EQ(Text(), "(100%)");
    EXPECT_EQ(f.PicPB.Record().size(), before);
    EXPECT_EQ(w.desktop.doEventsCalls, events);

    DrawProgress(f, 20, 5);
    DrawProgress(f, 100, 50);
    EXPECT_EQ(Text(), "(20%)");
    EXPECT_EQ(Bar(), 20);
}

TEST_F(Progress, ArchiverVolumesAgainstExpectedVolumes) {
    f.RarStage = true;
    f.VolumesDone = 0;
    ExpectedVolumes = 4;
    // As the archiver prints them: one marker per finished volume.
    const std::string volume =
        "...         Holiday/IMG_0042.JPG                                     58%\b\b\b\b\n"
        "Calculating the control sum                                      OK \n\n"
        "Creating archive /out/Kelvora0001/Holiday.part2.rar\n\n";
    std::vector<std::string> seen;
    for (int i = 0; i < 5; ++i) {
        EXPECT_GE(Feed(volume), 1);
        seen.push_back(Text());
    }
    EXPECT_EQ(seen, (std::vector<std::string>{"(25%)", "(50%)", "(75%)", "(100%)", "(100%)"}));
    EXPECT_EQ(f.VolumesDone, 5);

    f.VolumesDone = 0;
    DrawProgress(f, 100, 0);
    EXPECT_EQ(Feed("Adding    /photos/Holiday/a.jpg  OK \nCalculating the control sum\nl sum l sum"), 2);
    EXPECT_EQ(f.VolumesDone, 1);  // one per chunk, however many markers it holds
    EXPECT_EQ(Feed("Calculating the control s"), 1);
    EXPECT_EQ(Feed("um   OK \n"), 1);  // a marker split over two chunks is not seen
    EXPECT_EQ(Feed("Processing: 45.3%"), 1);
    EXPECT_EQ(f.VolumesDone, 1);
    EXPECT_EQ(Text(), "(25%)");
}

TEST_F(Progress, NoArchiverProgressWithoutExpectedVolumes) {
    f.RarStage = true;
    ExpectedVolumes = 0;
    Feed("Calculating the control sum");
    EXPECT_EQ(f.VolumesDone, 1);
    EXPECT_EQ(Text(), "(0%)");
    EXPECT_EQ(f.PicPB.ScaleWidth(), 100);
}

TEST_F(Progress, Par2PercentageAfterTheLastBlank) {
    f.RarStage = false;
    // Recorded from par2 create: 256-byte reads cut its \r-separated progress anywhere.
    EXPECT_EQ(Feed("Processing: 0.5%\rProcessing: 1.1%\rProcessing: 45.3%\rProcessing: 4"), 1);
    EXPECT_EQ(Text(), "(0%)");  // the last number has no point yet
    EXPECT_EQ(Feed("Processing: 44.6%\rProcessing: 45.3%\rProces"), 3);
    EXPECT_EQ(Text(), "(45%)");
    EXPECT_EQ(Feed("Processing: 99.9%\r"), 3);
    EXPECT_EQ(Text(), "(99%)");  // the fraction is dropped, not rounded
    EXPECT_EQ(Feed("sing: 50.0%\r"), 0);  // the marker's start was in the chunk before
    EXPECT_EQ(Feed("Processing: 150.0%\r"), 2);
    EXPECT_EQ(Text(), "(99%)");
    EXPECT_EQ(Feed("Processing: 100.0%\rWriting recovery packets\rWrote 896000 bytes to disk\n"), 1);
    EXPECT_EQ(Feed("Processing done. Finished."), 2);
    EXPECT_EQ(Feed("Processing: 7x.0%"), 2);
    EXPECT_EQ(Feed("Processing: 99999999999.0%"), 2);
    EXPECT_EQ(Feed("Processing"), 1);
    EXPECT_EQ(Text(), "(99%)");
    EXPECT_EQ(Feed("Opening: Holiday.part1.rar\nComputing Reed Solomon matrix.\n"), 0);
    EXPECT_EQ(Feed(""), 0);
    f.VolumesDone = 3;
    Feed("Calculating the control sum");
    EXPECT_EQ(f.VolumesDone, 3);  // volumes are counted only while the archiver runs
}

TEST_F(Progress, EnableAndDisableTheInputGroupsOnly) {
    DisableControls(f);
    EXPECT_TRUE(w.InputGroupsDisabled());
    EXPECT_TRUE(f.mnuLanguage.Enabled());
    EXPECT_TRUE(f.cmdProcess.EffectivelyEnabled());
    EXPECT_TRUE(f.chkSaveSelected.EffectivelyEnabled());
    EXPECT_TRUE(f.chkPause.Enabled());  // own state kept
    EXPECT_FALSE(f.chkPause.EffectivelyEnabled());
    EnableControls(f);
    EXPECT_TRUE(w.InputGroupsEnabled());
    EXPECT_TRUE(f.chkPause.EffectivelyEnabled());
}

}  // namespace
}  // namespace kelvora
