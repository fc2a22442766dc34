#include "runner/DOSOutputs.h"

#include <gtest/gtest.h>
#include <fcntl.h>
#include <signal.h>
#include <sys/resource.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <numeric>

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
            events.push_back(text), text = "changed by the handler";  // must not matter to the runner
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
    std::string All() const { return std::accumulate(events.begin(), events.end(), std::string()); }
    bool RunsWithin(std::chrono::seconds limit, const std::string& line) {
        const auto start = std::chrono::steady_clock::now();
        dos.ExecuteCommand(line);
        return std::chrono::steady_clock::now() - start < limit;
    }
    // No zombie: the child of the last run is reaped once the reaper list had its turn.
    bool LastChildReaped() {
        const int pid = dos.LastProcessId();
        return pid > 0 && WaitFor([pid] { return platform::ReapFinishedChildren(), !IsOurChild(pid); });
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
        EXPECT_TRUE(std::count(events.begin(), events.end(), "") == 1 && events.back().empty());
        for (const auto& e : events) EXPECT_LE(e.size(), 256u);
        EXPECT_GE(desk.doEventsCalls, static_cast<long>(events.size()));  // the window gets its turn
        EXPECT_TRUE(LastChildReaped());
    }
    EXPECT_TRUE(desk.boxes.empty());
}

TEST_F(DOSOutputsTest, StoredCommandLineIsReusedAndArgumentsArriveExactly) {
    dos.CommandLine(Child({"out=A"}));
    EXPECT_EQ(Run(), "A");
    EXPECT_EQ(Run(Child({"out=B"})), "B");
    EXPECT_EQ(Run(), "B");
    dos.CommandLine(Child({"out=C"}));
    EXPECT_EQ(Run(""), "C");

    // The quoting round trip through a real child.
    const Steps sent = {"two words", "tab\there", "say \"hi\"", "trailing\\", "trailing\\\\", "a\\\"b", "", "\"", "\"\"",
                        "\\\"", "x\"\"y", " lead", "a b \\", "C:\\Program Files\\", "a\\b\\c", "mixed \\\" \"\\ end\\\\"};
    std::string line = QuoteArgument(HelperPath("helper_args"));
    for (const auto& t : sent) line += " " + QuoteArgument(t);
    std::string expected = std::to_string(sent.size()) + "\n";
    for (const auto& t : sent) expected += std::to_string(t.size()) + ":" + t + "\n";
    EXPECT_EQ(Run(line), expected);
}

TEST_F(DOSOutputsTest, FailuresShowTheirMessageAndRaiseNoEvent) {
    TempDir dir;
    for (const std::string& line : {""s, dir / "missing a b", dir.WriteText("not-executable", "#!/bin/sh\n"),
                                   QuoteArgument(dir.path()), "   "s})
        dos.ExecuteCommand(line);
    // Every descriptor used up under a lowered limit, so the pipe cannot be made.
    rlimit saved{}, low{};
    ASSERT_EQ(::getrlimit(RLIMIT_NOFILE, &saved), 0);
    low = {64, saved.rlim_max};
    ASSERT_EQ(::setrlimit(RLIMIT_NOFILE, &low), 0);
    std::vector<int> taken;
    for (int fd; (fd = ::open("/dev/null", O_RDONLY | O_CLOEXEC)) >= 0;) taken.push_back(fd);
    dos.ExecuteCommand(Child({"out=never"}));
    for (int fd : taken) ::close(fd);
    ::setrlimit(RLIMIT_NOFILE, &saved);

    const std::string missing = "File or command not found";
    std::vector<std::string> texts;
    for (const auto& box : desk.boxes)
        texts.push_back(box.icon == MsgIcon::Critical && box.buttons == MsgButtons::OK && box.title == "Kelvora" ? box.text : "?");
    EXPECT_EQ(texts, (std::vector<std::string>{"Command Line empty", missing, missing, missing, missing,
                                               "CreatePipe failed. Error: " + std::to_string(EMFILE)}));
    EXPECT_TRUE(events.empty());
    EXPECT_EQ(desk.doEventsCalls, 0);
    EXPECT_EQ(Run(Child({"out=ok"})), "ok");  // still usable
}

