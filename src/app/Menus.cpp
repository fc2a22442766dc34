#include "app/Menus.h"

#include "common/Version.h"
#include "platform/FileSystem.h"
#include "prefs/Settings.h"
#include "window/Desktop.h"
#include "window/frmMain.h"

namespace kelvora {

void LoadMenuBitmaps(frmMain& f) {
    // One picture for both check states: the view shows no separate check mark.
    f.mnuExit.SetPicture("EXIT");
    f.mnuHelp.SetPicture("HELP");
    f.mnuAbout.SetPicture("INFO");
    for (const LanguageInfo& language : Languages)
        if (auto* item = dynamic_cast<MenuItem*>(f.FindControl(language.menuItem))) item->SetPicture(language.picture);
}

void mnuHelp_Click(frmMain& f) { ShowHelp(f); }

void ShowHelp(frmMain& f) {
    const std::string path = f.AppPath + platform::PathSeparator + "Help.chm";
    if (OrdinaryFileExists(path)) {
        // Whether a viewer opens is the desktop's business; nothing is reported.
        f.desktop.OpenDocument(path);
    } else {
        f.desktop.MsgBox(f.MessageText(Msg::HelpNotFound), MsgButtons::OK, MsgIcon::Critical, AppTitle);
    }
}

void mnuAbout_Click(frmMain& f) { f.desktop.ShowAbout(); }

}  // namespace kelvora
