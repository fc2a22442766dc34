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
#include "platform/Utf8Path.h"
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
    return path.empty() ? path : AbsoluteSourcePath(path);
}

}  // namespace

void Form_Load(frmMain& f, const std::vector<std::string>& arguments) {
    // Centring belongs to the view.
    f.Me.SetCaption(VersionedTitle());
    LoadSettings(f);
    f.objDOS = std::make_unique<DOSOutputs>(f.desktop);
    InitProgressBar(f);
    LoadMenuBitmaps(f);

    std::string given;
    for (const std::string& argument : arguments) given += argument;
    // Bytes that are no text cannot be shown, typed or handed on faithfully.
    if (!IsValidUtf8(given))
        return (void)f.desktop.MsgBox(FillIn(f.MessageText(Msg::StartupPathNotUtf8), {ShowInvalidUtf8(given)}), MsgButtons::OK,
                                      MsgIcon::Exclamation, AppTitle);
    const std::string path = StartupPath(arguments);
    if (path.empty()) return;
    std::error_code ec;
    // A path that names nothing (a dangling link included) is told and left: start-up must not fail.
    if (!std::filesystem::exists(platform::Utf8Path(path), ec))
        return (void)f.desktop.MsgBox(FillIn(f.MessageText(Msg::NotFound), {path}), MsgButtons::OK, MsgIcon::Exclamation,
                                      AppTitle);
    // The root would be measured whole before the window even shows.
    if (IsDriveRoot(path)) return RefuseDriveRoot(f);
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
