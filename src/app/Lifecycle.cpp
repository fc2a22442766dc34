#include "app/Lifecycle.h"

#include "app/Desktop.h"
#include "app/Wiring.h"
#include "app/frmMain.h"
#include "common/Version.h"
#include "runner/DOSOutputs.h"

namespace kelvora {

void Form_Load(frmMain& f, const std::vector<std::string>&) {
    f.Me.SetCaption(VersionedTitle());
    f.objDOS = std::make_unique<DOSOutputs>(f.desktop);
    WireRunner(f);
}

void Form_Unload(frmMain& f, int& Cancel) {
    if (f.JobRunning) {
        Cancel = 1;
        return;
    }
    f.objDOS.reset();
}

void Form_Terminate(frmMain& f) { f.objDOS.reset(); }

void mnuExit_Click(frmMain& f) { f.desktop.CloseMainWindow(); }

}  // namespace kelvora
