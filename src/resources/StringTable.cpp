#include "resources/StringTable.h"

#include <algorithm>
#include <array>
#include <iterator>

#include "common/RuntimeError.h"
#include "common/Text.h"

namespace kelvora {

namespace {

struct Entry {
    Msg message;
    std::array<const char*, LanguageCount> texts;  // in the order of Languages
};

// Blanks at either end are part of the texts: messages are joined to what follows them, and
// menu items start with a blank like their design captions. Ascending by entry.
constexpr Entry Table[] = {
    {Msg::MenuFile, {"File", "Bestand"}},
    {Msg::MenuExit, {" Exit", " Sluiten"}},
    {Msg::MenuOptions, {"Options", "Opties"}},
    {Msg::MenuCheckForUpdates, {" Check for Updates", " Zoeken naar Updates"}},
    {Msg::MenuHelp, {"Help", "Help"}},
    {Msg::MenuHelpItem, {" Help", " Help"}},
    {Msg::MenuAbout, {" About...", " Informatie"}},
    {Msg::MenuLanguage, {"Language", "Taal"}},
    {Msg::FrameInputOutput, {"Input / Output Options", "Invoer / Uitvoer Opties"}},
    {Msg::FrameRar, {"Rar Options", "Rar Opties"}},
    {Msg::FramePar2, {"Par2 Options", "Par2 Opties"}},
    {Msg::LabelSource, {"File / Folder:", "Bestand / Map:"}},
    {Msg::LabelSavePath, {"Save Path:", "Opslag Map:"}},
    {Msg::LabelArchiveName, {"Archive Name:", "Bestandsnaam:"}},
    {Msg::LabelSplitSize, {"Desired Split Size:", "Splitgrootte:"}},
    {Msg::LabelCompression, {"Compression:", "Compressie:"}},
    {Msg::LabelYencLines, {"yEnc Lines:", "yEnc-regels:"}},
    {Msg::LabelBlockSize, {"Block Size:", "Blokgrootte:"}},
    {Msg::LabelFileSize, {"File Size:", "Bestandsgrootte:"}},
    {Msg::ButtonFile, {"File", "..."}},
    {Msg::ButtonFolder, {"Folder", "Map"}},
    {Msg::ButtonSave, {"Save", "Opslaan"}},
    {Msg::CheckNoEmptyFolders, {"Don't add empty sub-directories", "Geen lege sub-mappen toevoegen"}},
    {Msg::CheckPause, {"Pause after Rarring", "Pauzeer na het Rarren"}},
    {Msg::CheckOldNaming, {"Use old style naming scheme", "Gebruik oude naamschema"}},
    {Msg::CheckEfficientSize, {"Calculate most efficient Rar size (Recommended!)", "Calculeer meest effici\xC3\xAB" "nte Rar grootte (Aanbevolen!)"}},
    {Msg::CheckUniformSize, {"Uniform recovery file sizes", "Gelijke grootte herstelbestanden"}},
    {Msg::OptionRedundancy, {"Redundancy (%):", "Herstellen (%):"}},
    {Msg::OptionRecoveryBlocks, {"Recovery Blocks:", "Herstelblokken:"}},
    {Msg::OptionRecoveryFiles, {"Recovery Files:", "Herstelbestanden:"}},
    {Msg::CheckSaveSelected, {"Save selected Rar and Par options", "Geselecteerde Rar en Par opties opslaan"}},
    {Msg::CompressionNone, {"None", "Geen"}},
    {Msg::CompressionNormal, {"Normal", "Normaal"}},
    {Msg::CompressionHigh, {"High", "Hoog"}},
    {Msg::CheckNoMainFolder, {"Don't add main directory name", "Naam hoofdmap niet toevoegen"}},
    {Msg::OnlyNumbers, {"Only numbers are allowed. ", "Alleen nummers zijn toegestaan. "}},
    {Msg::DrivesCannotBeSelected, {"Drives cannot be selected. ", "Harde schijven kunnen niet geselecteerd worden. "}},
    {Msg::RarExeNotFound, {"Rar.exe is not found. Make sure Winrar is installed, then copy 'rar.exe' from the Winrar installation folder to the Kelvora installation folder. ", "Rar.exe is niet gevonden. Zorg dat Winrar geinstalleerd is, kopieer dan 'rar.exe' uit de Winrar installatie map naar de Kelvora installatie map."}},
    {Msg::Par2ExeNotFound, {"Par2.exe is not found. Please reinstall Kelvora.", "Par2.exe is niet gevonden. Herinstalleer Kelvora aub."}},
    {Msg::SplitBelowMinimum, {"Minimum allowed split size is 100.000 bytes. ", "Minimaal toegestane split grootte is 100.000 bytes. "}},
    {Msg::SplitAboveMaximum, {"Maximum allowed split size is 250mb (262.144.000 bytes). ", "Maximaal toegestane split grootte is 250mb (262.144.000 bytes). "}},
    {Msg::StatusRarring, {"Status: Rarring... ", "Status: Rarren... "}},
    {Msg::StatusParring, {"Status: Parring... ", "Status: Parren... "}},
    {Msg::StatusDone, {"Status: Done!", "Status: Klaar!"}},
    {Msg::StatusCanceled, {"Status: Canceled by the user.", "Status: Geannuleerd door de gebruiker."}},
    {Msg::Paused, {"Kelvora is paused. Click 'OK' to continue. ", "Kelvora is gepauzeerd. Klik 'OK' om door te gaan. "}},
    {Msg::NoInput, {"No input file / folder selected. ", "Geen invoer bestand / map geselecteerd. "}},
    {Msg::NoOutputFolder, {"No output folder selected. ", "Geen uitvoer map geselecteerd. "}},
    {Msg::NoOutputName, {"No output name selected. ", "Geen uitvoer naam geselecteerd. "}},
    {Msg::LabelMaxBlocks, {"Max. Blocks:", "Max. Blokken:"}},
    {Msg::ForbiddenCharacters, {"A filename cannot contain any of the following characters:", "De volgende tekens zijn niet toegestaan in een bestandsnaam:"}},
    {Msg::ForbiddenCharacterList, {"\\ / : * ? \" < > |", "\\ / : * ? \" < > |"}},
    {Msg::CheckSeparately, {"Rar / Par all items in this folder separately", "Rar / Par alle items in deze map apart"}},
    {Msg::CheckDateName, {"Use current date as archive name", "Gebruik datum als bestandsnaam"}},
    {Msg::HelpNotFound, {"The Help.chm file cannot be found. ", "Het Help.chm bestand kan niet gevonden worden. "}},
    {Msg::CalculatingSize, {"Calculating file/folder size. Please wait...", "Bestand/map grootte aan het calculeren. Even geduld aub..."}},
    // Tool runs and jobs
    {Msg::ToolFailed, {"The tool %1 failed with exit status %2.", "Het programma %1 is mislukt met afsluitcode %2."}},
    {Msg::ToolSignalled, {"The tool %1 was ended by signal %2.", "Het programma %1 is be\xC3\xAB" "indigd door signaal %2."}},
    {Msg::ToolSaid, {"What it said:", "Wat het meldde:"}},
    {Msg::ArchiverSkippedFiles, {"Some files could not be read; they are missing from the volumes.",
                                 "Sommige bestanden konden niet gelezen worden; ze ontbreken in de delen."}},
    // An item may fail only its check, once packed: "failed", as in English, and no more.
    {Msg::ItemsFailed, {"These items failed:", "Deze items zijn mislukt:"}},
    {Msg::StatusFailed, {"Status: Failed.", "Status: Mislukt."}},
    {Msg::StatusDoneSomeFailed, {"Status: Done, but some items failed.", "Status: Klaar, maar sommige items zijn mislukt."}},
    {Msg::RedundancyTooSmall, {"The redundancy must be a percentage of at least 1. ", "Het herstelpercentage moet minstens 1 zijn. "}},
    {Msg::RecoveryBlocksTooFew, {"The number of recovery blocks must be at least 1. ", "Het aantal herstelblokken moet minstens 1 zijn. "}},
    {Msg::RecoveryFilesTooFew, {"The number of recovery files must be at least 1. ", "Het aantal herstelbestanden moet minstens 1 zijn. "}},
    {Msg::WildcardInSource, {"The archiver reads * and ? in a name as wildcards and would pack other files too. Rename this item first: %1",
                             "Het archiefprogramma leest * en ? in een naam als jokertekens en zou ook andere bestanden inpakken. Hernoem dit item eerst: %1"}},
    // Where the tools are not the Windows ones, the messages that find them missing say what is true.
    {Msg::RarNotFound, {"The archiver rar is not found beside Kelvora in %1. Install Debian's rar package (from the non-free component), or put a rar program there. ",
                        "Het archiefprogramma rar is niet gevonden naast Kelvora in %1. Installeer het rar-pakket van Debian (uit de component non-free), of zet daar een rar-programma neer. "}},
    {Msg::Par2NotFound, {"The PAR2 tool par2 is not found beside Kelvora in %1. Install Debian's par2 package, or put a par2 program there. ",
                         "Het PAR2-programma par2 is niet gevonden naast Kelvora in %1. Installeer het par2-pakket van Debian, of zet daar een par2-programma neer. "}},
    // Drag and drop, the start-up path
    {Msg::DropNotLocal, {"Only files and folders on this computer can be dropped here.",
                         "Alleen bestanden en mappen op deze computer kunnen hier neergezet worden."}},
    {Msg::DropOneItem, {"Drop one file or folder at a time.", "Zet \xC3\xA9\xC3\xA9n bestand of map tegelijk neer."}},
    {Msg::NotFound, {"%1 cannot be found.", "%1 kan niet gevonden worden."}},
    {Msg::StartupPathNotUtf8, {"Kelvora was started with a path that is not valid UTF-8 text, which it cannot use: %1",
                               "Kelvora is gestart met een pad dat geen geldige UTF-8-tekst is en dat het niet kan gebruiken: %1"}},
    // Settings
    {Msg::SettingsNotSaved, {"Your choices could not be saved in %1.", "Uw instellingen konden niet in %1 worden opgeslagen."}},
    // The confirmation of separate items, put together from these pieces
    {Msg::SeparateFound, {"The following items have been found in this folder: ", "De volgende items zijn gevonden in deze map: "}},
    {Msg::SeparateFiles, {"Files: ", "Bestanden: "}},
    {Msg::SeparateFolders, {"Folders: ", "Mappen: "}},
    {Msg::SeparateAll, {"All %1 items will be rarred & parred separately.", "Alle %1 items zullen apart gerarred & geparred worden."}},
    {Msg::SeparateNames, {"The archive names will be created based on the item names. ",
                          "Bestandsnamen worden gemaakt op basis van de item namen. "}},
    {Msg::SeparateSure, {"Are you sure? ", "Weet u het zeker? "}},
    {Msg::SeparateTitle, {"Confirmation", "Bevestiging"}},
    // Checking what a job made
    {Msg::MenuVerify, {" Verify after packing", " Controleren na het inpakken"}},
    {Msg::StatusVerifying, {"Status: Verifying... ", "Status: Controleren... "}},
    {Msg::VerifyRepairable, {"par2 verify found damage in the new volumes (repair is possible): they were not written as they should be.",
                             "par2 verify vond schade in de nieuwe delen (herstel is mogelijk): ze zijn niet goed weggeschreven."}},
    {Msg::Verified, {"The volumes and recovery files have been checked and are sound.",
                     "De delen en herstelbestanden zijn gecontroleerd en in orde."}},
    // The command line
    {Msg::SeparatelyNeedsFolder, {"--separately takes a folder, whose items are packed one by one: %1",
                                  "--separately werkt alleen met een map, waarvan de items een voor een worden ingepakt: %1"}},
    {Msg::SettingsUnusable, {"%1 holds no choices Kelvora saved; the defaults are used.",
                             "%1 bevat geen door Kelvora opgeslagen instellingen; de standaardinstellingen worden gebruikt."}},
};

const Entry* FindEntry(int n) {
    const auto it = std::lower_bound(std::begin(Table), std::end(Table), n,
                                     [](const Entry& e, int wanted) { return static_cast<int>(e.message) < wanted; });
    return it != std::end(Table) && static_cast<int>(it->message) == n ? &*it : nullptr;
}

}  // namespace

const LanguageInfo& InfoOf(Language language) {
    for (const LanguageInfo& info : Languages)
        if (info.language == language) return info;
    return Languages.front();
}

std::optional<Language> LanguageNumbered(int number) {
    for (const LanguageInfo& info : Languages)
        if (info.number == number) return info.language;
    return std::nullopt;
}

std::optional<Language> LanguageCoded(const std::string& code) {
    for (const LanguageInfo& info : Languages)
        if (EqualsNoCase(code, info.code)) return info.language;
    return std::nullopt;
}

std::string LoadResString(int id) {
    for (std::size_t k = 0; k < LanguageCount; ++k) {
        const int n = id - Languages[k].idBase;
        if (n < 0 || n >= 1000) continue;
        if (const Entry* entry = FindEntry(n)) return entry->texts[k];
    }
    Raise(Err::ResourceNotFound, "Resource with identifier '" + std::to_string(id) + "' not found");
}

std::string Text(Msg message, Language language) { return LoadResString(InfoOf(language).idBase + static_cast<int>(message)); }

std::string Text(Msg message, Language language, const std::vector<std::string>& fillIns) {
    return FillIn(Text(message, language), fillIns);
}

std::vector<Msg> StringTableEntries() {
    std::vector<Msg> entries;
    for (const Entry& e : Table) entries.push_back(e.message);
    return entries;
}

}  // namespace kelvora
