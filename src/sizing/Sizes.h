#pragma once
#include <cstdint>
#include <functional>
#include <string>

namespace kelvora {

// Size of a file in bytes (0 when it cannot be read).
int64_t GetFileSizeBytes(const std::string& path);
// Total size of every file in a folder tree; 0 when the path cannot be read. `refresh` is called
// now and then during a long walk so the window can process its events.
int64_t GetFolderSize(const std::string& path, const std::function<void()>& refresh = {});
// The path with exactly one separator at its end.
std::string AddBackslash(const std::string& path);

}  // namespace kelvora
