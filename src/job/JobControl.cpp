#include "job/JobControl.h"

#include "app/frmMain.h"

namespace kelvora {

void cmdProcess_Click(frmMain&) {}
bool FileExists(const std::string&) { return false; }
std::string GetItemName(const std::string& path) { return path; }
std::string WithRarExtension(const std::string& name) { return name; }

}  // namespace kelvora
