#pragma once
#include <string>
#include <vector>

namespace kelvora {

class frmMain;

// The start-up sequence; `arguments` are the program's command-line arguments after its name.
void Form_Load(frmMain& f, const std::vector<std::string>& arguments);
// A request to close: sets Cancel to 1 while a job runs; otherwise shuts down.
void Form_Unload(frmMain& f, int& Cancel);
void Form_Terminate(frmMain& f);
void mnuExit_Click(frmMain& f);

}  // namespace kelvora
