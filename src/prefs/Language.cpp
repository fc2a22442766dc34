#include "prefs/Language.h"

#include "resources/StringTable.h"
#include "window/frmMain.h"

namespace kelvora {

namespace {

// The control whose caption entry n of the string table sets; nullptr for the other entries.
CaptionedControl* CaptionOf(frmMain& f, int n) {
    switch (n) {
        case 0: return &f.mnuFile;
        case 1: return &f.mnuExit;
        case 4: return &f.mnuH;
        case 5: return &f.mnuHelp;
        case 6: return &f.mnuAbout;
        case 7: return &f.mnuLanguage;
        case 8: return &f.Frame1;
        case 9: return &f.Frame2;
        case 10: return &f.Frame3;
        case 19: return &f.cmdBrowseFile;
        case 20: return &f.cmdBrowseFolder;
        case 21: return &f.cmdBrowseSave;
        case 22: return &f.chkAddEmpty;
        case 23: return &f.chkPause;
        case 24: return &f.chkOldNaming;
        case 25: return &f.chkCalculateEff;
        case 26: return &f.chkUniformSize;
        case 27: return &f.OptPars[0];
        case 28: return &f.OptPars[1];
        case 29: return &f.OptPars[2];
        case 30: return &f.chkSaveSelected;
        case 34: return &f.chkNoMainDir;
        case 49: return &f.Label[8];
        case 52: return &f.chkSeparately;
        case 53: return &f.chkMaskName;
        default: break;
    }
    if (n >= 11 && n <= 18) return &f.Label[n - 11];
    return nullptr;
}

bool IsMessageEntry(int n) { return (n >= 35 && n <= 48) || n == 50 || n == 51 || n == 54 || n == 55; }

}  // namespace

void ApplyLanguage(frmMain& f, int16_t language) {
    // Any other number gives base 0: the very first lookup fails, before anything has changed.
    const int base = language == 0 ? EnglishBase : language == 1 ? DutchBase : 0;
    int compressionIndex = -1;
    for (int n = 0; n < StringTableEntries; ++n) {
        if (n == 2 || n == 3) continue;  // in the table, but nothing shows them
        const std::string text = LoadResString(base + n);
        if (CaptionedControl* control = CaptionOf(f, n)) {
            control->SetCaption(text);
        } else if (n >= 31 && n <= 33) {
            // The list is rebuilt in the new words; the choice is kept by position.
            if (n == 31) {
                compressionIndex = f.cboCompression.ListIndex();
                f.cboCompression.Clear();
            }
            f.cboCompression.AddItem(text);
            if (n == 33) f.cboCompression.SetListIndex(compressionIndex);
        } else if (IsMessageEntry(n)) {
            f.MessageTexts[n] = text;
        }
    }
    for (int n : FurtherMessageEntries()) f.MessageTexts[n] = LoadResString(base + n);
}

void mnuEnglish_Click(frmMain& f) {
    f.mnuEnglish.SetChecked(true);
    f.mnuNederlands.SetChecked(false);
    ApplyLanguage(f, 0);
}

void mnuNederlands_Click(frmMain& f) {
    f.mnuNederlands.SetChecked(true);
    f.mnuEnglish.SetChecked(false);
    ApplyLanguage(f, 1);
}

}  // namespace kelvora
