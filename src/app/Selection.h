#pragma once
#include <string>
#include <utility>

namespace kelvora {

class frmMain;

void cmdBrowseFile_Click(frmMain& f);
void cmdBrowseFolder_Click(frmMain& f);
void cmdBrowseSave_Click(frmMain& f);

// Takes a source: measures it, proposes output folder and archive name, sets the folder-only
// options.
void ApplySource(frmMain& f, const std::string& path, bool isFolder);

// The folder browser: the chosen folder's full path, or "" on cancel.
std::string BrowseForFolder(frmMain& f);
// (folder part ending in the separator or empty, last component)
std::pair<std::string, std::string> SplitPath(const std::string& path);
bool IsFolder(const std::string& path);

}  // namespace kelvora
