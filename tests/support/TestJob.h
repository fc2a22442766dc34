#pragma once
#include <algorithm>
#include <functional>
#include <string>
#include <vector>

#include "TestWindow.h"
#include "job/Items.h"
#include "job/Job.h"

namespace kelvora::test {

// Records what a job tells, one word an event ("item", "archiving", "volumes", "percent", "ended
// archiving", "recovery", "verifying", "canceled", "ended"), and runs a test's action as each comes.
struct RecordingObserver : JobObserver {
    std::vector<std::string> events;
    std::function<void(const std::string&)> onEvent;

    void ItemTakenUp(std::size_t, std::size_t, const ItemPaths&) override { Note("item"); }
    void StageBegun(Stage s, const ItemPaths&, std::optional<int32_t>) override {
        Note(s == Stage::Archiving ? "archiving" : s == Stage::Recovery ? "recovery" : "verifying");
    }
    void VolumesDone(int32_t) override { Note("volumes"); }
    void Percent(int32_t) override { Note("percent"); }
    void StageEnded(Stage s) override { Note(s == Stage::Archiving ? "ended archiving" : "ended"); }
    void ItemEnded(const ItemResult& r) override { Note(r.outcome == ItemResult::Outcome::Canceled ? "canceled" : "ended"); }
    long Count(const std::string& event) const { return std::count(events.begin(), events.end(), event); }

private:
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
    // Stops the running job at the first `event`.
    void StopAt(const std::string& event) {
        seen.onEvent = [this, event](const std::string& e) {
            if (job && e == event) job->RequestStop();
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
