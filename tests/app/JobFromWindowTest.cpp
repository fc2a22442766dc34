#include <gtest/gtest.h>

#include "TestWindow.h"
#include "app/JobFromWindow.h"

namespace kelvora {
namespace {

// Every option of the window reaches the job as the user chose it; folder options and the pause
// count only where they are enabled, the first selected recovery option decides, and the
// compression goes by position whatever the language.
TEST(JobFromWindow, EveryOptionReachesTheJob) {
    test::TestWindow w;
    frmMain& f = w.f;
    ApplyLanguage(f, Language::English);
    f.txtInput.SetText(test::Native("/photos/Holiday"));
    f.txtEstimatedSize.SetText("3500000");
    f.txtOutput.SetText(test::Native("/out/"));
    f.txtArchiveName.SetText("Holiday.rar");
    f.cboFormat.SetListIndex(1);
    f.cboSplitSize.SetText("15");
    f.chkCalculateEff.SetValue(1);
    f.cboCompression.SetListIndex(2);
    for (CheckBox* box : {&f.chkAddEmpty, &f.chkNoMainDir, &f.chkOldNaming, &f.chkPause, &f.chkUniformSize}) box->SetValue(1);
    f.cboLines.SetText("1500");
    f.OptPars[1].SetValue(true);
    f.txtRecoveryBlocks.SetText("12");
    f.mnuVerify.UserClick();

    JobPlan expected;
    expected.source = f.txtInput.Text(), expected.sourceBytes = 3500000, expected.outputFolder = f.txtOutput.Text();
    expected.archiveName = "Holiday.rar", expected.splitBytes = 15728640, expected.wholeBlockVolumes = true;
    expected.compression = Compression::High, expected.skipEmptyFolders = expected.contentsOnly = true;
    expected.oldNaming = expected.pause = expected.uniformSizes = expected.verify = true;
    expected.blockSize = 192000, expected.recovery = {RecoveryAmount::Kind::Blocks, 12};
    EXPECT_EQ(ReadJobPlan(f), expected);
    EXPECT_EQ(SplitBytes, 15728640);

    // One change each, and what the job then holds instead.
    const std::vector<std::pair<std::function<void()>, std::function<void()>>> changes = {
        {[&] { f.chkAddEmpty.SetEnabled(false), f.chkNoMainDir.SetEnabled(false), f.chkPause.SetEnabled(false); },
         [&] { expected.skipEmptyFolders = expected.contentsOnly = expected.pause = false; }},
        {[&] { f.cboFormat.SetListIndex(0), f.cboSplitSize.SetText("1000000"); }, [&] { expected.splitBytes = 1000000; }},
        {[&] { f.cboSplitSize.SetText(""); }, [&] { expected.splitBytes.reset(); }},
        {[&] { SelectLanguage(f, Language::Dutch); }, [] {}},  // "Hoog" is still the third choice
        {[&] { f.cboCompression.SetListIndex(-1); }, [&] { expected.compression = Compression::ArchiverDefault; }},
        {[&] { f.OptPars[2].SetValue(true), f.cboRecoveryFiles.SetText("7"); },
         [&] { expected.recovery = {RecoveryAmount::Kind::Files, 7}; }},
        {[&] { f.OptPars[0].SetValue(true), f.cboRedundancy.SetText("25"); },
         [&] { expected.recovery = {RecoveryAmount::Kind::Percent, 25}; }},
        {[&] { f.OptPars[0].SetValue(false); }, [&] { expected.recovery = {RecoveryAmount::Kind::None, 0}; }},
        {[&] { f.chkCalculateEff.SetValue(0), f.chkOldNaming.SetValue(0), f.chkUniformSize.SetValue(0); },
         [&] { expected.wholeBlockVolumes = expected.oldNaming = expected.uniformSizes = false; }},
        {[&] { f.mnuVerify.UserClick(); }, [&] { expected.verify = false; }},
        // Confirmed, separate items take the redundancy.
        {[&] { f.chkSeparately.SetValue(1), f.SeparateItems = std::vector<std::string>{"a", "b"}; },
         [&] { expected.separateItems = std::vector<std::string>{"a", "b"}, expected.recovery = {RecoveryAmount::Kind::Percent, 25}; }},
    };
    int n = 0;
    for (const auto& [change, effect] : changes) {
        change(), effect();
        EXPECT_EQ(ReadJobPlan(f), expected) << "change " << ++n;
    }
}

}  // namespace
}  // namespace kelvora
