// Runs one command line the way Kelvora runs a tool, for tests of what becomes of the tool when
// the program running it is ended:  helper_host <command line>
#include <cstdio>

#include "platform/Process.h"
#include "runner/DOSOutputs.h"
#include "runner/EventPump.h"

namespace {

class Pump : public kelvora::EventPump {
public:
    void DoEvents() override {}
    void WaitForSourceOrEvents(kelvora::platform::WaitHandle source, int timeoutMs) override {
        kelvora::platform::WaitForHandle(source, timeoutMs);
    }
    void ShowRunnerFailure(const std::string& text) override { std::fprintf(stderr, "%s\n", text.c_str()); }
};

}  // namespace

int main(int argc, char** argv) {
    if (argc != 2) return 2;
    kelvora::platform::EndChildrenWithProgram();
    Pump pump;
    kelvora::DOSOutputs dos(pump);
    dos.ExecuteCommand(argv[1]);
    return 0;
}
