#pragma once
#include <string>

namespace kelvora {

class frmMain;

// Reactions of the split size, block size and recovery controls.
void cboFormat_Click(frmMain& f);
void cboSplitSize_KeyPress(frmMain& f, int& KeyAscii);
void cboSplitSize_Change(frmMain& f);
void cboLines_Click(frmMain& f);
void RecomputeMaxBlocks(frmMain& f);
void OptPars_Click(frmMain& f, int Index);
void ScrollRecoveryBlocks_Change(frmMain& f);
void txtRecoveryBlocks_KeyPress(frmMain& f, int& KeyAscii);
void txtRecoveryBlocks_Change(frmMain& f);

}  // namespace kelvora
