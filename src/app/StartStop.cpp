#include "app/StartStop.h"

#include <algorithm>
#include <exception>

#include "app/JobFromWindow.h"
#include "app/Progress.h"
#include "common/RuntimeError.h"
#include "common/Version.h"
#include "job/Job.h"
#include "runner/DOSOutputs.h"
#include "window/Desktop.h"
#include "window/frmMain.h"

namespace kelvora {

namespace {

constexpr const char* IdleStatus = "Status: ---";
constexpr const char* CrLf = "\r\n";

void Refuse(frmMain& f, const std::string& text) {
    f.desktop.MsgBox(text, MsgButtons::OK, MsgIcon::Exclamation, AppTitle);
}

std::string WithoutStatusPrefix(std::string text) {
    const std::string prefix = "Status: ";
    for (size_t at = text.find(prefix); at != std::string::npos; at = text.find(prefix, at))
        text.erase(at, prefix.size());
    return text;
}

// A drawing the bar cannot make (no expected volumes yet: a scale of no width) is left out.
void DrawIfPossible(frmMain& f, int32_t max, int32_t value) {
    try {
        DrawProgress(f, max, value);
    } catch (const RuntimeError&) {
    }
}

// The window as the job's observer: the status line, the bar, Start/Stop, the locked input
// groups and the boxes, at each point of the run.
class WindowJob : public JobObserver {
public:
    WindowJob(frmMain& f, bool severalItems, bool verify) : f_(f), several_(severalItems), verify_(verify) {}

    void ItemTakenUp(std::size_t, std::size_t, const ItemPaths& item) override {
        if (!several_) return;
        f_.txtInput.SetText(item.source);
        f_.txtArchiveName.SetText(item.archiveName);
    }
    void ItemBegun(const ItemPaths&) override {
        f_.cmdProcess.SetCaption("Stop");
        f_.VolumesDone = 0;
        DisableControls(f_);
    }
    void StageBegun(Stage stage, const ItemPaths& item, std::optional<int32_t> expectedVolumes) override {
        // Without a split size the count of the last split job stays, as the bar has always had it.
        if (expectedVolumes) ExpectedVolumes = *expectedVolumes;
        f_.RarStage = stage == Stage::Archiving;
        const Msg status = stage == Stage::Archiving   ? Msg::StatusRarring
                           : stage == Stage::Recovery ? Msg::StatusParring
                                                      : Msg::StatusVerifying;
        f_.lblStatus.SetCaption(f_.MessageText(status) + item.source);
    }
    void VolumesDone(int32_t done) override {
        f_.VolumesDone = done;
        DrawIfPossible(f_, ExpectedVolumes, done);
    }
    void ArchiverDone() override {
        // The archiver has finished: the bar is full, however many volumes the packing needed.
        if (ExpectedVolumes > 0) DrawIfPossible(f_, ExpectedVolumes, ExpectedVolumes);
    }
    void Percent(int32_t percent) override { DrawIfPossible(f_, 100, percent); }
    void StageEnded(Stage) override { DrawProgress(f_, 100, 0); }
    void PauseWanted() override {
        f_.desktop.MsgBox(f_.MessageText(Msg::Paused), MsgButtons::OK, MsgIcon::Information, AppTitle);
    }
    void ItemEnded(const ItemResult& result) override {
        switch (result.outcome) {
            case ItemResult::Outcome::Done: break;
            case ItemResult::Outcome::Canceled: CancelEnding(); break;
            case ItemResult::Outcome::Failed:
            case ItemResult::Outcome::Error:
                // Several items: the failures are told together at the end of the run.
                if (several_)
                    DrawProgress(f_, 100, 0);
                else
                    ErrorEnding(Describe(result, f_.CurrentLanguage));
                break;
        }
    }
    void Finished(const JobResult& result) override { EndOfRun(result); }

private:
    void CancelEnding() {
        DrawProgress(f_, 100, 0);
        f_.cmdProcess.SetCaption("Start");
        f_.lblStatus.SetCaption(f_.MessageText(Msg::StatusCanceled));
        f_.JobRunning = false;
        EnableControls(f_);
    }
    void ErrorEnding(const std::string& text) {
        if (!text.empty()) f_.desktop.MsgBox(text, MsgButtons::OK, MsgIcon::Exclamation, AppTitle);
        DrawProgress(f_, 100, 0);
        f_.cmdProcess.SetCaption("Start");
        f_.lblStatus.SetCaption(IdleStatus);
        f_.JobRunning = false;
        EnableControls(f_);
    }
    // The failed items, one paragraph each: the item, then what went wrong.
    std::string FailureList(const JobResult& result) const {
        std::string text = f_.MessageText(Msg::ItemsFailed);
        for (const ItemResult& item : result.items) {
            if (item.outcome != ItemResult::Outcome::Failed && item.outcome != ItemResult::Outcome::Error) continue;
            text += std::string(CrLf) + CrLf + item.item.source;
            if (const std::string why = Describe(item, f_.CurrentLanguage); !why.empty()) text += CrLf + why;
        }
        return text;
    }
    void EndOfRun(const JobResult& result) {
        DrawProgress(f_, 100, 0);
        f_.cmdProcess.SetCaption("Start");
        EnableControls(f_);
        f_.txtInput.SetText("");
        f_.txtOutput.SetText("");
        f_.txtArchiveName.SetText("");
        f_.chkSeparately.SetValue(0);
        f_.chkSeparately.SetEnabled(false);
        f_.SeparateItems.reset();
        if (several_ && result.AnyFailed())
            f_.desktop.MsgBox(FailureList(result), MsgButtons::OK, MsgIcon::Exclamation, AppTitle);
        if (result.stopped) {
            // The user stopped it, whatever had failed before.
            f_.lblStatus.SetCaption(f_.MessageText(Msg::StatusCanceled));
        } else if (result.Succeeded()) {
            std::string done = WithoutStatusPrefix(f_.MessageText(Msg::StatusDone));
            if (verify_ && !result.items.empty()) done += std::string(CrLf) + CrLf + f_.MessageText(Msg::Verified);
            f_.desktop.MsgBox(done, MsgButtons::OK, MsgIcon::Information, AppTitle);
            f_.lblStatus.SetCaption(f_.MessageText(Msg::StatusDone));
        } else {
            // Every item was taken up and some were done: the run did its work but for the failures.
            const bool ranThrough = result.items.size() == result.itemCount &&
                                    std::any_of(result.items.begin(), result.items.end(), [](const ItemResult& r) {
                                        return r.outcome == ItemResult::Outcome::Done;
                                    });
            f_.lblStatus.SetCaption(f_.MessageText(several_ && ranThrough ? Msg::StatusDoneSomeFailed : Msg::StatusFailed));
        }
        f_.JobRunning = false;
    }

