#include "sizing/Sizes.h"

#include <chrono>
#include <filesystem>
#include <system_error>
#include <vector>

#include "platform/FileSystem.h"
#include "platform/Utf8Path.h"

namespace kelvora {

namespace {

// Lets the window process its events during a long walk, but not after every entry: that
// would make a tree of a million entries many times slower than the walk itself.
class RefreshThrottle {
public:
    explicit RefreshThrottle(const std::function<void()>& refresh) : refresh_(refresh) {}

    void Tick() {
        if (!refresh_ || ++entries_ % CheckEvery != 0) return;
        const auto now = Clock::now();
        if (now - last_ < Interval) return;
        refresh_();
        // Counted from the end of the refresh, so a slow one still leaves the walk its time.
        last_ = Clock::now();
    }

private:
    using Clock = std::chrono::steady_clock;
    static constexpr unsigned CheckEvery = 128;  // entries between two looks at the clock
    static constexpr auto Interval = std::chrono::milliseconds(20);

    const std::function<void()>& refresh_;
    unsigned entries_ = 0;
    Clock::time_point last_ = Clock::now();
};

}  // namespace

int64_t GetFileSizeBytes(const std::string& path) { return platform::FileSize(path); }

std::string AddBackslash(const std::string& path) {
    if (!path.empty() && path.back() == platform::PathSeparator) return path;
    return path + platform::PathSeparator;
}

int64_t GetFolderSize(const std::string& path, const std::function<void()>& refresh) {
    const auto attributes = platform::GetAttributes(path);
    if (!attributes) return 0;
    if (!(*attributes & platform::AttrDirectory)) {
        // The path itself may be a link to a folder: the user chose it, so it is measured. Links
        // met inside the walk are never followed.
        std::error_code ec;
        if (!std::filesystem::is_directory(platform::Utf8Path(path), ec)) return GetFileSizeBytes(path);
    }

    // Folders still to list. Subfolders are listed after their parent's listing is closed, so
    // only one listing is open at a time however deep the tree.
    std::vector<std::string> pending{AddBackslash(path)};
    RefreshThrottle throttle(refresh);
    int64_t total = 0;
    while (!pending.empty()) {
        const std::string folder = std::move(pending.back());
        pending.pop_back();
        // A folder that cannot be listed adds 0 (the chosen folder itself: the total is 0).
        platform::ListFolder(folder, [&](const platform::DirEntry& entry) {
            if (entry.attributes & platform::AttrDirectory) {
                std::string sub;
                sub.reserve(folder.size() + entry.name.size() + 1);
                sub.append(folder).append(entry.name).push_back(platform::PathSeparator);
                pending.push_back(std::move(sub));
            } else {
                total += entry.size;
            }
            throttle.Tick();
            return true;
        });
    }
    return total;
}

}  // namespace kelvora
