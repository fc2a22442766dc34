#pragma once
#include <cstdint>

namespace kelvora {

class frmMain;

// The progress bar drawn in PicPB: a red bar in not-XOR over its percentage, "(45%)".
void InitProgressBar(frmMain& f);
void DrawProgress(frmMain& f, int32_t Max, int32_t Value);

// Lock and unlock the input groups while long work runs.
void DisableControls(frmMain& f);
void EnableControls(frmMain& f);

}  // namespace kelvora
