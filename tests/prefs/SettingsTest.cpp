// Settings.ini: what is read, where it lies, how it is written.
#include <gtest/gtest.h>
#ifndef _WIN32
#include <fcntl.h>
#include <grp.h>
#include <sys/mount.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>
#endif

#include <chrono>
#include <cstring>
#include <filesystem>
#include <functional>

#include "ProcessWatch.h"
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
            EXPECT_EQ(w.f.MessageText(Msg::HelpNotFound), "The Help.chm file cannot be found. ");
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
    const int status = test::WaitChild(child);
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

    // The check after packing has a key of its own, written only once it is on.
    for (const char* kept : {"Verify=1\r\n", "Verify=0\r\n"}) {
        w.f.mnuVerify.UserClick();
        Form_Unload(w.f, cancel);
        EXPECT_EQ(ReadFile(w.Path()), AllKeysDutch + kept);
        SettingsWindow again;
        again.Write(ReadFile(w.Path()));
        LoadSettings(again.f);
        EXPECT_EQ(again.f.mnuVerify.Checked(), w.f.mnuVerify.Checked());
    }

    fs::remove(w.Path());
    fs::create_directory(w.Path());  // a folder where the file should go
    Form_Unload(w.f, cancel);
    EXPECT_EQ(w.desktop.TakeBoxes(), "Uw instellingen konden niet in " + w.Path() + " worden opgeslagen.!;");
    EXPECT_TRUE(fs::is_directory(w.Path()));
}

