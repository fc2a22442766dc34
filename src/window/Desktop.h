#pragma once
#include <string>

#include "common/Version.h"
#include "runner/EventPump.h"

namespace kelvora {

enum class MsgButtons { OK, YesNo };
enum class MsgIcon { None, Critical, Question, Exclamation, Information };
enum class MsgAnswer { OK, Yes, No };

// A local date and time as the clock reports it.
struct DateTime {
    int year = 2000, month = 1, day = 1, hour = 0, minute = 0, second = 0;
};

// Everything the behaviour needs from the toolkit. The Qt window implements it; tests use a
// scripted fake (tests/support/ScriptedDesktop). Its event loop is also what tool runs pump.
class Desktop : public EventPump {
public:

    // A modal message box; returns the answer (OK for a box with only OK).
    virtual MsgAnswer MsgBox(const std::string& text, MsgButtons buttons, MsgIcon icon, const std::string& title) = 0;
    // The runner's failures: a critical box with one OK button, titled with the program's name.
    void ShowRunnerFailure(const std::string& text) final {
        MsgBox(text, MsgButtons::OK, MsgIcon::Critical, AppTitle);
    }
    // Folder browser: only real folders; the full path, or "" on cancel.
    virtual std::string BrowseForFolder(const std::string& title) = 0;
    // Open-file dialog: one existing file; the full path, or "" on cancel.
    virtual std::string ShowOpenFileDialog() = 0;
    // Opens a file with the desktop's viewer; false when nothing could be asked to open it.
    virtual bool OpenDocument(const std::string& path) = 0;
    // Shows the About window modally.
    virtual void ShowAbout() = 0;
    // Asks the main window to close, as the close box does.
    virtual void CloseMainWindow() = 0;
    // Size of a text in the progress box's font, in pixels.
    virtual double TextWidthPx(const std::string& text) = 0;
    virtual double TextHeightPx(const std::string& text) = 0;
    // The local clock.
    virtual DateTime Now() = 0;
};

}  // namespace kelvora
