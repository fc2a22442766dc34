#pragma once
#include <string>
#include <vector>

namespace kelvora {

class frmMain;

// The start-up sequence; `arguments` are the program's command-line arguments after its name.
void Form_Load(frmMain& f, const std::vector<std::string>& arguments);

// The source path the arguments name: joined at blanks (a shell split it there), without quotes
// around it, made absolute against the current folder. "" for none.
std::string StartupPath(const std::vector<std::string>& arguments);
// Takes such a path as the source, as the File and Folder buttons would, or tells why it cannot.
void ApplyStartupPath(frmMain& f, const std::string& path);
// A path a later start handed over: taken the same way while the window is idle, else left.
void TakeHandedPath(frmMain& f, const std::string& path);
// A request to close: sets Cancel to 1 while a job runs; otherwise shuts down.
void Form_Unload(frmMain& f, int& Cancel);
void Form_Terminate(frmMain& f);
void mnuExit_Click(frmMain& f);

}  // namespace kelvora
