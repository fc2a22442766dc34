#pragma once
#include <optional>
#include <string>

#include "resources/Languages.h"

namespace kelvora {

// The choices Settings.ini keeps, each as the window stores it: a list by its position (-1 for
// no item), a check box by its value (0, 1, 2 = greyed), the recovery option by its index.
struct SavedChoices {
    int compression = 0;    // "None", "Normal", "High"
    int format = 0;         // "Bytes", "MegaBytes"
    int noMainDir = 0;
    int noEmpty = 0;
    int pause = 0;
    int oldNaming = 0;
    int calculateEff = 1;
    int optPars = 0;        // redundancy, recovery blocks, recovery files; -1 when none was selected
    int redundancy = 1;     // "5", "10", ... "100"
    int recoveryFiles = 4;  // "1" ... "10"
    int yEncLines = 3;      // "1500" ... "5000"
    int uniformSize = 0;
    int saveSelected = 0;
    Language language = Language::English;
    // Kept under a key of its own, written only while it is on (or once the file has it).
    bool verify = false;
    friend bool operator==(const SavedChoices&, const SavedChoices&) = default;
};

// The choices in a settings file. None when there is no such file, or it may not be read (not a
// regular file of a sane size), or any value is one no control would show: then the whole
// default set counts. A list may hold no item only where the commands do without it (the
// compression and the unit).
std::optional<SavedChoices> ReadSavedChoices(const std::string& path);
// The same for a file's whole content.
std::optional<SavedChoices> ParseSavedChoices(const std::string& content);

// Writes them into the file, keeping its other lines; false when that failed.
bool WriteSavedChoices(const SavedChoices& choices, const std::string& path);

}  // namespace kelvora
