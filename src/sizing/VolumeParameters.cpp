#include "sizing/VolumeParameters.h"

#include "app/frmMain.h"

namespace kelvora {

void cboFormat_Click(frmMain&) {}
void cboSplitSize_KeyPress(frmMain&, int&) {}
void cboSplitSize_Change(frmMain&) {}
void cboLines_Click(frmMain&) {}
void RecomputeMaxBlocks(frmMain&) {}
void OptPars_Click(frmMain&, int) {}
void ScrollRecoveryBlocks_Change(frmMain&) {}
void txtRecoveryBlocks_KeyPress(frmMain&, int&) {}
void txtRecoveryBlocks_Change(frmMain&) {}
bool IsWholeNumber(const std::string&) { return false; }

}  // namespace kelvora
