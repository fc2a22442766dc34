#include "ScriptedDesktop.h"

#include <algorithm>

namespace kelvora::test {

MsgAnswer ScriptedDesktop::MsgBox(const std::string& text, MsgButtons buttons, MsgIcon icon, const std::string& title) {
    boxes.push_back({text, buttons, icon, title});
    if (onMsgBox) onMsgBox(boxes.back());
    if (buttons == MsgButtons::OK) return MsgAnswer::OK;
    if (answers.empty()) return MsgAnswer::Yes;
    MsgAnswer a = answers.front();
    answers.pop_front();
    return a;
}

void ScriptedDesktop::DoEvents() {
    ++doEventsCalls;
    // Take the due actions out first: an action may itself pump events.
    std::vector<std::function<void()>> due;
    for (auto it = pending_.begin(); it != pending_.end();) {
        bool fire = it->when ? it->when() : it->at <= doEventsCalls;
        if (fire) {
            due.push_back(std::move(it->action));
            it = pending_.erase(it);
        } else {
            ++it;
        }
    }
    for (auto& action : due) action();
}

void ScriptedDesktop::WaitForSourceOrEvents(platform::WaitHandle source, int timeoutMs) {
    // Bounded, so scripted actions still come while a child is silent.
    constexpr int TurnMs = 20;
    platform::WaitForHandle(source, timeoutMs < 0 ? TurnMs : std::min(timeoutMs, TurnMs));
    DoEvents();
}

std::string ScriptedDesktop::BrowseForFolder(const std::string&) {
    if (folderResults.empty()) return "";
    std::string r = folderResults.front();
    folderResults.pop_front();
    return r;
}

std::string ScriptedDesktop::ShowOpenFileDialog() {
    if (fileResults.empty()) return "";
    std::string r = fileResults.front();
    fileResults.pop_front();
    return r;
}

bool ScriptedDesktop::OpenDocument(const std::string& path) {
    openedDocuments.push_back(path);
    return true;
}

std::string ScriptedDesktop::TakeBoxes() {
    std::string all;
    for (const auto& b : boxes) all += b.text + (b.icon == MsgIcon::Exclamation ? "!;" : ";");
    boxes.clear();
    return all;
}

void ScriptedDesktop::AtDoEvents(int n, std::function<void()> action) {
    pending_.push_back({doEventsCalls + n, nullptr, std::move(action)});
}

void ScriptedDesktop::When(std::function<bool()> when, std::function<void()> action) {
    pending_.push_back({0, std::move(when), std::move(action)});
}

}  // namespace kelvora::test
