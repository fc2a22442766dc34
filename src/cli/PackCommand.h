#pragma once
#include <iosfwd>
#include <optional>
#include <string>
#include <vector>

#include "cli/PackArguments.h"
#include "job/JobPlan.h"
#include "prefs/SavedChoices.h"

namespace kelvora {

// `kelvora pack`: the window's job from a terminal, for servers and scripts. No window system is
// needed, and the single-instance lock is not taken. Progress goes to `err`, the summary of the
// work folders made to `out`. The exit status: 0 all done, 1 an item failed, 2 bad usage or a
// choice refused before anything ran, 130 interrupted (the tools stopped first, as Stop does).
int RunPack(const std::vector<std::string>& args, std::ostream& out, std::ostream& err);

// The job a command line and the saved choices describe (all but the output folder), as the
// window would read them: the folder options only for a folder, a block count at most the
// source's blocks.
JobPlan PackPlan(const PackOptions& options, const SavedChoices& saved, const std::string& source, bool folder,
                 int64_t sourceBytes);

// What the program does without a window, given its arguments after its name: `pack`, `--help`,
// `--version`. None when the window is to open.
std::optional<int> RunWithoutWindow(const std::vector<std::string>& args);

}  // namespace kelvora
