#include "job/SeparateItems.h"

#include "app/frmMain.h"

namespace kelvora {

void chkSeparately_Click(frmMain&) {}

}  // namespace kelvora
