#include "runner/DOSOutputs.h"

#include <string>

#include "app/Desktop.h"
#include "platform/Process.h"
#include "runner/CommandLine.h"

namespace kelvora {

namespace {

constexpr size_t ChunkBytes = 256;
// How long a read waits for a silent child before the window gets its events again.
constexpr int SilentWaitMs = 50;
// After a kill the child dies at once; a short wait lets the run reap it itself.
constexpr int ReapAfterKillMs = 200;

void Failure(Desktop& desktop, const std::string& text) {
    desktop.MsgBox(text, MsgButtons::OK, MsgIcon::Critical, "Kelvora");
}

}  // namespace

DOSOutputs::DOSOutputs(Desktop& desktop) : desktop_(desktop) {}

DOSOutputs::~DOSOutputs() = default;

void DOSOutputs::CommandLine(const std::string& DOSCommand) { commandLine_ = DOSCommand; }

void DOSOutputs::ExecuteCommand(const std::string& CommandLine) {
    // One run at a time: a nested call from an event handler is ignored.
    if (running_) return;
    stopRequested_ = false;
    if (!CommandLine.empty()) commandLine_ = CommandLine;
    if (commandLine_.empty()) {
        Failure(desktop_, "Command Line empty");
        return;
    }

    platform::StartError error;
    child_ = platform::ChildProcess::Start(CommandLineToArgv(commandLine_), &error);
    if (!child_) {
        if (error.step == platform::StartError::Step::Pipe)
            Failure(desktop_, "CreatePipe failed. Error: " + std::to_string(error.code));
        else
            Failure(desktop_, "File or command not found");
        return;
    }
    lastPid_ = child_->Pid();
    running_ = true;

    // The run ends here whatever happens, also when a handler throws: the pipe is closed and
    // the child reaped later if it is still going; the window is never blocked for it.
    struct EndOfRun {
        DOSOutputs& self;
        ~EndOfRun() {
            self.child_->ClosePipe();
            if (self.killed_) self.child_->ReapWithin(ReapAfterKillMs);
            self.child_.reset();
            platform::ReapFinishedChildren();
            self.running_ = false;
            self.killed_ = false;
        }
    } endOfRun{*this};

    char buffer[ChunkBytes];
    std::string text;
    text.reserve(ChunkBytes);
    for (;;) {
        long n = child_->ReadChunk(buffer, ChunkBytes, SilentWaitMs);
        if (n >= 0) {
            // Bytes of value 0 stay in the text; the end of the pipe gives the empty text.
            text.assign(buffer, static_cast<size_t>(n));
            if (ReceiveOutputs) ReceiveOutputs(text);
        }
        desktop_.DoEvents();
        if (stopRequested_) break;
        if (n == 0) break;
    }
}

void DOSOutputs::TerminateNow() {
    if (running_ && child_ && child_->KillGroup()) killed_ = true;
    stopRequested_ = true;
}

}  // namespace kelvora
