#include "job/Par2Command.h"

#include "app/frmMain.h"

namespace kelvora {

std::string BuildPar2Command(frmMain&, const std::string&) { return ""; }

}  // namespace kelvora
