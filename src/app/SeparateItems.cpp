#include "app/SeparateItems.h"

#include "common/Text.h"
#include "job/Items.h"
#include "window/Desktop.h"
#include "window/frmMain.h"

namespace kelvora {

namespace {

constexpr const char* CrLf = "\r\n";

std::string ConfirmationText(const frmMain& f, const FolderItems& found) {
    const std::string two = std::string(CrLf) + CrLf;
    return f.MessageText(Msg::SeparateFound) + two + f.MessageText(Msg::SeparateFiles) + std::to_string(found.files) +
           CrLf + f.MessageText(Msg::SeparateFolders) + std::to_string(found.folders) + two +
           FillIn(f.MessageText(Msg::SeparateAll), {std::to_string(found.files + found.folders)}) + CrLf +
           f.MessageText(Msg::SeparateNames) + two + f.MessageText(Msg::SeparateSure);
}

}  // namespace

void chkSeparately_Click(frmMain& f) {
    if (f.chkSeparately.Value() != 1) {
        f.OptPars[1].SetEnabled(true);
        f.chkPause.SetEnabled(true);
        return;
    }

    FolderItems found = ListFolderItems(f.txtInput.Text());
    f.SeparateItems = std::move(found.items);
    const MsgAnswer answer = f.desktop.MsgBox(ConfirmationText(f, found), MsgButtons::YesNo, MsgIcon::Question,
                                              f.MessageText(Msg::SeparateTitle));
    if (answer == MsgAnswer::No) {
        f.chkSeparately.SetValue(0);
        f.SeparateItems.reset();
        return;
    }
    f.OptPars[0].SetValue(true);
    f.OptPars[1].SetEnabled(false);
    f.chkPause.SetEnabled(false);
}

}  // namespace kelvora
