#include "window/Layout.h"

#include "window/frmMain.h"

namespace kelvora {

// Sized for the common desktop fonts at 96 dpi: every caption of both languages fits its
// control, and each frame's rows fit below its title.
void LayOut(frmMain& f) {
    f.Frame1.SetBounds(120, 120, 7935, 1815);
    f.Frame2.SetBounds(120, 2040, 7935, 1575);
    f.Frame3.SetBounds(120, 3720, 7935, 1695);
    f.lblStatus.SetBounds(120, 5520, 7935, 225);
    f.PicPB.SetBounds(120, 5760, 7935, 255);
    f.cmdProcess.SetBounds(120, 6120, 1335, 345);
    f.chkSaveSelected.SetBounds(1680, 6180, 6375, 255);

    // Each panel fills its frame below the caption.
    f.Picture1.SetBounds(60, 300, 7815, 1455);
    f.Picture2.SetBounds(60, 300, 7815, 1215);
    f.Picture3.SetBounds(60, 300, 7815, 1335);

    // Input / output: label column, field column, buttons at the right; the date style sits
    // beside the name it shapes.
    f.Label[0].SetBounds(0, 0, 1500, 315);
    f.txtInput.SetBounds(1560, 0, 4770, 315);
    f.cmdBrowseFile.SetBounds(6390, 0, 690, 315);
    f.cmdBrowseFolder.SetBounds(7110, 0, 705, 315);
    f.Label[1].SetBounds(0, 360, 1500, 315);
    f.txtOutput.SetBounds(1560, 360, 4770, 315);
    f.cmdBrowseSave.SetBounds(6390, 360, 1425, 315);
    f.Label[2].SetBounds(0, 720, 1500, 315);
    f.txtArchiveName.SetBounds(1560, 720, 4770, 315);
    f.optMaskStyle[0].SetBounds(6390, 720, 690, 315);
    f.optMaskStyle[1].SetBounds(7110, 720, 705, 315);
    f.chkMaskName.SetBounds(0, 1110, 3480, 285);
    f.chkSeparately.SetBounds(3540, 1110, 4275, 285);

    // Archiver options
    f.Label[3].SetBounds(0, 0, 1755, 315);
    f.cboSplitSize.SetBounds(1800, 0, 1350, 315);
    f.cboFormat.SetBounds(3210, 0, 1500, 315);
    f.Label[4].SetBounds(4800, 0, 1365, 315);
    f.cboCompression.SetBounds(6210, 0, 1605, 315);
    f.chkAddEmpty.SetBounds(0, 390, 3840, 255);
    f.chkNoMainDir.SetBounds(3960, 390, 3855, 255);
    f.chkPause.SetBounds(0, 660, 3840, 255);
    f.chkOldNaming.SetBounds(3960, 660, 3855, 255);
    f.chkCalculateEff.SetBounds(0, 930, 7815, 255);

    // PAR2 options: sizes on the left, the recovery choice on the right.
    f.Label[5].SetBounds(0, 0, 1680, 300);
    f.cboLines.SetBounds(1740, 0, 1095, 300);
    f.Label[6].SetBounds(0, 330, 1680, 300);
    f.txtBlockSize.SetBounds(1740, 330, 1095, 300);
    f.Label[7].SetBounds(0, 660, 1680, 300);
    f.txtEstimatedSize.SetBounds(1740, 660, 1755, 300);
    f.Label[8].SetBounds(0, 990, 1680, 300);
    f.txtMaxBlocks.SetBounds(1740, 990, 1095, 300);
    f.OptPars[0].SetBounds(3690, 0, 2175, 300);
    f.cboRedundancy.SetBounds(5925, 0, 1035, 300);
    f.OptPars[1].SetBounds(3690, 330, 2175, 300);
    f.txtRecoveryBlocks.SetBounds(5925, 330, 780, 300);
    f.ScrollRecoveryBlocks.SetBounds(6705, 330, 255, 300);
    f.OptPars[2].SetBounds(3690, 660, 2175, 300);
    f.cboRecoveryFiles.SetBounds(5925, 660, 1035, 300);
    f.chkUniformSize.SetBounds(3690, 990, 4125, 300);
}

}  // namespace kelvora
