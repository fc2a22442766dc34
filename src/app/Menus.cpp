#include "app/Menus.h"

#include "app/frmMain.h"

namespace kelvora {

void LoadMenuBitmaps(frmMain&) {}
void mnuHelp_Click(frmMain&) {}
void ShowHelp(frmMain&) {}
void mnuAbout_Click(frmMain&) {}

}  // namespace kelvora
