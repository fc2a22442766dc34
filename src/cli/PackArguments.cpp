#include "cli/PackArguments.h"

#include <charconv>
#include <functional>
#include <map>

#include "common/Text.h"

namespace kelvora {

namespace {

// A whole decimal number, digits only; none for anything else or beyond the range.
std::optional<int64_t> WholeNumber(const std::string& text) {
    if (text.empty() || text.find_first_not_of("0123456789") != std::string::npos) return std::nullopt;
    int64_t value = 0;
    const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (ec != std::errc() || end != text.data() + text.size()) return std::nullopt;
    return value;
}

// A number from first to last in steps of step, as the window's lists offer them.
std::optional<int32_t> Listed(const std::string& text, int32_t first, int32_t last, int32_t step) {
    const auto value = WholeNumber(text);
    if (!value || *value < first || *value > last || (*value - first) % step != 0) return std::nullopt;
    return static_cast<int32_t>(*value);
}

std::string Range(int32_t first, int32_t last, int32_t step) {
    return std::to_string(first) + " to " + std::to_string(last) + (step > 1 ? " in steps of " + std::to_string(step) : "");
}

}  // namespace

std::optional<int64_t> ParseSize(const std::string& text) {
    const std::size_t digits = text.find_first_not_of("0123456789");
    const std::string number = text.substr(0, digits), unit = digits == std::string::npos ? "" : text.substr(digits);
    const auto value = WholeNumber(number);
    if (!value) return std::nullopt;
    int64_t factor = 1;
    if (EqualsNoCase(unit, "K") || EqualsNoCase(unit, "KB")) factor = 1024;
    else if (EqualsNoCase(unit, "M") || EqualsNoCase(unit, "MB")) factor = 1048576;
    else if (!unit.empty()) return std::nullopt;
    // Far beyond any volume size: the limits refuse it, and nothing overflows.
    if (*value > INT64_MAX / factor) return INT64_MAX;
    return *value * factor;
}

std::variant<PackOptions, UsageError> ParsePackArguments(const std::vector<std::string>& args) {
    PackOptions o;
    bool haveSource = false;
    const std::map<std::string, bool*> flags = {
        {"--no-empty-dirs", &o.noEmptyDirs}, {"--no-main-dir", &o.noMainDir}, {"--old-naming", &o.oldNaming},
        {"--no-efficient-size", &o.noEfficientSize}, {"--uniform", &o.uniform}, {"--separately", &o.separately},
        {"--verify", &o.verify}, {"--quiet", &o.quiet}, {"-q", &o.quiet}, {"--saved-settings", &o.savedSettings},
        {"--help", &o.help}, {"-h", &o.help}};
    auto setRecovery = [&](RecoveryAmount amount) -> std::optional<UsageError> {
        if (o.recovery) return UsageError{"give only one of --redundancy, --recovery-blocks and --recovery-files"};
        o.recovery = amount;
        return std::nullopt;
    };
    // Each option with a value: what it does with it, or what is wrong with the value.
    const std::map<std::string, std::function<std::optional<UsageError>(const std::string&)>> valued = {
        {"--out", [&](const std::string& v) { return o.out = v, std::optional<UsageError>(); }},
        {"-o", [&](const std::string& v) { return o.out = v, std::optional<UsageError>(); }},
        {"--name", [&](const std::string& v) { return o.name = v, std::optional<UsageError>(); }},
        {"-n", [&](const std::string& v) { return o.name = v, std::optional<UsageError>(); }},
        {"--split",
         [&](const std::string& v) -> std::optional<UsageError> {
             o.splitBytes = ParseSize(v);
             if (!o.splitBytes) return UsageError{"--split takes bytes, or a number with K, KB, M or MB: " + v};
             return std::nullopt;
         }},
        {"--compression",
         [&](const std::string& v) -> std::optional<UsageError> {
             if (EqualsNoCase(v, "none")) o.compression = Compression::None;
             else if (EqualsNoCase(v, "normal")) o.compression = Compression::Normal;
             else if (EqualsNoCase(v, "high")) o.compression = Compression::High;
             else return UsageError{"--compression takes none, normal or high: " + v};
             return std::nullopt;
         }},
        {"--yenc-lines",
         [&](const std::string& v) -> std::optional<UsageError> {
             o.yencLines = Listed(v, YencLinesFirst, YencLinesLast, YencLinesStep);
             if (!o.yencLines) return UsageError{"--yenc-lines takes " + Range(YencLinesFirst, YencLinesLast, YencLinesStep) + ": " + v};
             return std::nullopt;
         }},
        {"--redundancy",
         [&](const std::string& v) -> std::optional<UsageError> {
             const auto pct = Listed(v, RedundancyFirst, RedundancyLast, RedundancyStep);
             if (!pct) return UsageError{"--redundancy takes " + Range(RedundancyFirst, RedundancyLast, RedundancyStep) + ": " + v};
             return setRecovery({RecoveryAmount::Kind::Percent, *pct});
         }},
        {"--recovery-blocks",
         [&](const std::string& v) -> std::optional<UsageError> {
             // At most the source's block count, which is known only once it is measured.
             const auto blocks = Listed(v, 0, INT32_MAX, 1);
             if (!blocks) return UsageError{"--recovery-blocks takes a whole number: " + v};
             return setRecovery({RecoveryAmount::Kind::Blocks, *blocks});
         }},
        {"--recovery-files",
         [&](const std::string& v) -> std::optional<UsageError> {
             const auto files = Listed(v, RecoveryFilesFirst, RecoveryFilesLast, 1);
             if (!files) return UsageError{"--recovery-files takes " + Range(RecoveryFilesFirst, RecoveryFilesLast, 1) + ": " + v};
             return setRecovery({RecoveryAmount::Kind::Files, *files});
         }},
        {"--settings", [&](const std::string& v) { return o.settingsFile = v, std::optional<UsageError>(); }},
        {"--language",
         [&](const std::string& v) -> std::optional<UsageError> {
             const auto language = LanguageCoded(v);
             if (!language) {
                 std::string codes;
                 for (const LanguageInfo& info : Languages) codes += (codes.empty() ? "" : " or ") + std::string(info.code);
                 return UsageError{"--language takes " + codes + ": " + v};
             }
             o.language = *language;
             return std::nullopt;
         }},
    };

    bool optionsEnded = false;
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string& arg = args[i];
        if (!optionsEnded && arg == "--") {
            optionsEnded = true;
            continue;
        }
        if (optionsEnded || arg.empty() || arg[0] != '-' || arg == "-") {
            if (haveSource) return UsageError{"one source only; the second is " + arg};
            o.source = arg;
            haveSource = true;
            continue;
        }
        const std::size_t eq = arg.find('=');
        const std::string name = arg.substr(0, eq);
        if (const auto flag = flags.find(name); flag != flags.end()) {
            if (eq != std::string::npos) return UsageError{name + " takes no value"};
            *flag->second = true;
            continue;
        }
        const auto option = valued.find(name);
        if (option == valued.end()) return UsageError{"unknown option " + name};
        std::string value;
        if (eq != std::string::npos) value = arg.substr(eq + 1);
        else if (i + 1 < args.size()) value = args[++i];
        else return UsageError{name + " needs a value"};
        if (auto error = option->second(value)) return *error;
    }
    if (o.help) return o;
    if (!haveSource) return UsageError{"no source given"};
    if (o.settingsFile && o.savedSettings) return UsageError{"give either --settings or --saved-settings"};
    return o;
}

