#pragma once
#include <cstdint>
#include <optional>
#include <string>

#include "job/JobPlan.h"
#include "runner/ToolCommand.h"

namespace kelvora {

// One item of a job, where its tools work.
struct ItemPaths {
    std::string source;       // the file or folder packed
    std::string archiveName;  // the archive's file name
    std::string workFolder;   // the item's work folder, full path, no closing separator
};

// The volume size the archiver is given: the size asked for, or, with whole-block volumes, the
// nearest whole number of PAR2 blocks (halves to the even neighbour), at least one block. A block
// size of 0 raises as a division by zero does.
int64_t VolumeBytes(const JobPlan& plan);

// How many volumes the archiver should write: the source size over the size asked for, rounded
// up. None when the archive is not split.
std::optional<int32_t> ExpectedVolumeCount(const JobPlan& plan);

// The name of the PAR2 index: the archive name without a closing ".rar", then ".par2".
std::string Par2IndexName(const std::string& archiveName);

// rar a [-r] -ep1 [-m0|-m3|-m5] [-ed] [-vn] [-v<bytes>b] -- <archive> <source>[/*.*]
ToolCommand ArchiverCommand(const JobPlan& plan, const ItemPaths& item, const std::string& programFolder);
// par2 create -s<block> [-r<percent>|-c<blocks>|-n<files>] [-u] -- <index> <work folder>/*.*
ToolCommand Par2CreateCommand(const JobPlan& plan, const ItemPaths& item, const std::string& programFolder);
// par2 verify -- <index>
ToolCommand Par2VerifyCommand(const ItemPaths& item, const std::string& programFolder);
// rar t -- <first volume>
ToolCommand ArchiverTestCommand(const ItemPaths& item, const std::string& firstVolume,
                                const std::string& programFolder);

// The first volume of the archive in the work folder, found by name: the archive name itself, or
// "<stem>.part1.rar" with as many leading zeros as the archiver gave it. "" when there is none.
std::string FirstVolume(const ItemPaths& item);

}  // namespace kelvora
