#pragma once

namespace kelvora {

class frmMain;

// The Start/Stop button: checks the choices and runs the job they describe, or asks the running
// job to stop.
void cmdProcess_Click(frmMain& f);

}  // namespace kelvora
