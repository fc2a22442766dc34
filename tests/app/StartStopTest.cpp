// The Start/Stop button: Start's checks, the controls read into the job, a whole job as the
// window shows it (with both archivers), separate items, and what the window says at the end of
// a run however it ended.
#include <algorithm>
#include <fstream>
#include <map>

#include "RunQuietly.h"
#include "TestWindow.h"
#include "app/JobFromWindow.h"
#include "common/Text.h"
#include "job/Items.h"
#include "runner/OutsideTools.h"

namespace fs = std::filesystem;
using kelvora::platform::PathSeparator;

namespace kelvora {

struct StartStop : ::testing::Test {
    StartStop() { tmp.WriteFile("src/Holiday/a.bin", 2000000, 3), tmp.WriteFile("src/Holiday/sub/b.bin", 1500000, 4), Again(); }
    // A run empties the fields: the same choice again.
    void Again() { w.Choose(source, output, "Holiday.rar", 3500000); }

    test::JobWindow w;
    frmMain& f = w.f;
    test::TempDir tmp;
    const std::string source = tmp / "src/Holiday", output = tmp.MakeFolder("out") + PathSeparator;
};

// Each failed check shows its message and leaves the window exactly as it was.
TEST_F(StartStop, ChecksInOrder) {
    test::TempDir program;
    f.AppPath = program.path(), w.Choose("", "", "", 0);
    auto state = [this] {
        return f.txtInput.Text() + "|" + f.txtOutput.Text() + "|" + f.txtArchiveName.Text() + "|" + f.cboSplitSize.Text() +
               "|" + f.lblStatus.Caption() + (w.Idle() ? "|" : "|busy") + std::to_string(w.desktop.doEventsCalls);
    };
    auto refused = [&](const std::string& message) {
        const std::string was = state();
        f.cmdProcess.UserClick();
        EXPECT_EQ(state() + w.desktop.TakeBoxes(), was + message + "!;");
    };
    f.cboSplitSize.SetText("5");
#ifdef _WIN32
    const std::string noRar = f.MessageText(Msg::RarExeNotFound), noPar2 = f.MessageText(Msg::Par2ExeNotFound);
#else  // what is true here: no WinRAR, no rar.exe
    const std::string noRar = FillIn(f.MessageText(Msg::RarNotFound), {program.path()}),
                      noPar2 = FillIn(f.MessageText(Msg::Par2NotFound), {program.path()});
#endif
    program.MakeFolder(RarToolName());
    refused(noRar);  // a folder is no program, and the archiver comes first, whatever else is missing
    fs::remove(program / RarToolName()), program.WriteText(RarToolName(), "not a program");
    refused(noPar2);
    program.WriteText(Par2ToolName(), "");
    for (auto [field, message, text] : {std::tuple{&f.txtInput, "No input file / folder selected. ", std::string(" ")},
                                        {&f.txtOutput, "No output folder selected. ", tmp / "missing/"},
                                        {&f.txtArchiveName, "No output name selected. ", std::string("Holiday.rar")}}) {
        refused(message);
        field->SetText(text);  // blanks count as content
    }

    // An accepted size reaches the item, which cannot make its folder in the missing output
    // folder: its error, no tool started, and the run has failed (nobody canceled it).
    const std::tuple<int, const char*, int64_t, bool> sizes[] = {
        {0, "99999", 99999, false}, {0, "100000", 100000, true}, {0, "262144001", 262144001, false}, {1, "250", 262144000, true}};
    for (auto [format, text, bytes, ok] : sizes) {
        f.cboFormat.SetListIndex(format), f.cboSplitSize.SetText(text);
        if (!ok) refused(bytes < 100000 ? "Minimum allowed split size is 100.000 bytes. " : "Maximum allowed split size is 250mb (262.144.000 bytes). ");
        else {
            f.cmdProcess.UserClick();
            EXPECT_EQ(w.Report() + std::to_string(f.objDOS->LastProcessId()), "76 - Path not found!;Status: Failed.0");
            EXPECT_TRUE(w.Idle());
            w.Choose(" ", tmp / "missing/", "Holiday.rar", 0);
        }
        EXPECT_EQ(SplitBytes, bytes) << text;  // set even when the check then fails
    }
    EXPECT_FALSE(fs::exists(tmp / "missing"));

    // A recovery amount of nothing. The lists can only lose their choice; the count is typed.
    const std::tuple<int, const char*, Msg> amounts[] = {{0, "", Msg::RedundancyTooSmall}, {1, "", Msg::RecoveryBlocksTooFew},
                                                         {1, "0", Msg::RecoveryBlocksTooFew}, {2, "", Msg::RecoveryFilesTooFew}};
    for (auto [option, count, message] : amounts) {
        f.OptPars[option].SetValue(true), f.txtRecoveryBlocks.SetText(count);
        if (option != 1) (option == 0 ? f.cboRedundancy : f.cboRecoveryFiles).SetListIndex(-1);
        refused(f.MessageText(message));
    }
    f.cboRecoveryFiles.SetListIndex(1);
    for (const std::string& pattern : {tmp / "src/*", tmp / "src/report?.txt"})  // the archiver's wildcards
        f.txtInput.SetText(pattern), refused(FillIn(f.MessageText(Msg::WildcardInSource), {pattern}));

    // An archiver that cannot be run is found only when it is started: the runner says so, once.
    Again(), f.cmdProcess.UserClick();
    EXPECT_EQ(w.Report(), "File or command not found;Status: Failed.");
    EXPECT_TRUE(fs::is_empty(output + "Kelvora0001"));  // par2 never ran
}

// Every option of the window reaches the job as the user chose it; folder options and the pause
// count only where they are enabled, the first selected recovery option decides, and the
// compression goes by position whatever the language.
TEST_F(StartStop, EveryOptionReachesTheJob) {
    f.cboFormat.SetListIndex(1), f.cboSplitSize.SetText("15"), f.chkCalculateEff.SetValue(1), f.cboCompression.SetListIndex(2);
    for (CheckBox* box : {&f.chkAddEmpty, &f.chkNoMainDir, &f.chkOldNaming, &f.chkPause, &f.chkUniformSize}) box->SetValue(1);
    f.cboLines.SetText("1500"), f.OptPars[1].SetValue(true), f.txtRecoveryBlocks.SetText("12"), f.mnuVerify.UserClick();
    JobPlan expected;
    expected.source = source, expected.sourceBytes = 3500000, expected.outputFolder = output;
    expected.archiveName = "Holiday.rar", expected.splitBytes = 15728640, expected.wholeBlockVolumes = true;
    expected.compression = Compression::High, expected.skipEmptyFolders = expected.contentsOnly = true;
    expected.oldNaming = expected.pause = expected.uniformSizes = expected.verify = true;
    expected.blockSize = 192000, expected.recovery = {RecoveryAmount::Kind::Blocks, 12};
    EXPECT_EQ(ReadJobPlan(f), expected);
    EXPECT_EQ(SplitBytes, 15728640);

    // One change each, and what the job then holds instead.
    using Kind = RecoveryAmount::Kind;
    const std::function<void()> changes[] = {
        [&] { f.chkAddEmpty.SetEnabled(false), f.chkNoMainDir.SetEnabled(false), f.chkPause.SetEnabled(false);
              expected.skipEmptyFolders = expected.contentsOnly = expected.pause = false; },
        [&] { f.cboFormat.SetListIndex(0), f.cboSplitSize.SetText("1000000"), expected.splitBytes = 1000000; },
        [&] { f.cboSplitSize.SetText(""), expected.splitBytes.reset(); },
        [&] { SelectLanguage(f, Language::Dutch); },  // "Hoog" is still the third choice
        [&] { f.cboCompression.SetListIndex(-1), expected.compression = Compression::ArchiverDefault; },
        [&] { f.OptPars[2].SetValue(true), f.cboRecoveryFiles.SetText("7"), expected.recovery = {Kind::Files, 7}; },
        [&] { f.OptPars[0].SetValue(true), f.cboRedundancy.SetText("25"), expected.recovery = {Kind::Percent, 25}; },
        [&] { f.OptPars[0].SetValue(false), expected.recovery = {Kind::None, 0}; },
        [&] { f.chkCalculateEff.SetValue(0), f.chkOldNaming.SetValue(0), f.chkUniformSize.SetValue(0);
              expected.wholeBlockVolumes = expected.oldNaming = expected.uniformSizes = false; },
        [&] { f.mnuVerify.UserClick(), expected.verify = false; },
        // Confirmed, separate items take the redundancy.
        [&] { f.chkSeparately.SetValue(1), f.SeparateItems = expected.separateItems = std::vector<std::string>{"a", "b"};
              expected.recovery = {Kind::Percent, 25}; },
    };
    for (size_t n = 0; n < std::size(changes); ++n) {
        changes[n]();
        EXPECT_EQ(ReadJobPlan(f), expected) << "change " << n;
    }
}

// 3,500,000 bytes in volumes of 1,000,000 rounded to whole PAR2 blocks, with the pause between
// the tools, where the user switches to Dutch. Each stage shows its status, "Stop" and locked
// input groups; the bar counts the volumes from the archiver's own output (the stand-in ends its
// lines as the Windows archiver does) and follows par2; the texts shown later are Dutch; the run
// ends idle with the fields emptied; the recovery files repair a lost and a damaged volume to the
// very bytes.
template <bool Real>
struct WholeJob : StartStop {
    void SetUp() override {
        if (!Real) return test::SetEnv("KELVORA_FAKE_RAR_CRLF", "1");
        if (const std::string why = test::LinkRealArchiver(program.path()); !why.empty()) GTEST_SKIP() << why;
        f.AppPath = program.path();
    }
    void Run() {
        f.cboCompression.SetListIndex(0), f.cboSplitSize.SetText("1000000"), f.chkCalculateEff.SetValue(1), f.chkPause.SetValue(1);
        f.cboLines.SetText("1500"), f.cboRedundancy.SetText("30");  // 192,000-byte blocks, 30 %
        std::string statusAtBox;
        w.desktop.onMsgBox = [&](const auto& box) { statusAtBox += box.text + "|" + f.lblStatus.Caption() + ";", f.mnuNederlands.UserClick(); };
        std::vector<std::string> rarBars, parBars;
        w.desktop.Every([&] {
            if (f.cmdProcess.Caption() == "Start") return;
            EXPECT_TRUE(f.cmdProcess.Caption() == "Stop" && w.InputGroups(false));
            EXPECT_EQ(f.lblStatus.Caption(), (f.RarStage ? "Status: Rarring... " : "Status: Parren... ") + source);
            auto& bars = f.RarStage ? rarBars : parBars;
            if (bars.empty() || bars.back() != w.BarText()) bars.push_back(w.BarText());
        });
        f.cmdProcess.UserClick();
        EXPECT_EQ(statusAtBox, "Kelvora is paused. Click 'OK' to continue. |Status: Rarring... " + source +
                                   ";Klaar!|Status: Parren... " + source + ";");
        EXPECT_EQ(w.Report() + "|" + w.BarText() + "|" + f.txtInput.Text(),
                  "Kelvora is paused. Click 'OK' to continue. ;Klaar!;Status: Klaar!|(0%)|");
        EXPECT_TRUE(w.Idle());
        EXPECT_EQ(rarBars, (std::vector<std::string>{"(0%)", "(25%)", "(50%)", "(75%)", "(100%)", "(0%)"}));
        EXPECT_GT(parBars.size(), 1u);  // par2's own percentage moves the bar

        // 1,000,000 bytes is 5.2 blocks of 192,000: volumes of 5 whole blocks, the last one shorter.
        const std::string work = output + test::Native("Kelvora0001/"), index = work + "Holiday.par2";
        auto volume = [&](int i) { return work + "Holiday.part" + std::to_string(i) + ".rar"; };
        ASSERT_TRUE(fs::exists(volume(4)) && !fs::exists(volume(5)));
        for (int i = 1; i <= 3; ++i) EXPECT_EQ(fs::file_size(volume(i)), 5 * 192000u) << i;
        EXPECT_EQ(test::RunQuietly({par2, "verify", index}), 0);
        if (KELVORA_PAR2_STAND_IN) GTEST_SKIP() << "the stand-in PAR2 tool writes no recovery data to repair from";
        for (const int i : {2, 3}) {
            const std::string bytes = test::ReadFile(volume(i));
            if (i == 2) fs::remove(volume(i));
            else std::fstream(volume(i), std::ios::in | std::ios::out | std::ios::binary).seekp(500000) << "damaged";
            if (Real && i == 3) { EXPECT_NE(test::RunQuietly({KELVORA_REAL_RAR, "t", volume(1)}), 0); }
            EXPECT_EQ(test::RunQuietly({par2, "repair", index}), 0);
            EXPECT_TRUE(test::ReadFile(volume(i)) == bytes) << i;
        }
        if (Real) { EXPECT_EQ(test::RunQuietly({KELVORA_REAL_RAR, "t", volume(1)}), 0); }
    }
    test::TempDir program;
    const std::string par2 = Par2ToolPath(test::TestToolsDir());
};
using WholeJobStandIn = WholeJob<false>;
using WholeJobRealArchiver = WholeJob<true>;
TEST_F(WholeJobStandIn, AsTheWindowShowsItAndItsRecoveryFilesRepair) { Run(); }
TEST_F(WholeJobRealArchiver, AsTheWindowShowsItAndItsRecoveryFilesRepair) { Run(); }

#ifdef _WIN32
const std::string Odd = "char;lie", OddArchive = "char;lie";  // Windows names hold no ':' or tab
#else
const std::string Odd = "char:\tlie", OddArchive = "char__lie";
#endif

// A folder "Set" of three files, two folders and a hidden file. The confirmation counts the
// visible items; a No changes nothing, a Yes lists them and sets the recovery choice. Each item
// then gets a work folder of its own, in listing order, and an archive named after it; the
// failed ones are listed at the end with what went wrong, while the others are done. A Stop
// after a failed item is the user's cancel, the failures told as well, and no later item begins.
TEST_F(StartStop, SeparateItemsAreJobsOfTheirOwnAndTheFailuresAreListedAtTheEnd) {
    for (std::string n : {"alpha.txt", "bravo.avi", Odd.c_str(), "delta dir/in.bin", "echo.old/in.bin", ".hidden"})
        tmp.WriteFile("Set/" + n, 3000, n[0]);
    test::Hide(tmp / "Set/.hidden");
    auto choose = [&](MsgAnswer answer) {
        w.desktop.folderResults.push_back(tmp / "Set"), f.cmdBrowseFolder.UserClick();
        w.desktop.answers.push_back(answer), f.chkSeparately.UserClick();
        return f.SeparateItems.value_or(std::vector<std::string>{});
    };
    f.OptPars[1].SetValue(true), choose(MsgAnswer::No);
    EXPECT_NE(w.desktop.TakeBoxes().find("\r\nFiles: 3\r\nFolders: 2\r\n\r\nAll 5 items will be"), std::string::npos);
    EXPECT_TRUE(!f.chkSeparately.Value() && !f.SeparateItems && f.OptPars[1].Value() && f.OptPars[1].Enabled() && f.chkPause.Enabled());
    std::vector<std::string> names = {"alpha.txt", "bravo.avi", Odd, "delta dir", "echo.old"};
#ifndef _WIN32
    const std::string pattern = tmp.WriteFile("Set/what?.txt", 10, 'w');  // a name the archiver would read as a pattern
    names.push_back("what?.txt");
#endif
    std::vector<std::string> items = choose(MsgAnswer::Yes);
    EXPECT_TRUE(f.OptPars[0].Value() && !f.OptPars[1].Enabled() && !f.chkPause.Enabled());
    test::SetEnv("KELVORA_FAKE_RAR_ONLY", "bravo"), test::SetEnv("KELVORA_FAKE_RAR_DISK_VOLUMES", "0");
    w.desktop.boxes.clear(), f.cmdProcess.UserClick();

    // In listing order a work folder each, but none for the refused name, holding the archive and
    // its index unless the archiver failed.
    const std::map<std::string, std::string> archives = {
        {"alpha.txt", "alpha"}, {Odd, OddArchive}, {"delta dir", "delta dir"}, {"echo.old", "echo"}};
    std::vector<std::string> listed, expected, written;
    int folder = 0;
    for (const auto& item : items) {
        const std::string name = listed.emplace_back(GetItemName(item));
        if (name == "what?.txt") continue;
        const std::string work = expected.emplace_back("Kelvora000" + std::to_string(++folder));
        if (archives.count(name))
            for (const char* ext : {".par2", ".rar"}) expected.push_back(work + PathSeparator + archives.at(name) + ext);
    }
    for (const auto& e : fs::recursive_directory_iterator(tmp.path()))  // leaving out par2's recovery volumes
        if (const std::string name = fs::relative(e.path(), tmp.path()).string();
            StartsWith(name, "Kelvora") && name.find(".vol") == std::string::npos)
            written.push_back(name);
    for (auto* v : {&listed, &expected, &written}) std::sort(v->begin(), v->end());
    EXPECT_EQ(listed, names);
    EXPECT_EQ(written, expected);
    const std::string set = tmp / "Set/", report = w.desktop.TakeBoxes();  // the failures instead of "Done!"
    EXPECT_TRUE(StartsWith(report, "These items failed:") && EndsWith(report, "!;") && report.find("Done!") == std::string::npos &&
                report.find(set + "bravo.avi\r\nThe tool " + RarToolName() + " failed with exit status 5.") != std::string::npos)
        << report;
#ifndef _WIN32
    EXPECT_NE(report.find(pattern + "\r\n" + FillIn(f.MessageText(Msg::WildcardInSource), {pattern})), std::string::npos);
    fs::remove(pattern);
#endif
    EXPECT_EQ(f.lblStatus.Caption(), "Status: Done, but some items failed.");
    EXPECT_FALSE(f.chkSeparately.Value() || f.chkSeparately.Enabled());

    // Again: the first item fails, the user stops the second.
    items = choose(MsgAnswer::Yes);
    test::SetEnv("KELVORA_FAKE_RAR_ONLY", items.at(0).c_str()), test::SetEnv("KELVORA_FAKE_RAR_DELAY_MS", "200");
    w.desktop.When([&] { return f.RarStage && EndsWith(f.lblStatus.Caption(), items[1]) && f.cmdProcess.Caption() == "Stop"; },
                   [&] { f.cmdProcess.UserClick(); });
    w.desktop.boxes.clear(), f.cmdProcess.UserClick();  // the second item still works as Stop comes
    const std::string stopped = w.Report();
    EXPECT_TRUE(StartsWith(stopped, "These items failed:\r\n\r\n" + items[0] + "\r\nThe tool " + RarToolName()) &&
                EndsWith(stopped, "!;Status: Canceled by the user."))
        << stopped;
    EXPECT_TRUE(fs::exists(tmp / "Kelvora0007") && !fs::exists(tmp / "Kelvora0008") && !f.chkSeparately.Value() &&
                !f.chkSeparately.Enabled());
}

// A Stop in the repaint after the last tool stops nothing: done, and said so, with the check it
// had.
TEST_F(StartStop, AStopAfterTheLastToolStopsNothing) {
    w.desktop.When([&] { return f.JobRunning && f.lblStatus.Caption().find("Verifying") != std::string::npos && !f.objDOS->Running(); },
                   [&] { f.cmdProcess.UserClick(); });
    f.mnuVerify.UserClick(), f.cmdProcess.UserClick();
    EXPECT_EQ(w.Report(), "Done!\r\n\r\n" + f.MessageText(Msg::Verified) + ";Status: Done!");
}

}  // namespace kelvora
