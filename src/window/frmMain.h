#pragma once
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "controls/Control.h"
#include "resources/Messages.h"

namespace kelvora {

class Desktop;
class DOSOutputs;
class Job;

// Program-wide job values: the desired split size in bytes (set at every Start, 0 for no split)
// and the number of volumes the archiver is expected to write (0 until first set).
inline int32_t SplitBytes = 0;
inline int32_t ExpectedVolumes = 0;

// An indexed array of alike controls, addressed as Label[3].
template <typename T>
class ControlArray {
public:
    ControlArray(const std::string& name, int count) {
        for (int i = 0; i < count; ++i)
            items_.push_back(std::make_unique<T>(name + "(" + std::to_string(i) + ")"));
    }
    T& operator[](int index) { return *items_.at(static_cast<size_t>(index)); }
    const T& operator[](int index) const { return *items_.at(static_cast<size_t>(index)); }
    int Count() const { return static_cast<int>(items_.size()); }

private:
    std::vector<std::unique_ptr<T>> items_;
};

// The window itself: its caption and its client area.
class Window : public CaptionedControl {
public:
    using CaptionedControl::CaptionedControl;
    // Client area in twips.
    int ClientWidth = 8175;
    int ClientHeight = 6555;
};

// The main window model: every control by its name and the window's state. It knows no
// handler; app/Wiring.cpp connects the reactions.
class frmMain {
public:
    explicit frmMain(Desktop& desktop);
    ~frmMain();
    frmMain(const frmMain&) = delete;
    frmMain& operator=(const frmMain&) = delete;

    Desktop& desktop;
    // The program folder: tools and help are looked for here and nowhere else, the settings too
    // while the user may write it.
    std::string AppPath;

    Window Me{"frmMain"};

    // Menus
    MenuItem mnuFile{"mnuFile"};
    MenuItem mnuVerify{"mnuVerify"};  // check what a job made; kept with the other choices
    MenuItem mnuLine1{"mnuLine1"};
    MenuItem mnuExit{"mnuExit"};
    MenuItem mnuH{"mnuH"};
    MenuItem mnuHelp{"mnuHelp"};
    MenuItem mnuLine4{"mnuLine4"};
    MenuItem mnuAbout{"mnuAbout"};
    MenuItem mnuLanguage{"mnuLanguage"};
    MenuItem mnuEnglish{"mnuEnglish"};
    MenuItem mnuLine3{"mnuLine3"};
    MenuItem mnuNederlands{"mnuNederlands"};

    // Window level
    Frame Frame1{"Frame1"};
    Frame Frame2{"Frame2"};
    Frame Frame3{"Frame3"};
    Panel Picture1{"Picture1"};
    Panel Picture2{"Picture2"};
    Panel Picture3{"Picture3"};
    kelvora::Label lblStatus{"lblStatus"};
    PictureBox PicPB{"PicPB"};
    CommandButton cmdProcess{"cmdProcess"};
    CheckBox chkSaveSelected{"chkSaveSelected"};

    ControlArray<kelvora::Label> Label{"Label", 9};

    // Input / output
    TextBox txtInput{"txtInput"};
    CommandButton cmdBrowseFile{"cmdBrowseFile"};
    CommandButton cmdBrowseFolder{"cmdBrowseFolder"};
    TextBox txtOutput{"txtOutput"};
    CommandButton cmdBrowseSave{"cmdBrowseSave"};
    TextBox txtArchiveName{"txtArchiveName"};
    CheckBox chkMaskName{"chkMaskName"};
    OptionGroup optMaskStyle{"optMaskStyle", 2};
    CheckBox chkSeparately{"chkSeparately"};

    // Archiver options
    ComboBox cboSplitSize{"cboSplitSize", ComboBox::Style::Editable};
    ComboBox cboFormat{"cboFormat", ComboBox::Style::ListOnly};
    ComboBox cboCompression{"cboCompression", ComboBox::Style::ListOnly};
    CheckBox chkAddEmpty{"chkAddEmpty"};
    CheckBox chkNoMainDir{"chkNoMainDir"};
    CheckBox chkPause{"chkPause"};
    CheckBox chkOldNaming{"chkOldNaming"};
    CheckBox chkCalculateEff{"chkCalculateEff"};

    // PAR2 options
    ComboBox cboLines{"cboLines", ComboBox::Style::ListOnly};
    TextBox txtBlockSize{"txtBlockSize"};
    TextBox txtEstimatedSize{"txtEstimatedSize"};
    TextBox txtMaxBlocks{"txtMaxBlocks"};
    OptionGroup OptPars{"OptPars", 3};
    ComboBox cboRedundancy{"cboRedundancy", ComboBox::Style::ListOnly};
    TextBox txtRecoveryBlocks{"txtRecoveryBlocks"};
    VScrollBar ScrollRecoveryBlocks{"ScrollRecoveryBlocks"};
    ComboBox cboRecoveryFiles{"cboRecoveryFiles", ComboBox::Style::ListOnly};
    CheckBox chkUniformSize{"chkUniformSize"};

    // State of the window
    std::unique_ptr<DOSOutputs> objDOS;
    bool JobRunning = false;
    bool RarStage = false;
    int32_t VolumesDone = 0;
    std::optional<std::vector<std::string>> SeparateItems;  // nullopt = released
    std::string SavedArchiveName;
    // A source is being measured: Start waits for it.
    bool MeasuringSource = false;
    // The job of the run in progress, from its start until its end has been shown.
    Job* RunningJob = nullptr;

    // The language applied last; only the language module sets it.
    Language CurrentLanguage = Language::English;
    // A message of the string table in that language.
    std::string MessageText(Msg message) const { return Text(message, CurrentLanguage); }

    // Every control, for the view and for tests (menus, frames, then the rest).
    std::vector<Control*> AllControls();
    Control* FindControl(const std::string& name);
    // The three menu titles, left to right.
    std::vector<MenuItem*> Menus() { return {&mnuFile, &mnuH, &mnuLanguage}; }

private:
    void BuildMenus();
    void BuildControls();
};

}  // namespace kelvora
