#include "window/frmMain.h"

#include "common/Version.h"
#include "platform/FileSystem.h"
#include "runner/DOSOutputs.h"
#include "window/Desktop.h"
#include "window/Layout.h"

namespace kelvora {

frmMain::frmMain(Desktop& desktop_) : desktop(desktop_), AppPath(platform::ProgramFolder()) {
    Me.SetCaption(AppTitle);
    BuildMenus();
    BuildControls();
    LayOut(*this);
}

frmMain::~frmMain() = default;

void frmMain::BuildMenus() {
    mnuFile.SetCaption("File");
    mnuVerify.SetCaption(" Verify after packing");
    mnuVerify.SetCheckable(true);
    mnuLine1.SetCaption("-");
    mnuExit.SetCaption(" Exit");
    mnuH.SetCaption("Help");
    mnuHelp.SetCaption(" Help");
    mnuLine4.SetCaption("-");
    mnuAbout.SetCaption(" About...");
    mnuLanguage.SetCaption("Language");
    mnuLine3.SetCaption("-");

    mnuFile.items = {&mnuVerify, &mnuLine1, &mnuExit};
    mnuH.items = {&mnuHelp, &mnuLine4, &mnuAbout};
    mnuLanguage.items = {&mnuEnglish, &mnuLine3, &mnuNederlands};
    for (MenuItem* menu : Menus())
        for (MenuItem* item : menu->items) item->SetContainer(menu);
    // Each language's item carries the language's own name.
    for (const LanguageInfo& language : Languages)
        if (auto* item = dynamic_cast<MenuItem*>(FindControl(language.menuItem))) item->SetCaption(language.menuCaption);
}

void frmMain::BuildControls() {
    Frame1.SetCaption("Input / Output Options");
    Frame2.SetCaption("Rar Options");
    Frame3.SetCaption("Par2 Options");
    Picture1.SetContainer(&Frame1);
    Picture2.SetContainer(&Frame2);
    Picture3.SetContainer(&Frame3);
    lblStatus.SetCaption("Status: ---");
    cmdProcess.SetCaption("Start");
    chkSaveSelected.SetCaption("Save selected Rar and Par options");

    // Input / output
    const char* labels[] = {"File / Folder:", "Save Path:",  "Archive Name:", "Desired Split Size:", "Compression:",
                            "yEnc Lines:",    "Block Size:", "File Size:",    "Max. Blocks:"};
    for (int i = 0; i < 9; ++i) {
        Label[i].SetCaption(labels[i]);
        Label[i].SetContainer(i < 3 ? &Picture1 : i < 5 ? &Picture2 : &Picture3);
    }
    for (Control* c : std::initializer_list<Control*>{&txtInput, &cmdBrowseFile, &cmdBrowseFolder, &txtOutput,
                                                     &cmdBrowseSave, &txtArchiveName, &chkMaskName,
                                                     &optMaskStyle[0], &optMaskStyle[1], &chkSeparately})
        c->SetContainer(&Picture1);
    cmdBrowseFile.SetCaption("File");
    cmdBrowseFolder.SetCaption("Folder");
    cmdBrowseSave.SetCaption("Save");
    txtArchiveName.SetMaxLength(250);
    chkMaskName.SetCaption("Use current date as archive name");
    optMaskStyle[0].SetCaption("EU");
    optMaskStyle[1].SetCaption("US");
    optMaskStyle[0].SetValue(true);  // no reaction is wired yet
    optMaskStyle[0].SetEnabled(false);
    optMaskStyle[1].SetEnabled(false);
    chkSeparately.SetCaption("Rar / Par all items in this folder separately");
    chkSeparately.SetEnabled(false);

    // Archiver options
    for (Control* c : std::initializer_list<Control*>{&cboSplitSize, &cboFormat, &cboCompression, &chkAddEmpty,
                                                     &chkNoMainDir, &chkPause, &chkOldNaming, &chkCalculateEff})
        c->SetContainer(&Picture2);
    cboFormat.AddItem("Bytes");
    cboFormat.AddItem("MegaBytes");
    cboCompression.AddItem("None");
    cboCompression.AddItem("Normal");
    cboCompression.AddItem("High");
    chkAddEmpty.SetCaption("Don't add empty sub-directories");
    chkNoMainDir.SetCaption("Don't add main directory name");
    chkPause.SetCaption("Pause after Rarring");
    chkOldNaming.SetCaption("Use old style naming scheme");
    chkCalculateEff.SetCaption("Calculate most efficient Rar size for Par2 (Recommended!)");
    chkCalculateEff.SetValue(1);

    // PAR2 options
    for (Control* c : std::initializer_list<Control*>{&cboLines, &txtBlockSize, &txtEstimatedSize, &txtMaxBlocks,
                                                     &OptPars[0], &cboRedundancy, &OptPars[1], &txtRecoveryBlocks,
                                                     &ScrollRecoveryBlocks, &OptPars[2], &cboRecoveryFiles,
                                                     &chkUniformSize})
        c->SetContainer(&Picture3);
    for (int lines = 1500; lines <= 5000; lines += 500) cboLines.AddItem(std::to_string(lines));
    txtBlockSize.SetText("384000");
    txtEstimatedSize.SetText("0");
    txtMaxBlocks.SetText("0");
    txtMaxBlocks.SetMaxLength(5);
    OptPars[0].SetCaption("Redundancy (%):");
    OptPars[1].SetCaption("Recovery Blocks:");
    OptPars[2].SetCaption("Recovery Files:");
    for (int percent = 5; percent <= 100; percent += 5) cboRedundancy.AddItem(std::to_string(percent));
    txtRecoveryBlocks.SetText("1");
    txtRecoveryBlocks.SetMaxLength(5);
    for (int files = 1; files <= 10; ++files) cboRecoveryFiles.AddItem(std::to_string(files));
    chkUniformSize.SetCaption("Uniform recovery file sizes");

    // The program writes these; the user only reads them.
    for (TextBox* t : {&txtInput, &txtOutput, &txtBlockSize, &txtEstimatedSize, &txtMaxBlocks}) t->SetLocked(true);
}

std::vector<Control*> frmMain::AllControls() {
    std::vector<Control*> all{&Me};
    for (MenuItem* menu : Menus()) {
        all.push_back(menu);
        for (MenuItem* item : menu->items) all.push_back(item);
    }
    for (Control* c : std::initializer_list<Control*>{
             &Frame1, &Frame2, &Frame3, &Picture1, &Picture2, &Picture3, &lblStatus, &PicPB, &cmdProcess,
             &chkSaveSelected, &txtInput, &cmdBrowseFile, &cmdBrowseFolder, &txtOutput, &cmdBrowseSave,
             &txtArchiveName, &chkMaskName, &optMaskStyle[0], &optMaskStyle[1], &chkSeparately, &cboSplitSize,
             &cboFormat, &cboCompression, &chkAddEmpty, &chkNoMainDir, &chkPause, &chkOldNaming, &chkCalculateEff,
             &cboLines, &txtBlockSize, &txtEstimatedSize, &txtMaxBlocks, &OptPars[0], &cboRedundancy, &OptPars[1],
             &txtRecoveryBlocks, &ScrollRecoveryBlocks, &OptPars[2], &cboRecoveryFiles, &chkUniformSize})
        all.push_back(c);
    for (int i = 0; i < Label.Count(); ++i) all.push_back(&Label[i]);
    return all;
}

Control* frmMain::FindControl(const std::string& name) {
    for (Control* c : AllControls())
        if (c->Name() == name) return c;
    return nullptr;
}

}  // namespace kelvora
