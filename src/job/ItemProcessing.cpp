#include "job/ItemProcessing.h"

#include "app/frmMain.h"

namespace kelvora {

void ProcessItem(frmMain&) {}
std::string CreateWorkFolder(const std::string&) { return ""; }

}  // namespace kelvora
