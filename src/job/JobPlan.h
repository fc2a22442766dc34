#pragma once
#include <cstdint>
#include <iosfwd>
#include <optional>
#include <string>
#include <vector>

namespace kelvora {

// The archiver's compression level; ArchiverDefault gives no switch at all.
enum class Compression { ArchiverDefault, None, Normal, High };

// How much recovery data par2 makes: a percentage of the source, a number of recovery blocks,
// or a number of recovery files. Kind::None gives par2 no switch (its own default).
struct RecoveryAmount {
    enum class Kind { None, Percent, Blocks, Files };
    Kind kind = Kind::Percent;
    int32_t count = 10;
    friend bool operator==(const RecoveryAmount&, const RecoveryAmount&) = default;
};

// One job, as the user chose it: what to pack, where, and how. A plain value; the window and
// the command line each make one, and nothing below them reads anything else.
struct JobPlan {
    std::string source;        // a file or folder, full path
    int64_t sourceBytes = 0;   // its size as measured, for the expected number of volumes
    std::string outputFolder;  // ends with the path separator
    std::string archiveName;   // the archive's file name, normally ending in ".rar"
    // Each item a job of its own (full paths), archive names made from the item names.
    std::optional<std::vector<std::string>> separateItems;

    std::optional<int64_t> splitBytes;  // the volume size asked for; none: one volume
    bool wholeBlockVolumes = true;      // volumes rounded to whole PAR2 blocks
    Compression compression = Compression::None;
    bool skipEmptyFolders = false;  // -ed
    bool contentsOnly = false;      // a folder's contents without the folder's own name
    bool oldNaming = false;         // -vn
    bool pause = false;             // wait for the user between the archiver and par2

    int32_t blockSize = 384000;  // PAR2 block size in bytes
    RecoveryAmount recovery;
    bool uniformSizes = false;  // -u
    bool verify = false;        // check the new files with par2 verify and the archiver's test

    friend bool operator==(const JobPlan&, const JobPlan&) = default;
};

std::ostream& operator<<(std::ostream& out, const JobPlan& plan);

// The limits the archiver's volume size is kept within.
inline constexpr int64_t MinimumSplitBytes = 100000;
inline constexpr int64_t MaximumSplitBytes = 262144000;

// What the lists of the window offer, which the command line takes too.
inline constexpr int32_t YencLinesFirst = 1500, YencLinesLast = 5000, YencLinesStep = 500, BytesPerYencLine = 128;
inline constexpr int32_t RedundancyFirst = 5, RedundancyLast = 100, RedundancyStep = 5;
inline constexpr int32_t RecoveryFilesFirst = 1, RecoveryFilesLast = 10;

}  // namespace kelvora
