#pragma once
#include <string>

namespace kelvora {

class frmMain;

enum class ItemOutcome { Done, Canceled, Failed };

// Processes the item in txtInput: a new work folder, the archiver, the optional pause, the
// PAR2 tool. Leaves the window running on success, idle after a cancel or an error. A tool that
// did not do its work fails the item: a single item ends through the error ending, while in
// separate-items mode the window stays running for the next item. Every tool failure is added
// to f.FailedItems.
ItemOutcome ProcessItem(frmMain& f);

// Why the archiver cannot be given this source, "" when it can: it reads * and ? in the
// source's own name as wildcards and would pack other files too.
std::string SourceRefusal(frmMain& f, const std::string& source);

// Creates the next free work folder "Kelvora" + at least four digits directly in the output
// folder (whose text ends with the separator) and returns its name. Raises RuntimeError when no
// folder could be created.
std::string CreateWorkFolder(const std::string& outputFolder);

}  // namespace kelvora
