#pragma once
#include <cstdint>
#include <string>
#include <vector>

namespace kelvora {

// The archive-name rule: when the first of the name's last four characters (all of them for a
// shorter name) is ".", its last three characters become "rar"; any other name gets ".rar"
// appended (Movie.avi -> Movie.rar, .ab -> rar, README -> README.rar).
std::string WithRarExtension(const std::string& name);

// The text behind the last separator (all of it without one; "" when it ends with one).
std::string GetItemName(const std::string& path);

// The archive name of an item of separate-items mode: made from the item's name, with the
// characters archive names refuse (which a POSIX name may hold) as "_".
std::string ItemArchiveName(const std::string& item);

// What separate-items mode finds in a folder: every visible file and folder directly inside it,
// in the order the system lists them, each as the folder's path, a separator and its name. A
// link is an item of its own and counts as a file (the archiver stores the link).
struct FolderItems {
    std::vector<std::string> items;
    int32_t files = 0;
    int32_t folders = 0;
};
FolderItems ListFolderItems(const std::string& folder);

// True when the path names a folder itself (a link to one is not a folder).
bool IsFolderPath(const std::string& path);

// Creates the next free work folder "Kelvora" + at least four digits directly in the output
// folder (whose text ends with the separator) and returns its name. Raises RuntimeError when no
// folder could be created; never writes into a name that is taken.
std::string CreateWorkFolder(const std::string& outputFolder);

}  // namespace kelvora
