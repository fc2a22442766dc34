#pragma once
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "job/JobChecks.h"
#include "job/JobPlan.h"
#include "job/ToolCommands.h"
#include "job/ToolProgress.h"
#include "platform/Process.h"
#include "resources/Messages.h"

namespace kelvora {

class DOSOutputs;
struct RunResult;
struct ToolCommand;

enum class Stage { Archiving, Recovery, Verifying };

// A tool that did not do its work.
struct ToolFailure {
    std::string tool;  // its name, as the user knows it
    platform::ExitStatus status;
    // What the tool said went wrong (or its last words), and what its exit status means where it
    // means something particular.
    std::vector<std::string> said;
    std::optional<Msg> meaning;
    bool notStarted = false;  // it could not be started: the runner has said so already
};

// How one item of a job ended.
struct ItemResult {
    enum class Outcome {
        Done,      // packed, protected (and checked, when asked)
        Canceled,  // the user stopped it
        Failed,    // refused or a tool failed; the run goes on with the next item
        Error,     // the job itself could not go on (no work folder, say): the run ends
    };
    ItemPaths item;  // its work folder is empty when none was made
    Outcome outcome = Outcome::Done;
    std::optional<Refusal> refusal;
    std::optional<ToolFailure> tool;
    std::optional<std::pair<int32_t, std::string>> error;  // number and description
    bool verified = false;
};

// The message that tells why an item did not succeed ("" when there is nothing to add to what
// the user has seen, as for a tool that could not be started).
std::string Describe(const ItemResult& result, Language language);

// How a whole run ended.
struct JobResult {
    std::size_t itemCount = 0;        // items the job had
    std::vector<ItemResult> items;    // those taken up, in order
    bool stopped = false;             // the user stopped it before all was done
    bool Succeeded() const;           // every item taken up and done
    bool AnyFailed() const;           // an item failed or ended in an error
};

// What a running job tells: the window draws it, the command line prints it. Each call comes on
// the job's thread, inside Job::Run; any of them may process events (a Stop among them).
class JobObserver {
public:
    virtual ~JobObserver() = default;
    // An item is taken up (its work folder is not made yet).
    virtual void ItemTakenUp(std::size_t /*index*/, std::size_t /*count*/, const ItemPaths&) {}
    // Its work folder is made; its tools are about to run.
    virtual void ItemBegun(const ItemPaths&) {}
    // A tool begins; for the archiver, the number of volumes to expect, when it is known.
    virtual void StageBegun(Stage, const ItemPaths&, std::optional<int32_t> /*expectedVolumes*/) {}
    // The archiver has finished this many volumes; it has said that it is done.
    virtual void VolumesDone(int32_t) {}
    virtual void ArchiverDone() {}
    // The PAR2 tool's percentage.
    virtual void Percent(int32_t) {}
    virtual void StageEnded(Stage) {}
    // The job waits here until the call returns (the user said go on).
    virtual void PauseWanted() {}
    virtual void ItemEnded(const ItemResult&) {}
    virtual void Finished(const JobResult&) {}
};

// Runs a job: for the source, or for each item of separate-items mode, a new work folder, the
// archiver, the optional pause, the PAR2 tool, and the check when asked; through the runner, one
// tool at a time. A failed tool fails its item; the items after it still run. A Stop ends the
// running tool and begins nothing more.
class Job {
public:
    Job(JobPlan plan, std::string programFolder, DOSOutputs& runner, JobObserver& observer);
    Job(const Job&) = delete;
    Job& operator=(const Job&) = delete;

    JobResult Run();
    // Ends the running tool and lets no further step or item begin. Safe at any time.
    void RequestStop();
    bool StopRequested() const { return stop_; }
    const JobPlan& Plan() const { return plan_; }

private:
    ItemResult RunItem(const ItemPaths& paths);
    // Runs one tool through the runner, its output turned into the stage's progress.
    const RunResult& RunTool(const ToolCommand& command, Stage stage);
    std::optional<ToolFailure> Failure(const RunResult& run, const std::string& tool, Stage stage) const;
    bool Canceled(const RunResult& run) const;

    JobPlan plan_;
    std::string programFolder_;
    DOSOutputs& runner_;
    JobObserver& observer_;
    bool stop_ = false;
    ArchiverProgress archiver_;
};

}  // namespace kelvora
