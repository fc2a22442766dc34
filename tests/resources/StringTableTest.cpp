#include <gtest/gtest.h>

#include "common/RuntimeError.h"
#include "resources/StringTable.h"

using namespace kelvora;

// Every entry in both languages, the further messages with numbers of their own; texts keep
// their blanks, escapes and accented letters; an unknown id is error 326.
TEST(StringTable, HasEveryEntryOfBothLanguagesAndNoOther) {
    std::vector<int> entries;
    for (int n = 0; n < StringTableEntries; ++n) entries.push_back(n);
    for (int n : FurtherMessageEntries()) {
        EXPECT_GT(n, entries.back());
        entries.push_back(n);
    }
    for (int base : {EnglishBase, DutchBase})
        for (int n : entries) EXPECT_FALSE(LoadResString(base + n).empty()) << base + n;
    EXPECT_EQ(LoadResString(1001), " Exit");
    EXPECT_EQ(LoadResString(2051), "\\ / : * ? \" < > |");
    EXPECT_EQ(LoadResString(2025), "Calculeer meest effici\xC3\xAB" "nte Rar grootte (Aanbevolen!)");
    for (int id : {0, 999, 3000, -1000}) {
        try {
            LoadResString(id);
            ADD_FAILURE() << "no error for " << id;
        } catch (const RuntimeError& e) {
            EXPECT_EQ(e.Number(), 326);
            EXPECT_EQ(e.Description(), "Resource with identifier '" + std::to_string(id) + "' not found");
        }
    }
}
