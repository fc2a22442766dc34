#pragma once
#include <cstddef>
#include <string>
#include <vector>

namespace kelvora {

// A tool's program with its arguments, as the job builds them; the runner gives them to the
// system in its own way (see CommandLine.h).
struct ToolCommand {
    std::string program;                 // the tool's full path, taken whole
    std::vector<std::string> arguments;  // after the program, in order
    // Arguments from here on are names (files, folders). A Windows command line puts each in
    // double quotes; switches go in as they are.
    std::size_t firstName = 0;
    // The last argument ends in the job's own "*.*": it stands for the folder's entries.
    bool folderWildcard = false;
    // When set, the tool runs in this folder, and names inside it reach it relative to it (a
    // tool that reads * and ? in its arguments as wildcards never sees the folder's then).
    std::string workingFolder;

    friend bool operator==(const ToolCommand&, const ToolCommand&) = default;
};

}  // namespace kelvora
