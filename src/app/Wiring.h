#pragma once

namespace kelvora {

class frmMain;

// Connects every control's reaction to its handler, like a form's list of events.
void WireHandlers(frmMain& f);

}  // namespace kelvora
