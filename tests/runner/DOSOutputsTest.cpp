#include "runner/DOSOutputs.h"

#include <gtest/gtest.h>
#include <fcntl.h>
#include <signal.h>
#include <sys/resource.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <filesystem>

#include "../platform/ProcessWatch.h"
#include "platform/Process.h"
#include "runner/CommandLine.h"
#include "support/ScriptedDesktop.h"
#include "support/TempDir.h"

using namespace kelvora;
using namespace kelvora::test;
using namespace std::string_literals;
using Steps = std::vector<std::string>;

namespace {

class DOSOutputsTest : public ::testing::Test {
protected:
    DOSOutputsTest() {
        dos.ReceiveOutputs = [this](std::string& text) {
            events.push_back(text);
            text = "changed by the handler";  // must not matter to the runner
            if (onEvent) onEvent(text);
        };
    }

    // helper_child doing the given steps.
    static std::string Child(const Steps& steps) {
        std::string line = HelperPath("helper_child");
        for (const auto& s : steps) line += " " + QuoteArgument(s);
        return line;
    }
    // One run; what arrived, all events joined.
    std::string Run(const std::string& line = "") {
        events.clear();
        dos.ExecuteCommand(line);
        return All();
    }
    std::string All() const {
        std::string all;
        for (const auto& e : events) all += e;
        return all;
    }
    long EmptyEvents() const { return std::count(events.begin(), events.end(), ""); }
    bool RunsWithin(std::chrono::seconds limit, const std::string& line) {
        const auto start = std::chrono::steady_clock::now();
        dos.ExecuteCommand(line);
        return std::chrono::steady_clock::now() - start < limit;
    }
    // No zombie: the child of the last run is reaped once the reaper list had its turn.
    bool LastChildReaped() {
        const int pid = dos.LastProcessId();
        return pid > 0 && WaitFor([pid] {
                   platform::ReapFinishedChildren();
                   return !IsOurChild(pid);
               });
    }

    ScriptedDesktop desk;
    DOSOutputs dos{desk};
    std::vector<std::string> events;
    std::function<void(std::string&)> onEvent;
};

}  // namespace

TEST_F(DOSOutputsTest, OutputArrivesUnchangedInChunksOfAtMost256ThenOneEmptyEvent) {
    std::string alphabet(600, 'x');
    for (size_t k = 0; k < alphabet.size(); ++k) alphabet[k] = static_cast<char>('a' + k % 26);
    const std::pair<Steps, std::string> cases[] = {
        {{}, ""},
        {{"bytes=600"}, alphabet},  // one write, more than one chunk
        {{"out=first line\\nno line break", "err= [err]", "out=a\\0b"}, "first line\nno line break [err]a\0b"s},
        // A grandchild keeps the pipe open: the run lasts until it is done.
        {{"out=parent ", "late=300:grandchild"}, "parent grandchild"},
    };
    for (const auto& [steps, expected] : cases) {
        desk.doEventsCalls = 0;
        EXPECT_EQ(Run(Child(steps)), expected);
        ASSERT_FALSE(events.empty());
        EXPECT_EQ(events.back(), "");
        EXPECT_EQ(EmptyEvents(), 1);
        for (const auto& e : events) EXPECT_LE(e.size(), 256u);
        EXPECT_GE(desk.doEventsCalls, static_cast<long>(events.size()));  // the window gets its turn
        EXPECT_TRUE(LastChildReaped());
    }
    EXPECT_TRUE(desk.boxes.empty());
}

TEST_F(DOSOutputsTest, StoredCommandLineIsReusedWhenTheArgumentIsEmpty) {
    dos.CommandLine(Child({"out=A"}));
    EXPECT_EQ(Run(), "A");
    EXPECT_EQ(Run(Child({"out=B"})), "B");
    EXPECT_EQ(Run(), "B");
    dos.CommandLine(Child({"out=C"}));
    EXPECT_EQ(Run(""), "C");
}

TEST_F(DOSOutputsTest, FailuresShowTheirMessageAndRaiseNoEvent) {
    TempDir dir;
    dos.ExecuteCommand();
    dos.ExecuteCommand(dir / "missing a b");
    dos.ExecuteCommand(dir.WriteText("not-executable", "#!/bin/sh\necho hi\n"));
    dos.ExecuteCommand(QuoteArgument(dir.path()));
    dos.ExecuteCommand("   ");

    ASSERT_EQ(desk.boxes.size(), 5u);
    for (size_t i = 0; i < desk.boxes.size(); ++i) {
        const auto& box = desk.boxes[i];
        EXPECT_EQ(box.text, i == 0 ? "Command Line empty" : "File or command not found") << i;
        EXPECT_TRUE(box.icon == MsgIcon::Critical && box.buttons == MsgButtons::OK && box.title == "Kelvora");
    }
    EXPECT_TRUE(events.empty());
    EXPECT_EQ(desk.doEventsCalls, 0);
    EXPECT_EQ(Run(Child({"out=ok"})), "ok");  // still usable
}

