#include <gtest/gtest.h>

#include "common/RuntimeError.h"
#include "resources/StringTable.h"

namespace kelvora {
namespace {

TEST(StringTable, HoldsTheTextsWithTheirBlanks) {
    const std::pair<int, const char*> samples[] = {
        {1000, "File"}, {2000, "Bestand"}, {1001, " Exit"}, {2006, " Informatie"}, {1017, "Block Size:"},
        {1035, "Only numbers are allowed. "}, {2035, "Alleen nummers zijn toegestaan. "},
        {2025, "Calculeer meest effici\xC3\xAB" "nte Rar grootte (Aanbevolen!)"},
        {1037, "Rar.exe is not found. Make sure Winrar is installed, then copy 'rar.exe' from the Winrar "
               "installation folder to the Kelvora installation folder. "},
        {2037, "Rar.exe is niet gevonden. Zorg dat Winrar geinstalleerd is, kopieer dan 'rar.exe' uit de Winrar "
               "installatie map naar de Kelvora installatie map."},
        {1041, "Status: Rarring... "}, {2044, "Status: Geannuleerd door de gebruiker."},
        {1051, "\\ / : * ? \" < > |"}, {2051, "\\ / : * ? \" < > |"},
        {2055, "Bestand/map grootte aan het calculeren. Even geduld aub..."}};
    for (const auto& [id, text] : samples) EXPECT_EQ(LoadResString(id), text) << id;
}

TEST(StringTable, HasEveryEntryOfBothLanguagesAndNoOther) {
    for (int base : {EnglishBase, DutchBase})
        for (int id = base; id < base + StringTableEntries; ++id)
            EXPECT_TRUE(HasResString(id) && !LoadResString(id).empty()) << id;
    EXPECT_EQ(StringTableEntries, 56);  // 1000..1055 and 2000..2055

    // The further messages have both languages too, and numbers of their own.
    int previous = StringTableEntries - 1;
    for (int n : FurtherMessageEntries()) {
        EXPECT_GT(n, previous);
        previous = n;
        EXPECT_TRUE(HasResString(EnglishBase + n) && HasResString(DutchBase + n)) << n;
    }

    for (int id : {0, 999, 1999, 2999, 3000, -1000}) {
        EXPECT_FALSE(HasResString(id)) << id;
        try {
            LoadResString(id);
            ADD_FAILURE() << "no error for " << id;
        } catch (const RuntimeError& e) {
            EXPECT_EQ(e.Number(), 326);
            EXPECT_EQ(e.Description(), "Resource with identifier '" + std::to_string(id) + "' not found");
        }
    }
}

}  // namespace
}  // namespace kelvora
