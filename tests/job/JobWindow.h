#pragma once
#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>

#include <algorithm>
#include <cerrno>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "TestWindow.h"
#include "app/Wiring.h"
#include "platform/Process.h"
#include "prefs/Language.h"
#include "resources/StringTable.h"
#include "runner/DOSOutputs.h"
#include "runner/ToolOutput.h"

extern char** environ;

namespace kelvora::test {

// A wired window as Form_Load leaves it for a job: English texts, the runner, the progress bar,
// and plain choices (no split, no compression, 10 % recovery).
struct JobWindow : TestWindow {
    JobWindow() {
        ApplyLanguage(f, 0);
        for (int n = 0; n < StringTableEntries; ++n)
            if (f.MessageText(n).empty()) f.MessageTexts[n] = LoadResString(EnglishBase + n);
        f.objDOS = std::make_unique<DOSOutputs>(f.desktop);
        WireRunner(f);
        InitProgressBar(f);
        f.cboFormat.SetListIndex(0);
        f.cboCompression.SetListIndex(1);
        f.cboRedundancy.SetText("10");
        f.OptPars[0].SetValue(true);
        f.chkCalculateEff.SetValue(0);
    }

    // The choices of a job: source, output folder (ending in "/"), archive name and its size.
    void Choose(const std::string& source, const std::string& output, const std::string& archive, int64_t size) {
        f.txtInput.SetText(source);
        f.txtOutput.SetText(output);
        f.txtArchiveName.SetText(archive);
        f.txtEstimatedSize.SetText(std::to_string(size));
    }

    // The text and bar length of the progress box's last drawing.
    std::string BarText() const {
        for (const auto& op : f.PicPB.Record())
            if (op.kind == PictureBox::DrawOp::Kind::Print) return op.text;
        return "";
    }
    double BarValue() const {
        for (const auto& op : f.PicPB.Record())
            if (op.kind == PictureBox::DrawOp::Kind::Box) return op.x2;
        return -1;
    }
    bool InputGroupsEnabled() const {
        return f.mnuFile.Enabled() && f.mnuH.Enabled() && f.Frame1.Enabled() && f.Frame2.Enabled() &&
               f.Frame3.Enabled();
    }
    bool InputGroupsDisabled() const {
        return !f.mnuFile.Enabled() && !f.mnuH.Enabled() && !f.Frame1.Enabled() && !f.Frame2.Enabled() &&
               !f.Frame3.Enabled();
    }
};

// Sets an environment variable for the stand-in archiver for the life of the object.
struct ScopedEnv {
    ScopedEnv(const char* name, const std::string& value) : name_(name) { ::setenv(name, value.c_str(), 1); }
    ~ScopedEnv() { ::unsetenv(name_); }
    const char* name_;
};

// Polls `done` for up to `limit`; true as soon as it holds.
template <typename Condition>
bool WaitFor(Condition done, std::chrono::milliseconds limit = std::chrono::seconds(10)) {
    const auto end = std::chrono::steady_clock::now() + limit;
    while (!done()) {
        if (std::chrono::steady_clock::now() > end) return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    return true;
}

// True once no process of the group `pgid` is left (zombies reaped).
inline bool GroupGone(int pgid) {
    return WaitFor([pgid] {
        platform::ReapFinishedChildren();
        return ::kill(-pgid, 0) != 0 && errno == ESRCH;
    });
}

inline std::string ReadAll(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

// Names in a folder, sorted.
inline std::vector<std::string> Entries(const std::string& folder) {
    std::vector<std::string> names;
    for (const auto& e : std::filesystem::directory_iterator(folder)) names.push_back(e.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
}

// Runs a program to its end and returns its exit status (-1 when it could not run); its output
// is discarded.
inline int RunQuietly(const std::vector<std::string>& argv) {
    std::vector<char*> args;
    for (const auto& a : argv) args.push_back(const_cast<char*>(a.c_str()));
    args.push_back(nullptr);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
    posix_spawn_file_actions_addopen(&actions, 2, "/dev/null", O_WRONLY, 0);
    pid_t pid = 0;
    int rc = posix_spawn(&pid, args[0], &actions, nullptr, args.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    if (rc != 0) return -1;
    int status = 0;
    if (::waitpid(pid, &status, 0) != pid) return -1;
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

}  // namespace kelvora::test
