#include "prefs/Settings.h"

#include "common/Numbers.h"
#include "common/RuntimeError.h"
#include "platform/FileSystem.h"
#include "prefs/IniFile.h"
#include "prefs/Language.h"
#include "window/frmMain.h"

namespace kelvora {

namespace {

constexpr const char* Section = "Settings";

// One stored choice: a combo box (by list position), a check box (by value), or, with neither,
// the OptPars group (by the index of the selected option).
struct Setting {
    const char* key;
    ComboBox frmMain::*combo;
    CheckBox frmMain::*check;
    int byDefault;
};

// Read and written in this order; Language comes after them.
constexpr Setting StoredChoices[] = {
    {"Compression", &frmMain::cboCompression, nullptr, 0},
    {"Format", &frmMain::cboFormat, nullptr, 0},
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
        (f.*s.combo).SetListIndex(value);
    } else if (s.check) {
        (f.*s.check).SetValue(value);
    } else {
        if (value < 0 || value >= f.OptPars.Count())
            Raise(340, "Control array element '" + std::to_string(value) + "' doesn't exist");
        f.OptPars[value].SetValue(true);
    }
}

void Restore(frmMain& f, const std::string& path) {
    for (const Setting& s : StoredChoices) Assign(f, s, CIntText(ReadIniValue(Section, s.key, path)));
    // A number other than 0 or 1 fails inside before anything changes.
    ApplyLanguage(f, CIntText(ReadIniValue(Section, "Language", path)));
}

void ApplyDefaults(frmMain& f) {
    for (const Setting& s : StoredChoices) Assign(f, s, s.byDefault);
    ApplyLanguage(f, 0);
}

}  // namespace

bool OrdinaryFileExists(const std::string& path) {
    const auto attributes = platform::GetAttributes(path);
    return attributes &&
           (*attributes & (platform::AttrDirectory | platform::AttrHidden | platform::AttrSystem)) == 0;
}

void LoadSettings(frmMain& f) {
    const std::string path = SettingsPath(f);
    if (OrdinaryFileExists(path)) {
        try {
            Restore(f, path);
            return;
        } catch (const RuntimeError&) {
            // A damaged file silently gives the whole default set, whatever was restored.
        }
    }
    ApplyDefaults(f);
}

void SaveSettings(frmMain& f) {
    const std::string path = SettingsPath(f);
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
        WriteIniValue(Section, s.key, std::to_string(value), path);
    }
    // The language lives only in the captions.
    WriteIniValue(Section, "Language", f.Label[6].Caption() == "Block Size:" ? "0" : "1", path);
}

std::string SettingsPath(const frmMain& f) { return f.AppPath + platform::PathSeparator + "Settings.ini"; }

}  // namespace kelvora
