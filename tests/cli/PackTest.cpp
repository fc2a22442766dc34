// `kelvora pack`: its arguments, the job they describe, and the command run as a user runs it.
#include <algorithm>
#include <iostream>
#include <sstream>

#include "ProcessWatch.h"
#include "RunQuietly.h"
#include "TestJob.h"
#include "cli/PackCommand.h"
#include "common/Text.h"
#include "resources/Messages.h"
#include "runner/OutsideTools.h"

namespace fs = std::filesystem;

namespace kelvora {

using Args = std::vector<std::string>;

// What a command line comes to: the options it sets, or its usage error.
static std::string Parsed(const Args& args) {
    const auto parsed = ParsePackArguments(args);
    if (const auto* error = std::get_if<UsageError>(&parsed)) return "error: " + error->text;
    const PackOptions& o = std::get<PackOptions>(parsed);
    std::ostringstream text;
    text << o.source << (o.out ? " out=" + *o.out : "") << (o.name ? " name=" + *o.name : "");
    if (o.splitBytes) text << " split=" << *o.splitBytes;
    if (o.recovery) text << " recovery=" << static_cast<int>(o.recovery->kind) << ":" << o.recovery->count;
    if (o.yencLines) text << " lines=" << *o.yencLines;
    if (o.language) text << " " << InfoOf(*o.language).code;
    if (o.quiet) text << " quiet";
    return text.str();
}

TEST(PackArguments, WhatACommandLineComesTo) {
    const std::pair<Args, std::string> cases[] = {
        {{"src", "-o", "/out", "--name=x.rar"}, "src out=/out name=x.rar"},
        {{"--split", "50M", "src"}, "src split=52428800"},  // options before the source too
        {{"src", "--split=250mb"}, "src split=262144000"},
        {{"src", "--split", "9999999999999999M"}, "src split=9223372036854775807"},  // the limits refuse it
        {{"src", "--split", "100000", "--recovery-blocks", "0"}, "src split=100000 recovery=2:0"},  // refused at Start
        {{"src", "--split", "99999999999999999999"}, "error: --split takes bytes, or a number with K, KB, M or MB: 99999999999999999999"},
        {{"src", "--split", "1.5M"}, "error: --split takes bytes, or a number with K, KB, M or MB: 1.5M"},
        {{"src", "--yenc-lines", "1500", "--recovery-files", "10", "-q", "--language", "nl"}, "src recovery=3:10 lines=1500 nl quiet"},
        {{"src", "--yenc-lines", "1600"}, "error: --yenc-lines takes 1500 to 5000 in steps of 500: 1600"},
        {{"src", "--redundancy", "7"}, "error: --redundancy takes 5 to 100 in steps of 5: 7"},
        {{"src", "--redundancy", "10", "--recovery-files", "2"},
         "error: give only one of --redundancy, --recovery-blocks and --recovery-files"},
        {{"--", "-R"}, "-R"},  // a source that begins with "-"
        {{"a", "b"}, "error: one source only; the second is b"},
        {{"src", "--verify=1"}, "error: --verify takes no value"},
        {{"src", "--out"}, "error: --out needs a value"},
        {{"src", "--compression", "best"}, "error: --compression takes none, normal or high: best"},
        {{"src", "--language", "de"}, "error: --language takes en or nl: de"},
        {{"src", "--settings", "f", "--saved-settings"}, "error: give either --settings or --saved-settings"},
        {{"--frobnicate"}, "error: unknown option --frobnicate"},
        {{}, "error: no source given"},
    };
    for (const auto& [args, expected] : cases) EXPECT_EQ(Parsed(args), expected);
}

// Before any window: the commands, and an unknown long option, which names no source. Qt's own
// options (-style, --style) and anything else are the window's.
TEST(PackArguments, WhatRunsWithoutAWindow) {
    const std::pair<Args, std::string> cases[] = {
        {{"--version"}, "0"},
        {{"--help=1"}, "2 kelvora: unknown option --help=1\nTry 'kelvora --help'.\n"},
        {{"-style", "fusion"}, "window"},
        {{"--style", "fusion", "x"}, "window"},
        {{"--reverse", "x"}, "window"},
        {{"--stylish"}, "2 kelvora: unknown option --stylish\nTry 'kelvora --help'.\n"},
        {{"./--bogus"}, "window"},
        {{"./pack"}, "window"},
    };
    for (const auto& [args, expected] : cases) {
        std::ostringstream err, out;
        std::streambuf* const savedErr = std::cerr.rdbuf(err.rdbuf());
        std::streambuf* const savedOut = std::cout.rdbuf(out.rdbuf());
        const std::optional<int> status = RunWithoutWindow(args);
        std::cerr.rdbuf(savedErr), std::cout.rdbuf(savedOut);
        EXPECT_EQ(status ? std::to_string(*status) + (err.str().empty() ? "" : " " + err.str()) : "window", expected);
    }
}

// The saved choices are the starting point, the options win, and the rules are the window's:
// the folder options only for a folder, a block count at most the source's blocks.
TEST(PackArguments, TheJobTheyDescribe) {
    SavedChoices saved;
    saved.compression = 2, saved.noEmpty = saved.noMainDir = 1, saved.calculateEff = 0, saved.optPars = 2;
    saved.recoveryFiles = 6, saved.yEncLines = 0, saved.uniformSize = 1, saved.verify = true;
    PackOptions o;
    JobPlan plan = PackPlan(o, saved, test::Native("/src"), true, 7000000);
    EXPECT_TRUE(plan.compression == Compression::High && plan.skipEmptyFolders && plan.contentsOnly &&
                !plan.wholeBlockVolumes && plan.uniformSizes && plan.verify && plan.blockSize == 192000);
    EXPECT_EQ(plan.recovery, (RecoveryAmount{RecoveryAmount::Kind::Files, 7}));
    EXPECT_EQ(plan.archiveName, "src.rar");
    EXPECT_FALSE(PackPlan(o, saved, test::Native("/a.bin"), false, 10).contentsOnly);

    o.compression = Compression::None, o.yencLines = 5000, o.recovery = RecoveryAmount{RecoveryAmount::Kind::Blocks, 500};
    o.name = "x.rar", o.splitBytes = 1000000;
    plan = PackPlan(o, SavedChoices{}, test::Native("/data/a:b"), false, 7000000);
    EXPECT_TRUE(plan.compression == Compression::None && plan.wholeBlockVolumes && plan.blockSize == 640000 &&
                plan.archiveName == "x.rar" && plan.splitBytes == 1000000);
    EXPECT_EQ(plan.recovery.count, 11);  // 7,000,000 bytes are 11 blocks of 640,000
    o.name.reset();
    EXPECT_EQ(PackPlan(o, SavedChoices{}, test::Native("/data/a:b"), false, 1).archiveName, "a_b.rar");
}

#ifndef _WIN32
// The command from a program folder of its own, with the tools beside it, as a user runs it:
// from a terminal without any window system.
struct PackCommand : test::StandInCues, ::testing::Test {
    PackCommand() {
        fs::copy_file(KELVORA_PROGRAM, program / "kelvora");
        fs::create_symlink(test::TestToolsDir() + "/rar", program / "rar"), fs::create_symlink(par2, program / "par2");
        tmp.WriteFile("src/Holiday/a.bin", 2000000, 3), tmp.WriteFile("src/Holiday/sub/b.bin", 1500000, 4);
    }
    // Runs `kelvora pack` with the arguments: its exit status, standard output, standard error.
    // `meanwhile` gets its process id while it runs.
    std::string Pack(const Args& args, const std::function<void(pid_t)>& meanwhile = {}) {
        const std::string out = tmp / "stdout", err = tmp / "stderr";
        const pid_t pid = ::fork();
        if (pid == 0) {
            for (const char* name : {"DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM"}) ::unsetenv(name);
            ::dup2(::open(out.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600), 1);
            ::dup2(::open(err.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600), 2);
            std::vector<char*> argv{const_cast<char*>("kelvora"), const_cast<char*>("pack")};
            for (const auto& a : args) argv.push_back(const_cast<char*>(a.c_str()));
            argv.push_back(nullptr);
            ::execv((program / "kelvora").c_str(), argv.data());
            ::_exit(127);
        }
        if (meanwhile) meanwhile(pid);
        const int status = test::WaitChild(pid);
        return std::to_string(WIFEXITED(status) ? WEXITSTATUS(status) : -1) + "|" + test::ReadFile(out) + "|" + test::ReadFile(err);
    }

