#include "runner/DOSOutputs.h"

#include <gtest/gtest.h>
#include <fcntl.h>
#include <signal.h>
#include <sys/resource.h>
#include <unistd.h>

#include <chrono>
#include <cstring>
#include <filesystem>

#include "../platform/ProcessWatch.h"
#include "support/ScriptedDesktop.h"
#include "support/TempDir.h"
#include "platform/Process.h"
#include "runner/CommandLine.h"

using namespace kelvora;
using namespace kelvora::test;
using namespace std::string_literals;

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

    // helper_child with the given steps, each quoted.
    static std::string Child(std::initializer_list<std::string> steps) {
        std::string line = HelperPath("helper_child");
        for (const auto& s : steps) line += " " + QuoteArgument(s);
        return line;
    }

    std::string All() const {
        std::string all;
        for (const auto& e : events) all += e;
        return all;
    }

    int EmptyEvents() const {
        int n = 0;
        for (const auto& e : events) n += e.empty() ? 1 : 0;
        return n;
    }

    // Runs and returns how long the run took.
    std::chrono::milliseconds TimedRun(const std::string& line = "") {
        auto start = std::chrono::steady_clock::now();
        dos.ExecuteCommand(line);
        return std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() - start);
    }

    // The child of the last run has been reaped once the reaper list had its turn.
    bool LastChildReaped() {
        int pid = dos.LastProcessId();
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

TEST_F(DOSOutputsTest, SilentCommandGivesExactlyOneEmptyEvent) {
    dos.ExecuteCommand(Child({}));
    ASSERT_EQ(events.size(), 1u);
    EXPECT_EQ(events[0], "");
    EXPECT_GE(desk.doEventsCalls, 1);
    EXPECT_TRUE(desk.boxes.empty());
    EXPECT_FALSE(dos.Running());
    EXPECT_TRUE(LastChildReaped());
}

TEST_F(DOSOutputsTest, OutputArrivesInChunksOfAtMost256ThenOneEmptyEvent) {
    dos.ExecuteCommand(Child({"bytes=600"}));
    ASSERT_GE(events.size(), 4u);
    for (size_t i = 0; i + 1 < events.size(); ++i) {
        EXPECT_FALSE(events[i].empty()) << "chunk " << i;
        EXPECT_LE(events[i].size(), 256u) << "chunk " << i;
    }
    EXPECT_EQ(events.back(), "");
    EXPECT_EQ(EmptyEvents(), 1);
    std::string expected(600, 'x');
    for (size_t k = 0; k < expected.size(); ++k) expected[k] = static_cast<char>('a' + k % 26);
    EXPECT_EQ(All(), expected);
    // One DoEvents after every event.
    EXPECT_GE(desk.doEventsCalls, static_cast<long>(events.size()));
}

TEST_F(DOSOutputsTest, TextIsDeliveredUnchangedWithNulBytesAndStderr) {
    dos.ExecuteCommand(Child({"out=first line\\nno line break", "err= [err]", "out=a\\0b"}));
    EXPECT_EQ(All(), "first line\nno line break [err]a\0b"s);
    EXPECT_EQ(events.back(), "");
    EXPECT_EQ(EmptyEvents(), 1);
}

TEST_F(DOSOutputsTest, StoredCommandLineIsReusedAndReplaced) {
    dos.CommandLine(Child({"out=A"}));
    dos.ExecuteCommand();
    EXPECT_EQ(All(), "A");
    events.clear();
    dos.ExecuteCommand(Child({"out=B"}));
    EXPECT_EQ(All(), "B");
    events.clear();
    dos.ExecuteCommand();
    EXPECT_EQ(All(), "B");
    events.clear();
    dos.CommandLine(Child({"out=C"}));
    dos.ExecuteCommand("");
    EXPECT_EQ(All(), "C");
    EXPECT_TRUE(desk.boxes.empty());
}

TEST_F(DOSOutputsTest, FailuresShowTheirMessageAndRaiseNoEvent) {
    TempDir dir;
    std::string script = dir.WriteText("not-executable", "#!/bin/sh\necho hi\n");

    dos.ExecuteCommand();
    dos.ExecuteCommand(dir / "missing a b");
    dos.ExecuteCommand(script);
    dos.ExecuteCommand(QuoteArgument(dir.path()));
    dos.ExecuteCommand("   ");

    ASSERT_EQ(desk.boxes.size(), 5u);
    EXPECT_EQ(desk.boxes[0].text, "Command Line empty");
    for (size_t i = 1; i < desk.boxes.size(); ++i) EXPECT_EQ(desk.boxes[i].text, "File or command not found") << i;
    for (const auto& box : desk.boxes) {
        EXPECT_EQ(box.icon, MsgIcon::Critical);
        EXPECT_EQ(box.buttons, MsgButtons::OK);
        EXPECT_EQ(box.title, "Kelvora");
    }
    EXPECT_TRUE(events.empty());
    EXPECT_EQ(desk.doEventsCalls, 0);
    EXPECT_FALSE(dos.Running());

    // A failed start leaves the runner usable.
    dos.ExecuteCommand(Child({"out=ok"}));
    EXPECT_EQ(All(), "ok");
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
    EXPECT_EQ(desk.boxes[0].icon, MsgIcon::Critical);
    EXPECT_EQ(desk.boxes[0].title, "Kelvora");
    EXPECT_TRUE(events.empty());
}

TEST_F(DOSOutputsTest, TerminateNowFromTheHandlerEndsTheRunAtOnce) {
    onEvent = [this](std::string&) { dos.TerminateNow(); };
    auto took = TimedRun(Child({"bytes=100000", "sleep=60000"}));
    EXPECT_LT(took, std::chrono::seconds(5));
    ASSERT_EQ(events.size(), 1u);
    EXPECT_FALSE(events[0].empty());
    EXPECT_FALSE(dos.Running());
    EXPECT_TRUE(LastChildReaped());
}

TEST_F(DOSOutputsTest, StopWorksWhileTheChildIsSilentAndKillsItsGroup) {
    TempDir dir;
    long silentFrom = -1;
    size_t eventsAtStop = 0;
    onEvent = [&](std::string&) {
        if (All().find("sleeper") != std::string::npos && silentFrom < 0) silentFrom = desk.doEventsCalls;
    };
    // Stop after a few rounds in which nothing arrived, as a click on Stop would.
    desk.When([&] { return silentFrom >= 0 && desk.doEventsCalls >= silentFrom + 3; },
              [&] {
                  eventsAtStop = events.size();
                  dos.TerminateNow();
              });

    auto took = TimedRun(Child({"out=working", "sleeper=" + (dir / "pid"), "sleep=60000"}));
    EXPECT_LT(took, std::chrono::seconds(5));
    EXPECT_NE(All().find("working"), std::string::npos);
    EXPECT_EQ(events.size(), eventsAtStop);
    EXPECT_GT(eventsAtStop, 0u);
    EXPECT_EQ(EmptyEvents(), 0);

    EXPECT_TRUE(LastChildReaped());
    int grandchild = ReadPidFile(dir / "pid");
    ASSERT_GT(grandchild, 0);
    EXPECT_TRUE(WaitFor([&] { return IsDead(grandchild); }));
}

TEST_F(DOSOutputsTest, RunLastsUntilAGrandchildClosesThePipe) {
    dos.ExecuteCommand(Child({"out=parent ", "late=300:grandchild"}));
    EXPECT_EQ(All(), "parent grandchild");
    EXPECT_EQ(events.back(), "");
    EXPECT_EQ(EmptyEvents(), 1);
}

TEST_F(DOSOutputsTest, TerminateNowOutsideARunSignalsNothing) {
    dos.TerminateNow();
    EXPECT_EQ(dos.LastProcessId(), 0);
    // The flag is cleared by the next run, which goes to its end.
    TempDir dir;
    dos.ExecuteCommand(Child({"out=full run", "detached=" + (dir / "pid")}));
    EXPECT_EQ(All(), "full run");
    EXPECT_EQ(events.back(), "");

    // The detached grandchild is still in the finished child's process group: a stop after the
    // run must not reach it.
    int grandchild = ReadPidFile(dir / "pid");
    ASSERT_GT(grandchild, 0);
    ASSERT_EQ(::getpgid(grandchild), dos.LastProcessId());
    dos.TerminateNow();
    EXPECT_FALSE(WaitFor([&] { return IsDead(grandchild); }, std::chrono::milliseconds(200)));
    ::kill(grandchild, SIGKILL);

    events.clear();
    dos.ExecuteCommand(Child({"out=again"}));
    EXPECT_EQ(All(), "again");
    EXPECT_EQ(events.back(), "");
}

TEST_F(DOSOutputsTest, NestedExecuteCommandIsIgnored) {
    int nested = 0;
    onEvent = [&](std::string& text) {
        if (!text.empty() && nested++ == 0) dos.ExecuteCommand(Child({"out=nested"}));
    };
    dos.ExecuteCommand(Child({"out=outer"}));
    EXPECT_EQ(All(), "outer");
    EXPECT_EQ(EmptyEvents(), 1);
    EXPECT_TRUE(desk.boxes.empty());
    // The nested line did not replace the stored one either.
    events.clear();
    onEvent = nullptr;
    dos.ExecuteCommand();
    EXPECT_EQ(All(), "outer");
}

TEST_F(DOSOutputsTest, HandlerExceptionStillEndsTheRunCleanly) {
    onEvent = [](std::string&) { throw std::runtime_error("handler failed"); };
    EXPECT_THROW(dos.ExecuteCommand(Child({"out=x", "sleep=200"})), std::runtime_error);
    EXPECT_FALSE(dos.Running());
    EXPECT_TRUE(LastChildReaped());
    onEvent = nullptr;
    events.clear();
    dos.ExecuteCommand(Child({"out=y"}));
    EXPECT_EQ(All(), "y");
}

TEST_F(DOSOutputsTest, ArgumentsReachTheChildExactly) {
    const std::vector<std::string> sent = {
        "plain",     "two words",          "tab\there", "say \"hi\"", "trailing\\", "trailing\\\\",
        "back\\\"quote", "",            "\"",         "\\\\server\\share\\", "x\"\"y", "  padded  ",
        "C:\\Program Files\\", "a\\b\\c"};
    std::string line = QuoteArgument(HelperPath("helper_args"));
    for (const auto& t : sent) line += " " + QuoteArgument(t);
    dos.ExecuteCommand(line);
    std::string expected = std::to_string(sent.size()) + "\n";
    for (const auto& t : sent) expected += std::to_string(t.size()) + ":" + t + "\n";
    EXPECT_EQ(All(), expected);
}

TEST_F(DOSOutputsTest, ProgramFolderMayHoldBlanksAndWildcardsAreExpanded) {
    TempDir dir;
    dir.MakeFolder("a b/kelvora");
    std::filesystem::create_symlink(HelperPath("helper_args"), dir / "a b/kelvora/helper_args");
    dir.WriteText("files/b.txt", "");
    dir.WriteText("files/a.txt", "");
    dir.WriteText("files/.hidden", "");

    dos.ExecuteCommand(dir / "a b/kelvora/helper_args one \"two three\" \"" + (dir / "files/*.*") + "\"");
    std::string files = dir / "files/";
    std::string expected = "5\n3:one\n9:two three\n";
    for (const char* name : {".hidden", "a.txt", "b.txt"})
        expected += std::to_string(files.size() + std::strlen(name)) + ":" + files + name + "\n";
    EXPECT_EQ(All(), expected);
    EXPECT_TRUE(desk.boxes.empty());
}
