#pragma once
#include <string>

namespace kelvora {

class frmMain;

// The Start/Stop button: checks the choices and runs the job, or stops the running tool.
void cmdProcess_Click(frmMain& f);

// True when the path names something that is not a folder.
bool FileExists(const std::string& path);
// True when the path names a tool that can be run: a regular file, links followed (a link that
// leads nowhere is no tool).
bool ToolExists(const std::string& path);
// The text behind the last separator (all of it without one; "" when it ends with one).
std::string GetItemName(const std::string& path);
// The archive-name rule: when the first of the name's last four characters (all of them for a
// shorter name) is ".", its last three characters become "rar"; any other name gets ".rar"
// appended (Movie.avi -> Movie.rar, .ab -> rar, README -> README.rar).
std::string WithRarExtension(const std::string& name);

}  // namespace kelvora
