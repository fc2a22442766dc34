#include "app/Wiring.h"

#include "app/ArchiveNaming.h"
#include "app/Lifecycle.h"
#include "app/Menus.h"
#include "app/Selection.h"
#include "app/SeparateItems.h"
#include "app/StartStop.h"
#include "prefs/Language.h"
#include "sizing/VolumeParameters.h"
#include "window/frmMain.h"

namespace kelvora {

void WireHandlers(frmMain& f) {
    frmMain* m = &f;

    m->mnuExit.Click = [m] { mnuExit_Click(*m); };
    m->mnuHelp.Click = [m] { mnuHelp_Click(*m); };
    m->mnuAbout.Click = [m] { mnuAbout_Click(*m); };
    m->mnuVerify.Click = [m] { m->mnuVerify.SetChecked(!m->mnuVerify.Checked()); };
    for (const LanguageInfo& language : Languages)
        if (auto* item = dynamic_cast<MenuItem*>(m->FindControl(language.menuItem)))
            item->Click = [m, choice = language.language] { SelectLanguage(*m, choice); };

    m->cmdProcess.Click = [m] { cmdProcess_Click(*m); };
    m->cmdBrowseFile.Click = [m] { cmdBrowseFile_Click(*m); };
    m->cmdBrowseFolder.Click = [m] { cmdBrowseFolder_Click(*m); };
    m->cmdBrowseSave.Click = [m] { cmdBrowseSave_Click(*m); };

    m->txtArchiveName.Change = [m] { txtArchiveName_Change(*m); };
    m->txtArchiveName.KeyPress = [m](int& key) { txtArchiveName_KeyPress(*m, key); };
    m->chkMaskName.Click = [m] { chkMaskName_Click(*m); };
    m->optMaskStyle.Click = [m](int index) { optMaskStyle_Click(*m, index); };
    m->chkSeparately.Click = [m] { chkSeparately_Click(*m); };

    m->cboFormat.Click = [m] { cboFormat_Click(*m); };
    m->cboSplitSize.KeyPress = [m](int& key) { cboSplitSize_KeyPress(*m, key); };
    m->cboSplitSize.Change = [m] { cboSplitSize_Change(*m); };
    m->cboLines.Click = [m] { cboLines_Click(*m); };
    m->OptPars.Click = [m](int index) { OptPars_Click(*m, index); };
    m->ScrollRecoveryBlocks.Change = [m] { ScrollRecoveryBlocks_Change(*m); };
    m->txtRecoveryBlocks.KeyPress = [m](int& key) { txtRecoveryBlocks_KeyPress(*m, key); };
    m->txtRecoveryBlocks.Change = [m] { txtRecoveryBlocks_Change(*m); };
}

}  // namespace kelvora
