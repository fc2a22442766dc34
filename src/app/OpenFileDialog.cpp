#include "app/OpenFileDialog.h"

#include "app/Desktop.h"
#include "app/frmMain.h"

namespace kelvora {

std::string ShowOpenFileDialog(frmMain& f) { return f.desktop.ShowOpenFileDialog(); }

}  // namespace kelvora
