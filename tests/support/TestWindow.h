#pragma once
#include <cstdlib>
#include <memory>
#include <string>

#include "ScriptedDesktop.h"
#include "TempDir.h"
#include "app/Progress.h"
#include "app/Wiring.h"
#include "prefs/Language.h"
#include "runner/DOSOutputs.h"
#include "window/frmMain.h"

namespace kelvora::test {

// A main window model with its reactions wired to the handlers and a scripted desktop. The
// program folder is the test programs' folder, where `rar` (stand-in) and `par2` lie.
struct TestWindow {
    ScriptedDesktop desktop;
    frmMain f{desktop};

    explicit TestWindow(bool wire = true) {
        f.AppPath = TestToolsDir();
        SplitBytes = ExpectedVolumes = 0;
        if (wire) WireHandlers(f);
    }
};

// A wired window whose program folder is a fresh folder (no tools, no Help.chm), holding
// `settings` as its Settings.ini when given.
struct ProgramWindow : TestWindow {
    TempDir program;
    explicit ProgramWindow(const std::string& settings = "") {
        f.AppPath = program.path();
        if (!settings.empty()) program.WriteText("Settings.ini", settings);
    }
    std::string SettingsFile() const { return program / "Settings.ini"; }
};

// The stand-in archiver's failures on cue end with the test that gives them.
struct StandInCues {
    ~StandInCues() {
        for (const char* cue : {"DELAY_MS", "DISK_VOLUMES", "CRASH", "ONLY", "CLOSE_EARLY", "LOG", "PID", "CRLF"})
            SetEnv(std::string("KELVORA_FAKE_RAR_") + cue, nullptr);
    }
};

// A wired window ready for a job as Form_Load prepares it, without settings or a start-up path
// (the English texts, the runner and the progress bar), with plain choices: no split, normal
// compression, 10 % recovery, no rounding to whole blocks.
struct JobWindow : TestWindow, StandInCues {
    JobWindow() {
        ApplyLanguage(f, Language::English);
        f.objDOS = std::make_unique<DOSOutputs>(f.desktop);
        InitProgressBar(f);
        f.cboFormat.SetListIndex(0), f.cboCompression.SetListIndex(1), f.cboRedundancy.SetText("10");
        f.OptPars[0].SetValue(true), f.chkCalculateEff.SetValue(0);
    }

    void Choose(const std::string& source, const std::string& output, const std::string& archive, int64_t size) {
        f.txtInput.SetText(source);
        f.txtOutput.SetText(output);
        f.txtArchiveName.SetText(archive);
        f.txtEstimatedSize.SetText(std::to_string(size));
    }
    // The text of the progress box's last drawing.
    std::string BarText() const {
        for (const auto& op : f.PicPB.Record())
            if (op.kind == PictureBox::DrawOp::Kind::Print) return op.text;
        return "";
    }
    // Every box since the last call, then the status line.
    std::string Report() { return desktop.TakeBoxes() + f.lblStatus.Caption(); }
    // No job running, Start shown, the input groups unlocked.
    bool Idle() const { return f.cmdProcess.Caption() == "Start" && InputGroups(true) && !f.JobRunning; }
    // True when every input group has the given enabled state.
    bool InputGroups(bool on) const {
        return f.mnuFile.Enabled() == on && f.mnuH.Enabled() == on && f.Frame1.Enabled() == on &&
               f.Frame2.Enabled() == on && f.Frame3.Enabled() == on;
    }
};

}  // namespace kelvora::test
