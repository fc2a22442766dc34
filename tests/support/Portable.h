#pragma once
// What tests need to say differently on Windows, in one place.
#include <algorithm>
#include <cstdlib>
#include <string>

#include "System.h"
#include "platform/FileSystem.h"
#include "platform/Utf8Path.h"

namespace kelvora::test {

// Sets an environment variable for this program and the children it starts; nullptr removes it.
inline void SetEnv(const std::string& name, const char* value) {
#ifdef _WIN32
    ::_putenv_s(name.c_str(), value ? value : "");
#else
    value ? ::setenv(name.c_str(), value, 1) : ::unsetenv(name.c_str());
#endif
}

// A path written with "/" in the system's own separators.
inline std::string Native(std::string path) {
    std::replace(path.begin(), path.end(), '/', platform::PathSeparator);
    return path;
}

// Hides a file whose name starts with a dot, as Windows needs it told.
inline void Hide([[maybe_unused]] const std::string& path) {
#ifdef _WIN32
    ::SetFileAttributesW(platform::Utf8Path(path).c_str(), FILE_ATTRIBUTE_HIDDEN);
#endif
}

#ifdef _WIN32
inline const std::string Root = "C:\\";  // the root of the drive the tests run on
inline const std::string ExeSuffix = ".exe";
#else
inline const std::string Root = "/";
inline const std::string ExeSuffix;
#endif

}  // namespace kelvora::test
