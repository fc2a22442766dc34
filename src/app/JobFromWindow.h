#pragma once
#include "job/JobPlan.h"

namespace kelvora {

class frmMain;

// The job the window's controls describe, read once when Start is pressed: the texts taken by
// the window's number rules (leading decimal number, halves to the even neighbour, megabytes),
// the folder-only options only where they are enabled, the pause only where it is enabled. Also
// sets SplitBytes. Refuses nothing: PlanRefusal says what may not start.
JobPlan ReadJobPlan(frmMain& f);

}  // namespace kelvora
