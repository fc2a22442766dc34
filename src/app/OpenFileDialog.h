#pragma once
#include <string>

namespace kelvora {

class frmMain;

// The open-file dialog: one existing file of any type; its full path, or "" on cancel.
std::string ShowOpenFileDialog(frmMain& f);

#ifdef _WIN32
// The system's own dialog, for a Windows desktop that does not use the toolkit's. `owner` is the
// main window's handle (HWND).
std::string ShowNativeOpenFileDialog(void* owner);
// True on Windows 2000 / XP / Server 2003 (NT platform, major version 5).
bool IsWindowsNT5();
#endif

}  // namespace kelvora
