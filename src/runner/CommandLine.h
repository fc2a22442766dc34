#pragma once
#include <string>
#include <vector>

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

// Expands each argument whose last path component holds `*` or `?` the way Windows tools do it
// themselves: "*.*" matches every name (hidden ones too), other patterns by fnmatch; matches
// sorted, each as folder + "/" + name; no match leaves the argument as it is. Switches (starting
// with "-") are never expanded.
std::vector<std::string> ExpandWildcards(const std::vector<std::string>& args);

// The argument vector for a console command line, as the process creation would see it: the
// program is a quoted first token taken up to the next quote, or an unquoted one taken up to a
// blank; when an unquoted program does not name an existing file, the longer texts up to each
// following blank are tried (a program folder may contain blanks) until one names a regular file.
// The remaining text is split by SplitCommandLine and its wildcards expanded.
std::vector<std::string> CommandLineToArgv(const std::string& line);

}  // namespace kelvora
