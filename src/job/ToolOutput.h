#pragma once
#include <cstdint>
#include <string>

namespace kelvora {

class frmMain;

// Progress drawing in PicPB and the handling of the tools' output.
void InitProgressBar(frmMain& f);
void DrawProgress(frmMain& f, int32_t Max, int32_t Value);
void objDOS_ReceiveOutputs(frmMain& f, std::string& CommandOutputs);

// Lock and unlock the input groups while long work runs.
void DisableControls(frmMain& f);
void EnableControls(frmMain& f);

}  // namespace kelvora
