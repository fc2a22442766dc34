#include "prefs/Settings.h"

#include <exception>
#include <optional>

#include "common/Numbers.h"
#include "common/RuntimeError.h"
#include "common/Text.h"
#include "common/Version.h"
#include "platform/FileSystem.h"
#include "platform/UserFolders.h"
#include "platform/Utf8Path.h"
#include "prefs/SavedChoices.h"
#include "prefs/Language.h"
#include "window/Desktop.h"
#include "window/frmMain.h"

namespace kelvora {

namespace {

constexpr const char* FileName = "Settings.ini";

// The control of each stored choice: a list by its position, a check box by its value.
struct StoredControl {
    int SavedChoices::*field;
    ComboBox frmMain::*combo;
    CheckBox frmMain::*check;
};

constexpr StoredControl Controls[] = {
    {&SavedChoices::compression, &frmMain::cboCompression, nullptr},
    {&SavedChoices::format, &frmMain::cboFormat, nullptr},
    {&SavedChoices::noMainDir, nullptr, &frmMain::chkNoMainDir},
    {&SavedChoices::noEmpty, nullptr, &frmMain::chkAddEmpty},
    {&SavedChoices::pause, nullptr, &frmMain::chkPause},
    {&SavedChoices::oldNaming, nullptr, &frmMain::chkOldNaming},
    {&SavedChoices::calculateEff, nullptr, &frmMain::chkCalculateEff},
    {&SavedChoices::redundancy, &frmMain::cboRedundancy, nullptr},
    {&SavedChoices::recoveryFiles, &frmMain::cboRecoveryFiles, nullptr},
    {&SavedChoices::yEncLines, &frmMain::cboLines, nullptr},
    {&SavedChoices::uniformSize, nullptr, &frmMain::chkUniformSize},
    {&SavedChoices::saveSelected, nullptr, &frmMain::chkSaveSelected},
};

// Through the controls, in the file's order, so each reaction runs as for the user's choice
// (the unit fills the split-size list, the option enables its inputs, the lines set the block
// size).
void Apply(frmMain& f, const SavedChoices& choices) {
    for (const StoredControl& c : Controls) {
        if (c.field == &SavedChoices::redundancy) f.OptPars[choices.optPars].SetValue(true);
        if (c.combo) (f.*c.combo).SetListIndex(choices.*c.field);
        else (f.*c.check).SetValue(choices.*c.field);
    }
    f.mnuVerify.SetChecked(choices.verify);
    ApplyLanguage(f, choices.language);
}

}  // namespace

bool OrdinaryFileExists(const std::string& path) {
    const auto attributes = platform::GetAttributes(path);
    return attributes &&
           (*attributes & (platform::AttrDirectory | platform::AttrHidden | platform::AttrSystem)) == 0;
}

SettingsFiles ChooseSettingsFiles(const std::string& programFolder, const std::string& userFolder,
                                  const std::function<bool(const std::string& folder)>& writable) {
    const std::string beside = programFolder + platform::PathSeparator + FileName;
    if (userFolder.empty() || writable(programFolder)) return {beside, beside};
    const std::string own = userFolder + platform::PathSeparator + FileName;
    return {OrdinaryFileExists(own) || !OrdinaryFileExists(beside) ? own : beside, own};
}

SettingsFiles SettingsFilesOf(const frmMain& f) {
    const std::string config = platform::UserConfigFolder();
    return ChooseSettingsFiles(f.AppPath, config.empty() ? config : config + platform::PathSeparator + "kelvora",
                               platform::FolderWritable);
}

std::optional<SavedChoices> ReadSettingsFile(const std::string& path) {
    // Read once, and only a regular file of a sane size: a FIFO, a device or a huge file would
    // hang or exhaust the program before its window ever shows.
    return OrdinaryFileExists(path) ? ReadSavedChoices(path) : std::nullopt;
}

void LoadSettings(frmMain& f) {
    // A damaged file silently gives the whole default set.
    Apply(f, ReadSettingsFile(SettingsFilesOf(f).read).value_or(SavedChoices{}));
}

void SaveSettings(frmMain& f) {
    const std::string path = SettingsFilesOf(f).save;
    SavedChoices choices;
    for (const StoredControl& c : Controls) choices.*c.field = c.combo ? (f.*c.combo).ListIndex() : (f.*c.check).Value();
    choices.optPars = f.OptPars.Selected();
    choices.language = f.CurrentLanguage;
    choices.verify = f.mnuVerify.Checked();
    // The user's configuration folder may not exist yet. One write for all keys: the file is
    // never left half saved.
    const bool saved = platform::CreatePrivateFolders(platform::Utf8Text(platform::Utf8Path(path).parent_path())) &&
                       WriteSavedChoices(choices, path);
    // The user asked for the choices to be kept: losing them silently would surprise at the next start.
    if (!saved)
        f.desktop.MsgBox(FillIn(f.MessageText(Msg::SettingsNotSaved), {path}), MsgButtons::OK, MsgIcon::Exclamation,
                         AppTitle);
}

}  // namespace kelvora
