#pragma once
#include <functional>
#include <optional>
#include <string>

#include "prefs/SavedChoices.h"

namespace kelvora {

class frmMain;

// Restores the choices from Settings.ini (or the defaults) and applies the saved language. Never
// fails: a file that cannot be read or holds a value no control would show gives the whole
// default set, in English. No item (-1) is taken for the compression and the unit, and is damage
// for the lists the command lines cannot do without.
void LoadSettings(frmMain& f);
// Writes the choices and the language to Settings.ini; tells the user when that fails.
void SaveSettings(frmMain& f);
// The choices in a settings file, read as LoadSettings reads it (none: the defaults count).
std::optional<SavedChoices> ReadSettingsFile(const std::string& path);

// Where Settings.ini is read from and saved to.
struct SettingsFiles {
    std::string read;
    std::string save;
};
// A program folder the user may write keeps the file beside the program (a copy of its own); an
// installed one cannot, so the file lives in `userFolder`, and is read from the program folder
// only while the user has none there (as an installation's shipped choices). No user folder
// (nothing to find it by): the program folder, as ever.
SettingsFiles ChooseSettingsFiles(const std::string& programFolder, const std::string& userFolder,
                                  const std::function<bool(const std::string& folder)>& writable);
// For this window: its program folder and "kelvora" in the user's configuration folder.
SettingsFiles SettingsFilesOf(const frmMain& f);

// The lookup for the program's own files beside it (Settings.ini, Help.chm): an ordinary file,
// not a folder, not hidden and not a system file.
bool OrdinaryFileExists(const std::string& path);

}  // namespace kelvora
