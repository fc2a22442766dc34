#pragma once
#include <cstdint>
#include <optional>
#include <string>
#include <variant>
#include <vector>

#include "job/JobPlan.h"
#include "resources/Languages.h"

namespace kelvora {

// What `kelvora pack` was asked, before anything is looked at on disk.
struct PackOptions {
    std::string source;
    std::optional<std::string> out, name;
    std::optional<int64_t> splitBytes;
    std::optional<Compression> compression;
    bool noEmptyDirs = false, noMainDir = false, oldNaming = false, noEfficientSize = false;
    std::optional<int32_t> yencLines;
    std::optional<RecoveryAmount> recovery;
    bool uniform = false, separately = false, verify = false, quiet = false;
    std::optional<std::string> settingsFile;
    bool savedSettings = false;
    std::optional<Language> language;  // none: the saved one, else English
    bool help = false;
    friend bool operator==(const PackOptions&, const PackOptions&) = default;
};

// A command line that cannot be run: what is wrong with it.
struct UsageError {
    std::string text;
    friend bool operator==(const UsageError&, const UsageError&) = default;
};

// The arguments after "pack". Options and the source may come in any order; "--" ends the
// options, so a source may begin with "-". "--opt=value" and "--opt value" are the same.
std::variant<PackOptions, UsageError> ParsePackArguments(const std::vector<std::string>& args);

// A volume size: bytes, or a number with K/KB (1,024 bytes) or M/MB (1,048,576 bytes), in any
// case ("50M", "250MB", "100000"). None for anything else.
std::optional<int64_t> ParseSize(const std::string& text);

// The help text of `kelvora pack`, and of `kelvora` itself.
std::string PackUsage();
std::string ProgramUsage();

}  // namespace kelvora
