#include "app/JobFromWindow.h"

#include <cmath>
#include <limits>

#include "common/Numbers.h"
#include "common/RuntimeError.h"
#include "window/frmMain.h"

namespace kelvora {

namespace {

bool CheckedAndEnabled(const CheckBox& c) { return c.Value() == 1 && c.Enabled(); }

// The split size in bytes from the split text. A number too large for 32 bits cannot be a valid
// size either: it is kept at the nearest end of the range, so the limits refuse it.
int32_t SplitBytesOf(const frmMain& f) {
    const double number = Val(f.cboSplitSize.Text());
    try {
        int32_t bytes = CLng(number);
        if (f.cboFormat.ListIndex() == 1) bytes = MegabytesToBytes(bytes);
        return bytes;
    } catch (const RuntimeError&) {
        return number < 0 ? std::numeric_limits<int32_t>::min() : std::numeric_limits<int32_t>::max();
    }
}

// A count typed or picked: a plain run of digits, else nothing (0), which the checks refuse.
int32_t CountOf(const std::string& text) {
    if (!IsWholeNumber(text)) return 0;
    const double value = Val(text);
    return value > std::numeric_limits<int32_t>::max() ? std::numeric_limits<int32_t>::max()
                                                        : static_cast<int32_t>(value);
}

Compression CompressionOf(int listIndex) {
    switch (listIndex) {
        case 0: return Compression::None;
        case 1: return Compression::Normal;
        case 2: return Compression::High;
        default: return Compression::ArchiverDefault;  // nothing selected: no switch
    }
}

}  // namespace

JobPlan ReadJobPlan(frmMain& f) {
    JobPlan plan;
    plan.source = f.txtInput.Text();
    plan.sourceBytes = std::llround(Val(f.txtEstimatedSize.Text()));
    plan.outputFolder = f.txtOutput.Text();
    plan.archiveName = f.txtArchiveName.Text();
    if (f.chkSeparately.Value() == 1) plan.separateItems = f.SeparateItems.value_or(std::vector<std::string>{});

    // Set even when the text is empty (0) and even when the limits then refuse it.
    SplitBytes = SplitBytesOf(f);
    if (!f.cboSplitSize.Text().empty()) plan.splitBytes = SplitBytes;
    plan.wholeBlockVolumes = f.chkCalculateEff.Value() == 1;
    plan.compression = CompressionOf(f.cboCompression.ListIndex());
    // Left over from a folder source, these mean nothing for a file: they count only enabled.
    plan.skipEmptyFolders = CheckedAndEnabled(f.chkAddEmpty);
    plan.contentsOnly = CheckedAndEnabled(f.chkNoMainDir);
    plan.oldNaming = f.chkOldNaming.Value() == 1;
    plan.pause = CheckedAndEnabled(f.chkPause);  // separate items disable it

    plan.blockSize = CLng(Val(f.txtBlockSize.Text()));
    // The first selected option decides, enabled or not.
    if (f.OptPars[0].Value())
        plan.recovery = {RecoveryAmount::Kind::Percent, CountOf(f.cboRedundancy.Text())};
    else if (f.OptPars[1].Value())
        plan.recovery = {RecoveryAmount::Kind::Blocks, CountOf(f.txtRecoveryBlocks.Text())};
    else if (f.OptPars[2].Value())
        plan.recovery = {RecoveryAmount::Kind::Files, CountOf(f.cboRecoveryFiles.Text())};
    else
        plan.recovery = {RecoveryAmount::Kind::None, 0};
    plan.uniformSizes = f.chkUniformSize.Value() == 1;
    plan.verify = f.mnuVerify.Checked();
    return plan;
}

}  // namespace kelvora
