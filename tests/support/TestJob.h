#pragma once
#include <functional>
#include <string>
#include <vector>

#include "TestWindow.h"
#include "job/Items.h"
#include "job/Job.h"

namespace kelvora::test {

// Records what a job tells, one line an event ("item 1/2 /src/a", "archiving", "volumes 1",
// "archiver done", "percent 45", "ended archiving", "recovery", "done", "canceled", "failed",
// "error"), and runs a test's action as each comes.
struct RecordingObserver : JobObserver {
    std::vector<std::string> events;
    std::function<void(const std::string&)> onEvent;

    void ItemTakenUp(std::size_t i, std::size_t n, const ItemPaths& p) override {
        Note("item " + std::to_string(i + 1) + "/" + std::to_string(n) + " " + p.source);
    }
    void StageBegun(Stage s, const ItemPaths&, std::optional<int32_t>) override { Note(Name(s)); }
    void VolumesDone(int32_t n) override { Note("volumes " + std::to_string(n)); }
    void ArchiverDone() override { Note("archiver done"); }
    void Percent(int32_t p) override { Note("percent " + std::to_string(p)); }
    void StageEnded(Stage s) override { Note("ended " + Name(s)); }
    void ItemEnded(const ItemResult& r) override { Note(std::vector<std::string>{"done", "canceled", "failed", "error"}.at(static_cast<size_t>(r.outcome))); }
    // Events of one kind ("percent"), in order.
    std::vector<std::string> Of(const std::string& kind) const {
        std::vector<std::string> found;
        for (const auto& e : events)
            if (e.rfind(kind, 0) == 0) found.push_back(e);
        return found;
    }

private:
    static std::string Name(Stage s) { return s == Stage::Archiving ? "archiving" : s == Stage::Recovery ? "recovery" : "verifying"; }
    void Note(const std::string& event) {
        events.push_back(event);
        if (onEvent) onEvent(event);
    }
};

// A job without a window: the scripted desktop as its event loop, a runner of its own, the
// stand-in archiver and the real par2 from the test programs' folder.
struct JobRun : StandInCues {
    ScriptedDesktop desktop;
    DOSOutputs runner{desktop};
    RecordingObserver seen;
    Job* job = nullptr;  // while one runs: a test stops it from an event

    JobResult Run(const JobPlan& plan, const std::string& programFolder = TestToolsDir()) {
        seen.events.clear();
        Job running(plan, programFolder, runner, seen);
        job = &running;
        JobResult result = running.Run();
        job = nullptr;
        return result;
    }
    // Stops the running job at the first event that satisfies `when`.
    void StopAt(std::function<bool(const std::string&)> when) {
        seen.onEvent = [this, when](const std::string& e) {
            if (job && when(e)) job->RequestStop();
        };
    }
};

// Plain choices: no split, normal compression, 10 % recovery, no rounding to whole blocks.
inline JobPlan PlainJob(const std::string& source, const std::string& output, const std::string& archive, int64_t size) {
    JobPlan plan;
    plan.source = source, plan.outputFolder = output, plan.archiveName = archive, plan.sourceBytes = size;
    plan.compression = Compression::Normal;
    plan.wholeBlockVolumes = false;
    return plan;
}

// A par2 that damages the second volume just before it verifies (a shell script).
inline std::string DamagingPar2(const std::string& par2) {
    return "#!/bin/sh\n[ \"$1\" = verify ] && printf damaged | dd of=Holiday.part2.rar bs=1 seek=5000 conv=notrunc "
           "2>/dev/null\nexec '" + par2 + "' \"$@\"\n";
}

}  // namespace kelvora::test
