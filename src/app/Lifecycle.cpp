#include "app/Lifecycle.h"

#include <filesystem>
#include <system_error>

#include "app/Menus.h"
#include "app/Selection.h"
#include "app/Wiring.h"
#include "common/Version.h"
#include "job/ToolOutput.h"
#include "platform/FileSystem.h"
#include "prefs/Settings.h"
#include "runner/DOSOutputs.h"
#include "window/Desktop.h"
#include "window/frmMain.h"

namespace kelvora {

namespace {

// The source path the program was started with, "" for none.
std::string StartupPath(const std::vector<std::string>& arguments) {
    // The command line is one path: a shell has split it at its blanks, so join it again.
    std::string path;
    for (size_t i = 0; i < arguments.size(); ++i) {
        if (i > 0) path += ' ';
        path += arguments[i];
    }
    // Quotes around the whole path (as a desktop launcher may pass it) are not part of it.
    if (path.size() >= 2 && path.front() == '"' && path.back() == '"') path = path.substr(1, path.size() - 2);
    // A folder typed with a closing separator (as shells complete it) names the same folder.
    while (path.size() > 1 && path.back() == platform::PathSeparator) path.pop_back();
    return path;
}

}  // namespace

void Form_Load(frmMain& f, const std::vector<std::string>& arguments) {
    // Centring belongs to the view.
    f.Me.SetCaption(VersionedTitle());
    LoadSettings(f);
    f.objDOS = std::make_unique<DOSOutputs>(f.desktop);
    WireRunner(f);
    InitProgressBar(f);
    LoadMenuBitmaps(f);

    const std::string path = StartupPath(arguments);
    std::error_code ec;
    // A path that names nothing (a dangling link included) is ignored: start-up must not fail.
    if (path.empty() || !std::filesystem::exists(path, ec)) return;
    ApplySource(f, path, IsFolder(path));
    // Unlike the File button, a file from the command line leaves separate-items mode open.
    f.chkSeparately.SetEnabled(true);
}

void Form_Unload(frmMain& f, int& Cancel) {
    if (f.JobRunning) {
        Cancel = 1;
        return;
    }
    f.objDOS.reset();
    if (f.chkSaveSelected.Value() == 1) SaveSettings(f);
}

void Form_Terminate(frmMain& f) { f.objDOS.reset(); }

void mnuExit_Click(frmMain& f) { f.desktop.CloseMainWindow(); }

}  // namespace kelvora
