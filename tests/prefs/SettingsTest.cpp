// Settings.ini: what is read, where it lies, how it is written.
#include <gtest/gtest.h>
#ifndef _WIN32
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>
#endif

#include <chrono>
#include <filesystem>

#include "TestWindow.h"
#include "app/Lifecycle.h"
#include "prefs/IniFile.h"
#include "prefs/Settings.h"

namespace fs = std::filesystem;
using namespace kelvora;
using test::ReadFile;

namespace {

// The thirteen stored controls, in key order.
std::vector<int> Choices(const frmMain& f) {
    return {f.cboCompression.ListIndex(), f.cboFormat.ListIndex(),      f.chkNoMainDir.Value(),  f.chkAddEmpty.Value(),
            f.chkPause.Value(),           f.chkOldNaming.Value(),       f.chkCalculateEff.Value(), f.OptPars.Selected(),
            f.cboRedundancy.ListIndex(),  f.cboRecoveryFiles.ListIndex(), f.cboLines.ListIndex(), f.chkUniformSize.Value(),
            f.chkSaveSelected.Value()};
}
const std::vector<int> Defaults = {0, 0, 0, 0, 0, 0, 1, 0, 1, 4, 3, 0, 0};

// Every key away from its default, in Dutch.
const std::string AllKeysDutch =
    "[Settings]\r\nCompression=2\r\nFormat=1\r\nNoMainDir=1\r\nNoEmpty=1\r\nPause=1\r\nOldNaming=1\r\n"
    "CalculateEff=0\r\nOptPars=2\r\nRedundancy=5\r\nRecoveryFiles=9\r\nyEncLines=0\r\nUniformSize=1\r\n"
    "SaveSelected=1\r\nLanguage=1\r\n";
const std::vector<int> Dutch = {2, 1, 1, 1, 1, 1, 0, 2, 5, 9, 0, 1, 1};

struct SettingsWindow : test::TestWindow {
    test::TempDir dir;
    SettingsWindow() { f.AppPath = dir.path(); }
    std::string Path() const { return dir / "Settings.ini"; }
    void Write(const std::string& text) const { dir.WriteText("Settings.ini", text); }
};

}  // namespace

// All fourteen keys are read, the reactions running as for the user's choices; the first of a key
// named twice counts, a byte-order mark (Windows editors write one) hides nothing, and the
// compression and the unit may hold no item. No file, or any value no control would show, gives
// the whole default set in English, whatever was restored before the fault. A load never writes.
TEST(Settings, LoadReadsEveryKeyAndAnyFailureGivesTheWholeDefaultSet) {
    auto spoil = [](const std::string& from, const std::string& to) {
        std::string text = AllKeysDutch;
        return text.replace(text.find(from), from.size(), to);
    };
    auto dutchBut = [](std::size_t at, int value) {
        std::vector<int> choices = Dutch;
        choices[at] = value;
        return choices;
    };
    // The caption that tells the language, the compression, the block size of the yEnc lines and
    // the first split-size preset of the unit.
    auto shown = [](const frmMain& f) {
        return f.Label[6].Caption() + "|" + f.cboCompression.Text() + "|" + f.txtBlockSize.Text() + "|" +
               (f.cboSplitSize.ListCount() > 0 ? f.cboSplitSize.List()[0] : "");
    };
    const std::string dutch = "Blokgrootte:|Hoog|192000|1", defaults = "Block Size:|None|384000|1000000";
    struct Row {
        std::string text;
        std::vector<int> choices;
        std::string shown;
    };
    const Row rows[] = {
        {AllKeysDutch, Dutch, dutch},
        {"\xEF\xBB\xBF" + AllKeysDutch, Dutch, dutch},
        {spoil("Pause=1", "Pause=1\r\nPause=0"), Dutch, dutch},
        // Nothing selected: no compression switch (the archiver's own default); no unit, so no presets.
        {spoil("Compression=2", "Compression=-1"), dutchBut(0, -1), "Blokgrootte:||192000|1"},
        {spoil("Format=1", "Format=-1"), dutchBut(1, -1), "Blokgrootte:|Hoog|192000|"},
        {std::string(), Defaults, defaults},
        {spoil("Language=1\r\n", ""), Defaults, defaults},
        {spoil("Language=1", "Language=2"), Defaults, defaults},
        {spoil("Format=1", "Format=5"), Defaults, defaults},
        {spoil("Format=1", "Format=-2"), Defaults, defaults},
        {spoil("OptPars=2", "OptPars=3"), Defaults, defaults},
        {spoil("Compression=2", "Compression=abc"), Defaults, defaults},
        {spoil("RecoveryFiles=9", "RecoveryFiles=40000"), Defaults, defaults},
        // No item in these would leave the tools without a percentage, a file count or a block size.
        {spoil("RecoveryFiles=9", "RecoveryFiles=-1"), Defaults, defaults},
        {spoil("Redundancy=5", "Redundancy=-1"), Defaults, defaults},
        {spoil("yEncLines=0", "yEncLines=-1"), Defaults, defaults},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.text);
        SettingsWindow w;
        if (!row.text.empty()) w.Write(row.text);
        EXPECT_NO_THROW(LoadSettings(w.f));
        EXPECT_EQ(Choices(w.f), row.choices);
        EXPECT_EQ(shown(w.f), row.shown);
        if (row.shown == defaults) {
            EXPECT_EQ(w.f.MessageText(54), "The Help.chm file cannot be found. ");
        }
        EXPECT_EQ(row.text.empty() ? row.text : ReadFile(w.Path()), row.text);
    }
}

