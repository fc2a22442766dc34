#include "runner/ToolOutput.h"

#include "app/frmMain.h"

namespace kelvora {

void InitProgressBar(frmMain&) {}
void DrawProgress(frmMain&, int32_t, int32_t) {}
void objDOS_ReceiveOutputs(frmMain&, std::string&) {}
void DisableControls(frmMain&) {}
void EnableControls(frmMain&) {}

}  // namespace kelvora
