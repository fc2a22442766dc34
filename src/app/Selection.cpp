#include "app/Selection.h"

#include "app/frmMain.h"

namespace kelvora {

void cmdBrowseFile_Click(frmMain&) {}
void cmdBrowseFolder_Click(frmMain&) {}
void cmdBrowseSave_Click(frmMain&) {}
void ApplySource(frmMain&, const std::string&, bool) {}
std::string BrowseForFolder(frmMain&) { return ""; }
std::pair<std::string, std::string> SplitPath(const std::string& path) { return {"", path}; }
bool IsFolder(const std::string&) { return false; }

}  // namespace kelvora
