#include "prefs/Language.h"

#include "common/RuntimeError.h"
#include "resources/StringTable.h"
#include "window/frmMain.h"

namespace kelvora {

namespace {

// The control whose caption an entry of the string table sets; nullptr for the other entries.
CaptionedControl* CaptionOf(frmMain& f, Msg entry) {
    switch (entry) {
        case Msg::MenuFile: return &f.mnuFile;
        case Msg::MenuExit: return &f.mnuExit;
        case Msg::MenuHelp: return &f.mnuH;
        case Msg::MenuHelpItem: return &f.mnuHelp;
        case Msg::MenuAbout: return &f.mnuAbout;
        case Msg::MenuLanguage: return &f.mnuLanguage;
        case Msg::MenuVerify: return &f.mnuVerify;
        case Msg::FrameInputOutput: return &f.Frame1;
        case Msg::FrameRar: return &f.Frame2;
        case Msg::FramePar2: return &f.Frame3;
        case Msg::LabelSource: return &f.Label[0];
        case Msg::LabelSavePath: return &f.Label[1];
        case Msg::LabelArchiveName: return &f.Label[2];
        case Msg::LabelSplitSize: return &f.Label[3];
        case Msg::LabelCompression: return &f.Label[4];
        case Msg::LabelYencLines: return &f.Label[5];
        case Msg::LabelBlockSize: return &f.Label[6];
        case Msg::LabelFileSize: return &f.Label[7];
        case Msg::LabelMaxBlocks: return &f.Label[8];
        case Msg::ButtonFile: return &f.cmdBrowseFile;
        case Msg::ButtonFolder: return &f.cmdBrowseFolder;
        case Msg::ButtonSave: return &f.cmdBrowseSave;
        case Msg::CheckNoEmptyFolders: return &f.chkAddEmpty;
        case Msg::CheckPause: return &f.chkPause;
        case Msg::CheckOldNaming: return &f.chkOldNaming;
        case Msg::CheckEfficientSize: return &f.chkCalculateEff;
        case Msg::CheckUniformSize: return &f.chkUniformSize;
        case Msg::OptionRedundancy: return &f.OptPars[0];
        case Msg::OptionRecoveryBlocks: return &f.OptPars[1];
        case Msg::OptionRecoveryFiles: return &f.OptPars[2];
        case Msg::CheckSaveSelected: return &f.chkSaveSelected;
        case Msg::CheckNoMainFolder: return &f.chkNoMainDir;
        case Msg::CheckSeparately: return &f.chkSeparately;
        case Msg::CheckDateName: return &f.chkMaskName;
        default: return nullptr;
    }
}

}  // namespace

void ApplyLanguage(frmMain& f, Language language) {
    for (const Msg entry : StringTableEntries()) {
        if (CaptionedControl* control = CaptionOf(f, entry)) control->SetCaption(Text(entry, language));
    }
    // The list is rebuilt in the new words; the choice is kept by position, and no reaction runs.
    const int compression = f.cboCompression.ListIndex();
    f.cboCompression.Clear();
    for (const Msg item : {Msg::CompressionNone, Msg::CompressionNormal, Msg::CompressionHigh})
        f.cboCompression.AddItem(Text(item, language));
    f.cboCompression.SetListIndex(compression);
    f.CurrentLanguage = language;
}

void ApplyLanguage(frmMain& f, int16_t number) {
    const auto language = LanguageNumbered(number);
    if (!language) Raise(Err::ResourceNotFound, "Resource with identifier '" + std::to_string(number) + "' not found");
    ApplyLanguage(f, *language);
}

void SelectLanguage(frmMain& f, Language language) {
    for (const LanguageInfo& info : Languages)
        if (auto* item = dynamic_cast<MenuItem*>(f.FindControl(info.menuItem))) item->SetChecked(info.language == language);
    ApplyLanguage(f, language);
}

}  // namespace kelvora