// Written by another program: LF line ends, blanks around "=", other key case, a comment and
// another section holding the same key name; a Windows editor's byte-order mark and a key named
// twice. Keys are found without regard to case and blanks (the first of a name counts), replaced
// where they stand, added after their section's last line; the rest is kept, in CRLF.
TEST(IniFile, ReadsAndWritesAnotherProgramsFileKeepingItsOtherLines) {
    struct Row {
        std::string before, after;
    };
    const Row rows[] = {
        {"; written by hand\n[Other]\nCompression=9\n\n[ settings ]\n  compression =  2 \n;Pause=1\n\n[Later]\nx=y",
         "; written by hand\r\n[Other]\r\nCompression=9\r\n\r\n[ settings ]\r\ncompression=1\r\n;Pause=1\r\nPause=1\r\n"
         "\r\n[Later]\r\nx=y\r\n[New]\r\nK=v\r\n"},
        {"\xEF\xBB\xBF[Settings]\r\nCompression=2\r\nx=y\r\nCOMPRESSION=0\r\n",
         "\xEF\xBB\xBF[Settings]\r\nCompression=1\r\nx=y\r\nCOMPRESSION=0\r\nPause=1\r\n[New]\r\nK=v\r\n"},
    };
    test::TempDir dir;
    for (const Row& row : rows) {
        SCOPED_TRACE(row.before);
        const std::string file = dir.WriteText("Settings.ini", row.before);
        EXPECT_EQ(ReadIniValue("SETTINGS", "COMPRESSION", file), "2");
        EXPECT_EQ(ReadIniValue("Settings", "Pause", file), "");
        WriteIniValue("Settings", "Compression", "1", file);
        WriteIniValue("Settings", "Pause", "1", file);
        WriteIniValue("New", "K", "v", file);
        WriteIniValue(" settings ", " pause\t", "1", file);  // the same key: no line more on each save
        EXPECT_EQ(ReadFile(file), row.after);
    }
    const std::string file = dir.WriteText("Settings.ini", rows[0].before);
    // A section name that would break the lines is refused, with keys or without.
    for (const IniValues& values : {IniValues{}, IniValues{{"K", "v"}}})
        EXPECT_FALSE(WriteIniValues("New]\r\n[Other", values, file));
    EXPECT_EQ(ReadFile(file), rows[0].before);
    EXPECT_EQ(ReadIniValue("Other", "Compression", file), "9");
    EXPECT_EQ(ReadIniValue("Settings", "x", file), "");
    EXPECT_EQ(ReadIniValue("Settings", "Compression", dir / "none.ini"), "");
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

#ifndef _WIN32
namespace {

// Runs `run` in a child that is another user (nobody) when the tests run as root, whom permission
// bits do not stop; its text comes back through a pipe.
std::string AsAnotherUser(const std::function<std::string()>& run) {
    int ends[2];
    if (::pipe(ends) != 0) return "no pipe";
    const pid_t child = ::fork();
    if (child == 0) {
        ::close(ends[0]);
        if (::geteuid() == 0 && (::setgroups(0, nullptr) != 0 || ::setgid(65534) != 0 || ::setuid(65534) != 0))
            ::_exit(100);
        const std::string text = run();
        const bool sent = ::write(ends[1], text.data(), text.size()) == static_cast<ssize_t>(text.size());
        ::_exit(sent ? 0 : 101);
    }
    ::close(ends[1]);
    // The text is short: the pipe holds it all while the child ends.
    const int status = child < 0 ? -1 : test::WaitChild(child);
    std::string text;
    char buffer[4096];
    ::fcntl(ends[0], F_SETFL, O_NONBLOCK);
    for (ssize_t n; (n = ::read(ends[0], buffer, sizeof buffer)) > 0;) text.append(buffer, static_cast<size_t>(n));
    ::close(ends[0]);
    if (status < 0 || !WIFEXITED(status) || WEXITSTATUS(status) != 0) return "could not run as another user";
    return text;
}

}  // namespace
#endif

// A save that cannot be made whole is told and leaves the file byte for byte as it was: a file
// the user made read-only, and a full disk both for the new file made beside it and for the file
// written in place where its folder refuses new files while the file may be written. In place, a
// longer text is written once its room is there, a shorter one needs none. As another user, with
// the file in the user's configuration folder, on a small file system filled up for the purpose.
TEST(Settings, AFailedSaveLeavesTheFileAsItWasAndIsTold) {
#ifdef _WIN32
    GTEST_SKIP() << "needs another user and a small file system: wine runs the tests as root";
#else
    const bool root = ::geteuid() == 0;
    const uid_t user = root ? 65534 : ::geteuid();
    const gid_t group = root ? 65534 : ::getegid();
    // One key is damage, so the whole default set is saved after it: 3,980 bytes grow past a page.
    // The same keys with blanks around "=" shrink, as the blanks are not written back.
    const std::string padding = "; " + std::string(3955, '-') + "\r\n";
    const std::string oneKey = padding + "[Settings]\r\nPause=1\r\n";
    const std::string keys =
        "[Settings]\r\nPause=0\r\nCompression=0\r\nFormat=0\r\nNoMainDir=0\r\nNoEmpty=0\r\nOldNaming=0\r\n"
        "CalculateEff=1\r\nOptPars=0\r\nRedundancy=1\r\nRecoveryFiles=4\r\nyEncLines=3\r\nUniformSize=0\r\n"
        "SaveSelected=0\r\nLanguage=0\r\n";
    std::string spaced = keys;
    for (std::size_t at = 0; (at = spaced.find('=', at)) != std::string::npos; at += 3) spaced.replace(at, 1, " = ");
    const std::string written = padding + keys, spacedOut = padding + spaced;
    constexpr auto readOnly = fs::perms::owner_read | fs::perms::group_read | fs::perms::others_read;
    constexpr auto readWrite = readOnly | fs::perms::owner_write;
    struct Row {
        std::string what;
        bool fullDisk, folderWritable;
        fs::perms mode;
        std::string before, after;  // after: "" when the save fails
    };
    const Row rows[] = {
        {"read-only file", false, true, readOnly, oneKey, ""},
        {"full disk", true, true, readWrite, oneKey, ""},
        // In place it would fit; but where the folder takes new files, only a whole new one replaces the old.
        {"shorter on a full disk", true, true, readWrite, spacedOut, ""},
        {"full disk in place", true, false, readWrite, oneKey, ""},
        {"shorter in place on a full disk", true, false, readWrite, spacedOut, written},
        {"longer in place", false, false, readWrite, oneKey, written},
    };
    test::TempDir dir;
    fs::permissions(dir.path(), fs::perms::owner_all | fs::perms::group_exec | fs::perms::others_exec);
    std::string skipped;
    for (const Row& row : rows) {
        SCOPED_TRACE(row.what);
        const std::string top = dir.MakeFolder(row.what);
        struct Unmount {
            std::string at;
            ~Unmount() {
                if (!at.empty()) ::umount2(at.c_str(), MNT_DETACH);
            }
        } unmount;
        if (row.fullDisk) {
            if (::mount("kelvora-test", top.c_str(), "tmpfs", 0, "size=64k,mode=0755") != 0) {
                skipped = "cannot mount a small file system here: " + std::string(std::strerror(errno));
                continue;
            }
            unmount.at = top;
        }
        const std::string program = top + "/program", config = top + "/config", folder = config + "/kelvora",
                          file = folder + "/Settings.ini";
        for (const std::string& made : {program, config, folder}) fs::create_directories(made);
        for (const std::string& made : {top, program, config, folder})
            fs::permissions(made, fs::perms::owner_all | fs::perms::group_read | fs::perms::group_exec |
                                      fs::perms::others_read | fs::perms::others_exec);
        dir.WriteText(row.what + "/config/kelvora/Settings.ini", row.before);
        ASSERT_EQ(::chown(file.c_str(), user, group), 0);
        fs::permissions(file, row.mode);
        if (row.folderWritable) ASSERT_EQ(::chown(folder.c_str(), user, group), 0);
        else fs::permissions(folder, fs::perms::owner_write, fs::perm_options::remove);  // stops its owner too
        fs::permissions(program, fs::perms::owner_write, fs::perm_options::remove);  // an installed program
        if (row.fullDisk) {
            const int filler = ::open((top + "/filler").c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
            ASSERT_GE(filler, 0);
            const std::string page(4096, 'x');
            while (::write(filler, page.data(), page.size()) > 0) {
            }
            ::close(filler);
        }
        struct stat before {}, after {};
        ASSERT_EQ(::stat(file.c_str(), &before), 0);

        const std::string told = AsAnotherUser([&] {
            ::setenv("XDG_CONFIG_HOME", config.c_str(), 1);
            test::TestWindow w;
            w.f.AppPath = program;
            LoadSettings(w.f);
            SaveSettings(w.f);
            return w.desktop.TakeBoxes();
        });
        const bool saved = !row.after.empty();
        EXPECT_EQ(told, saved ? "" : "Your choices could not be saved in " + file + ".!;");
        EXPECT_EQ(ReadFile(file), saved ? row.after : row.before);
        ASSERT_EQ(::stat(file.c_str(), &after), 0);
        if (!row.folderWritable) {
            EXPECT_EQ(after.st_ino, before.st_ino);  // the same file, written over
        }
        EXPECT_EQ(std::distance(fs::directory_iterator(folder), fs::directory_iterator()), 1);  // no litter
    }
    if (!skipped.empty()) GTEST_SKIP() << skipped;
#endif
}
