#include "app/OpenFileDialog.h"

#include "window/Desktop.h"
#include "window/frmMain.h"

namespace kelvora {

// The dialog itself belongs to the desktop: one filter showing every file ("All Files (*.*)"),
// title "Open", existing files only, a link returned as itself, resizable, centred.
std::string ShowOpenFileDialog(frmMain& f) { return f.desktop.ShowOpenFileDialog(); }

}  // namespace kelvora
