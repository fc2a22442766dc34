#pragma once
#include <string>

#include "platform/Process.h"

namespace kelvora {

// What a tool run needs from the program's event loop. The runner knows no window: it asks the
// loop to process events between chunks, to wait for output without a fixed poll period, and to
// show its own failures.
class EventPump {
public:
    virtual ~EventPump() = default;

    // Processes pending events once.
    virtual void DoEvents() = 0;
    // Waits until `source` is ready (output or its end, or a child's exit) or an event arrives,
    // and processes the events that arrived; returns after either. A source of
    // platform::NoWaitHandle, or a wait of more than timeoutMs (when >= 0), also returns.
    virtual void WaitForSourceOrEvents(platform::WaitHandle source, int timeoutMs = -1) = 0;
    // Shows one of the runner's own failures to the user.
    virtual void ShowRunnerFailure(const std::string& text) = 0;
};

}  // namespace kelvora
