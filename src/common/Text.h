#pragma once
#include <string>
#include <vector>

namespace kelvora {

// Spaces and tabs: what "blanks" means when texts are trimmed.
inline constexpr const char* Blanks = " \t";

// 1-based position of `part` in `text` at or after position `start` (1-based), 0 when absent.
// An empty `part` is found at `start` (when start lies within text.size() + 1).
std::size_t InStr(const std::string& text, const std::string& part, std::size_t start = 1, bool ignoreCase = false);

// ASCII case folding only: the stored texts and names compared this way are plain ASCII, and
// single-byte text in another encoding must pass through unchanged.
std::string ToUpperAscii(const std::string& text);
bool EqualsNoCase(const std::string& a, const std::string& b);
bool ContainsNoCase(const std::string& text, const std::string& part);

// `text` without the characters of `blanks` at either end.
std::string Trim(const std::string& text, const char* blanks = Blanks);

// Every occurrence of `from` (matched without regard to ASCII case) replaced by `to`, scanning
// left to right; replaced text is not searched again. An empty `from` changes nothing.
std::string ReplaceNoCase(const std::string& text, const std::string& from, const std::string& to);

// Characters no file name may hold, in the order a name is searched for them.
inline constexpr char ForbiddenNameChars[] = {'"', '*', '/', ':', '<', '>', '?', '\\', '|'};
bool IsForbiddenNameChar(int code);
// The name with every forbidden character, and every control character, replaced by "_".
std::string WithoutForbiddenChars(std::string name);
// Control characters (a tab or a line break, which a POSIX name may hold) would break a line of
// the tools' output or of a command line: the name with each replaced by "_".
std::string WithoutControlChars(std::string name);

// `text` with "%1", "%2", ... replaced by the arguments (in one pass: an argument is never
// searched again).
std::string FillIn(const std::string& text, const std::vector<std::string>& arguments);

// Whether `text` is well-formed UTF-8 (no overlong forms, no surrogates, nothing above U+10FFFF).
bool IsValidUtf8(const std::string& text);
// `text` with every byte that is not part of well-formed UTF-8 shown as U+FFFD.
std::string ShowInvalidUtf8(const std::string& text);

bool StartsWith(const std::string& text, const std::string& prefix, bool ignoreCase = false);
bool EndsWith(const std::string& text, const std::string& suffix, bool ignoreCase = false);

}  // namespace kelvora
