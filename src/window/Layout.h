#pragma once

namespace kelvora {

class frmMain;

// Places every control of the main window, in twips: window-level controls relative to the
// client area, a frame's panel relative to its frame, the controls relative to their panel.
void LayOut(frmMain& f);

// Twips per pixel at 96 dots per inch.
constexpr int TwipsPerPixel = 15;

}  // namespace kelvora
