#include "app/ArchiveNaming.h"

#include "app/frmMain.h"

namespace kelvora {

void chkMaskName_Click(frmMain&) {}
void optMaskStyle_Click(frmMain&, int) {}
void txtArchiveName_Change(frmMain&) {}
void txtArchiveName_KeyPress(frmMain&, int&) {}
std::string DateName(const DateTime&, int) { return ""; }

}  // namespace kelvora