TEST_F(DOSOutputsTest, PipeFailureShowsTheSystemErrorCode) {
    // Use up every descriptor under a lowered limit, so the pipe cannot be made.
    rlimit saved{};
    ASSERT_EQ(::getrlimit(RLIMIT_NOFILE, &saved), 0);
    rlimit low = saved;
    low.rlim_cur = 64;
    ASSERT_EQ(::setrlimit(RLIMIT_NOFILE, &low), 0);
    std::vector<int> taken;
    for (int fd; (fd = ::open("/dev/null", O_RDONLY | O_CLOEXEC)) >= 0;) taken.push_back(fd);
    dos.ExecuteCommand(Child({"out=never"}));
    for (int fd : taken) ::close(fd);
    ::setrlimit(RLIMIT_NOFILE, &saved);

    ASSERT_EQ(desk.boxes.size(), 1u);
    EXPECT_EQ(desk.boxes[0].text, "CreatePipe failed. Error: " + std::to_string(EMFILE));
    EXPECT_TRUE(events.empty());
}

TEST_F(DOSOutputsTest, StopFromTheHandlerEndsTheRunAtOnce) {
    onEvent = [this](std::string&) { dos.TerminateNow(); };
    EXPECT_TRUE(RunsWithin(std::chrono::seconds(5), Child({"bytes=100000", "sleep=60000"})));
    ASSERT_EQ(events.size(), 1u);  // no further event, not even the empty one
    EXPECT_FALSE(events[0].empty());
    EXPECT_TRUE(LastChildReaped());
}

TEST_F(DOSOutputsTest, StopWhileTheChildIsSilentKillsItsGroup) {
    TempDir dir;
    long silentFrom = -1;
    size_t eventsAtStop = 0;
    onEvent = [&](std::string&) {
        if (silentFrom < 0 && All().find("sleeper") != std::string::npos) silentFrom = desk.doEventsCalls;
    };
    // A few rounds in which nothing arrived, then a click on Stop.
    desk.When([&] { return silentFrom >= 0 && desk.doEventsCalls >= silentFrom + 3; },
              [&] {
                  eventsAtStop = events.size();
                  dos.TerminateNow();
              });
    // Meant to end within a second; the bound is generous so a busy machine does not fail it.
    EXPECT_TRUE(RunsWithin(std::chrono::seconds(5), Child({"out=working", "sleeper=" + (dir / "pid"), "sleep=60000"})));
    EXPECT_GT(eventsAtStop, 0u);
    EXPECT_EQ(events.size(), eventsAtStop);
    EXPECT_EQ(EmptyEvents(), 0);

    EXPECT_TRUE(LastChildReaped());
    const int grandchild = ReadPidFile(dir / "pid");
    ASSERT_GT(grandchild, 0);
    EXPECT_TRUE(WaitFor([&] { return IsDead(grandchild); }));
}

TEST_F(DOSOutputsTest, StopOutsideARunSignalsNothing) {
    dos.TerminateNow();
    // The flag is cleared by the next run, which goes to its end.
    TempDir dir;
    EXPECT_EQ(Run(Child({"out=full run", "detached=" + (dir / "pid")})), "full run");
    EXPECT_EQ(events.back(), "");

    // The detached grandchild is still in the finished child's group: a later stop must not reach it.
    const int grandchild = ReadPidFile(dir / "pid");
    ASSERT_GT(grandchild, 0);
    ASSERT_EQ(::getpgid(grandchild), dos.LastProcessId());
    dos.TerminateNow();
    EXPECT_FALSE(WaitFor([&] { return IsDead(grandchild); }, std::chrono::milliseconds(200)));
    ::kill(grandchild, SIGKILL);
}

TEST_F(DOSOutputsTest, AThrowingHandlerStillEndsTheRun) {
    onEvent = [](std::string&) { throw std::runtime_error("handler failed"); };
    EXPECT_THROW(dos.ExecuteCommand(Child({"out=x", "sleep=200"})), std::runtime_error);
    EXPECT_FALSE(dos.Running());
    EXPECT_TRUE(LastChildReaped());
    onEvent = nullptr;
    EXPECT_EQ(Run(Child({"out=y"})), "y");
    EXPECT_TRUE(desk.boxes.empty());
}

TEST_F(DOSOutputsTest, QuotedArgumentsReachTheChildExactly) {
    const Steps sent = {"plain",      "two words", "tab\there",   "say \"hi\"",    "trailing\\", "trailing\\\\",
                        "a\\\"b",     "",          "\"",          "\"\"",          "\\",         "\\\"",
                        "x\"\"y",     " lead",     "a b \\",      "\\\\server\\share\\",         "C:\\Program Files\\",
                        "a\\b\\c",    "mixed \\\" \"\\ end\\\\"};
    std::string line = QuoteArgument(HelperPath("helper_args"));
    for (const auto& t : sent) line += " " + QuoteArgument(t);
    std::string expected = std::to_string(sent.size()) + "\n";
    for (const auto& t : sent) expected += std::to_string(t.size()) + ":" + t + "\n";
    EXPECT_EQ(Run(line), expected);
}

TEST_F(DOSOutputsTest, ProgramFolderMayHoldBlanksAndWildcardsAreExpanded) {
    TempDir dir;
    dir.MakeFolder("a b/kelvora");
    std::filesystem::create_symlink(HelperPath("helper_args"), dir / "a b/kelvora/helper_args");
    for (const char* name : {"b.txt", "a.txt", ".hidden"}) dir.WriteText("files/"s + name, "");

    const std::string files = dir / "files/";
    std::string expected = "5\n3:one\n9:two three\n";
    for (const std::string name : {".hidden", "a.txt", "b.txt"})
        expected += std::to_string(files.size() + name.size()) + ":" + files + name + "\n";
    EXPECT_EQ(Run(dir / "a b/kelvora/helper_args one \"two three\" \"" + files + "*.*\""), expected);
    EXPECT_TRUE(desk.boxes.empty());
}
