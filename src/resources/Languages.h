#pragma once
#include <array>
#include <optional>
#include <string>

namespace kelvora {

// The interface languages, in the order of the Language menu. Adding one means a row here, a
// text in every entry of the string table, and its menu picture.
enum class Language { English, Dutch };

struct LanguageInfo {
    Language language;
    int number;            // what Settings.ini stores under "Language"
    const char* code;      // how the command line names it
    int idBase;            // its string-table ids are idBase + entry
    const char* menuItem;  // the Language menu's item for it
    const char* menuCaption;
    const char* picture;   // the picture beside that item
};

inline constexpr std::array<LanguageInfo, 2> Languages{{
    {Language::English, 0, "en", 1000, "mnuEnglish", " English", "ENGLISH"},
    {Language::Dutch, 1, "nl", 2000, "mnuNederlands", " Nederlands", "NEDERLANDS"},
}};
inline constexpr std::size_t LanguageCount = Languages.size();

const LanguageInfo& InfoOf(Language language);
std::optional<Language> LanguageNumbered(int number);
std::optional<Language> LanguageCoded(const std::string& code);

}  // namespace kelvora