std::string PackUsage() {
    return "Usage: kelvora pack SOURCE [options]\n"
           "Packs SOURCE (a file or a folder) into RAR volumes with PAR2 recovery files, as the\n"
           "window does, in a new work folder Kelvora0001, Kelvora0002, ... inside the output folder.\n"
           "\n"
           "  -o, --out DIR            output folder (default: the folder that holds SOURCE)\n"
           "  -n, --name NAME          archive name (default: SOURCE's name with .rar)\n"
           "      --split SIZE         volume size: bytes, or with K/KB or M/MB (50M, 250MB);\n"
           "                           100,000 bytes to 250 MB; default: one volume\n"
           "      --compression LEVEL  none, normal or high (default: none)\n"
           "      --no-empty-dirs      don't add empty sub-folders\n"
           "      --no-main-dir        pack a folder's contents without the folder's own name\n"
           "      --old-naming         old style volume names (RAR 5 and later ignore it)\n"
           "      --no-efficient-size  keep the volume size as given, not whole PAR2 blocks\n"
           "      --yenc-lines N       1500 to 5000 in steps of 500 (default 3000): blocks of N x 128 bytes\n"
           "      --redundancy PCT     recovery data in percent: 5 to 100 in steps of 5 (default 10)\n"
           "      --recovery-blocks N  or a number of recovery blocks (at most the source's blocks)\n"
           "      --recovery-files N   or a number of recovery files, 1 to 10\n"
           "      --uniform            uniform recovery file sizes\n"
           "      --separately         each file and sub-folder of SOURCE a job of its own\n"
           "      --verify             check the new files with par2 verify and the archiver's test\n"
           "      --settings FILE      start from the choices saved in FILE (a Settings.ini)\n"
           "      --saved-settings     start from the choices the window saved\n"
           "      --language en|nl     the language of messages (default en, or the one saved with the\n"
           "                           choices started from)\n"
           "  -q, --quiet              print errors only\n"
           "  -h, --help               this text\n"
           "\n"
           "Progress goes to standard error; the work folders made and their files to standard output.\n"
           "Exit status: 0 all done, 1 an item failed, 2 bad usage or a choice refused, 130 interrupted.\n";
}

std::string ProgramUsage() {
    return "Usage: kelvora [PATH]\n"
           "       kelvora pack SOURCE [options]   (see kelvora pack --help)\n"
           "       kelvora --help | --version\n"
           "\n"
           "Without a command, the window opens, with PATH (a file or folder) as the source. A\n"
           "folder named \"pack\", or one whose name begins with \"--\", is reached as ./pack or\n"
           "./--name.\n";
}

}  // namespace kelvora
