#pragma once
#include <string>
#include <vector>

#include "platform/Process.h"

namespace kelvora::platform {

// Turns an interrupt (SIGINT and SIGTERM; on Windows Ctrl+C, Ctrl+Break and the console
// closing) into something to wait on, in place of the program's sudden end: a command that runs
// tools stops them first. One at a time; the usual handling comes back when it goes.
class InterruptWatch {
public:
    InterruptWatch();
    ~InterruptWatch();
    InterruptWatch(const InterruptWatch&) = delete;
    InterruptWatch& operator=(const InterruptWatch&) = delete;

    // Ready once an interrupt has come (and stays so).
    WaitHandle Handle() const;
    bool Interrupted() const;
};

// Waits up to timeoutMs (-1: no limit) until one of the handles is ready; NoWaitHandle ones are
// left out. True when one is.
bool WaitForEither(WaitHandle first, WaitHandle second, int timeoutMs);

// The standard output and error of a command run from a console: a Windows window program has
// none of its own, so it takes its parent's console where it was given no other. Nothing to do
// elsewhere.
void UseParentConsole();

// The program's arguments after its name, each as the bytes given on POSIX, as UTF-8 from the
// wide command line on Windows.
std::vector<std::string> ProgramArguments(int argc, char** argv);

// Whether the standard error stream is a terminal (where a live percentage may be redrawn).
bool ErrorIsTerminal();

}  // namespace kelvora::platform
