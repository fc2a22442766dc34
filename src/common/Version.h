#pragma once
#include <string>

namespace kelvora {

#ifndef KELVORA_VERSION_MAJOR
#define KELVORA_VERSION_MAJOR 1
#define KELVORA_VERSION_MINOR 0
#define KELVORA_VERSION_REVISION 0
#endif

constexpr int VersionMajor = KELVORA_VERSION_MAJOR;
constexpr int VersionMinor = KELVORA_VERSION_MINOR;
constexpr int VersionRevision = KELVORA_VERSION_REVISION;

inline constexpr const char* AppTitle = "Kelvora";

// "Kelvora v1.0.0": the main window's caption and the About window's name line.
inline std::string VersionedTitle() {
    return std::string(AppTitle) + " v" + std::to_string(VersionMajor) + "." + std::to_string(VersionMinor) + "." +
           std::to_string(VersionRevision);
}

}  // namespace kelvora
