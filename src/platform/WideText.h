#pragma once
// UTF-8 texts of the behaviour as the wide texts of the Windows API, and back. Windows only.
#include <string>

namespace kelvora::platform {

std::wstring Wide(const std::string& text);
std::string Narrow(const std::wstring& text);
// A path the wide file API takes at any length: absolute paths get the "\\?\" prefix.
std::wstring LongPath(const std::string& path);

}  // namespace kelvora::platform
