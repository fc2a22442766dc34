#include <gtest/gtest.h>

#include "common/RuntimeError.h"
#include "resources/StringTable.h"

namespace kelvora {
namespace {

TEST(StringTable, HoldsTheTextsWithTheirBlanks) {
    EXPECT_EQ(LoadResString(1000), "File");
    EXPECT_EQ(LoadResString(2000), "Bestand");
    EXPECT_EQ(LoadResString(1001), " Exit");
    EXPECT_EQ(LoadResString(2006), " Informatie");
    EXPECT_EQ(LoadResString(1003), " Check for Updates");
    EXPECT_EQ(LoadResString(2002), "Opties");
    EXPECT_EQ(LoadResString(1017), "Block Size:");
    EXPECT_EQ(LoadResString(2019), "...");
    EXPECT_EQ(LoadResString(1035), "Only numbers are allowed. ");
    EXPECT_EQ(LoadResString(2035), "Alleen nummers zijn toegestaan. ");
    EXPECT_EQ(LoadResString(2025), "Calculeer meest effici\xC3\xAB" "nte Rar grootte (Aanbevolen!)");
    EXPECT_EQ(LoadResString(1037),
              "Rar.exe is not found. Make sure Winrar is installed, then copy 'rar.exe' from the Winrar "
              "installation folder to the Kelvora installation folder. ");
    EXPECT_EQ(LoadResString(2037),
              "Rar.exe is niet gevonden. Zorg dat Winrar geinstalleerd is, kopieer dan 'rar.exe' uit de Winrar "
              "installatie map naar de Kelvora installatie map.");
    EXPECT_EQ(LoadResString(1041), "Status: Rarring... ");
    EXPECT_EQ(LoadResString(2044), "Status: Geannuleerd door de gebruiker.");
    EXPECT_EQ(LoadResString(1051), "\\ / : * ? \" < > |");
    EXPECT_EQ(LoadResString(2051), LoadResString(1051));
    EXPECT_EQ(LoadResString(1055), "Calculating file/folder size. Please wait...");
    EXPECT_EQ(LoadResString(2055), "Bestand/map grootte aan het calculeren. Even geduld aub...");
}

TEST(StringTable, HasEveryEntryOfBothLanguages) {
    for (int base : {EnglishBase, DutchBase}) {
        for (int n = 0; n < StringTableEntries; ++n) {
            EXPECT_TRUE(HasResString(base + n)) << base + n;
            EXPECT_FALSE(LoadResString(base + n).empty()) << base + n;
        }
    }
    // Texts are translated, not copied: a sample of entries that must differ.
    for (int n : {0, 1, 17, 31, 35, 43, 55}) EXPECT_NE(LoadResString(1000 + n), LoadResString(2000 + n)) << n;
}

TEST(StringTable, UnknownIdsRaise) {
    for (int id : {0, 1, 999, 56, 1056, 1999, 2056, -1000}) {
        EXPECT_FALSE(HasResString(id)) << id;
        try {
            LoadResString(id);
            ADD_FAILURE() << "no error for " << id;
        } catch (const RuntimeError& e) {
            EXPECT_EQ(e.Number(), Err::ResourceNotFound);
            EXPECT_EQ(e.Description(), "Resource with identifier '" + std::to_string(id) + "' not found");
        }
    }
}

}  // namespace
}  // namespace kelvora
