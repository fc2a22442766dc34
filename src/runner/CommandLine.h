#pragma once
#include <string>
#include <vector>

#include "runner/ToolCommand.h"

namespace kelvora {

// Splits a command line by the Windows argument rules: blanks and tabs separate; double quotes
// group; 2n backslashes before a quote give n backslashes and the quote toggles grouping; 2n+1
// backslashes before a quote give n backslashes and a literal quote; other backslashes are
// literal; inside quotes, "" gives a literal quote.
std::vector<std::string> SplitCommandLine(const std::string& line);

// One argument in double quotes such that SplitCommandLine gives back exactly `text`. Only a
// text holding a double quote or ending in backslashes is escaped; any other text goes in as it
// stands.
std::string QuoteArgument(const std::string& text);

// The entries of the folder that `arg` names with a closing separator and "*.*", the way a
// Windows tool expands it itself: every name, hidden ones too, sorted, each as folder + name.
// Any other argument, or a folder without entries, gives the argument as it is. Only the
// program's own "*.*" is ever expanded: a name the user chose stays one name, whatever it holds.
std::vector<std::string> ExpandFolderWildcard(const std::string& arg);

// The argument vector for a console command line, as the process creation would see it. When
// the line starts with `program` followed by a blank (or ends there), that is the program, blanks
// in its folder included. Otherwise the program is a quoted first token taken up to the next
// quote, or an unquoted one taken up to a blank; when an unquoted program does not name an
// existing file, the longer texts up to each following blank are tried until one names a regular
// file. The rest is split by SplitCommandLine; with `folderWildcard` its last argument is
// expanded by ExpandFolderWildcard.
std::vector<std::string> CommandLineToArgv(const std::string& line, const std::string& program = "",
                                           bool folderWildcard = false);

// The command as one text, as a Windows tool receives it: the program as it stands, the switches
// as they are, each name in double quotes (QuoteArgument).
std::string ToCommandLine(const ToolCommand& command);

// The argument vector for a POSIX system: the program and the arguments byte for byte, the
// job's own "*.*" expanded by ExpandFolderWildcard, and names inside the working folder made
// relative to it.
std::vector<std::string> ToArgv(const ToolCommand& command);

}  // namespace kelvora
