#include "runner/DOSOutputs.h"

#include <string>

#include "platform/FileSystem.h"
#include "runner/CommandLine.h"
#include "runner/EventPump.h"

namespace kelvora {

namespace {

constexpr size_t ChunkBytes = 256;
// After a kill the child dies at once; a short wait lets the run reap it itself.
constexpr int ReapAfterKillMs = 200;
// Where the system cannot signal a child's exit, the wait for it looks again this often.
constexpr int ExitPollMs = 20;

}  // namespace

DOSOutputs::DOSOutputs(EventPump& pump) : pump_(pump) {}

DOSOutputs::~DOSOutputs() = default;

void DOSOutputs::CommandLine(const std::string& DOSCommand) {
    commandLine_ = DOSCommand;
    command_.reset();
}

void DOSOutputs::Command(const ToolCommand& command) {
    commandLine_ = ToCommandLine(command);
    command_ = command;
}

void DOSOutputs::ExecuteCommand(const std::string& CommandLine) {
    // One run at a time: a nested call from an event handler is ignored.
    if (running_) return;
    stopRequested_ = false;
    result_ = {};
    if (!CommandLine.empty()) this->CommandLine(CommandLine);
    if (commandLine_.empty()) {
        pump_.ShowRunnerFailure("Command Line empty");
        return;
    }

#ifdef _WIN32
    // The tool gets the line as it stands and splits it itself; only the program is needed apart.
    const std::vector<std::string> argv = command_ ? std::vector<std::string>{command_->program} : CommandLineToArgv(commandLine_);
#else
    const std::vector<std::string> argv = command_ ? ToArgv(*command_) : CommandLineToArgv(commandLine_);
#endif
    platform::StartError error;
    child_ = platform::ChildProcess::Start(argv, &error, command_ ? command_->workingFolder : "", commandLine_);
    if (!child_) {
        result_.outcome = RunResult::Outcome::NotStarted;
        if (error.step == platform::StartError::Step::Pipe)
            pump_.ShowRunnerFailure("CreatePipe failed. Error: " + std::to_string(error.code));
        else
            pump_.ShowRunnerFailure("File or command not found");
        return;
    }
    lastPid_ = child_->Pid();
    running_ = true;
    messages_ = {};

    // The run ends here whatever happens, also when a handler throws: the pipe is closed and
    // the child reaped, later if it is still going; the window is never blocked for it.
    struct EndOfRun {
        DOSOutputs& self;
        ~EndOfRun() {
            self.child_->ClosePipe();
            if (self.killed_ || self.result_.outcome == RunResult::Outcome::Ended)
                self.child_->ReapWithin(ReapAfterKillMs);
            if (self.result_.outcome == RunResult::Outcome::None)
                self.result_.outcome = RunResult::Outcome::Stopped;
            self.result_.status = self.child_->Status();
#ifndef _WIN32
            // A kill that came as the tool was exiting (its last thread still going) ended
            // nothing: a tool a kill ends dies of the signal. (On Windows a kill leaves exit code
            // 0, and a tool counts as exited only once all of it has.)
            if (self.killed_ && self.result_.status.kind == platform::ExitStatus::Kind::Exited)
                self.result_.outcome = RunResult::Outcome::Ended;
#endif
            self.messages_.Finish();
            self.result_.lastLine = self.messages_.LastLine();
            self.result_.problems = self.messages_.Problems();
            self.child_.reset();
            platform::ReapFinishedChildren();
            self.running_ = false;
            self.killed_ = false;
        }
    } endOfRun{*this};

    ReadUntilEnd();
    if (stopRequested_) return;
    // The output may end before the tool does: the next step must not begin while it still
    // writes, and no child is left a zombie.
    WaitForExit();
    if (!stopRequested_) result_.outcome = RunResult::Outcome::Ended;
}

void DOSOutputs::ReadUntilEnd() {
    char buffer[ChunkBytes];
    std::string text;
    text.reserve(ChunkBytes);
    for (;;) {
        const long n = child_->ReadChunk(buffer, ChunkBytes);
        if (n < 0) {
            // Nothing yet: sleep until the tool writes or the window has an event.
            pump_.WaitForSourceOrEvents(child_->OutputHandle());
            if (stopRequested_) return;
            continue;
        }
        messages_.Feed(buffer, static_cast<size_t>(n));
        // Bytes of value 0 stay in the text; the end of the pipe gives the empty text.
        text.assign(buffer, static_cast<size_t>(n));
        if (ReceiveOutputs) ReceiveOutputs(text);
        pump_.DoEvents();
        if (stopRequested_ || n == 0) return;
    }
}

void DOSOutputs::WaitForExit() {
    while (!child_->TryReap()) {
        const platform::WaitHandle exit = child_->ExitHandle();
        pump_.WaitForSourceOrEvents(exit, exit == platform::NoWaitHandle ? ExitPollMs : -1);
        if (stopRequested_) return;
    }
}

void DOSOutputs::TerminateNow() {
    stopRequested_ = true;
    if (!running_ || !child_) return;
    // A tool that has exited finished on its own, whatever of its output is still unread:
    // nothing is left to stop, and its run counts as ended, with its own exit status.
    if (child_->HasExited()) {
        result_.outcome = RunResult::Outcome::Ended;
        child_->KillGroup();  // what it started and left running goes with the Stop
        return;
    }
    if (child_->KillGroup()) killed_ = true;
}

}  // namespace kelvora
