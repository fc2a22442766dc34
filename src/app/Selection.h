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

// A whole drive as a source would be measured and packed in one go; it is refused. On POSIX
// that is "/", on Windows a drive root such as "C:\".
bool IsDriveRoot(const std::string& path);
// Says so with message 1036, "Drives cannot be selected. ".
void RefuseDriveRoot(frmMain& f);

// The folder browser: the chosen folder's full path, or "" on cancel.
std::string BrowseForFolder(frmMain& f);
// (folder part ending in the separator or empty, last component)
std::pair<std::string, std::string> SplitPath(const std::string& path);
bool IsFolder(const std::string& path);

}  // namespace kelvora
