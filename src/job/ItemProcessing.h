#pragma once
#include <string>

namespace kelvora {

class frmMain;

// Processes the item in txtInput: a new work folder, the archiver, the optional pause, the
// PAR2 tool. Leaves the window running on success, idle after a cancel or an error.
void ProcessItem(frmMain& f);

// Creates the next free work folder "Kelvora" + at least four digits directly in the output
// folder (whose text ends with the separator) and returns its name. Raises RuntimeError when no
// folder could be created.
std::string CreateWorkFolder(const std::string& outputFolder);

}  // namespace kelvora
