#include <gtest/gtest.h>

#include "TestWindow.h"
#include "job/ToolOutput.h"

namespace kelvora {
namespace {

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

TEST_F(Progress, ArchiverMarkersAgainstExpectedVolumes) {
    f.RarStage = true;
    ExpectedVolumes = 4;
    // As older archivers print them: one marker per finished volume.
    const std::string volume =
        "...         Holiday/IMG_0042.JPG                                     58%\b\b\b\b\n"
        "Calculating the control sum                                      OK \n\n";
    Feed("Adding    /photos/Holiday/a.jpg  OK \nCalculating the control sum\nl sum l sum");
    EXPECT_EQ(f.VolumesDone, 1);  // one per chunk, however many markers it holds
    Feed("Calculating the control s");
    Feed("um   OK \n");  // a marker split over two chunks is not seen
    Feed("Processing: 45.3%");
    Bars seen{w.BarText()};
    for (int i = 0; i < 4; ++i) seen.push_back((Feed(volume), w.BarText()));
    EXPECT_EQ(seen, (Bars{"(25%)", "(50%)", "(75%)", "(100%)", "(100%)"}));

    ExpectedVolumes = 0;  // counted, but no progress to show
    DrawProgress(f, 100, 0);
    Feed("Calculating the control sum");
    EXPECT_EQ(f.VolumesDone, 6);
    EXPECT_EQ(w.BarText(), "(0%)");
    DrawProgress(f, 8, 1);
    EXPECT_EQ(w.BarText(), "(12%)");  // 12.5 to the even neighbour
    DrawProgress(f, 8, 3);
    EXPECT_EQ(w.BarText(), "(38%)");
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
                            "Processing: 99999999999.0%", "Processing", "", "Opening: Holiday.part1.rar\n"})
        Feed(odd);
    EXPECT_EQ(w.BarText(), "(99%)");
    f.VolumesDone = 3;
    Feed("Calculating the control sum");
    EXPECT_EQ(f.VolumesDone, 3);  // volumes are counted only while the archiver runs
}

}  // namespace
}  // namespace kelvora