    test::TempDir program, tmp;
    const std::string par2 = Par2ToolPath(test::TestToolsDir()), source = tmp / "src/Holiday", output = tmp.MakeFolder("out");
};

TEST_F(PackCommand, ExitStatusesAndWhatItPrints) {
    // Done: the work folder and its files on standard output, each stage on standard error. A name
    // without ".rar" gets it from the archiver, and the check still finds the first volume.
    EXPECT_EQ(Pack({source, "--out", output, "--name", "Holiday", "--split", "1M", "--verify"}),
              "0|" + output + "/Kelvora0001\n  Holiday.par2\n  Holiday.part1.rar\n  Holiday.part2.rar\n  Holiday.part3.rar\n"
              "  Holiday.part4.rar\n  Holiday.vol0+1.par2\n|Rarring... " + source + "\nParring... " + source + "\nVerifying... " +
              source + "\nDone!\nThe volumes and recovery files have been checked and are sound.\n");
    EXPECT_EQ(test::RunQuietly({par2, "verify", output + "/Kelvora0001/Holiday.par2"}), 0);

    // Refused before anything runs, with the window's messages in the language asked for.
    const std::string damagedSettings = tmp.WriteText("Damaged.ini", "[Settings]\nCompression=3\nLanguage=\n");
    SavedChoices dutch;
    dutch.language = Language::Dutch;
    ASSERT_TRUE(WriteSavedChoices(dutch, tmp / "Dutch.ini"));
    const std::pair<Args, std::string> refused[] = {
        {{tmp / "nothing"}, "kelvora: " + tmp / "nothing" + " cannot be found.\n"},
        {{""}, "kelvora: No input file / folder selected.\n"},
        {{source, "--out", ""}, "kelvora: No output folder selected.\n"},
        {{tmp / "src/Holiday/a.bin", "--separately", "--settings", tmp / "Dutch.ini"},  // the saved language
         "kelvora: --separately werkt alleen met een map, waarvan de items een voor een worden ingepakt: " + tmp / "src/Holiday/a.bin" + "\n"},
        {{source, "--split", "99999", "--language", "nl"}, "kelvora: Minimaal toegestane split grootte is 100.000 bytes.\n"},
        {{source, "--recovery-blocks", "0"}, "kelvora: The number of recovery blocks must be at least 1.\n"},
        {{source, "--out", tmp / "missing"}, "kelvora: " + tmp / "missing" + " cannot be found.\n"},
        {{source, "--name", "a:b.rar"}, "kelvora: A filename cannot contain any of the following characters: \\ / : * ? \" < > |\n"},
        {{source, "--frobnicate"}, "kelvora pack: unknown option --frobnicate\nTry 'kelvora pack --help'.\n"},
        // A damaged settings file gives the whole default set, as in the window: the job goes on.
        {{source, "--settings", damagedSettings, "--split", "99999"},
         "kelvora: " + damagedSettings + " holds no choices Kelvora saved; the defaults are used.\nkelvora: Minimum allowed split size is 100.000 bytes.\n"},
    };
    for (const auto& [args, message] : refused) EXPECT_EQ(Pack(args), "2||" + message);
    EXPECT_EQ(test::Entries(output), 1);

    // A failing tool: the item named, with what the tool said; -q leaves only that.
    test::SetEnv("KELVORA_FAKE_RAR_DISK_VOLUMES", "0");
    const std::string failed = Pack({source, "--out", output, "-q"});
    test::SetEnv("KELVORA_FAKE_RAR_DISK_VOLUMES", nullptr);
    EXPECT_TRUE(StartsWith(failed, "1||kelvora: " + source + ":\nThe tool rar failed with exit status 5.\nWhat it said:\n")) << failed;

    // A volume damaged between its making and the check: the item fails with par2's own finding.
    fs::remove(program / "par2"), program.WriteProgram("par2", test::DamagingPar2(par2));
    const std::string damaged = Pack({source, "--out", output, "--split", "1M", "--verify", "-q"});
    EXPECT_TRUE(StartsWith(damaged, "1||kelvora: " + source + ":\nThe tool par2 failed with exit status 1.\n" +
                                        Text(Msg::VerifyRepairable, Language::English) + "\nWhat it said:\n") &&
                damaged.find("damaged") != std::string::npos)
        << damaged;
}

// RARLAB's archiver and par2, both checking what was made.
TEST_F(PackCommand, WithTheRealArchiver) {
    fs::remove(program / "rar"), fs::remove(program / "par2");
    if (const std::string why = test::LinkRealArchiver(program.path()); !why.empty()) GTEST_SKIP() << why;
    const std::string ran = Pack({source, "-o", output, "--split", "1M", "--compression", "high", "--verify", "--separately"});
    EXPECT_TRUE(StartsWith(ran, "0|" + output + "/Kelvora0001\n") && ran.find("\n" + output + "/Kelvora0002\n") != std::string::npos) << ran;
    EXPECT_EQ(std::count(ran.begin() + ran.rfind('|'), ran.end(), '\n'), 3 * 2 + 2) << ran;  // three stages of two items
}

// An interrupt stops the tool and all it started, as Stop does, at once while the tool is silent
// (after its first volume), and ends with 130.
TEST_F(PackCommand, AnInterruptStopsTheToolFirst) {
    for (int signal : {SIGINT, SIGTERM}) {
        const std::string pidFile = tmp / ("rar.pid" + std::to_string(signal));
        const std::string volume = output + (signal == SIGINT ? "/Kelvora0001" : "/Kelvora0002") + "/Holiday.part1.rar";
        test::SetEnv("KELVORA_FAKE_RAR_DELAY_MS", "30000"), test::SetEnv("KELVORA_FAKE_RAR_PID", pidFile.c_str());
        int tool = 0;
        const std::string ran = Pack({source, "--out", output, "--split", "1M"}, [&](pid_t pack) {
            // 1M in whole blocks of 384,000 bytes: 1,152,000.
            ASSERT_TRUE(test::WaitFor([&] { return (tool = test::ReadPidFile(pidFile)) > 0 && fs::exists(volume) &&
                                                   fs::file_size(volume) == 1152000; }, std::chrono::seconds(20)));
            std::this_thread::sleep_for(std::chrono::milliseconds(300)), ::kill(pack, signal);
            EXPECT_TRUE(test::WaitFor([&] { return test::IsDead(tool); })) << "the archiver is still running";
        });
        EXPECT_TRUE(StartsWith(ran, "130|") && ran.find("Canceled by the user.") != std::string::npos) << ran;
    }
}
#endif

}  // namespace kelvora
