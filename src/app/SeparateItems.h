#pragma once

namespace kelvora {

class frmMain;

// Separate-items mode: lists the source folder's items and asks for confirmation.
void chkSeparately_Click(frmMain& f);

}  // namespace kelvora
