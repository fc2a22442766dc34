#include "ScriptedDesktop.h"

namespace kelvora::test {

void ScriptedDesktop::DoEvents() {
    ++doEventsCalls;
    // Take the due actions out first: an action may itself pump events.
    std::vector<std::function<void()>> due;
    for (auto it = pending_.begin(); it != pending_.end();) {
        if (it->first()) {
            due.push_back(std::move(it->second));
            it = pending_.erase(it);
        } else {
            ++it;
        }
    }
    for (auto& action : due) action();
}

std::string ScriptedDesktop::TakeBoxes() {
    std::string all;
    for (const auto& b : boxes) all += b.text + (b.icon == MsgIcon::Exclamation ? "!;" : ";");
    boxes.clear();
    return all;
}

}  // namespace kelvora::test
