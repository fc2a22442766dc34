#include <gtest/gtest.h>

#include <regex>
#include <set>

#include "common/RuntimeError.h"
#include "resources/StringTable.h"

using namespace kelvora;

// Every entry in every language; texts keep their blanks, escapes and accented letters; each
// entry fills in the same things in every language; an unknown id is error 326.
TEST(StringTable, EveryEntryInEveryLanguageWithTheSameFillIns) {
    auto fillIns = [](const std::string& text) {
        static const std::regex fillIn("%[1-9]");
        std::multiset<std::string> found;
        for (auto it = std::sregex_iterator(text.begin(), text.end(), fillIn); it != std::sregex_iterator(); ++it) found.insert(it->str());
        return found;
    };
    const std::vector<Msg> entries = StringTableEntries();
    for (const Msg entry : entries)
        for (const LanguageInfo& language : Languages) {
            const std::string text = LoadResString(language.idBase + static_cast<int>(entry));
            EXPECT_FALSE(text.empty()) << language.code << static_cast<int>(entry);
            EXPECT_EQ(fillIns(text), fillIns(Text(entry, Language::English))) << language.code << ": " << text;
        }
    EXPECT_EQ(LoadResString(2051), "\\ / : * ? \" < > |");
    EXPECT_EQ(LoadResString(2025), "Calculeer meest effici\xC3\xAB" "nte Rar grootte (Aanbevolen!)");
    EXPECT_EQ(Text(Msg::SeparateAll, Language::Dutch, {"5"}), "Alle 5 items zullen apart gerarred & geparred worden.");
    // An item that failed only its check was packed: the Dutch must not say it could not be.
    for (Msg failed : {Msg::ItemsFailed, Msg::StatusDoneSomeFailed})
        EXPECT_EQ(Text(failed, Language::Dutch).find("gerarred"), std::string::npos) << Text(failed, Language::Dutch);
    for (int id : {0, 999, 1069, 3000, -1000}) {
        try {
            LoadResString(id);
            ADD_FAILURE() << "no error for " << id;
        } catch (const RuntimeError& e) {
            EXPECT_EQ(std::to_string(e.Number()) + " " + e.Description(), "326 Resource with identifier '" + std::to_string(id) + "' not found");
        }
    }
}
