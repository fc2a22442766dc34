#pragma once
#include <string>

#include "ScriptedDesktop.h"
#include "TempDir.h"
#include "app/Wiring.h"
#include "app/frmMain.h"

namespace kelvora::test {

// A main window model with its reactions wired to the handlers and a scripted desktop. The
// program folder is the test programs' folder, where `rar` (stand-in) and `par2` lie.
struct TestWindow {
    ScriptedDesktop desktop;
    frmMain f{desktop};

    explicit TestWindow(bool wire = true) {
        f.AppPath = TestToolsDir();
        SplitBytes = 0;
        ExpectedVolumes = 0;
        if (wire) WireHandlers(f);
    }
};

}  // namespace kelvora::test
