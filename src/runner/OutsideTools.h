#pragma once
#include <string>

namespace kelvora {

// The outside tools lie in the program folder under these names; nothing else is searched.
std::string RarToolName();
std::string Par2ToolName();

// programFolder + separator + the tool's name.
std::string RarToolPath(const std::string& programFolder);
std::string Par2ToolPath(const std::string& programFolder);

}  // namespace kelvora
