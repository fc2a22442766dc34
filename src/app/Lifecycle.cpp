#include "app/Lifecycle.h"

#include <algorithm>
#include <filesystem>
#include <system_error>
#include <vector>

#include "app/Menus.h"
#include "app/Selection.h"
#include "app/Wiring.h"
#include "common/Text.h"
#include "common/Version.h"
#include "app/Progress.h"
#include "window/Desktop.h"
#include "platform/Utf8Path.h"
#include "prefs/Settings.h"
#include "runner/DOSOutputs.h"
#include "window/Desktop.h"
#include "window/frmMain.h"

namespace kelvora {

std::string StartupPath(const std::vector<std::string>& arguments) {
    // The command line is one path: a shell has split it at its blanks, so join it again.
    std::string path;
    for (size_t i = 0; i < arguments.size(); ++i) {
        if (i > 0) path += ' ';
        path += arguments[i];
    }
    // Quotes around the whole path (as a desktop launcher may pass it) are not part of it.
    if (path.size() >= 2 && path.front() == '"' && path.back() == '"') path = path.substr(1, path.size() - 2);
    // Bytes that are no text stay as they are, to be told as such.
    return path.empty() || !IsValidUtf8(path) ? path : AbsoluteSourcePath(path);
}

void ApplyStartupPath(frmMain& f, const std::string& path) {
    if (path.empty()) return;
    auto tell = [&f](Msg message, const std::string& fillIn) {
        f.desktop.MsgBox(FillIn(f.MessageText(message), {fillIn}), MsgButtons::OK, MsgIcon::Exclamation, AppTitle);
    };
    // Bytes that are no text cannot be shown, typed or handed on faithfully.
    if (!IsValidUtf8(path)) return tell(Msg::StartupPathNotUtf8, ShowInvalidUtf8(path));
    std::error_code ec;
    // A path that names nothing (a dangling link included) is told and left: start-up must not fail.
    if (!std::filesystem::exists(platform::Utf8Path(path), ec)) return tell(Msg::NotFound, path);
    // The root would be measured whole before the window even shows.
    if (IsDriveRoot(path)) return RefuseDriveRoot(f);
    ApplySource(f, path, IsFolder(path));
    // Unlike the File button, a file from the command line leaves separate-items mode open.
    f.chkSeparately.SetEnabled(true);
}

void TakeHandedPath(frmMain& f, const std::string& path) {
    // A job or a measurement keeps its source: the window only comes forward.
    if (AcceptsDrop(f)) ApplyStartupPath(f, path);
}

void Form_Load(frmMain& f, const std::vector<std::string>& arguments) {
    // Centring belongs to the view.
    f.Me.SetCaption(VersionedTitle());
    LoadSettings(f);
    f.objDOS = std::make_unique<DOSOutputs>(f.desktop);
    InitProgressBar(f);
    LoadMenuBitmaps(f);
    ApplyStartupPath(f, StartupPath(arguments));
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
