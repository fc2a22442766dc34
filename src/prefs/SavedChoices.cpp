#include "prefs/SavedChoices.h"

#include <exception>

#include "common/Numbers.h"
#include "common/Text.h"
#include "job/JobPlan.h"
#include "prefs/IniFile.h"

namespace kelvora {

namespace {

constexpr const char* Section = "Settings";

// One stored choice and the values that may stand for it.
struct Key {
    const char* name;
    int SavedChoices::*field;
    int lowest;  // -1 where a list may hold no item
    int highest;
};

constexpr int Last(int first, int last, int step) { return (last - first) / step; }

// Read and written in this order; Language comes after them.
constexpr Key Keys[] = {
    // No item: no compression switch, so the archiver's own default.
    {"Compression", &SavedChoices::compression, -1, 2},
    // No item: no unit, so no split-size presets.
    {"Format", &SavedChoices::format, -1, 1},
    {"NoMainDir", &SavedChoices::noMainDir, 0, 2},
    {"NoEmpty", &SavedChoices::noEmpty, 0, 2},
    {"Pause", &SavedChoices::pause, 0, 2},
    {"OldNaming", &SavedChoices::oldNaming, 0, 2},
    {"CalculateEff", &SavedChoices::calculateEff, 0, 2},
    {"OptPars", &SavedChoices::optPars, 0, 2},
    // No item in these would leave the tools without a percentage, a file count or a block size.
    {"Redundancy", &SavedChoices::redundancy, 0, Last(RedundancyFirst, RedundancyLast, RedundancyStep)},
    {"RecoveryFiles", &SavedChoices::recoveryFiles, 0, Last(RecoveryFilesFirst, RecoveryFilesLast, 1)},
    {"yEncLines", &SavedChoices::yEncLines, 0, Last(YencLinesFirst, YencLinesLast, YencLinesStep)},
    {"UniformSize", &SavedChoices::uniformSize, 0, 2},
    {"SaveSelected", &SavedChoices::saveSelected, 0, 2},
};

// The choices in the section's keys, as ReadSavedChoices says.
std::optional<SavedChoices> ChoicesIn(const IniSection& keys) {
    auto stored = [&keys](const std::string& key) -> std::optional<std::string> {
        const auto it = keys.find(ToUpperAscii(key));
        if (it == keys.end()) return std::nullopt;
        return it->second;
    };
    try {
        SavedChoices choices;
        // A missing key reads as "", which is no number.
        for (const Key& key : Keys) {
            const int value = CIntText(stored(key.name).value_or(""));
            if (value < key.lowest || value > key.highest) return std::nullopt;
            choices.*key.field = value;
        }
        const auto language = LanguageNumbered(CIntText(stored("Language").value_or("")));
        if (!language) return std::nullopt;
        choices.language = *language;
        if (const auto verify = stored("Verify")) {
            const int value = CIntText(*verify);
            if (value != 0 && value != 1) return std::nullopt;
            choices.verify = value == 1;
        }
        return choices;
    } catch (const std::exception&) {
        return std::nullopt;  // not a number
    }
}

}  // namespace

std::optional<SavedChoices> ReadSavedChoices(const std::string& path) {
    const std::optional<IniSection> keys = ReadIniSection(Section, path);
    if (!keys) return std::nullopt;
    return ChoicesIn(*keys);
}

std::optional<SavedChoices> ParseSavedChoices(const std::string& content) {
    return ChoicesIn(ParseIniSection(content, Section));
}

bool WriteSavedChoices(const SavedChoices& choices, const std::string& path) {
    IniValues values;
    for (const Key& key : Keys) {
        // Nothing selected: the key keeps what it had.
        if (key.field == &SavedChoices::optPars && choices.optPars < 0) continue;
        values.emplace_back(key.name, std::to_string(choices.*key.field));
    }
    values.emplace_back("Language", std::to_string(InfoOf(choices.language).number));
    // A file saved without the check stays as it has always been.
    const std::optional<IniSection> old = ReadIniSection(Section, path);
    if (choices.verify || (old && old->count("VERIFY"))) values.emplace_back("Verify", choices.verify ? "1" : "0");
    return WriteIniValues(Section, values, path);
}

}  // namespace kelvora
