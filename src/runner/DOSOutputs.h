#pragma once
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>

#include "platform/Process.h"
#include "runner/ToolCommand.h"
#include "runner/ToolMessages.h"

namespace kelvora {

class EventPump;

// How the last ExecuteCommand ended.
struct RunResult {
    enum class Outcome {
        None,        // nothing was run (empty command line)
        NotStarted,  // the pipe or the program could not be started
        Stopped,     // TerminateNow ended it
        Ended,       // the program ended on its own; see status
    };
    Outcome outcome = Outcome::None;
    platform::ExitStatus status;
    // The last line of the output that says something (progress figures left out).
    std::string lastLine;
    // The first few lines in which the tool said that something went wrong.
    std::vector<std::string> problems;
};

// Runs one console command line as a hidden child, both output streams into one pipe, and hands
// the output to its owner in chunks of at most 256 bytes through ReceiveOutputs. Synchronous:
// ExecuteCommand returns when the output has ended and the child has exited, or TerminateNow was
// called. Meanwhile the event loop runs between chunks and while the child is silent, waiting
// for output or events without a fixed poll period.
class DOSOutputs {
public:
    explicit DOSOutputs(EventPump& pump);
    ~DOSOutputs();
    DOSOutputs(const DOSOutputs&) = delete;
    DOSOutputs& operator=(const DOSOutputs&) = delete;

    // Write-only property: the command line to run, one text split by the Windows rules, kept
    // between runs.
    void CommandLine(const std::string& DOSCommand);
    // The same for a command the caller has built as a program and its arguments.
    void Command(const ToolCommand& command);
    // A non-empty argument replaces the stored command; then runs it.
    void ExecuteCommand(const std::string& CommandLine = "");
    // Kills the running child's process group and sets the stop flag. Outside a run it only
    // sets the flag: no process is ever signalled after its run.
    void TerminateNow();

    // Raised once after every read of the pipe, the last (empty) one included.
    std::function<void(std::string& CommandOutputs)> ReceiveOutputs;

    bool Running() const { return running_; }
    // Process id of the child of the last run (0 before any run).
    int32_t LastProcessId() const { return lastPid_; }
    const RunResult& LastResult() const { return result_; }

private:
    void ReadUntilEnd();
    void WaitForExit();

    EventPump& pump_;
    std::string commandLine_;  // the stored command as one text
    std::optional<ToolCommand> command_;  // when it was given as a program and its arguments
    bool stopRequested_ = false;
    bool running_ = false;
    bool killed_ = false;       // the running child's group was killed: reap it before returning
    int32_t lastPid_ = 0;
    std::unique_ptr<platform::ChildProcess> child_;
    RunResult result_;
    ToolMessages messages_;
};

}  // namespace kelvora