// Beside a program folder the user may write, else in the user's configuration folder, read
// from where it was saved. Checked for real with an installed program folder: as another user
// when the tests run as root, whom permission bits do not stop.
TEST(Settings, InstalledProgramKeepsTheUsersChoicesInTheirConfigurationFolder) {
    test::TempDir dir;
    const std::string program = dir.MakeFolder("program"), config = dir.MakeFolder("config");
    // No user folder to be found: beside the program, as ever.
    const SettingsFiles files = ChooseSettingsFiles(program, "", [](const std::string&) { return false; });
    EXPECT_EQ(files.read + "|" + files.save, program + test::Native("/Settings.ini|") + program + test::Native("/Settings.ini"));
#ifdef _WIN32
    GTEST_SKIP() << "no folder refuses the user here: wine runs the tests as root";
#else
    dir.WriteText("program/Settings.ini", AllKeysDutch);  // shipped with the installation
    fs::permissions(dir.path(), fs::perms::owner_all | fs::perms::group_exec | fs::perms::others_exec);
    fs::permissions(program, fs::perms::owner_write | fs::perms::group_write | fs::perms::others_write,
                    fs::perm_options::remove);
    fs::permissions(config, fs::perms::all);

    const pid_t child = ::fork();
    if (child == 0) {
        if (::geteuid() == 0 && (::setgid(65534) != 0 || ::setuid(65534) != 0)) ::_exit(100);
        ::setenv("XDG_CONFIG_HOME", config.c_str(), 1);
        int failed = 0;
        for (int start = 1; start <= 2; ++start) {  // the shipped choices first, then the user's
            test::TestWindow w;
            w.f.AppPath = program;
            LoadSettings(w.f);
            if (w.f.chkPause.Value() != (start == 1) || w.f.Label[6].Caption() != "Blokgrootte:") failed |= start;
            w.f.chkPause.SetValue(0);
            SaveSettings(w.f);
            if (!w.desktop.boxes.empty()) failed |= 4;
        }
        ::_exit(failed);
    }
    int status = 0;
    ASSERT_EQ(::waitpid(child, &status, 0), child);
    ASSERT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) != 100) << "could not become another user";
    EXPECT_EQ(WEXITSTATUS(status), 0);
    EXPECT_EQ(ReadFile(program + "/Settings.ini"), AllKeysDutch);
    EXPECT_EQ(ReadIniValue("Settings", "Pause", config + "/kelvora/Settings.ini"), "0");
    EXPECT_EQ(fs::status(config + "/kelvora").permissions(), fs::perms::owner_all);
#endif
}

// Closing is refused while a job runs; otherwise it saves only with the box ticked, then every
// key from the window, and a save that fails is told and leaves what is there.
TEST(Settings, ClosingSavesOnlyWithTheBoxTickedAndTellsAFailure) {
    SettingsWindow w;
    w.Write(AllKeysDutch);
    fs::last_write_time(w.Path(), fs::file_time_type::clock::now() - std::chrono::hours(1));
    const auto old = fs::last_write_time(w.Path());  // in the file system's own precision
    Form_Load(w.f, {});
    int cancel = 0;
    w.f.JobRunning = true;
    Form_Unload(w.f, cancel);
    EXPECT_TRUE(cancel == 1 && w.f.objDOS);
    w.f.JobRunning = false;
    cancel = 0;
    w.f.chkSaveSelected.SetValue(0);
    Form_Unload(w.f, cancel);
    EXPECT_TRUE(cancel == 0 && !w.f.objDOS);
    EXPECT_EQ(fs::last_write_time(w.Path()), old);

    fs::remove(w.Path());
    w.f.chkSaveSelected.SetValue(1);
    Form_Unload(w.f, cancel);
    EXPECT_EQ(ReadFile(w.Path()), AllKeysDutch);

    fs::remove(w.Path());
    fs::create_directory(w.Path());  // a folder where the file should go
    Form_Unload(w.f, cancel);
    EXPECT_EQ(w.desktop.TakeBoxes(), "Uw keuzes konden niet worden opgeslagen in " + w.Path() + ".!;");
    EXPECT_TRUE(fs::is_directory(w.Path()));
}

