#include "job/ItemProcessing.h"

#include <cerrno>
#include <exception>
#include <new>

#include "common/Numbers.h"
#include "common/RuntimeError.h"
#include "common/Text.h"
#include "common/Version.h"
#include "job/Par2Command.h"
#include "job/RarCommand.h"
#include "job/ToolOutput.h"
#include "platform/FileSystem.h"
#include "runner/DOSOutputs.h"
#include "runner/OutsideTools.h"
#include "window/Desktop.h"
#include "window/frmMain.h"

namespace kelvora {

namespace {

constexpr int32_t HighestWorkFolder = 99999;
constexpr const char* IdleStatus = "Status: ---";

// A folder that could not be created, in the familiar error numbering.
[[noreturn]] void RaiseCreateFailure(int error, const std::string& path) {
    switch (error) {
        case ENOENT:
        case ENOTDIR:
            Raise(Err::PathNotFound, "Path not found");
        case EACCES:
        case EPERM:
        case EROFS:
            Raise(Err::PathFileAccessError, "Path/File access error");
        default:
            Raise(Err::PathFileAccessError,
                  "Path/File access error (" + path + ": " + platform::ErrorText(error) + ")");
    }
}

// Raised inside an item when a tool did not do its work: the message is the user's report.
struct ToolFailure {
    std::string message;
};

const RunResult& RunTool(frmMain& f, const std::string& commandLine, const CommandLineHints& hints) {
    if (!f.objDOS) Raise(91, "Object variable or With block variable not set");
    f.objDOS->CommandLine(commandLine, hints);
    f.objDOS->ExecuteCommand();
    return f.objDOS->LastResult();
}

// A run that ended badly becomes a ToolFailure naming the tool, how it ended and what it said
// last. A tool that could not be started has been reported by the runner already.
void CheckTool(frmMain& f, const RunResult& run, const std::string& tool) {
    if (run.outcome == RunResult::Outcome::NotStarted) throw ToolFailure{""};
    if (run.outcome != RunResult::Outcome::Ended || run.status.Success()) return;
    std::string text =
        FillIn(f.MessageText(run.status.kind == platform::ExitStatus::Kind::Signalled ? 57 : 56),
               {tool, std::to_string(run.status.code)});
    // The lines in which the tool said what went wrong; without any, its last words.
    const std::vector<std::string> said = run.problems.empty() && !run.lastLine.empty()
                                              ? std::vector<std::string>{run.lastLine}
                                              : run.problems;
    if (!said.empty()) text += "\r\n" + f.MessageText(58);
    for (const std::string& line : said) text += "\r\n" + line;
    throw ToolFailure{text};
}

void CancelEnding(frmMain& f) {
    DrawProgress(f, 100, 0);
    f.cmdProcess.SetCaption("Start");
    f.lblStatus.SetCaption(f.MessageText(44));
    f.JobRunning = false;
    EnableControls(f);
}

void ErrorEnding(frmMain& f, const std::string& text) {
    if (!text.empty()) f.desktop.MsgBox(text, MsgButtons::OK, MsgIcon::Exclamation, AppTitle);
    DrawProgress(f, 100, 0);
    f.cmdProcess.SetCaption("Start");
    f.lblStatus.SetCaption(IdleStatus);
    f.JobRunning = false;
    EnableControls(f);
}

void ErrorEnding(frmMain& f, int32_t number, const std::string& description) {
    ErrorEnding(f, std::to_string(number) + " - " + description);
}

// A failed tool ends the item. In a run of several items the run goes on with the next one and
// reports every failure at its end; a single item ends through the error ending.
ItemOutcome ToolFailed(frmMain& f, const ToolFailure& failure) {
    f.FailedItems.emplace_back(f.txtInput.Text(), failure.message);
    if (f.chkSeparately.Value() == 1) {
        DrawProgress(f, 100, 0);
        return ItemOutcome::Failed;
    }
    ErrorEnding(f, failure.message);
    return ItemOutcome::Failed;
}

}  // namespace

std::string CreateWorkFolder(const std::string& outputFolder) {
    // mkdir either creates the name or fails with EEXIST, so a name that appears meanwhile (a
    // file, a folder, even a dangling link) is passed over and never written into.
    for (int32_t n = 1; n <= HighestWorkFolder; ++n) {
        const std::string name = "Kelvora" + FormatCounter(n);
        int error = 0;
        if (platform::CreateFolder(outputFolder + name, &error)) return name;
        if (error != EEXIST) RaiseCreateFailure(error, outputFolder + name);
    }
    Raise(Err::FileAlreadyExists, "No free work folder name in " + outputFolder);
}

ItemOutcome ProcessItem(frmMain& f) {
    try {
        if (const std::string refusal = SourceRefusal(f, f.txtInput.Text()); !refusal.empty())
            throw ToolFailure{refusal};
        const std::string workFolder = CreateWorkFolder(f.txtOutput.Text());
        f.cmdProcess.SetCaption("Stop");
        f.VolumesDone = 0;
        f.VolumesBegun = 0;
        f.ArchiverLine.clear();
        DisableControls(f);
        f.RarStage = true;
        f.lblStatus.SetCaption(f.MessageText(41) + f.txtInput.Text());
        const RunResult& rar =
            RunTool(f, BuildRarCommand(f, workFolder), {RarToolPath(f.AppPath), RarSourceIsFolderContents(f), ""});
        if (!f.JobRunning) {
            CancelEnding(f);
            return ItemOutcome::Canceled;
        }
        CheckTool(f, rar, RarToolName());

        DrawProgress(f, 100, 0);
        if (f.chkPause.Value() == 1 && f.chkPause.Enabled())
            f.desktop.MsgBox(f.MessageText(45), MsgButtons::OK, MsgIcon::Information, AppTitle);
        // A Stop that came between the tools (in a repaint) cancels before par2 starts.
        if (!f.JobRunning) {
            CancelEnding(f);
            return ItemOutcome::Canceled;
        }
        f.RarStage = false;
        f.lblStatus.SetCaption(f.MessageText(42) + f.txtInput.Text());
        // In the work folder, so an output folder whose name holds * or ? reaches par2 unharmed.
        const RunResult& par2 = RunTool(f, BuildPar2Command(f, workFolder),
                                        {Par2ToolPath(f.AppPath), true, f.txtOutput.Text() + workFolder});
        if (par2.outcome != RunResult::Outcome::Ended && !f.JobRunning) {
            CancelEnding(f);
            return ItemOutcome::Canceled;
        }
        CheckTool(f, par2, Par2ToolName());
        // Done, also when a Stop came only after par2 had finished: everything was written.
        return ItemOutcome::Done;
    } catch (const ToolFailure& failure) {
        return ToolFailed(f, failure);
    } catch (const RuntimeError& e) {
        ErrorEnding(f, e.Number(), e.Description());
    } catch (const std::bad_alloc&) {
        ErrorEnding(f, 7, "Out of memory");
    } catch (const std::exception& e) {
        ErrorEnding(f, 51, std::string("Internal error (") + e.what() + ")");
    } catch (...) {
        ErrorEnding(f, 51, "Internal error");
    }
    return ItemOutcome::Failed;
}

std::string SourceRefusal(frmMain& f, const std::string& source) {
    const size_t at = source.rfind(platform::PathSeparator);
    const std::string name = at == std::string::npos ? source : source.substr(at + 1);
    if (name.find_first_of("*?") == std::string::npos) return "";
    return FillIn(f.MessageText(66), {source});
}

}  // namespace kelvora
