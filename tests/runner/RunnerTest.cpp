#include "runner/DOSOutputs.h"

#include <gtest/gtest.h>
#include <fcntl.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/wait.h>

#include <filesystem>
#include <numeric>

#include "ProcessWatch.h"
#include "ScriptedDesktop.h"
#include "TempDir.h"
#include "platform/Process.h"
#include "runner/CommandLine.h"

using namespace kelvora;
using namespace kelvora::test;
using namespace std::string_literals;
using Texts = std::vector<std::string>;
namespace fs = std::filesystem;

namespace {

// The command line of a shell child running `script` with `args` as $1, $2, ...
std::string Shell(const std::string& script, const Texts& args = {}) {
    std::string line = "/bin/sh -c " + QuoteArgument(script) + " sh";
    for (const auto& a : args) line += " " + QuoteArgument(a);
    return line;
}

// Shell text that writes `pid` to `file` whole: a reader never sees half a number.
std::string PidTo(const std::string& file, const std::string& pid) {
    return "echo " + pid + " >'" + file + ".t' && mv '" + file + ".t' '" + file + "'; ";
}

struct DOSOutputsTest : ::testing::Test {
    DOSOutputsTest() {
        dos.ReceiveOutputs = [this](std::string& text) {
            events.push_back(text), text = "changed by the handler";  // must not matter to the runner
            if (onEvent) onEvent(text);
        };
    }
    std::string Run(const std::string& line) {
        events.clear();
        dos.ExecuteCommand(line);
        return std::accumulate(events.begin(), events.end(), std::string());
    }
    bool LastChildReaped() {
        const int pid = dos.LastProcessId();
        return pid > 0 && WaitFor([pid] { return platform::ReapFinishedChildren(), !IsOurChild(pid); });
    }

    ScriptedDesktop desk;
    DOSOutputs dos{desk};
    Texts events;
    std::function<void(std::string&)> onEvent;
    TempDir dir;
};

}  // namespace

// Every chunk at most 256 bytes, then one empty event; the window gets its turn for each. The
// run lasts until the output has ended and the tool has exited, tells how it ended and its last
// meaningful line, and leaves no zombie. The child reads no input of ours (it would wait for ever
// on a pipe we keep open), runs in our folder with our environment, and gets each argument exactly.
TEST_F(DOSOutputsTest, OutputArrivesInChunksOfAtMost256AndTheRunTellsHowTheToolEnded) {
    const Texts sent = {"two words", "tab\there", "say \"hi\"", "trailing\\", "trailing\\\\", "a\\\"b", "", "\"",
                        "\"\"", "\\\"", "x\"\"y", " lead", "a b \\", "C:\\Program Files\\", "mixed \\\" \"\\ end\\\\"};
    std::string received;
    for (const auto& t : sent) received += "<" + t + ">";
    const std::string here = fs::canonical(dir.path()).string(), zeros(600, '0');
    const struct {
        std::string line, output, result;
    } cases[] = {
        {Shell("true"), "", "exit 0: "},
        {Shell("printf %0600d 0"), zeros, "exit 0: " + zeros},  // one write, more than two chunks
        {Shell("printf 'line\\nno break'; printf ' [err]' >&2; printf 'a\\0b'"), "line\nno break [err]a\0b"s,
         "exit 0: no break [err]ab"},
        // A grandchild keeps the pipe open: the run lasts until it is done.
        {Shell("printf 'parent '; (sleep 0.3; printf grandchild) &"), "parent grandchild", "exit 0: parent grandchild"},
        {Shell("printf '%s|' \"$KELVORA_CHILD_PROBE\"; pwd; cat"), "probe value|" + here + "\n", "exit 0: probe value|" + here},
        {Shell("printf '<%s>' \"$@\"", sent), received, "exit 0: " + received},  // the script's own quotes included
        {Shell("printf 'ERROR: Write error\\nNo space left on device\\nProcessing: 45.3%%\\r'; exit 5"),
         "ERROR: Write error\nNo space left on device\nProcessing: 45.3%\r", "exit 5: No space left on device"},
        {Shell("printf working; kill -SEGV $$"), "working", "signal 11: working"},
        // The output ends long before the tool does.
        {Shell("printf 'closing early'; exec >/dev/null 2>&1; sleep 0.3; exit 3"), "closing early", "exit 3: closing early"},
    };
    const fs::path before = fs::current_path();
    int input[2];
    ASSERT_EQ(::pipe2(input, O_CLOEXEC), 0);
    const int savedInput = ::dup(0);
    ::dup2(input[0], 0);
    ::setenv("KELVORA_CHILD_PROBE", "probe value", 1);
    fs::current_path(dir.path());
    for (const auto& c : cases) {
        desk.doEventsCalls = 0;
        EXPECT_EQ(Run(c.line), c.output);
        EXPECT_TRUE(std::count(events.begin(), events.end(), "") == 1 && events.back().empty());
        for (const auto& e : events) EXPECT_LE(e.size(), 256u);
        EXPECT_GE(desk.doEventsCalls, static_cast<long>(events.size()));
        const RunResult& r = dos.LastResult();
        EXPECT_EQ(r.outcome, RunResult::Outcome::Ended);
        EXPECT_EQ((r.status.kind == platform::ExitStatus::Kind::Exited ? "exit " : "signal ") +
                      std::to_string(r.status.code) + ": " + r.lastLine, c.result);
        EXPECT_FALSE(dos.LastProcessId() == 0 || IsOurChild(dos.LastProcessId()));  // reaped by the run itself
    }
    fs::current_path(before);
    ::unsetenv("KELVORA_CHILD_PROBE");
    ::dup2(savedInput, 0);
    for (int fd : {savedInput, input[0], input[1]}) ::close(fd);
    EXPECT_TRUE(desk.boxes.empty());
    dos.ExecuteCommand("/no/such/tool");
    EXPECT_EQ(dos.LastResult().outcome, RunResult::Outcome::NotStarted);
}

