#pragma once
#include <string>
#include <vector>

#include "resources/Languages.h"

namespace kelvora {

// The entries of the string table by name. Entry n has the id base + n in each language (1000 +
// n in English, 2000 + n in Dutch); "%1", "%2", ... in a text stand for what is filled in.
enum class Msg : int {
    // Captions and list items of the window
    MenuFile = 0, MenuExit = 1, MenuOptions = 2, MenuCheckForUpdates = 3, MenuHelp = 4, MenuHelpItem = 5,
    MenuAbout = 6, MenuLanguage = 7, FrameInputOutput = 8, FrameRar = 9, FramePar2 = 10,
    LabelSource = 11, LabelSavePath = 12, LabelArchiveName = 13, LabelSplitSize = 14, LabelCompression = 15,
    LabelYencLines = 16, LabelBlockSize = 17, LabelFileSize = 18, ButtonFile = 19, ButtonFolder = 20,
    ButtonSave = 21, CheckNoEmptyFolders = 22, CheckPause = 23, CheckOldNaming = 24, CheckEfficientSize = 25,
    CheckUniformSize = 26, OptionRedundancy = 27, OptionRecoveryBlocks = 28, OptionRecoveryFiles = 29,
    CheckSaveSelected = 30, CompressionNone = 31, CompressionNormal = 32, CompressionHigh = 33,
    CheckNoMainFolder = 34,
    // Messages, status lines and the window caption while measuring
    OnlyNumbers = 35, DrivesCannotBeSelected = 36, RarExeNotFound = 37, Par2ExeNotFound = 38,
    SplitBelowMinimum = 39, SplitAboveMaximum = 40, StatusRarring = 41, StatusParring = 42, StatusDone = 43,
    StatusCanceled = 44, Paused = 45, NoInput = 46, NoOutputFolder = 47, NoOutputName = 48,
    LabelMaxBlocks = 49, ForbiddenCharacters = 50, ForbiddenCharacterList = 51, CheckSeparately = 52,
    CheckDateName = 53, HelpNotFound = 54, CalculatingSize = 55,
    // Tool runs and jobs
    ToolFailed = 56, ToolSignalled = 57, ToolSaid = 58, ArchiverSkippedFiles = 59, ItemsFailed = 60,
    StatusFailed = 61, StatusDoneSomeFailed = 62, RedundancyTooSmall = 63, RecoveryBlocksTooFew = 64,
    RecoveryFilesTooFew = 65, WildcardInSource = 66, RarNotFound = 67, Par2NotFound = 68,
    // Drag and drop, the start-up path
    DropNotLocal = 70, DropOneItem = 71, NotFound = 72, StartupPathNotUtf8 = 73,
    // Settings
    SettingsNotSaved = 80,
    // The confirmation of separate items
    SeparateFound = 90, SeparateFiles = 91, SeparateFolders = 92, SeparateAll = 93, SeparateNames = 94,
    SeparateSure = 95, SeparateTitle = 96,
    // Checking what a job made
    MenuVerify = 100, StatusVerifying = 101, VerifyRepairable = 102, Verified = 103,
    // The command line
    SeparatelyNeedsFolder = 110, SettingsUnusable = 111,
};

// The text of an entry in a language.
std::string Text(Msg message, Language language);
// The same with "%1", "%2", ... filled in.
std::string Text(Msg message, Language language, const std::vector<std::string>& fillIns);

}  // namespace kelvora
