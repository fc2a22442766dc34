#include "job/ItemProcessing.h"

#include <cerrno>
#include <exception>
#include <new>

#include "common/Numbers.h"
#include "common/RuntimeError.h"
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

void RunTool(frmMain& f, const std::string& commandLine, const CommandLineHints& hints) {
    if (!f.objDOS) Raise(91, "Object variable or With block variable not set");
    f.objDOS->CommandLine(commandLine, hints);
    f.objDOS->ExecuteCommand();
}

void CancelEnding(frmMain& f) {
    DrawProgress(f, 100, 0);
    f.cmdProcess.SetCaption("Start");
    f.lblStatus.SetCaption(f.MessageText(44));
    f.JobRunning = false;
    EnableControls(f);
}

void ErrorEnding(frmMain& f, int32_t number, const std::string& description) {
    f.desktop.MsgBox(std::to_string(number) + " - " + description, MsgButtons::OK, MsgIcon::Exclamation, AppTitle);
    DrawProgress(f, 100, 0);
    f.cmdProcess.SetCaption("Start");
    f.lblStatus.SetCaption(IdleStatus);
    f.JobRunning = false;
    EnableControls(f);
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

void ProcessItem(frmMain& f) {
    try {
        const std::string workFolder = CreateWorkFolder(f.txtOutput.Text());
        f.cmdProcess.SetCaption("Stop");
        f.VolumesDone = 0;
        DisableControls(f);
        f.RarStage = true;
        f.lblStatus.SetCaption(f.MessageText(41) + f.txtInput.Text());
        RunTool(f, BuildRarCommand(f, workFolder), {RarToolPath(f.AppPath), RarSourceIsFolderContents(f), ""});
        if (!f.JobRunning) {
            CancelEnding(f);
            return;
        }

        DrawProgress(f, 100, 0);
        if (f.chkPause.Value() == 1 && f.chkPause.Enabled())
            f.desktop.MsgBox(f.MessageText(45), MsgButtons::OK, MsgIcon::Information, AppTitle);
        f.RarStage = false;
        f.lblStatus.SetCaption(f.MessageText(42) + f.txtInput.Text());
        // In the work folder, so an output folder whose name holds * or ? reaches par2 unharmed.
        RunTool(f, BuildPar2Command(f, workFolder), {Par2ToolPath(f.AppPath), true, f.txtOutput.Text() + workFolder});
        if (f.JobRunning) return;
        CancelEnding(f);
    } catch (const RuntimeError& e) {
        ErrorEnding(f, e.Number(), e.Description());
    } catch (const std::bad_alloc&) {
        ErrorEnding(f, 7, "Out of memory");
    } catch (const std::exception& e) {
        ErrorEnding(f, 51, std::string("Internal error (") + e.what() + ")");
    } catch (...) {
        ErrorEnding(f, 51, "Internal error");
    }
}

}  // namespace kelvora
