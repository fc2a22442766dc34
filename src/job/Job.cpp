#include "job/Job.h"

#include <algorithm>
#include <exception>
#include <functional>
#include <new>

#include "common/RuntimeError.h"
#include "job/Items.h"
#include "runner/DOSOutputs.h"
#include "runner/OutsideTools.h"

namespace kelvora {

namespace {

const char* const CrLf = "\r\n";

std::string ExitText(const ToolFailure& failure, Language language) {
    const bool signalled = failure.status.kind == platform::ExitStatus::Kind::Signalled;
    std::string text = Text(signalled ? Msg::ToolSignalled : Msg::ToolFailed, language,
                            {failure.tool, std::to_string(failure.status.code)});
    if (failure.meaning) text += CrLf + Text(*failure.meaning, language);
    if (!failure.said.empty()) text += CrLf + Text(Msg::ToolSaid, language);
    for (const std::string& line : failure.said) text += CrLf + line;
    return text;
}

}  // namespace

std::string Describe(const ItemResult& result, Language language) {
    if (result.refusal) return TextOf(*result.refusal, language);
    if (result.tool) return result.tool->notStarted ? "" : ExitText(*result.tool, language);
    if (result.error) return std::to_string(result.error->first) + " - " + result.error->second;
    return "";
}

bool JobResult::Succeeded() const {
    return !stopped && items.size() == itemCount &&
           std::all_of(items.begin(), items.end(), [](const ItemResult& r) { return r.outcome == ItemResult::Outcome::Done; });
}

bool JobResult::AnyFailed() const {
    return std::any_of(items.begin(), items.end(), [](const ItemResult& r) {
        return r.outcome == ItemResult::Outcome::Failed || r.outcome == ItemResult::Outcome::Error;
    });
}

Job::Job(JobPlan plan, std::string programFolder, DOSOutputs& runner, JobObserver& observer)
    : plan_(std::move(plan)), programFolder_(std::move(programFolder)), runner_(runner), observer_(observer) {}

void Job::RequestStop() {
    stop_ = true;
    runner_.TerminateNow();
}

JobResult Job::Run() {
    const std::vector<std::string> sources = plan_.separateItems.value_or(std::vector<std::string>{plan_.source});
    JobResult result;
    result.itemCount = sources.size();
    for (std::size_t i = 0; i < sources.size() && !stop_; ++i) {
        const ItemPaths paths{sources[i], plan_.separateItems ? ItemArchiveName(sources[i]) : plan_.archiveName, ""};
        observer_.ItemTakenUp(i, sources.size(), paths);
        if (stop_) break;
        const ItemResult& item = result.items.emplace_back(RunItem(paths));
        observer_.ItemEnded(item);
        if (item.outcome == ItemResult::Outcome::Canceled || item.outcome == ItemResult::Outcome::Error) break;
    }
    // A Stop that came once the last tool had finished on its own stopped nothing.
    result.stopped = stop_ && (result.items.size() < result.itemCount ||
                               std::any_of(result.items.begin(), result.items.end(), [](const ItemResult& r) {
                                   return r.outcome == ItemResult::Outcome::Canceled;
                               }));
    observer_.Finished(result);
    return result;
}

ItemResult Job::RunItem(const ItemPaths& given) {
    ItemResult result;
    result.item = given;
    ItemPaths& paths = result.item;
    auto canceled = [&] {
        result.outcome = ItemResult::Outcome::Canceled;
        return result;
    };
    auto failed = [&](std::optional<ToolFailure> failure) {
        result.outcome = ItemResult::Outcome::Failed;
        result.tool = std::move(failure);
        return result;
    };
    if (auto refusal = SourceRefusal(paths.source)) {
        result.outcome = ItemResult::Outcome::Failed;
        result.refusal = std::move(refusal);
        return result;
    }
    try {
        paths.workFolder = plan_.outputFolder + CreateWorkFolder(plan_.outputFolder);
        observer_.ItemBegun(paths);
        if (stop_) return canceled();

        const ToolCommand archive = ArchiverCommand(plan_, paths, programFolder_);
        archiver_ = {};
        observer_.StageBegun(Stage::Archiving, paths, ExpectedVolumeCount(plan_));
        if (stop_) return canceled();
        const RunResult& rar = RunTool(archive, Stage::Archiving);
        // A Stop right after the archiver (in a repaint) cancels before par2 starts.
        if (stop_ || rar.outcome == RunResult::Outcome::Stopped) return canceled();
        if (auto failure = Failure(rar, RarToolName(), Stage::Archiving)) return failed(failure);
        observer_.StageEnded(Stage::Archiving);

        if (plan_.pause) observer_.PauseWanted();
        if (stop_) return canceled();
        const ToolCommand protect = Par2CreateCommand(plan_, paths, programFolder_);
        observer_.StageBegun(Stage::Recovery, paths, std::nullopt);
        if (stop_) return canceled();
        const RunResult& par2 = RunTool(protect, Stage::Recovery);
        // Done, also when a Stop came only after par2 had finished: everything was written.
        if (Canceled(par2)) return canceled();
        if (auto failure = Failure(par2, Par2ToolName(), Stage::Recovery)) return failed(failure);

        if (plan_.verify) {
            if (stop_) return canceled();
            observer_.StageEnded(Stage::Recovery);
            observer_.StageBegun(Stage::Verifying, paths, std::nullopt);
            if (stop_) return canceled();
            const RunResult& check = RunTool(Par2VerifyCommand(paths, programFolder_), Stage::Verifying);
            if (Canceled(check)) return canceled();
            if (auto failure = Failure(check, Par2ToolName(), Stage::Verifying)) return failed(failure);
            std::string first = FirstVolume(paths);
            if (first.empty()) first = paths.archiveName;  // the archiver's test then says what is missing
            if (stop_) return canceled();
            const RunResult& test = RunTool(ArchiverTestCommand(paths, first, programFolder_), Stage::Verifying);
            if (Canceled(test)) return canceled();
            if (auto failure = Failure(test, RarToolName(), Stage::Verifying)) return failed(failure);
            result.verified = true;
        }
        return result;
    } catch (const RuntimeError& e) {
        result.error = {e.Number(), e.Description()};
    } catch (const std::bad_alloc&) {
        result.error = {7, "Out of memory"};
    } catch (const std::exception& e) {
        result.error = {51, std::string("Internal error (") + e.what() + ")"};
    }
    result.outcome = ItemResult::Outcome::Error;
    return result;
}

const RunResult& Job::RunTool(const ToolCommand& command, Stage stage) {
    auto saved = std::move(runner_.ReceiveOutputs);
    runner_.ReceiveOutputs = [this, stage](std::string& chunk) {
        if (stage == Stage::Archiving) {
            archiver_.Feed(chunk, [this](int32_t done) { observer_.VolumesDone(done); },
                           [this] { observer_.ArchiverDone(); });
        } else if (const auto percent = Par2PercentIn(chunk, stage == Stage::Recovery ? "Processing" : "Scanning")) {
            observer_.Percent(*percent);  // the archiver's test says nothing of the kind
        }
    };
    // The handler goes back whatever happens inside the run.
    struct Restore {
        DOSOutputs& runner;
        std::function<void(std::string&)> saved;
        ~Restore() { runner.ReceiveOutputs = std::move(saved); }
    } restore{runner_, std::move(saved)};
    runner_.Command(command);
    runner_.ExecuteCommand();
    return runner_.LastResult();
}

bool Job::Canceled(const RunResult& run) const {
    return run.outcome == RunResult::Outcome::Stopped || (stop_ && run.outcome != RunResult::Outcome::Ended);
}

std::optional<ToolFailure> Job::Failure(const RunResult& run, const std::string& tool, Stage stage) const {
    if (run.outcome == RunResult::Outcome::NotStarted) return ToolFailure{tool, {}, {}, std::nullopt, true};
    if (run.outcome != RunResult::Outcome::Ended || run.status.Success()) return std::nullopt;
    ToolFailure failure{tool, run.status, run.problems, std::nullopt, false};
    // The lines in which the tool said what went wrong; without any, its last words.
    if (failure.said.empty() && !run.lastLine.empty()) failure.said = {run.lastLine};
    const bool exited = run.status.kind == platform::ExitStatus::Kind::Exited;
    const bool exitedWithOne = exited && run.status.code == 1;
    // The archiver's warning (1) and open error (6): files the user chose are missing from the
    // volumes, which are written all the same.
    if (exited && (run.status.code == 1 || run.status.code == 6) && stage == Stage::Archiving)
        failure.meaning = Msg::ArchiverSkippedFiles;
    // par2 finds the new set damaged though repairable: it was not written as it should be.
    if (exitedWithOne && stage == Stage::Verifying && tool == Par2ToolName()) failure.meaning = Msg::VerifyRepairable;
    return failure;
}

}  // namespace kelvora
