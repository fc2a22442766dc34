#include "app/ArchiveNaming.h"

#include <cstdio>

#include "common/Text.h"
#include "common/Version.h"
#include "window/frmMain.h"

namespace kelvora {

namespace {


void ShowForbiddenWarning(frmMain& f) {
    f.desktop.MsgBox(f.MessageText(Msg::ForbiddenCharacters) + "\r\n\r\n" + f.MessageText(Msg::ForbiddenCharacterList),
                     MsgButtons::OK, MsgIcon::Exclamation, AppTitle);
}

std::string Two(int n) {
    char buf[16];
    std::snprintf(buf, sizeof buf, "%02d", n);
    return buf;
}

std::string Four(int n) {
    char buf[16];
    std::snprintf(buf, sizeof buf, "%04d", n);
    return buf;
}

}  // namespace

std::string DateName(const DateTime& now, int style) {
    const std::string dayMonth =
        style == 0 ? Two(now.day) + "-" + Two(now.month) : Two(now.month) + "-" + Two(now.day);
    return dayMonth + "-" + Four(now.year) + "-" + Two(now.hour) + "-" + Two(now.minute) + "-" + Two(now.second) +
           ".rar";
}

void chkMaskName_Click(frmMain& f) {
    if (f.chkMaskName.Value() == 1) {
        f.SavedArchiveName = f.txtArchiveName.Text();
        f.optMaskStyle[0].SetEnabled(true);
        f.optMaskStyle[1].SetEnabled(true);
        f.txtArchiveName.SetText(DateName(f.desktop.Now(), f.optMaskStyle[0].Value() ? 0 : 1));
    } else {
        f.txtArchiveName.SetText(f.SavedArchiveName);
        f.optMaskStyle[0].SetEnabled(false);
        f.optMaskStyle[1].SetEnabled(false);
    }
}

void optMaskStyle_Click(frmMain& f, int Index) {
    // The clock is read anew, so switching the order also refreshes the time.
    if (Index == 0 || Index == 1) f.txtArchiveName.SetText(DateName(f.desktop.Now(), Index));
}

void txtArchiveName_Change(frmMain& f) {
    const std::string& name = f.txtArchiveName.Text();
    for (char c : ForbiddenNameChars) {
        if (name.find(c) != std::string::npos) {
            // One warning, then the whole name goes: it arrived by paste or by the program, and
            // there is no telling which part the user meant.
            ShowForbiddenWarning(f);
            f.txtArchiveName.SetText("");
            return;
        }
    }
}

void txtArchiveName_KeyPress(frmMain& f, int& KeyAscii) {
    if (!IsForbiddenNameChar(KeyAscii)) return;
    ShowForbiddenWarning(f);
    KeyAscii = 0;
}

}  // namespace kelvora
