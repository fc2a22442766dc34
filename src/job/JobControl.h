#pragma once
#include <string>

namespace kelvora {

class frmMain;

// The Start/Stop button: checks the choices and runs the job, or stops the running tool.
void cmdProcess_Click(frmMain& f);

// True when the path names something that is not a folder.
bool FileExists(const std::string& path);
// The text behind the last separator (all of it without one; "" when it ends with one).
std::string GetItemName(const std::string& path);
// The archive-name rule: a name whose fourth character from the end is "." gets "rar" for its
// last three characters; any other name gets ".rar" appended (Movie.avi -> Movie.rar).
std::string WithRarExtension(const std::string& name);

}  // namespace kelvora