// Stop from inside the handler, then while the child is silent.
TEST_F(DOSOutputsTest, StopEndsTheRunAtOnceAndKillsTheGroup) {
    onEvent = [this](std::string&) { dos.TerminateNow(); };
    EXPECT_TRUE(RunsWithin(std::chrono::seconds(5), Child({"bytes=100000", "sleep=60000"})));
    EXPECT_EQ(events.size(), 1u);  // no further event, not even the empty one
    EXPECT_TRUE(LastChildReaped());

    events.clear();
    TempDir dir;
    long silentFrom = -1, eventsAtStop = 0;
    onEvent = [&](std::string&) {
        if (silentFrom < 0 && All().find("sleeper") != std::string::npos) silentFrom = desk.doEventsCalls;
    };
    // A few rounds in which nothing arrived, then a click on Stop.
    desk.When([&] { return silentFrom >= 0 && desk.doEventsCalls >= silentFrom + 3; },
              [&] { eventsAtStop = static_cast<long>(events.size()), dos.TerminateNow(); });
    // Meant to end within a second; the bound is generous so a busy machine does not fail it.
    EXPECT_TRUE(RunsWithin(std::chrono::seconds(5), Child({"out=working", "sleeper=" + (dir / "pid"), "sleep=60000"})));
    EXPECT_EQ(static_cast<long>(events.size()), eventsAtStop);  // not even the empty event
    EXPECT_TRUE(LastChildReaped());
    const int grandchild = ReadPidFile(dir / "pid");
    EXPECT_TRUE(grandchild > 0 && WaitFor([&] { return IsDead(grandchild); }));
}

TEST_F(DOSOutputsTest, StopOutsideARunSignalsNothing) {
    dos.TerminateNow();
    // The flag is cleared by the next run, which goes to its end.
    TempDir dir;
    EXPECT_EQ(Run(Child({"out=full run", "detached=" + (dir / "pid")})), "full run");
    // The detached grandchild is still in the finished child's group: a later stop must not reach it.
    const int grandchild = ReadPidFile(dir / "pid");
    ASSERT_TRUE(grandchild > 0 && ::getpgid(grandchild) == dos.LastProcessId());
    dos.TerminateNow();
    EXPECT_FALSE(WaitFor([&] { return IsDead(grandchild); }, std::chrono::milliseconds(200)));
    ::kill(grandchild, SIGKILL);
}

TEST_F(DOSOutputsTest, RunTellsHowTheToolEndedAndWaitsForItsExit) {
    using Kind = platform::ExitStatus::Kind;
    struct Case {
        Steps steps;
        Kind kind;
        int code;
        std::string lastLine;
    };
    const Case cases[] = {
        {{"out=Adding x   45%\\rDone\\n"}, Kind::Exited, 0, "Done"},
        {{"out=ERROR: Write error\\nNo space left on device\\n", "out=Processing: 45.3%\\r", "exit=5"}, Kind::Exited, 5,
         "No space left on device"},
        {{"out=working", "signal=11"}, Kind::Signalled, 11, "working"},
        // The output ends long before the tool does: the run still lasts until it has exited.
        {{"out=closing early", "close", "sleep=300", "exit=3"}, Kind::Exited, 3, "closing early"},
    };
    for (const auto& c : cases) {
        Run(Child(c.steps));
        const RunResult& r = dos.LastResult();
        EXPECT_TRUE(r.outcome == RunResult::Outcome::Ended && r.status.kind == c.kind && r.status.code == c.code)
            << c.steps[0];
        EXPECT_EQ(r.lastLine, c.lastLine);
        // Reaped by the run itself: no zombie waits for the next start.
        EXPECT_FALSE(IsOurChild(dos.LastProcessId()));
    }
    dos.ExecuteCommand("/no/such/tool");
    EXPECT_EQ(dos.LastResult().outcome, RunResult::Outcome::NotStarted);

    // A Stop that comes once the tool has ended on its own stops nothing: the run counts as ended.
    onEvent = [this](std::string& text) {
        if (text.empty()) WaitFor([this] { return IsDead(dos.LastProcessId()); }), dos.TerminateNow();
    };
    Run(Child({"out=all written"}));
    EXPECT_TRUE(dos.LastResult().outcome == RunResult::Outcome::Ended && dos.LastResult().status.Success());
}

// The tool goes when the program running it goes, also when that program is killed outright.
TEST_F(DOSOutputsTest, ToolEndsWithTheProgramThatRunsIt) {
    for (int sig : {SIGTERM, SIGHUP, SIGINT, SIGKILL}) {
        TempDir dir;
        auto host = platform::ChildProcess::Start(
            {HelperPath("helper_host"), Child({"pid=" + (dir / "tool"), "sleeper=" + (dir / "grandchild"), "sleep=60000"})});
        ASSERT_TRUE(host);
        ASSERT_TRUE(WaitFor([&] { return ReadPidFile(dir / "tool") > 0 && ReadPidFile(dir / "grandchild") > 0; }));
        const int tool = ReadPidFile(dir / "tool"), grandchild = ReadPidFile(dir / "grandchild");
        ::kill(host->Pid(), sig);
        EXPECT_TRUE(WaitFor([&] { return IsDead(tool); })) << sig;
        // A handled signal ends the whole group; SIGKILL leaves that to the system, which reaches
        // only the tool itself.
        if (sig != SIGKILL) {
            EXPECT_TRUE(WaitFor([&] { return IsDead(grandchild); })) << sig;
        }
        ::kill(grandchild, SIGKILL);
        host->KillGroup();
    }
}
