#include "job/ToolCommands.h"

#include <algorithm>

#include "common/Numbers.h"
#include "common/RuntimeError.h"
#include "common/Text.h"
#include "job/Items.h"
#include "platform/FileSystem.h"
#include "runner/OutsideTools.h"

namespace kelvora {

namespace {

const std::string Sep(1, platform::PathSeparator);

// A division as the window's arithmetic does it: a zero divisor is an error, not infinity.
double Divide(double dividend, double divisor) {
    if (divisor == 0) {
        if (dividend == 0) Raise(Err::Overflow, "Overflow");
        Raise(Err::DivisionByZero, "Division by zero");
    }
    return dividend / divisor;
}

std::string CompressionSwitch(Compression c) {
    switch (c) {
        case Compression::None: return "-m0";
        case Compression::Normal: return "-m3";
        case Compression::High: return "-m5";
        case Compression::ArchiverDefault: break;
    }
    return "";
}

std::string RecoverySwitch(const RecoveryAmount& r) {
    const std::string count = ToDecimal(r.count);
    switch (r.kind) {
        case RecoveryAmount::Kind::Percent: return "-r" + count;
        case RecoveryAmount::Kind::Blocks: return "-c" + count;
        case RecoveryAmount::Kind::Files: return "-n" + count;
        case RecoveryAmount::Kind::None: break;
    }
    return "";
}

ToolCommand Command(std::string program, std::vector<std::string> arguments) {
    ToolCommand command;
    command.program = std::move(program);
    command.arguments = std::move(arguments);
    return command;
}

void AddNames(ToolCommand& command, std::initializer_list<std::string> names) {
    command.arguments.push_back("--");
    command.firstName = command.arguments.size();
    command.arguments.insert(command.arguments.end(), names);
}

}  // namespace

int64_t VolumeBytes(const JobPlan& plan) {
    const int64_t split = plan.splitBytes.value_or(0);
    if (!plan.wholeBlockVolumes) return split;
    const int32_t blocks = CLng(Divide(static_cast<double>(split), plan.blockSize));
    // A volume of 0 bytes is no volume at all: one block is the smallest useful size.
    return static_cast<int64_t>(std::max(blocks, 1)) * plan.blockSize;
}

std::optional<int32_t> ExpectedVolumeCount(const JobPlan& plan) {
    if (!plan.splitBytes) return std::nullopt;
    return CLng(RoundUp(Divide(static_cast<double>(plan.sourceBytes), static_cast<double>(*plan.splitBytes))));
}

std::string Par2IndexName(const std::string& archiveName) {
    std::string stem = archiveName;
    if (EndsWith(stem, ".rar", true)) stem.resize(stem.size() - 4);
    return stem + ".par2";
}

ToolCommand ArchiverCommand(const JobPlan& plan, const ItemPaths& item, const std::string& programFolder) {
    // A folder's contents count only for a folder: a file item of a folder job is the file.
    const bool folder = IsFolderPath(item.source);
    const bool contents = plan.contentsOnly && folder;
    ToolCommand command = Command(RarToolPath(programFolder), {"a"});
    // With -r the archiver also packs a file's namesakes from every folder below the file's own;
    // a folder is packed whole with or without it.
    if (folder) command.arguments.push_back("-r");
    command.arguments.push_back("-ep1");
    if (const std::string level = CompressionSwitch(plan.compression); !level.empty()) command.arguments.push_back(level);
    if (plan.skipEmptyFolders) command.arguments.push_back("-ed");
    if (plan.oldNaming) command.arguments.push_back("-vn");
    if (plan.splitBytes) command.arguments.push_back("-v" + ToDecimal(VolumeBytes(plan)) + "b");
    AddNames(command, {item.workFolder + Sep + item.archiveName, item.source + (contents ? Sep + "*.*" : "")});
    command.folderWildcard = contents;
    return command;
}

ToolCommand Par2CreateCommand(const JobPlan& plan, const ItemPaths& item, const std::string& programFolder) {
    ToolCommand command = Command(Par2ToolPath(programFolder), {"create", "-s" + ToDecimal(plan.blockSize)});
    if (const std::string amount = RecoverySwitch(plan.recovery); !amount.empty()) command.arguments.push_back(amount);
    if (plan.uniformSizes) command.arguments.push_back("-u");
    // Everything in the work folder, named by the job's own wildcard, which the tool expands on
    // Windows and the runner here. Names may begin with "-": the "--" keeps them names.
    AddNames(command, {item.workFolder + Sep + Par2IndexName(item.archiveName), item.workFolder + Sep + "*.*"});
    command.folderWildcard = true;
    // In the work folder, so an output folder whose name holds * or ? reaches par2 unharmed.
    command.workingFolder = item.workFolder;
    return command;
}

ToolCommand Par2VerifyCommand(const ItemPaths& item, const std::string& programFolder) {
    ToolCommand command = Command(Par2ToolPath(programFolder), {"verify"});
    AddNames(command, {item.workFolder + Sep + Par2IndexName(item.archiveName)});
    command.workingFolder = item.workFolder;
    return command;
}

ToolCommand ArchiverTestCommand(const ItemPaths& item, const std::string& firstVolume,
                                const std::string& programFolder) {
    ToolCommand command = Command(RarToolPath(programFolder), {"t"});
    AddNames(command, {item.workFolder + Sep + firstVolume});
    // The archiver reads wildcards in archive names: inside the folder none are left.
    command.workingFolder = item.workFolder;
    return command;
}

std::string FirstVolume(const ItemPaths& item) {
    const std::string folder = item.workFolder + Sep;
    if (platform::IsRegularFile(folder + item.archiveName)) return item.archiveName;
    std::string stem = item.archiveName;
    if (EndsWith(stem, ".rar", true)) stem.resize(stem.size() - 4);
    std::string first;
    platform::ListFolder(folder, [&](const platform::DirEntry& e) {
        // "<stem>.part", then "1" after any zeros, then ".rar".
        const std::string prefix = stem + ".part";
        if (!StartsWith(e.name, prefix) || !EndsWith(e.name, ".rar", true)) return true;
        const std::string number = e.name.substr(prefix.size(), e.name.size() - prefix.size() - 4);
        if (!number.empty() && number.find_first_not_of('0') == number.size() - 1 && number.back() == '1') {
            first = e.name;
            return false;
        }
        return true;
    });
    return first;
}

}  // namespace kelvora
