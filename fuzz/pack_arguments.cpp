// The arguments of `kelvora pack`, one a line (a real command line in the corpus): any of them
// give options within the window's limits or a message, and every one is a size or none.
#include <vector>

#include "Fuzz.h"
#include "cli/PackArguments.h"

using namespace kelvora;

namespace {

bool Listed(int32_t value, int32_t first, int32_t last, int32_t step) {
    return value >= first && value <= last && (value - first) % step == 0;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
    const std::string input = fuzz::Text(data, size);
    std::vector<std::string> args;
    for (std::size_t at = 0; at <= input.size();) {
        const std::size_t end = std::min(input.find('\n', at), input.size());
        args.push_back(input.substr(at, end - at));
        at = end + 1;
    }

    for (const std::string& arg : args) {
        const auto bytes = ParseSize(arg);
        if (!bytes) continue;
        fuzz::Check(*bytes >= 0, "a size is never negative");
        if (arg.find_first_not_of("0123456789") == std::string::npos && arg.size() < 19)
            fuzz::Check(*bytes == std::stoll(arg), "plain digits are bytes");
    }

    const auto parsed = ParsePackArguments(args);
    fuzz::Check(ParsePackArguments(args) == parsed, "the same arguments give the same answer");
    if (const auto* error = std::get_if<UsageError>(&parsed)) {
        fuzz::Check(!error->text.empty(), "a usage error says what is wrong");
        return 0;
    }
    const PackOptions& o = std::get<PackOptions>(parsed);
    if (o.help) return 0;
    fuzz::Check(!(o.settingsFile && o.savedSettings), "one source of saved choices");
    fuzz::Check(!o.splitBytes || *o.splitBytes >= 0, "a split size is never negative");
    fuzz::Check(!o.yencLines || Listed(*o.yencLines, YencLinesFirst, YencLinesLast, YencLinesStep), "yEnc lines as listed");
    if (o.recovery) {
        const int32_t n = o.recovery->count;
        switch (o.recovery->kind) {
            case RecoveryAmount::Kind::Percent:
                fuzz::Check(Listed(n, RedundancyFirst, RedundancyLast, RedundancyStep), "redundancy as listed");
                break;
            case RecoveryAmount::Kind::Files:
                fuzz::Check(Listed(n, RecoveryFilesFirst, RecoveryFilesLast, 1), "recovery files as listed");
                break;
            case RecoveryAmount::Kind::Blocks: fuzz::Check(n >= 0, "recovery blocks are never negative"); break;
            case RecoveryAmount::Kind::None: fuzz::Check(false, "a recovery option gives an amount"); break;
        }
    }
    return 0;
}
