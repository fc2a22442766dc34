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
#include "prefs/IniFile.h"
#include "prefs/Language.h"
#include "window/Desktop.h"
#include "window/frmMain.h"

namespace kelvora {

namespace {

constexpr const char* Section = "Settings";
constexpr const char* FileName = "Settings.ini";

// One stored choice: a combo box (by list position), a check box (by value), or, with neither,
// the OptPars group (by the index of the selected option).
struct Setting {
    const char* key;
    ComboBox frmMain::*combo;
    CheckBox frmMain::*check;
    int byDefault;
    // A list that may hold no item (-1): the command lines do without it.
    bool noItemTaken = false;
};

// Read and written in this order; Language comes after them.
constexpr Setting StoredChoices[] = {
    // No item: no compression switch, so the archiver's own default.
    {"Compression", &frmMain::cboCompression, nullptr, 0, true},
    // No item: no unit, so no split-size presets.
    {"Format", &frmMain::cboFormat, nullptr, 0, true},
    {"NoMainDir", nullptr, &frmMain::chkNoMainDir, 0},
    {"NoEmpty", nullptr, &frmMain::chkAddEmpty, 0},
    {"Pause", nullptr, &frmMain::chkPause, 0},
    {"OldNaming", nullptr, &frmMain::chkOldNaming, 0},
    {"CalculateEff", nullptr, &frmMain::chkCalculateEff, 1},
    {"OptPars", nullptr, nullptr, 0},
    {"Redundancy", &frmMain::cboRedundancy, nullptr, 1},
    {"RecoveryFiles", &frmMain::cboRecoveryFiles, nullptr, 4},
    {"yEncLines", &frmMain::cboLines, nullptr, 3},
    {"UniformSize", nullptr, &frmMain::chkUniformSize, 0},
    {"SaveSelected", nullptr, &frmMain::chkSaveSelected, 0},
};

// Through the control, so its reaction runs as for the user's choice; a value the control does
// not take raises.
void Assign(frmMain& f, const Setting& s, int value) {
    if (s.combo) {
        // No item in the other lists would leave the tools without a percentage, a file count or
        // a block size.
        if (value < 0 && !s.noItemTaken) Raise(380, "Invalid property value");
        (f.*s.combo).SetListIndex(value);
    } else if (s.check) {
        (f.*s.check).SetValue(value);
    } else {
        if (value < 0 || value >= f.OptPars.Count())
            Raise(340, "Control array element '" + std::to_string(value) + "' doesn't exist");
        f.OptPars[value].SetValue(true);
    }
}

void Restore(frmMain& f, const IniSection& keys) {
    // A missing key reads as "", which is no number.
    auto stored = [&keys](const std::string& key) {
        const auto it = keys.find(ToUpperAscii(key));
        return CIntText(it == keys.end() ? std::string() : it->second);
    };
    for (const Setting& s : StoredChoices) Assign(f, s, stored(s.key));
    // A number other than 0 or 1 fails inside before anything changes.
    ApplyLanguage(f, stored("Language"));
}

void ApplyDefaults(frmMain& f) {
    for (const Setting& s : StoredChoices) Assign(f, s, s.byDefault);
    ApplyLanguage(f, Language::English);
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

void LoadSettings(frmMain& f) {
    try {
        // Read once, and only a regular file of a sane size: a FIFO, a device or a huge file
        // would hang or exhaust the program before its window ever shows.
        const std::string path = SettingsFilesOf(f).read;
        if (OrdinaryFileExists(path)) {
            if (const std::optional<IniSection> keys = ReadIniSection(Section, path)) {
                Restore(f, *keys);
                return;
            }
        }
    } catch (const std::exception&) {
        // A damaged file silently gives the whole default set, whatever was restored.
    }
    ApplyDefaults(f);
}

void SaveSettings(frmMain& f) {
    const std::string path = SettingsFilesOf(f).save;
    IniValues values;
    for (const Setting& s : StoredChoices) {
        int value;
        if (s.combo) {
            value = (f.*s.combo).ListIndex();
        } else if (s.check) {
            value = (f.*s.check).Value();
        } else {
            value = f.OptPars.Selected();
            if (value < 0) continue;  // nothing selected: the key keeps what it had
        }
        values.emplace_back(s.key, std::to_string(value));
    }
    values.emplace_back("Language", std::to_string(InfoOf(f.CurrentLanguage).number));

    // The user's configuration folder may not exist yet. One write for all keys: the file is
    // never left half saved.
    const bool saved = platform::CreatePrivateFolders(platform::Utf8Text(platform::Utf8Path(path).parent_path())) &&
                       WriteIniValues(Section, values, path);
    // The user asked for the choices to be kept: losing them silently would surprise at the next start.
    if (!saved)
        f.desktop.MsgBox(FillIn(f.MessageText(Msg::SettingsNotSaved), {path}), MsgButtons::OK, MsgIcon::Exclamation,
                         AppTitle);
}

}  // namespace kelvora
