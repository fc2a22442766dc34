// Settings.ini as text: whatever a file holds, reading it never fails, and writing keys into it
// changes only their lines and reads back what was written. The input is the file's content; the
// writes, when given, follow the last NUL byte: a section name, then "key=value" lines.
// Without them the program's own keys are written.
#include <algorithm>

#include "Fuzz.h"
#include "common/Text.h"
#include "prefs/IniFile.h"
#include "prefs/SavedChoices.h"

using namespace kelvora;

namespace {

constexpr std::size_t MaxValueLength = 254;

// What the writer takes (WriteIniValues refuses anything else before it calls SetIniValues).
bool Writable(const std::string& section, const IniValues& values) {
    const auto lineBreak = [](const std::string& s) { return s.find_first_of("\r\n") != std::string::npos; };
    if (lineBreak(section) || section.find(']') != std::string::npos) return false;
    for (const auto& [key, value] : values) {
        const std::string trimmed = Trim(key);
        if (lineBreak(key) || lineBreak(value) || key.find('=') != std::string::npos || trimmed.empty() ||
            trimmed[0] == '[' || trimmed[0] == ';')
            return false;
    }
    return true;
}

std::size_t Lines(const std::string& text) {
    return std::count(text.begin(), text.end(), '\n') + (!text.empty() && text.back() != '\n');
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
    const std::string input = fuzz::Text(data, size);
    const std::size_t nul = input.rfind('\0');
    const std::string content = input.substr(0, nul);

    std::string section = "Settings";
    IniValues values = {{"Compression", "2"}, {"OptPars", "1"}, {"Language", "1"}, {"Verify", "1"}};
    if (nul != std::string::npos) {
        const std::string writes = input.substr(nul + 1);
        const std::size_t firstEnd = writes.find('\n');
        section = writes.substr(0, firstEnd);
        values.clear();
        for (std::size_t at = firstEnd; at != std::string::npos && at < writes.size();) {
            const std::size_t end = writes.find('\n', at + 1);
            const std::string line = writes.substr(at + 1, end == std::string::npos ? std::string::npos : end - at - 1);
            const std::size_t eq = line.find('=');
            if (eq != std::string::npos) values.emplace_back(line.substr(0, eq), line.substr(eq + 1));
            at = end;
        }
    }

    (void)ParseSavedChoices(content);
    for (const auto& [key, value] : ParseIniSection(content, section)) {
        fuzz::Check(key == ToUpperAscii(key), "keys are read in upper case");
        fuzz::Check(value.size() <= MaxValueLength, "values are cut to 254 characters");
    }

    if (!Writable(section, values)) return 0;
    const std::string written = SetIniValues(content, section, values);
    fuzz::Check(Lines(written) <= Lines(content) + values.size() + 1, "only the keys and their section are added");
    fuzz::Check(SetIniValues(written, section, values) == written, "writing the same values again changes nothing");

    const IniSection read = ParseIniSection(written, section);
    for (std::size_t k = 0; k < values.size(); ++k) {
        const std::string key = Trim(values[k].first);
        // Of a key named twice the last value is written.
        const bool later = std::any_of(values.begin() + static_cast<long>(k) + 1, values.end(),
                                       [&](const auto& v) { return EqualsNoCase(Trim(v.first), key); });
        if (later) continue;
        const auto found = read.find(ToUpperAscii(key));
        fuzz::Check(found != read.end(), "a written key is read back");
        fuzz::Check(found->second == Trim(values[k].second).substr(0, MaxValueLength), "a written value is read back");
    }
    return 0;
}