    frmMain& f_;
    bool several_;
    bool verify_;
};

void StartRun(frmMain& f) {
    // A click while a run is ending (the button already reads "Start") begins no run inside it,
    // and Start waits until the source being measured is known.
    if (f.RunningJob || f.MeasuringSource) return;
    if (const auto refusal = ToolsRefusal(f.AppPath)) return Refuse(f, TextOf(*refusal, f.CurrentLanguage));
    const JobPlan plan = ReadJobPlan(f);
    if (const auto refusal = PlanRefusal(plan)) return Refuse(f, TextOf(*refusal, f.CurrentLanguage));
    if (!f.objDOS) return Refuse(f, "91 - Object variable or With block variable not set");

    f.JobRunning = true;
    WindowJob view(f, plan.separateItems.has_value(), plan.verify);
    Job job(plan, f.AppPath, *f.objDOS, view);
    f.RunningJob = &job;
    struct Leave {
        frmMain& f;
        ~Leave() { f.RunningJob = nullptr; }
    } leave{f};
    try {
        job.Run();
    } catch (const std::exception& e) {
        // Items trap their own errors; this is a failure between items (a reaction to a text
        // change), and the run still ends in order.
        const auto* error = dynamic_cast<const RuntimeError*>(&e);
        ItemResult failed;
        failed.item = {f.txtInput.Text(), f.txtArchiveName.Text(), ""};
        failed.outcome = ItemResult::Outcome::Error;
        failed.error = error ? std::pair{error->Number(), error->Description()}
                             : std::pair{51, std::string("Internal error (") + e.what() + ")"};
        if (!plan.separateItems) Refuse(f, Describe(failed, f.CurrentLanguage));
        JobResult ended;
        ended.itemCount = 1;
        ended.items.push_back(std::move(failed));
        view.Finished(ended);
    }
}

void StopRun(frmMain& f) {
    f.desktop.DoEvents();
    if (f.RunningJob) f.RunningJob->RequestStop();
    f.desktop.DoEvents();
    f.JobRunning = false;
    f.cmdProcess.SetCaption("Start");
}

}  // namespace

void cmdProcess_Click(frmMain& f) {
    // While a run goes on, the button (reading "Stop") stops it.
    if (f.JobRunning)
        StopRun(f);
    else
        StartRun(f);
}

}  // namespace kelvora
