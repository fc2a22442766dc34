#pragma once
#include <gtest/gtest.h>

#include <chrono>
#include <deque>
#include <functional>
#include <stdexcept>
#include <string>
#include <vector>

#include "window/Desktop.h"

namespace kelvora::test {

// A desktop for tests: records every message box and answers from a queue, runs scripted
// actions when a condition holds at a DoEvents, and returns scripted dialog results. A scripted
// action that never ran fails the test (its condition never held: the test tested nothing), and
// an event loop still turning after `bound` fails it too, at once, instead of hanging.
class ScriptedDesktop : public Desktop {
public:
    ~ScriptedDesktop() override {
        if (!pending_.empty()) ADD_FAILURE() << pending_.size() << " scripted action(s) never ran";
    }

    struct Box { std::string text; MsgButtons buttons; MsgIcon icon; std::string title; };
    MsgAnswer MsgBox(const std::string& text, MsgButtons buttons, MsgIcon icon, const std::string& title) override {
        boxes.push_back({text, buttons, icon, title});
        if (onMsgBox) onMsgBox(boxes.back());
        return buttons == MsgButtons::OK ? MsgAnswer::OK : Next(answers, MsgAnswer::Yes);
    }
    void DoEvents() override {
        ++doEventsCalls;
        if (std::chrono::steady_clock::now() - born_ > bound) {
            bound = std::chrono::hours(1);  // once: the unwinding may turn the loop again
            ADD_FAILURE() << "the event loop still turns after its bound: something hangs";
            throw std::runtime_error("the event loop ran past its bound");
        }
        for (auto& watch : watchers_) watch();
        // Take the due actions out first: an action may itself pump events.
        std::vector<std::function<void()>> due;
        for (auto it = pending_.begin(); it != pending_.end();)
            if (it->first()) due.push_back(std::move(it->second)), it = pending_.erase(it);
            else ++it;
        for (auto& action : due) action();
    }
    // A turn of the scripted loop: a short wait for the source (bounded, so scripted actions
    // still come while a child is silent), then one DoEvents.
    void WaitForSourceOrEvents(platform::WaitHandle source, int timeoutMs = -1) override {
        platform::WaitForHandle(source, timeoutMs < 0 || timeoutMs > 20 ? 20 : timeoutMs);
        DoEvents();
    }
    std::string BrowseForFolder(const std::string&) override { return Next(folderResults, std::string()); }
    std::string ShowOpenFileDialog() override { return Next(fileResults, std::string()); }
    bool OpenDocument(const std::string& path) override { return openedDocuments.push_back(path), true; }
    void ShowAbout() override { ++aboutShown; }
    void CloseMainWindow() override {}
    double TextWidthPx(const std::string& text) override { return 7.0 * static_cast<double>(text.size()); }
    double TextHeightPx(const std::string&) override { return 13.0; }
    DateTime Now() override { return clock; }

    // Runs `action` once, at the first DoEvents for which `when` is true.
    void When(std::function<bool()> when, std::function<void()> action) { pending_.push_back({std::move(when), std::move(action)}); }
    // Runs `watch` at every DoEvents.
    void Every(std::function<void()> watch) { watchers_.push_back(std::move(watch)); }
    // The texts of the boxes shown since the last call, each followed by ";" ("!;" after an
    // exclamation box).
    std::string TakeBoxes() {
        std::string all;
        for (const auto& b : boxes) all += b.text + (b.icon == MsgIcon::Exclamation ? "!;" : ";");
        boxes.clear();
        return all;
    }

    std::function<void(const Box&)> onMsgBox;  // runs as a box is shown, before it is answered
    std::vector<Box> boxes;
    std::deque<MsgAnswer> answers;  // answers for Yes/No boxes; Yes when empty
    std::deque<std::string> folderResults, fileResults;
    std::vector<std::string> openedDocuments;
    DateTime clock{2026, 12, 5, 9, 12, 37};
    long doEventsCalls = 0;
    int aboutShown = 0;
    std::chrono::steady_clock::duration bound = std::chrono::seconds(60);

private:
    template <typename T>
    static T Next(std::deque<T>& queue, T otherwise) {
        if (!queue.empty()) otherwise = queue.front(), queue.pop_front();
        return otherwise;
    }
    std::vector<std::pair<std::function<bool()>, std::function<void()>>> pending_;
    std::vector<std::function<void()>> watchers_;
    const std::chrono::steady_clock::time_point born_ = std::chrono::steady_clock::now();
};

}  // namespace kelvora::test
