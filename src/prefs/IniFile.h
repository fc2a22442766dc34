#pragma once
#include <optional>
#include <string>

namespace kelvora {

// The settings file's own private-profile (INI) reader and writer.
//
// Rules: "[name]" starts a section; section and key names match without regard to ASCII case;
// blanks (spaces, tabs) around a key and its value are dropped on reading; lines end in CRLF or
// LF; a line whose first non-blank character is ";" is a comment; only the first section of a
// name and the first key of a name in it count. Values are taken as they stand (no unquoting).
//
// Writing replaces an existing key's line by "Key=value" where it stands, keeping the stored
// key's spelling; a missing key goes after the last non-blank line of its section; a missing
// section goes at the end of the file; a missing file is created. Every other line is kept as it
// is, and the whole file is written back with CRLF line ends.

// The value of `key` in `section` of the file, "" when the file, section or key is missing.
// Cut to 254 characters, as a fixed 255-character buffer would.
std::string ReadIniValue(const std::string& section, const std::string& key, const std::string& fileName);

// Writes one key. Failures are not reported: the old file (or none) simply stays.
void WriteIniValue(const std::string& section, const std::string& key, const std::string& value,
                   const std::string& fileName);

// WriteIniValue with its outcome: false when nothing was changed. The new content goes to a
// temporary file in the same folder, which then replaces the original in one rename, so an
// interrupted write never leaves a half file. A file that may not be written is left alone;
// names and values that would break the line structure (line breaks, "=" in a key, "]" in a
// section name) are refused.
bool TryWriteIniValue(const std::string& section, const std::string& key, const std::string& value,
                      const std::string& fileName);

// The text-level halves of the two: the whole file's content in, uncut value or new content out.
std::optional<std::string> FindIniValue(const std::string& content, const std::string& section,
                                        const std::string& key);
std::string SetIniValue(const std::string& content, const std::string& section, const std::string& key,
                        const std::string& value);

}  // namespace kelvora
