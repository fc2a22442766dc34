#pragma once
#include <cstddef>
#include <map>
#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace kelvora {

// The settings file's own private-profile (INI) reader and writer.
//
// Rules: "[name]" starts a section; section and key names match without regard to ASCII case;
// blanks (spaces, tabs) around a key and its value are dropped on reading, and around the names
// given to the functions below as well (" Key " is the key Key); lines end in CRLF or
// LF; a line whose first non-blank character is ";" is a comment; only the first section of a
// name and the first key of a name in it count; a UTF-8 byte-order mark before the first line is
// read past, and kept when the file is written. Values are taken as they stand (no unquoting)
// and cut to 254 characters, as a fixed 255-character buffer would.
//
// Writing replaces an existing key's line by "Key=value" where it stands, keeping the stored
// key's spelling; a missing key goes after the last non-blank line of its section; a missing
// section goes at the end of the file; a missing file is created. Every other line is kept as it
// is, and the whole file is written back with CRLF line ends.
//
// Only a regular file of at most MaxIniFileBytes is read or rewritten: anything else (a FIFO, a
// device, a folder, a huge file) is taken for damaged and left alone, and never waited on.

inline constexpr std::size_t MaxIniFileBytes = 1024 * 1024;

// Keys in ASCII upper case, each with its value.
using IniSection = std::map<std::string, std::string>;
// Keys with their new values, in the order new keys are added.
using IniValues = std::vector<std::pair<std::string, std::string>>;

// The value of `key` in `section` of the file, "" when the file, section or key is missing.
std::string ReadIniValue(const std::string& section, const std::string& key, const std::string& fileName);

// Every key of `section`, read in one pass; nullopt when the file is missing or may not be read
// (see above).
std::optional<IniSection> ReadIniSection(const std::string& section, const std::string& fileName);

// Writes one key. Failures are not reported: the old file (or none) simply stays.
void WriteIniValue(const std::string& section, const std::string& key, const std::string& value,
                   const std::string& fileName);

// Writes several keys in one go, with the outcome: false when nothing was changed. The new
// content goes to a temporary file in the same folder, which then replaces the original in one
// rename, so an interrupted write never leaves a half file. Only where the folder refuses new
// files (its permissions) while the file itself may be written is the file written over in place
// instead, and then only once the whole new content has room: a failed save (a full disk above
// all) leaves the old file as it was. A file that may not be written is left alone, a link is
// followed (the link stays), and names and values that would break the line structure (line
// breaks, "=" in a key, "]" in a section name) are refused.
bool WriteIniValues(const std::string& section, const IniValues& values, const std::string& fileName);

// The text-level halves: the whole file's content in, the section's keys or the new content out.
IniSection ParseIniSection(const std::string& content, const std::string& section);
std::string SetIniValues(const std::string& content, const std::string& section, const IniValues& values);

}  // namespace kelvora
