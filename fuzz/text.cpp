// The text rules on any bytes. The input is the text; its first line also gives the pattern and
// replacement for ReplaceNoCase and the arguments for FillIn (its tab-separated fields).
#include <algorithm>
#include <vector>

#include "Fuzz.h"
#include "common/Text.h"

using namespace kelvora;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
    const std::string text = fuzz::Text(data, size);
    std::vector<std::string> fields;
    const std::string firstLine = text.substr(0, text.find('\n'));
    for (std::size_t at = 0; fields.size() < 4;) {
        const std::size_t tab = firstLine.find('\t', at);
        fields.push_back(firstLine.substr(at, tab == std::string::npos ? std::string::npos : tab - at));
        if (tab == std::string::npos) break;
        at = tab + 1;
    }
    fields.resize(4);

    const bool valid = IsValidUtf8(text);
    const std::string shown = ShowInvalidUtf8(text);
    fuzz::Check(IsValidUtf8(shown), "what is shown is valid UTF-8");
    fuzz::Check(valid == (shown == text), "valid UTF-8 is shown as it is, and only that");
    fuzz::Check(shown.size() <= 3 * text.size(), "each invalid byte becomes one replacement character");

    const std::string clean = WithoutForbiddenChars(text);
    fuzz::Check(clean.size() == text.size(), "a cleaned name keeps its length");
    for (std::size_t i = 0; i < text.size(); ++i) {
        const unsigned char c = static_cast<unsigned char>(text[i]);
        const bool bad = IsForbiddenNameChar(c) || c < 0x20 || c == 0x7F;
        fuzz::Check(clean[i] == (bad ? '_' : text[i]), "only forbidden and control characters are replaced");
    }

    const std::string& from = fields[0];
    const std::string& to = fields[1];
    const std::string replaced = ReplaceNoCase(text, from, to);
    if (from.empty()) fuzz::Check(replaced == text, "an empty pattern changes nothing");
    fuzz::Check(EqualsNoCase(ReplaceNoCase(text, from, from), text), "replacing by the pattern itself keeps the text");
    if (!from.empty()) {
        // Each replacement takes the pattern's room: the count follows from the lengths.
        const std::string removed = ReplaceNoCase(text, from, "");
        const std::size_t count = (text.size() - removed.size()) / from.size();
        fuzz::Check((text.size() - removed.size()) % from.size() == 0, "whole patterns are removed");
        fuzz::Check(replaced.size() == removed.size() + count * to.size(), "every match is replaced once");
    }

    const std::vector<std::string> arguments(fields.begin() + 1, fields.end());
    const std::string filled = FillIn(text, arguments);
    if (text.find('%') == std::string::npos) fuzz::Check(filled == text, "a text without %n stays as it is");
    std::size_t longest = 0;
    for (const auto& a : arguments) longest = std::max(longest, a.size());
    fuzz::Check(filled.size() <= text.size() + std::count(text.begin(), text.end(), '%') * longest,
                "each %n is filled in once");
    return 0;
}
