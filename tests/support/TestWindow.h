#pragma once
#include <memory>
#include <string>

#include "app/Wiring.h"
#include "job/ToolOutput.h"
#include "prefs/Language.h"
#include "runner/DOSOutputs.h"
#include "ScriptedDesktop.h"
#include "TempDir.h"
#include "window/frmMain.h"

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

    // What Form_Load prepares for a job, without settings or a start-up path: the English
    // texts, the runner wired to the window and the progress bar.
    void PrepareForJob() {
        ApplyLanguage(f, 0);
        f.objDOS = std::make_unique<DOSOutputs>(f.desktop);
        WireRunner(f);
        InitProgressBar(f);
    }
};

}  // namespace kelvora::test
