#pragma once
#include <string>

namespace kelvora {

class frmMain;

// The PAR2 tool's command line for everything in the work folder.
std::string BuildPar2Command(frmMain& f, const std::string& workFolder);

}  // namespace kelvora
