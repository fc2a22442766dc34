#pragma once
#include <string>

namespace kelvora {

class frmMain;

// Restores the choices from Settings.ini beside the program (or the defaults) and applies the
// saved language.
void LoadSettings(frmMain& f);
// Writes the choices and the language to Settings.ini.
void SaveSettings(frmMain& f);
std::string SettingsPath(const frmMain& f);

// The lookup for the program's own files beside it (Settings.ini, Help.chm): an ordinary file,
// not a folder, not hidden and not a system file.
bool OrdinaryFileExists(const std::string& path);

}  // namespace kelvora
