#include "job/JobChecks.h"

#include "job/Items.h"
#include "platform/FileSystem.h"
#include "runner/OutsideTools.h"

namespace kelvora {

std::string TextOf(const Refusal& refusal, Language language) {
    return Text(refusal.message, language, refusal.fillIns);
}

std::optional<Refusal> ToolsRefusal(const std::string& programFolder) {
    // A tool is a regular file, links followed: a link that leads nowhere is no tool.
#ifdef _WIN32
    if (!platform::IsRegularFile(RarToolPath(programFolder))) return Refusal{Msg::RarExeNotFound, {}};
    if (!platform::IsRegularFile(Par2ToolPath(programFolder))) return Refusal{Msg::Par2ExeNotFound, {}};
#else
    // No WinRAR and no rar.exe here: the messages say what is true.
    if (!platform::IsRegularFile(RarToolPath(programFolder))) return Refusal{Msg::RarNotFound, {programFolder}};
    if (!platform::IsRegularFile(Par2ToolPath(programFolder))) return Refusal{Msg::Par2NotFound, {programFolder}};
#endif
    return std::nullopt;
}

std::optional<Refusal> PlanRefusal(const JobPlan& plan) {
    if (plan.source.empty()) return Refusal{Msg::NoInput, {}};
    if (plan.outputFolder.empty()) return Refusal{Msg::NoOutputFolder, {}};
    if (plan.archiveName.empty()) return Refusal{Msg::NoOutputName, {}};
    if (plan.splitBytes && *plan.splitBytes < MinimumSplitBytes) return Refusal{Msg::SplitBelowMinimum, {}};
    if (plan.splitBytes && *plan.splitBytes > MaximumSplitBytes) return Refusal{Msg::SplitAboveMaximum, {}};
    // An empty or zero amount would make a recovery set of nothing.
    if (plan.recovery.count < 1) {
        switch (plan.recovery.kind) {
            case RecoveryAmount::Kind::Percent: return Refusal{Msg::RedundancyTooSmall, {}};
            case RecoveryAmount::Kind::Blocks: return Refusal{Msg::RecoveryBlocksTooFew, {}};
            case RecoveryAmount::Kind::Files: return Refusal{Msg::RecoveryFilesTooFew, {}};
            case RecoveryAmount::Kind::None: break;
        }
    }
    // Each item of separate items is checked when it is taken up.
    if (!plan.separateItems) return SourceRefusal(plan.source);
    return std::nullopt;
}

std::optional<Refusal> SourceRefusal(const std::string& source) {
    if (GetItemName(source).find_first_of("*?") == std::string::npos) return std::nullopt;
    return Refusal{Msg::WildcardInSource, {source}};
}

}  // namespace kelvora
