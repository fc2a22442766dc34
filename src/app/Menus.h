#pragma once

namespace kelvora {

class frmMain;

// Puts the pictures beside the five menu items.
void LoadMenuBitmaps(frmMain& f);
void mnuHelp_Click(frmMain& f);
void ShowHelp(frmMain& f);
void mnuAbout_Click(frmMain& f);

}  // namespace kelvora
