#pragma once
#include <string>

namespace kelvora {

class frmMain;

// The archiver's command line for the current choices; also sets ExpectedVolumes when a split
// size is given.
std::string BuildRarCommand(frmMain& f, const std::string& workFolder);

// True when the command line gives the source folder's contents ("*.*") rather than the folder.
bool RarSourceIsFolderContents(const frmMain& f);

}  // namespace kelvora
