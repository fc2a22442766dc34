#include "resources/StringTable.h"

#include "common/RuntimeError.h"

namespace kelvora {

namespace {

struct Entry {
    const char* english;
    const char* dutch;
};

// Blanks at either end are part of the texts: messages are joined to what follows them, and
// menu items start with a blank like their design captions.
constexpr Entry Table[StringTableEntries] = {
    {"File", "Bestand"},  // 0
    {" Exit", " Sluiten"},  // 1
    {"Options", "Opties"},  // 2
    {" Check for Updates", " Zoeken naar Updates"},  // 3
    {"Help", "Help"},  // 4
    {" Help", " Help"},  // 5
    {" About...", " Informatie"},  // 6
    {"Language", "Taal"},  // 7
    {"Input / Output Options", "Invoer / Uitvoer Opties"},  // 8
    {"Rar Options", "Rar Opties"},  // 9
    {"Par2 Options", "Par2 Opties"},  // 10
    {"File / Folder:", "Bestand / Map:"},  // 11
    {"Save Path:", "Opslag Map:"},  // 12
    {"Archive Name:", "Bestandsnaam:"},  // 13
    {"Desired Split Size:", "Splitgrootte:"},  // 14
    {"Compression:", "Compressie:"},  // 15
    {"yEnc Lines:", "yEnc-regels:"},  // 16
    {"Block Size:", "Blokgrootte:"},  // 17
    {"File Size:", "Bestandsgrootte:"},  // 18
    {"File", "..."},  // 19
    {"Folder", "Map"},  // 20
    {"Save", "Opslaan"},  // 21
    {"Don't add empty sub-directories", "Geen lege sub-mappen toevoegen"},  // 22
    {"Pause after Rarring", "Pauzeer na het Rarren"},  // 23
    {"Use old style naming scheme", "Gebruik oude naamschema"},  // 24
    {"Calculate most efficient Rar size (Recommended!)", "Calculeer meest effici\xC3\xAB" "nte Rar grootte (Aanbevolen!)"},  // 25
    {"Uniform recovery file sizes", "Gelijke grootte herstelbestanden"},  // 26
    {"Redundancy (%):", "Herstellen (%):"},  // 27
    {"Recovery Blocks:", "Herstelblokken:"},  // 28
    {"Recovery Files:", "Herstelbestanden:"},  // 29
    {"Save selected Rar and Par options", "Geselecteerde Rar en Par opties opslaan"},  // 30
    {"None", "Geen"},  // 31
    {"Normal", "Normaal"},  // 32
    {"High", "Hoog"},  // 33
    {"Don't add main directory name", "Naam hoofdmap niet toevoegen"},  // 34
    {"Only numbers are allowed. ", "Alleen nummers zijn toegestaan. "},  // 35
    {"Drives cannot be selected. ", "Harde schijven kunnen niet geselecteerd worden. "},  // 36
    {"Rar.exe is not found. Make sure Winrar is installed, then copy 'rar.exe' from the Winrar installation folder to the Kelvora installation folder. ", "Rar.exe is niet gevonden. Zorg dat Winrar geinstalleerd is, kopieer dan 'rar.exe' uit de Winrar installatie map naar de Kelvora installatie map."},  // 37
    {"Par2.exe is not found. Please reinstall Kelvora.", "Par2.exe is niet gevonden. Herinstalleer Kelvora aub."},  // 38
    {"Minimum allowed split size is 100.000 bytes. ", "Minimaal toegestane split grootte is 100.000 bytes. "},  // 39
    {"Maximum allowed split size is 250mb (262.144.000 bytes). ", "Maximaal toegestane split grootte is 250mb (262.144.000 bytes). "},  // 40
    {"Status: Rarring... ", "Status: Rarren... "},  // 41
    {"Status: Parring... ", "Status: Parren... "},  // 42
    {"Status: Done!", "Status: Klaar!"},  // 43
    {"Status: Canceled by the user.", "Status: Geannuleerd door de gebruiker."},  // 44
    {"Kelvora is paused. Click 'OK' to continue. ", "Kelvora is gepauzeerd. Klik 'OK' om door te gaan. "},  // 45
    {"No input file / folder selected. ", "Geen invoer bestand / map geselecteerd. "},  // 46
    {"No output folder selected. ", "Geen uitvoer map geselecteerd. "},  // 47
    {"No output name selected. ", "Geen uitvoer naam geselecteerd. "},  // 48
    {"Max. Blocks:", "Max. Blokken:"},  // 49
    {"A filename cannot contain any of the following characters:", "De volgende tekens zijn niet toegestaan in een bestandsnaam:"},  // 50
    {"\\ / : * ? \" < > |", "\\ / : * ? \" < > |"},  // 51
    {"Rar / Par all items in this folder separately", "Rar / Par alle items in deze map apart"},  // 52
    {"Use current date as archive name", "Gebruik datum als bestandsnaam"},  // 53
    {"The Help.chm file cannot be found. ", "Het Help.chm bestand kan niet gevonden worden. "},  // 54
    {"Calculating file/folder size. Please wait...", "Bestand/map grootte aan het calculeren. Even geduld aub..."},  // 55
};

// The program's own further messages, beyond the classic table: entry n is id 1000 + n in
// English and 2000 + n in Dutch, like the others. Gaps are allowed; each concern has a range.
struct FurtherEntry {
    int n;
    Entry texts;
};
constexpr FurtherEntry Further[] = {
    // 56-69: tool runs and jobs
    {56, {"The tool %1 failed with exit status %2.", "Het programma %1 is mislukt met afsluitstatus %2."}},
    {57, {"The tool %1 was ended by signal %2.", "Het programma %1 is beeindigd door signaal %2."}},
    {58, {"What it said:", "Wat het meldde:"}},
    {60, {"These items failed:", "Deze items zijn mislukt:"}},
    {61, {"Status: Failed.", "Status: Mislukt."}},
    {62, {"Status: Done, but some items failed.", "Status: Klaar, maar sommige items zijn mislukt."}},
    {63, {"The redundancy must be a percentage of at least 1. ", "De redundantie moet een percentage van minstens 1 zijn. "}},
    {64, {"The number of recovery blocks must be at least 1. ", "Het aantal herstelblokken moet minstens 1 zijn. "}},
    {65, {"The number of recovery files must be at least 1. ", "Het aantal herstelbestanden moet minstens 1 zijn. "}},
    {66, {"The archiver reads * and ? in a name as wildcards and would pack other files too. Rename this item first: %1",
          "De archiver leest * en ? in een naam als jokertekens en zou ook andere bestanden inpakken. Hernoem dit item eerst: %1"}},
    // Where the tools are not the Windows ones, the messages that find them missing say what is true.
    {67, {"The archiver rar is not found beside Kelvora in %1. Install Debian's rar package (from the non-free component), or put a rar program there. ",
          "Het archiefprogramma rar is niet gevonden naast Kelvora in %1. Installeer het rar-pakket van Debian (uit de non-free-component), of zet daar een rar-programma neer. "}},
    {68, {"The PAR2 tool par2 is not found beside Kelvora in %1. Install Debian's par2 package, or put a par2 program there. ",
          "Het PAR2-programma par2 is niet gevonden naast Kelvora in %1. Installeer het par2-pakket van Debian, of zet daar een par2-programma neer. "}},
    // 70-74: drag, drop and the start-up path
    {70, {"Only files and folders on this computer can be dropped here.",
          "Alleen bestanden en mappen op deze computer kunnen hier neergezet worden."}},
    {71, {"Drop one file or folder at a time.", "Zet \xC3\xA9\xC3\xA9n bestand of map tegelijk neer."}},
    {72, {"%1 cannot be found.", "%1 kan niet gevonden worden."}},
    {73, {"Kelvora was started with a path that is not valid UTF-8 text, which it cannot use: %1",
          "Kelvora is gestart met een pad dat geen geldige UTF-8-tekst is en dat het niet kan gebruiken: %1"}},
    // 80-89: settings and start-up
    {80, {"Your choices could not be saved in %1.", "Uw keuzes konden niet worden opgeslagen in %1."}},
};

const Entry* FindEntry(int n) {
    if (n >= 0 && n < StringTableEntries) return &Table[n];
    for (const auto& e : Further)
        if (e.n == n) return &e.texts;
    return nullptr;
}

const char* Find(int id) {
    const bool english = id >= EnglishBase && id < DutchBase;
    const bool dutch = id >= DutchBase && id < DutchBase + 1000;
    if (!english && !dutch) return nullptr;
    const Entry* entry = FindEntry(id - (english ? EnglishBase : DutchBase));
    if (!entry) return nullptr;
    return english ? entry->english : entry->dutch;
}

}  // namespace

std::string LoadResString(int id) {
    const char* text = Find(id);
    if (!text) Raise(Err::ResourceNotFound, "Resource with identifier '" + std::to_string(id) + "' not found");
    return text;
}

bool HasResString(int id) { return Find(id) != nullptr; }

std::vector<int> FurtherMessageEntries() {
    std::vector<int> entries;
    for (const auto& e : Further) entries.push_back(e.n);
    return entries;
}

}  // namespace kelvora
