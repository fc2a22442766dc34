#include "job/RarCommand.h"

#include "app/frmMain.h"

namespace kelvora {

std::string BuildRarCommand(frmMain&, const std::string&) { return ""; }

}  // namespace kelvora
