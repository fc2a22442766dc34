#pragma once
#include <string>
#include <utility>
#include <vector>

namespace kelvora {

class frmMain;

void cmdBrowseFile_Click(frmMain& f);
void cmdBrowseFolder_Click(frmMain& f);
void cmdBrowseSave_Click(frmMain& f);

// Takes a source: measures it, proposes output folder and archive name, sets the folder-only
// options.
void ApplySource(frmMain& f, const std::string& path, bool isFolder);

// `given` made absolute against the current folder, as the shell that passed it meant it, and
// without "." or "..": those are resolved by the file system up to the last of them. What
// follows stays as typed, so a link keeps its own name. "" when there is no current folder.
std::string AbsoluteSourcePath(const std::string& given);

// A whole drive as a source would be measured and packed in one go; it is refused. On POSIX
// that is "/", on Windows a drive root such as "C:\".
bool IsDriveRoot(const std::string& path);
// `path` without closing separators, which name the same folder; a root keeps its own (a drive
// root such as C:\ keeps its backslash).
std::string WithoutClosingSeparator(std::string path);
// Says so with message 1036, "Drives cannot be selected. ".
void RefuseDriveRoot(frmMain& f);

// Whether the window takes a drop now: not while a job runs, nor while the source options are
// locked (a source being measured).
bool AcceptsDrop(const frmMain& f);
// A drop on the window: one local file or folder becomes the source as the File and Folder
// buttons make it; several items, or anything that is not a local path, are refused.
void DropSource(frmMain& f, const std::vector<std::string>& localPaths, bool allLocal);

// The folder browser: the chosen folder's full path, or "" on cancel.
std::string BrowseForFolder(frmMain& f);
// (folder part ending in the separator or empty, last component)
std::pair<std::string, std::string> SplitPath(const std::string& path);
bool IsFolder(const std::string& path);

}  // namespace kelvora
