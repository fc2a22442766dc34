#include "prefs/Settings.h"

#include "app/frmMain.h"

namespace kelvora {

void LoadSettings(frmMain&) {}
void SaveSettings(frmMain&) {}
std::string SettingsPath(const frmMain& f) { return f.AppPath + "/Settings.ini"; }

}  // namespace kelvora
