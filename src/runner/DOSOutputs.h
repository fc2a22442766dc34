#pragma once
#include <cstdint>
#include <functional>
#include <memory>
#include <string>

namespace kelvora {

class Desktop;
namespace platform { class ChildProcess; }

// Runs one console command line as a hidden child, both output streams into one pipe, and hands
// the output to its owner in chunks of at most 256 bytes through ReceiveOutputs. Synchronous:
// ExecuteCommand returns when the output has ended or TerminateNow was called, and lets the
// window process its events between chunks (and while the child is silent).
class DOSOutputs {
public:
    explicit DOSOutputs(Desktop& desktop);
    ~DOSOutputs();
    DOSOutputs(const DOSOutputs&) = delete;
    DOSOutputs& operator=(const DOSOutputs&) = delete;

    // Write-only property: the command line to run, kept between runs.
    void CommandLine(const std::string& DOSCommand);
    // A non-empty argument replaces the stored command line; then runs it.
    void ExecuteCommand(const std::string& CommandLine = "");
    // Kills the running child's process group and sets the stop flag. Outside a run it only
    // sets the flag: no process is ever signalled after its run.
    void TerminateNow();

    // Raised once after every read of the pipe, the last (empty) one included.
    std::function<void(std::string& CommandOutputs)> ReceiveOutputs;

    bool Running() const { return running_; }
    // Process id of the child of the last run (0 before any run).
    int32_t LastProcessId() const { return lastPid_; }

private:
    Desktop& desktop_;
    std::string commandLine_;
    bool stopRequested_ = false;
    bool running_ = false;
    bool killed_ = false;  // the running child's group was killed: reap it before returning
    int32_t lastPid_ = 0;
    std::unique_ptr<platform::ChildProcess> child_;
};

}  // namespace kelvora