// Written by another program: LF line ends, blanks around "=", other key case, a comment and
// another section holding the same key name. Keys are found without regard to case and blanks,
// replaced where they stand, added after their section's last line; the rest is kept, in CRLF.
TEST(IniFile, ReadsAndWritesAnotherProgramsFileKeepingItsOtherLines) {
    test::TempDir dir;
    const std::string file = dir.WriteText("Settings.ini",
        "; written by hand\n[Other]\nCompression=9\n\n[ settings ]\n  compression =  2 \n;Pause=1\n\n[Later]\nx=y");
    EXPECT_EQ(ReadIniValue("SETTINGS", "COMPRESSION", file), "2");
    EXPECT_EQ(ReadIniValue("Other", "Compression", file), "9");
    EXPECT_EQ(ReadIniValue("Settings", "Pause", file) + ReadIniValue("Settings", "x", file), "");
    EXPECT_EQ(ReadIniValue("Settings", "Compression", dir / "none.ini"), "");

    WriteIniValue("Settings", "Compression", "1", file);
    WriteIniValue("Settings", "Pause", "1", file);
    WriteIniValue("New", "K", "v", file);
    EXPECT_EQ(ReadFile(file), "; written by hand\r\n[Other]\r\nCompression=9\r\n\r\n[ settings ]\r\ncompression=1\r\n"
                              ";Pause=1\r\nPause=1\r\n\r\n[Later]\r\nx=y\r\n[New]\r\nK=v\r\n");
}

// Nothing but a regular file of a sane size is read or replaced, and nothing is waited on.
TEST(IniFile, OnlyARegularFileOfASaneSizeIsReadOrWritten) {
    test::TempDir dir;
    const std::string oversized = "[Settings]\r\nPause=1\r\n" + std::string(MaxIniFileBytes, '\n');
    dir.WriteText("oversized.ini", oversized);
    dir.MakeFolder("folder.ini");
    std::vector<std::string> names = {"oversized.ini", "folder.ini"};
#ifndef _WIN32  // a FIFO and a device
    ::alarm(60);  // a reader or writer blocked on the FIFO would otherwise hang the test for ever
    ASSERT_EQ(::mkfifo((dir / "fifo.ini").c_str(), 0600), 0);
    ASSERT_EQ(::symlink("/dev/zero", (dir / "zero.ini").c_str()), 0);
    names.insert(names.end(), {"fifo.ini", "zero.ini"});
#endif
    for (const std::string& name : names) {
        EXPECT_EQ(ReadIniValue("Settings", "Pause", dir / name), "") << name;
        EXPECT_FALSE(WriteIniValues("Settings", {{"Pause", "0"}}, dir / name)) << name;
    }
    EXPECT_EQ(ReadFile(dir / "oversized.ini"), oversized);
    // Within the limit, but CRLF line ends would take it past: read, yet never rewritten unreadable.
    const std::string nearly = "[Settings]\nPause=1\n" + std::string(MaxIniFileBytes - 19, '\n');
    const std::string nearlyFile = dir.WriteText("nearly.ini", nearly);
    EXPECT_EQ(ReadIniValue("Settings", "Pause", nearlyFile), "1");
    EXPECT_FALSE(WriteIniValues("Settings", {{"Pause", "0"}}, nearlyFile));
    EXPECT_EQ(ReadFile(nearlyFile), nearly);
    EXPECT_TRUE(fs::is_directory(dir / "folder.ini"));
#ifndef _WIN32
    EXPECT_TRUE(fs::is_fifo(dir / "fifo.ini") && fs::is_character_file(dir / "zero.ini"));
    ::alarm(0);
#endif
}

// A file name that leaves no room for the temporary file's suffix stands for a folder the user
// may not write (root writes any folder, so permission bits cannot show it in CI).
TEST(IniFile, RewrittenInPlaceWhenNoTemporaryFileCanBeMadeBesideIt) {
    test::TempDir dir;
    const std::string file = dir.WriteText(std::string(250, 'n'), "[Settings]\n  Pause = 1000000\nKeep=1\n");
#ifndef _WIN32  // the same file, not a new one under its name (Windows tells no inode)
    struct stat before {}, after {};
    ASSERT_EQ(::stat(file.c_str(), &before), 0);
#endif
    EXPECT_TRUE(WriteIniValues("Settings", {{"Pause", "0"}}, file));
    EXPECT_EQ(ReadFile(file), "[Settings]\r\nPause=0\r\nKeep=1\r\n");  // cut to the shorter content
#ifndef _WIN32
    ASSERT_EQ(::stat(file.c_str(), &after), 0);
    EXPECT_EQ(after.st_ino, before.st_ino);
#endif
    EXPECT_EQ(std::distance(fs::directory_iterator(dir.path()), fs::directory_iterator()), 1);  // no litter
}
