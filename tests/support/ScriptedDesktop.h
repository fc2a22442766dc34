#pragma once
#include <deque>
#include <functional>
#include <map>
#include <string>
#include <vector>

#include "window/Desktop.h"

namespace kelvora::test {

// A desktop for tests: records every message box and answers from a queue, runs scripted
// actions at a given DoEvents call, and returns scripted dialog results.
class ScriptedDesktop : public Desktop {
public:
    struct Box {
        std::string text;
        MsgButtons buttons;
        MsgIcon icon;
        std::string title;
    };

    MsgAnswer MsgBox(const std::string& text, MsgButtons buttons, MsgIcon icon, const std::string& title) override;
    void DoEvents() override;
    // A turn of the scripted loop: a short wait for the source, then one DoEvents.
    void WaitForSourceOrEvents(platform::WaitHandle source, int timeoutMs = -1) override;
    std::string BrowseForFolder(const std::string& title) override;
    std::string ShowOpenFileDialog() override;
    bool OpenDocument(const std::string& path) override;
    void ShowAbout() override { ++aboutShown; }
    void CloseMainWindow() override {}
    double TextWidthPx(const std::string& text) override { return 7.0 * static_cast<double>(text.size()); }
    double TextHeightPx(const std::string&) override { return 13.0; }
    DateTime Now() override { return clock; }

    // Runs `action` once, at the n-th DoEvents from now (1 = the next one).
    void AtDoEvents(int n, std::function<void()> action);
    // Runs `action` at the first DoEvents for which `when` is true.
    void When(std::function<bool()> when, std::function<void()> action);
    // Runs `action` whenever a message box is shown (before it is answered).
    std::function<void(const Box&)> onMsgBox;

    // The texts of the boxes shown since the last call, each followed by ";" ("!;" after an
    // exclamation box).
    std::string TakeBoxes();

    std::vector<Box> boxes;
    std::deque<MsgAnswer> answers;  // answers for Yes/No boxes; Yes when empty
    std::deque<std::string> folderResults;
    std::deque<std::string> fileResults;
    std::vector<std::string> openedDocuments;
    DateTime clock{2026, 12, 5, 9, 12, 37};
    long doEventsCalls = 0;
    int aboutShown = 0;

private:
    struct Pending {
        long at = 0;
        std::function<bool()> when;
        std::function<void()> action;
    };
    std::vector<Pending> pending_;
};

}  // namespace kelvora::test
