#pragma once
#include <string>

namespace kelvora {

class frmMain;

// The open-file dialog: one existing file of any type; its full path, or "" on cancel.
std::string ShowOpenFileDialog(frmMain& f);

}  // namespace kelvora
