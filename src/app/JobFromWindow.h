#pragma once
#include "job/JobSpec.h"

namespace kelvora {

class frmMain;

// The job the window's controls describe, read once when Start is pressed: the texts taken by
// the window's number rules (leading decimal number, halves to the even neighbour, megabytes),
// the folder-only options only where they are enabled, the pause only where it is enabled. Also
// sets SplitBytes. Refuses nothing: SpecRefusal says what may not start.
JobSpec ReadJobSpec(frmMain& f);

}  // namespace kelvora
