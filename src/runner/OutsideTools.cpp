#include "runner/OutsideTools.h"

#include "platform/FileSystem.h"

namespace kelvora {

std::string RarToolName() {
#ifdef _WIN32
    return "rar.exe";
#else
    return "rar";
#endif
}

std::string Par2ToolName() {
#ifdef _WIN32
    return "phpar2.exe";
#else
    return "par2";
#endif
}

std::string RarToolPath(const std::string& programFolder) {
    return programFolder + platform::PathSeparator + RarToolName();
}

std::string Par2ToolPath(const std::string& programFolder) {
    return programFolder + platform::PathSeparator + Par2ToolName();
}

}  // namespace kelvora
