#pragma once
#include <optional>
#include <string>
#include <vector>

#include "job/JobPlan.h"
#include "resources/Messages.h"

namespace kelvora {

// Why a job may not start: a message of the string table and what it fills in.
struct Refusal {
    Msg message;
    std::vector<std::string> fillIns;
    friend bool operator==(const Refusal&, const Refusal&) = default;
};

std::string TextOf(const Refusal& refusal, Language language);

// The tools must lie in the program folder and be programs: a missing archiver first.
std::optional<Refusal> ToolsRefusal(const std::string& programFolder);

// The choices, in the order they are checked: a source, an output folder and an archive name
// (blanks count as content), a split size within its limits, a recovery amount above nothing,
// and a source name without the archiver's wildcards.
std::optional<Refusal> PlanRefusal(const JobPlan& plan);

// Why the archiver cannot be given this source, none when it can: it reads * and ? in the
// source's own name as wildcards and would pack other files too.
std::optional<Refusal> SourceRefusal(const std::string& source);

}  // namespace kelvora
