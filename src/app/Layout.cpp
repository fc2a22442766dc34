#include "app/Layout.h"

#include "app/frmMain.h"

namespace kelvora {

void LayOut(frmMain& f) {
    f.Frame1.SetBounds(120, 120, 7935, 1815);
    f.Frame2.SetBounds(120, 2040, 7935, 1575);
    f.Frame3.SetBounds(120, 3720, 7935, 1695);
    f.lblStatus.SetBounds(120, 5520, 7935, 225);
    f.PicPB.SetBounds(120, 5760, 7935, 255);
    f.cmdProcess.SetBounds(120, 6120, 1335, 345);
    f.chkSaveSelected.SetBounds(1680, 6180, 4200, 255);

    // Each panel fills its frame below the caption.
    f.Picture1.SetBounds(60, 240, 7815, 1515);
    f.Picture2.SetBounds(60, 240, 7815, 1275);
    f.Picture3.SetBounds(60, 240, 7815, 1395);

    // Input / output: label column, field column, buttons at the right.
    f.Label[0].SetBounds(0, 45, 1335, 255);
    f.txtInput.SetBounds(1400, 0, 4860, 315);
    f.cmdBrowseFile.SetBounds(6330, 0, 705, 315);
    f.cmdBrowseFolder.SetBounds(7080, 0, 705, 315);
    f.Label[1].SetBounds(0, 405, 1335, 255);
    f.txtOutput.SetBounds(1400, 360, 4860, 315);
    f.cmdBrowseSave.SetBounds(6330, 360, 1455, 315);
    f.Label[2].SetBounds(0, 765, 1335, 255);
    f.txtArchiveName.SetBounds(1400, 720, 4860, 315);
    f.chkMaskName.SetBounds(1400, 1080, 3600, 255);
    f.optMaskStyle[0].SetBounds(5100, 1080, 600, 255);
    f.optMaskStyle[1].SetBounds(5760, 1080, 600, 255);
    f.chkSeparately.SetBounds(1400, 1290, 4860, 225);

    // Archiver options
    f.Label[3].SetBounds(0, 45, 1600, 255);
    f.cboSplitSize.SetBounds(1650, 0, 1455, 315);
    f.cboFormat.SetBounds(3165, 0, 1335, 315);
    f.Label[4].SetBounds(4680, 45, 1155, 255);
    f.cboCompression.SetBounds(5880, 0, 1335, 315);
    f.chkAddEmpty.SetBounds(0, 420, 3840, 255);
    f.chkNoMainDir.SetBounds(3960, 420, 3840, 255);
    f.chkPause.SetBounds(0, 720, 3840, 255);
    f.chkOldNaming.SetBounds(3960, 720, 3840, 255);
    f.chkCalculateEff.SetBounds(0, 1020, 7200, 255);

    // PAR2 options: sizes on the left, the recovery choice on the right.
    f.Label[5].SetBounds(0, 45, 1335, 255);
    f.cboLines.SetBounds(1400, 0, 1095, 315);
    f.Label[6].SetBounds(0, 405, 1335, 255);
    f.txtBlockSize.SetBounds(1400, 360, 1095, 315);
    f.Label[7].SetBounds(0, 765, 1335, 255);
    f.txtEstimatedSize.SetBounds(1400, 720, 1815, 315);
    f.Label[8].SetBounds(0, 1125, 1335, 255);
    f.txtMaxBlocks.SetBounds(1400, 1080, 1095, 315);
    f.OptPars[0].SetBounds(3600, 30, 2100, 255);
    f.cboRedundancy.SetBounds(5760, 0, 975, 315);
    f.OptPars[1].SetBounds(3600, 390, 2100, 255);
    f.txtRecoveryBlocks.SetBounds(5760, 360, 735, 315);
    f.ScrollRecoveryBlocks.SetBounds(6495, 360, 240, 315);
    f.OptPars[2].SetBounds(3600, 750, 2100, 255);
    f.cboRecoveryFiles.SetBounds(5760, 720, 975, 315);
    f.chkUniformSize.SetBounds(3600, 1110, 3600, 255);
}

}  // namespace kelvora
