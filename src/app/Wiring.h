#pragma once

namespace kelvora {

class frmMain;

// Connects every control's reaction to its handler, like a form's list of events.
void WireHandlers(frmMain& f);

}  // namespace kelvora

namespace kelvora {
// Connects objDOS's output event to the window's handler.
void WireRunner(frmMain& f);
}  // namespace kelvora