TEST_F(DOSOutputsTest, FailuresShowTheirMessageAndRaiseNoEvent) {
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
    dos.ExecuteCommand(Shell("printf never"));
    for (int fd : taken) ::close(fd);
    ::setrlimit(RLIMIT_NOFILE, &saved);

    const std::string missing = "File or command not found";
    Texts texts;
    for (const auto& box : desk.boxes)
        texts.push_back(box.icon == MsgIcon::Critical && box.buttons == MsgButtons::OK && box.title == "Kelvora" ? box.text : "?");
    EXPECT_EQ(texts, (Texts{"Command Line empty", missing, missing, missing, missing,
                            "CreatePipe failed. Error: " + std::to_string(EMFILE)}));
    EXPECT_TRUE(events.empty() && desk.doEventsCalls == 0);
    EXPECT_EQ(Run(Shell("printf ok")), "ok");  // still usable
}

// Stop from inside the handler, then while the tool and its grandchild are silent. Outside a run
// it signals nothing, not even what is left of the last run's group, and once the tool has ended
// on its own it stops nothing.
TEST_F(DOSOutputsTest, StopEndsTheRunAtOnceKillsTheGroupAndNothingElse) {
    // Meant to end at once; the bound only tells a stuck Stop from one that worked.
    auto stopped = [this](const std::string& script) {
        const auto start = std::chrono::steady_clock::now();
        Run(Shell(script));
        return dos.LastResult().outcome == RunResult::Outcome::Stopped &&
               std::chrono::steady_clock::now() - start < std::chrono::seconds(30) && LastChildReaped();
    };
    onEvent = [this](std::string&) { dos.TerminateNow(); };
    EXPECT_TRUE(stopped("printf %0100000d 0; sleep 60"));
    EXPECT_EQ(events.size(), 1u);  // no further event, not even the empty one

    onEvent = nullptr;
    const std::string pidFile = dir / "pid";
    size_t eventsAtStop = 0;
    int silentTurns = 0;
    desk.When([&] { return ReadPidFile(pidFile) > 0 && ++silentTurns > 3; },
              [&] { eventsAtStop = events.size(), dos.TerminateNow(); });
    EXPECT_TRUE(stopped("printf working; (exec sleep 60) & " + PidTo(pidFile, "$!") + "exec sleep 60"));
    EXPECT_EQ(events.size(), eventsAtStop);  // not even the empty event
    EXPECT_TRUE(WaitFor([&] { return IsDead(ReadPidFile(pidFile)); }));

    // The detached grandchild stays in the finished child's group: a later stop must not reach it.
    fs::remove(pidFile);
    EXPECT_EQ(Run(Shell("(exec sleep 60 >/dev/null 2>&1) & " + PidTo(pidFile, "$!") + "printf 'full run'")), "full run");
    const int grandchild = ReadPidFile(pidFile);
    ASSERT_TRUE(grandchild > 0 && ::getpgid(grandchild) == dos.LastProcessId());
    dos.TerminateNow();
    EXPECT_FALSE(WaitFor([&] { return IsDead(grandchild); }, std::chrono::milliseconds(200)));
    ::kill(grandchild, SIGKILL);

    // A Stop that comes once the tool has ended on its own stops nothing: the run counts as ended.
    onEvent = [this](std::string& text) {
        if (text.empty()) WaitFor([this] { return IsDead(dos.LastProcessId()); }), dos.TerminateNow();
    };
    Run(Shell("printf 'all written'"));
    EXPECT_TRUE(dos.LastResult().outcome == RunResult::Outcome::Ended && dos.LastResult().status.Success());
}

