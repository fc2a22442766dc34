// Command lines as Windows tools split them. The input is a command line (a real one in the
// corpus); its own arguments then go through quoting and back: each must come back exactly,
// and so must the whole command built from them.
#include <vector>

#include "Fuzz.h"
#include "runner/CommandLine.h"

using namespace kelvora;

namespace {

// Program paths and switches go into the line as they stand: one word without quotes.
bool Plain(const std::string& s) { return !s.empty() && s.find_first_of(" \t\"") == std::string::npos; }

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
    const std::string line = fuzz::Text(data, size);
    fuzz::Check(SplitCommandLine(QuoteArgument(line)) == std::vector<std::string>{line}, "a quoted text comes back");

    const std::vector<std::string> args = SplitCommandLine(line);
    for (const std::string& arg : args)
        fuzz::Check(SplitCommandLine(QuoteArgument(arg)) == std::vector<std::string>{arg}, "a quoted argument comes back");
    if (args.empty() || !Plain(args[0])) return 0;

    // The names begin after "--", as in the job's commands, else after the last switch.
    ToolCommand command;
    command.program = args[0];
    command.arguments.assign(args.begin() + 1, args.end());
    while (command.firstName < command.arguments.size() && Plain(command.arguments[command.firstName]) &&
           command.arguments[command.firstName][0] == '-')
        if (command.arguments[command.firstName++] == "--") break;
    fuzz::Check(SplitCommandLine(ToCommandLine(command)) == args, "the command line gives back the command");
    return 0;
}
