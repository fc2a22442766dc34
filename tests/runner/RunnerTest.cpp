#include "runner/DOSOutputs.h"

#include <numeric>

#include "ProcessWatch.h"
#include "ScriptedDesktop.h"
#include "TempDir.h"
#include "runner/CommandLine.h"

using namespace kelvora;
using namespace kelvora::test;
using namespace std::string_literals;
using Texts = std::vector<std::string>;
namespace fs = std::filesystem;

namespace {

// The command line of the test child doing `steps` (tests/tools/test_child.cpp).
std::string Child(const Texts& steps) {
    std::string line = QuoteArgument(TestToolsDir() + platform::PathSeparator + "test_child" + ExeSuffix);
    for (const auto& s : steps) line.append(" ").append(QuoteArgument(s));
    return line;
}

// Our standard input becomes a pipe we keep open: a child reading it would wait for ever.
struct HeldInput {
#ifdef _WIN32
    HANDLE saved = ::GetStdHandle(STD_INPUT_HANDLE), read = nullptr, write = nullptr;
    HeldInput() {
        SECURITY_ATTRIBUTES inherit{sizeof(SECURITY_ATTRIBUTES), nullptr, TRUE};
        ::CreatePipe(&read, &write, &inherit, 0);
        ::SetStdHandle(STD_INPUT_HANDLE, read);
    }
    ~HeldInput() { ::SetStdHandle(STD_INPUT_HANDLE, saved), ::CloseHandle(read), ::CloseHandle(write); }
#else
    int pipe[2] = {-1, -1}, saved = ::dup(0);
    HeldInput() {
        if (::pipe2(pipe, O_CLOEXEC) == 0) ::dup2(pipe[0], 0);
    }
    ~HeldInput() { ::dup2(saved, 0), ::close(saved), ::close(pipe[0]), ::close(pipe[1]); }
#endif
};

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
// on a pipe we keep open), runs in our folder with our environment, and gets each argument exactly
// (on Windows the child's own C runtime splits the line the runner hands over).
TEST_F(DOSOutputsTest, OutputArrivesInChunksOfAtMost256AndTheRunTellsHowTheToolEnded) {
    const Texts sent = {"two words", "tab\there", "say \"hi\"", "trailing\\", "trailing\\\\", "a\\\"b", "", "\"",
                        "\"\"", "\\\"", "x\"\"y", " lead", "a b \\", "C:\\Program Files\\", "mixed \\\" \"\\ end\\\\"};
    Texts echo = {"args"};
    std::string received;
    for (const auto& t : sent) echo.push_back(t), received += "<" + t + ">";
    const std::string here = Utf8Text(fs::canonical(Utf8Path(dir.path()))), zeros(600, '0');
#ifdef _WIN32
    const std::string crashed = "exit " + std::to_string(static_cast<int>(0xC0000005u));  // an access violation
#else
    const std::string crashed = "signal 11";
#endif
    const struct { std::string line, output, result; } cases[] = {
        {Child({}), "", "exit 0: "},
        {Child({"zeros:600"}), zeros, "exit 0: " + zeros},  // one write, more than two chunks
        {Child({"out:line\\nno break", "err: [err]", "out:a\\0b"}), "line\nno break [err]a\0b"s, "exit 0: no break [err]ab"},
        // A grandchild keeps the pipe open: the run lasts until it is done.
        {Child({"out:parent ", "child:2", "sleep:300", "out:grandchild"}), "parent grandchild", "exit 0: parent grandchild"},
        {Child({"env:KELVORA_CHILD_PROBE", "out:|", "cwd", "stdin"}), "probe value|" + here, "exit 0: probe value|" + here},
        {Child(echo), received, "exit 0: " + received},
        {Child({"out:ERROR: Write error\\nNo space left on device\\nProcessing: 45.3%\\r", "exit:5"}),
         "ERROR: Write error\nNo space left on device\nProcessing: 45.3%\r", "exit 5: No space left on device"},
        {Child({"out:working", "crash"}), "working", crashed + ": working"},
        // The output ends long before the tool does.
        {Child({"out:closing early", "close", "sleep:300", "exit:3"}), "closing early", "exit 3: closing early"},
    };
    const fs::path before = fs::current_path();
    HeldInput input;
    SetEnv("KELVORA_CHILD_PROBE", "probe value"), fs::current_path(Utf8Path(dir.path()));
    for (const auto& c : cases) {
        desk.doEventsCalls = 0;
        EXPECT_EQ(Run(c.line), c.output);
        EXPECT_TRUE(std::count(events.begin(), events.end(), "") == 1 && events.back().empty() && desk.doEventsCalls >= long(events.size()));
        for (const auto& e : events) EXPECT_LE(e.size(), 256u);
        const RunResult& r = dos.LastResult();
        EXPECT_EQ(r.outcome, RunResult::Outcome::Ended);
        EXPECT_EQ((r.status.kind == platform::ExitStatus::Kind::Exited ? "exit " : "signal ") + std::to_string(r.status.code) + ": " + r.lastLine,
                  c.result);
        EXPECT_FALSE(dos.LastProcessId() == 0 || IsOurChild(dos.LastProcessId()));  // reaped by the run itself
    }
    fs::current_path(before), SetEnv("KELVORA_CHILD_PROBE", nullptr);
    EXPECT_TRUE(desk.boxes.empty());
}

TEST_F(DOSOutputsTest, FailuresShowTheirMessageAndRaiseNoEvent) {
    const std::string missing = "File or command not found";
    const Texts expected = {"Command Line empty", missing, missing, missing, missing};
    for (const std::string& line : {""s, dir / "missing a b", dir.WriteText("not-executable", "#!/bin/sh\n"), QuoteArgument(dir.path()), "   "s})
        dos.ExecuteCommand(line);
    EXPECT_EQ(dos.LastResult().outcome, RunResult::Outcome::NotStarted);
    Texts texts;
    for (const auto& box : desk.boxes)
        texts.push_back(box.icon == MsgIcon::Critical && box.buttons == MsgButtons::OK && box.title == "Kelvora" ? box.text : "?");
    EXPECT_EQ(texts, expected);
    EXPECT_TRUE(events.empty() && desk.doEventsCalls == 0);
    EXPECT_EQ(Run(Child({"out:ok"})), "ok");  // still usable
}

// Stop from inside the handler, then while the tool and its grandchild are silent. Outside a run
// it signals nothing, not even what is left of the last run's group. (A Stop once the tool has
// ended on its own, which stops nothing, is in Job.StopWhereverItComes.)
TEST_F(DOSOutputsTest, StopEndsTheRunAtOnceKillsTheGroupAndNothingElse) {
    // Meant to end at once; the bound only tells a stuck Stop from one that worked.
    auto stopped = [this](const Texts& steps) {
        const auto start = std::chrono::steady_clock::now();
        Run(Child(steps));
        const int pid = dos.LastProcessId();
        return dos.LastResult().outcome == RunResult::Outcome::Stopped && std::chrono::steady_clock::now() - start < std::chrono::seconds(30) &&
               pid > 0 && WaitFor([pid] { return platform::ReapFinishedChildren(), !IsOurChild(pid); });
    };
    onEvent = [this](std::string&) { dos.TerminateNow(); };
    EXPECT_TRUE(stopped({"zeros:100000", "sleep:60000"}));
    EXPECT_EQ(events.size(), 1u);  // no further event, not even the empty one

    onEvent = nullptr;
    const std::string pidFile = dir / "pid";
    size_t eventsAtStop = 0, silentTurns = 0;
    desk.When([&] { return ReadPidFile(pidFile) > 0 && ++silentTurns > 3; }, [&] { eventsAtStop = events.size(), dos.TerminateNow(); });
    EXPECT_TRUE(stopped({"out:working", "child:2", "pid:" + pidFile, "sleep:60000", "sleep:60000"}));
    EXPECT_EQ(events.size(), eventsAtStop);  // not even the empty event
    EXPECT_TRUE(WaitFor([&] { return IsDead(ReadPidFile(pidFile)); }));

    // A grandchild that let go of the output outlives the run.
    fs::remove(Utf8Path(pidFile));
    EXPECT_EQ(Run(Child({"child:3", "pid:" + pidFile, "close", "sleep:60000", "out:full run"})), "full run");
    const int grandchild = ReadPidFile(pidFile);
#ifdef _WIN32
    // Windows: the run's job object closes with the run and ends it there, so no later Stop has
    // anything left to reach.
    EXPECT_TRUE(grandchild > 0 && WaitFor([&] { return IsDead(grandchild); }));
#else
    // It stays in the finished child's group: a later stop must not reach it.
    ASSERT_TRUE(grandchild > 0 && ::getpgid(grandchild) == dos.LastProcessId());
    dos.TerminateNow();
    EXPECT_FALSE(WaitFor([&] { return IsDead(grandchild); }, std::chrono::milliseconds(200)));
    ::kill(grandchild, SIGKILL);
#endif
}

// The tool and what it started go when the program running it goes, also when that program is
// killed outright. The program is a copy of this test running a tool as Kelvora does.
TEST_F(DOSOutputsTest, ToolEndsWithTheProgramThatRunsIt) {
    auto runTool = [this](const std::string& tool) {
        dos.ExecuteCommand(Child({"pid:" + tool, "child:2", "pid:" + tool + "-grandchild", "sleep:60000", "sleep:60000"}));
    };
    auto killProgram = [](const std::string& tool, auto kill) {
        ASSERT_TRUE(WaitFor([&] { return ReadPidFile(tool) > 0 && ReadPidFile(tool + "-grandchild") > 0; },
                            std::chrono::seconds(20)));
        kill();
        EXPECT_TRUE(WaitFor([&] { return IsDead(ReadPidFile(tool)); }));
    };
    auto grandchildGone = [](const std::string& tool) { return WaitFor([&] { return IsDead(ReadPidFile(tool + "-grandchild")); }); };
#ifdef _WIN32
    // The job object ends with the program, however it ends.
    if (const char* tool = std::getenv("KELVORA_TEST_TOOL_PIDS")) return runTool(tool);
    const std::string tool = dir / "tool";
    wchar_t self[MAX_PATH];
    ::GetModuleFileNameW(nullptr, self, MAX_PATH);
    std::wstring line = L"test --gtest_filter=DOSOutputsTest.ToolEndsWithTheProgramThatRunsIt";
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION program{};
    SetEnv("KELVORA_TEST_TOOL_PIDS", tool.c_str());
    ASSERT_TRUE(::CreateProcessW(self, line.data(), nullptr, nullptr, FALSE, CREATE_NO_WINDOW, nullptr, nullptr, &startup, &program));
    SetEnv("KELVORA_TEST_TOOL_PIDS", nullptr);
    killProgram(tool, [&] { ::TerminateProcess(program.hProcess, 1); });
    EXPECT_TRUE(grandchildGone(tool));
    ::CloseHandle(program.hProcess), ::CloseHandle(program.hThread);
#else
    for (int sig : {SIGTERM, SIGHUP, SIGINT, SIGKILL}) {
        const std::string tool = dir / ("tool" + std::to_string(sig));
        const pid_t program = ::fork();
        if (program == 0) {
            platform::EndChildrenWithProgram();
            runTool(tool);
            ::_exit(0);
        }
        killProgram(tool, [&] { ::kill(program, sig); });
        // A handled signal ends the whole group; SIGKILL leaves that to the system, which reaches
        // only the tool itself.
        EXPECT_TRUE(sig == SIGKILL || grandchildGone(tool)) << sig;
        ::kill(ReadPidFile(tool + "-grandchild"), SIGKILL);
        WaitChild(program);
    }
#endif
}

// The job's own "*.*" is expanded to every name, hidden ones, names without a dot and folders
// too, sorted; a name the user chose stays one name, whatever it holds. A line given as text
// finds an unquoted program folder with blanks by trying the longer texts.
TEST(CommandLine, TheProgramsOwnWildcardAndAProgramFolderWithBlanks) {
    TempDir dir;
    Texts names = {".hidden", "b.txt", "noext", "sub"}, expanded;  // sorted, as expanded
#ifndef _WIN32
    names.insert(names.begin(), "*"), names.insert(names.end() - 1, "report?.txt");  // not allowed on Windows
#endif
    const std::string p = dir / "work/";
    for (const auto& name : names) expanded.push_back(name == "sub" ? dir.MakeFolder("work/sub") : dir.WriteText("work/" + name, ""));
    dir.MakeFolder("empty");
    EXPECT_EQ(ExpandFolderWildcard(p + "*.*"), expanded);
    for (const std::string& kept : {p + "*", p + "report?.txt", p + "*.txt", p + Native("missing/*.*"), dir / "empty/*.*"})
        EXPECT_EQ(ExpandFolderWildcard(kept), Texts{kept});
    const std::string rar = dir.WriteText("a b/kelvora/rar", "");
    EXPECT_EQ(CommandLineToArgv(rar + " a \"x y\" \"\" \"C:\\Out\\\\\" a\\\"b"), (Texts{rar, "a", "x y", "", "C:\\Out\\", "a\"b"}));
    EXPECT_EQ(CommandLineToArgv(dir / "no such/prog arg"), (Texts{dir / "no", Native("such/prog"), "arg"}));
}

// What a failure report quotes: the lines that say what went wrong, else the last line that
// says anything. Outputs as the tools write them, fed in chunks cut anywhere.
TEST(ToolMessages, QuoteWhatWentWrongNotTheLastLine) {
    const std::pair<std::string, Texts> cases[] = {
        {"Creating archive x\n\nAdding  a   OK \nDone\n", {"Done"}},
        {"Processing: 12.5%\rProcessing: 99.9%\r", {}},
        {"Adding  a    5%\b\b\b\b 50%\b\b\b\b100%", {"Adding  a  100%"}},
        // RAR 7 on a full disk, a prompt answered by the closed input, then the abort.
        {"Creating archive /o/x.part03.rar\r\n\r\n...  big.bin   \b\b\b\b    \r\nDisk full. Insert next\r\n"
         "Create next volume? [Y]es, [N]o, [A]ll \r\nProgram aborted\r\n",
         {"Disk full. Insert next", "Program aborted"}},
        {"Cannot read contents of /srv/lost+found\nPermission denied\nAdding  /srv/a  OK\nDone\n",
         {"Cannot read contents of /srv/lost+found", "Permission denied"}},
        // par2's refusals; names it quotes never count, nor names in the archiver's listing.
        {"Loading \"error.par2\".\nTarget: \"bad-error.rar\" - found.\nYou must specify a Recovery file.\n",
         {"You must specify a Recovery file."}},
        {"Adding    /photos/failed aborted error.jpg    OK \nDone\n", {"Done"}},
        {"Target: \"x.part2.rar\" - damaged. Found 3 of 8 data blocks.\nRepair is required.\n",
         {"Target: \"x.part2.rar\" - damaged. Found 3 of 8 data blocks.", "Repair is required."}},
        // A handful at most, each once.
        {"ERROR: a\nERROR: a\nERROR: b\nERROR: c\nERROR: d\nERROR: e\nERROR: f\n",
         {"ERROR: a", "ERROR: b", "ERROR: c", "ERROR: d", "ERROR: e"}},
    };
    for (const auto& [output, quoted] : cases) {
        for (const size_t chunk : {size_t{1}, size_t{7}, size_t{256}}) {
            ToolMessages messages;
            for (size_t at = 0; at < output.size(); at += chunk) messages.Feed(output.substr(at, chunk));
            messages.Finish();
            EXPECT_EQ(messages.Quote(), quoted) << output << " in chunks of " << chunk;
        }
    }
    EXPECT_EQ(LastMeaningfulLine("Error: 12 files: 34%"), "Error: 12 files: 34%");  // a message, not progress
    ToolMessages endless;  // a tool that never ends its line keeps the program small
    for (int i = 0; i < 10000; ++i) endless.Feed(std::string(1000, 'x'));
    endless.Finish();
    EXPECT_LE(endless.LastLine().size(), 1024u);
}