// The tool goes when the program running it goes, also when that program is killed outright.
TEST_F(DOSOutputsTest, ToolEndsWithTheProgramThatRunsIt) {
    for (int sig : {SIGTERM, SIGHUP, SIGINT, SIGKILL}) {
        const std::string tool = dir / ("tool" + std::to_string(sig)), grandchild = tool + "-grandchild";
        const pid_t program = ::fork();
        if (program == 0) {  // runs a tool as Kelvora does
            platform::EndChildrenWithProgram();
            dos.ExecuteCommand(Shell(PidTo(tool, "$$") + "(exec sleep 60) & " + PidTo(grandchild, "$!") + "exec sleep 60"));
            ::_exit(0);
        }
        ASSERT_TRUE(WaitFor([&] { return ReadPidFile(tool) > 0 && ReadPidFile(grandchild) > 0; }));
        ::kill(program, sig);
        EXPECT_TRUE(WaitFor([&] { return IsDead(ReadPidFile(tool)); })) << sig;
        // A handled signal ends the whole group; SIGKILL leaves that to the system, which reaches
        // only the tool itself.
        if (sig != SIGKILL) {
            EXPECT_TRUE(WaitFor([&] { return IsDead(ReadPidFile(grandchild)); })) << sig;
        }
        ::kill(ReadPidFile(grandchild), SIGKILL);
        ::waitpid(program, nullptr, 0);
    }
}

// What the runner makes of a line the job built (the quoting round trip itself goes through a
// real child in DOSOutputsTest).
TEST(CommandLine, ProgramArgumentsAndTheProgramsOwnWildcard) {
    TempDir dir;
    const std::string rar = dir.WriteText("a b/kelvora/rar", "");
    for (const char* name : {"b.txt", ".hidden", "noext", "*", "report?.txt"}) dir.WriteText(std::string("work/") + name, "");
    dir.MakeFolder("work/sub");
    dir.MakeFolder("empty");
    const std::string p = dir / "work/";

    // An unquoted program folder with blanks is found by trying the longer texts; nothing found,
    // the first blank ends the program.
    EXPECT_EQ(CommandLineToArgv(rar + " a \"x y\" \"\" \"C:\\Out\\\\\" a\\\"b"), (Texts{rar, "a", "x y", "", "C:\\Out\\", "a\"b"}));
    EXPECT_EQ(CommandLineToArgv(dir / "no such/prog arg"), (Texts{dir / "no", "such/prog", "arg"}));
    // A known program is taken whole, even when a shorter text up to a blank names a file.
    const std::string shadow = dir.WriteText("apps/kp", ""), tool = dir.WriteText("apps/kp x/rar", "");
    EXPECT_EQ(CommandLineToArgv(tool + " a -- x", tool), (Texts{tool, "a", "--", "x"}));
    EXPECT_EQ(CommandLineToArgv(tool + " a", "")[0], shadow);

    // Only a last "*.*" the caller marks as its own is expanded: every name, hidden ones, names
    // without a dot and folders too, sorted. A chosen name stays one name, whatever it holds.
    EXPECT_EQ(CommandLineToArgv(rar + " \"" + p + "*.*\"", "", true),
              (Texts{rar, p + "*", p + ".hidden", p + "b.txt", p + "noext", p + "report?.txt", p + "sub"}));
    EXPECT_EQ(CommandLineToArgv(rar + " \"" + p + "*.*\""), (Texts{rar, p + "*.*"}));
    for (const std::string& kept : {p + "*", p + "report?.txt", p + "*.txt", p + "missing/*.*", dir / "empty/*.*"})
        EXPECT_EQ(ExpandFolderWildcard(kept), Texts{kept});
}

TEST(CommandLine, LastMeaningfulLineLeavesOutProgress) {
    const std::pair<const char*, const char*> cases[] = {
        {"Creating archive x\n\nAdding  a   OK \nDone\n", "Done"},
        {"Processing: 12.5%\rProcessing: 99.9%\r", ""},
        {"Block size is too small.\r\n   \r\n", "Block size is too small."},
        {"Adding  a    5%\b\b\b\b 50%\b\b\b\b100%", "Adding  a  100%"},
        {"ERROR: Write error\nNo space left on device\n 45%", "No space left on device"},
        {"Error: 12 files: 34%", "Error: 12 files: 34%"},
    };
    for (const auto& [text, line] : cases) EXPECT_EQ(LastMeaningfulLine(text), line) << text;
}
