#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>

#include "TempDir.h"
#include "prefs/IniFile.h"

namespace fs = std::filesystem;
using namespace kelvora;
using test::ReadFile;

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
    const std::string created = dir / "created.ini";
    WriteIniValues("Settings", {{"A", "1"}, {"B", "2"}}, created);
    EXPECT_EQ(ReadFile(created), "[Settings]\r\nA=1\r\nB=2\r\n");
}

// Nothing but a regular file of a sane size is read or replaced, and nothing is waited on.
TEST(IniFile, OnlyARegularFileOfASaneSizeIsReadOrWritten) {
    ::alarm(60);  // a reader or writer blocked on the FIFO would otherwise hang the test for ever
    test::TempDir dir;
    const std::string oversized = "[Settings]\r\nPause=1\r\n" + std::string(MaxIniFileBytes, '\n');
    dir.WriteText("oversized.ini", oversized);
    dir.MakeFolder("folder.ini");
    ASSERT_EQ(::mkfifo((dir / "fifo.ini").c_str(), 0600), 0);
    ASSERT_EQ(::symlink("/dev/zero", (dir / "zero.ini").c_str()), 0);
    for (const char* name : {"oversized.ini", "folder.ini", "fifo.ini", "zero.ini"}) {
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
    EXPECT_TRUE(fs::is_fifo(dir / "fifo.ini") && fs::is_directory(dir / "folder.ini") &&
                fs::is_character_file(dir / "zero.ini"));
    ::alarm(0);
}

// A file name that leaves no room for the temporary file's suffix stands for a folder the user
// may not write (root writes any folder, so permission bits cannot show it in CI).
TEST(IniFile, RewrittenInPlaceWhenNoTemporaryFileCanBeMadeBesideIt) {
    test::TempDir dir;
    const std::string file = dir.WriteText(std::string(250, 'n'), "[Settings]\n  Pause = 1000000\nKeep=1\n");
    struct stat before {}, after {};
    ASSERT_EQ(::stat(file.c_str(), &before), 0);
    EXPECT_TRUE(WriteIniValues("Settings", {{"Pause", "0"}}, file));
    EXPECT_EQ(ReadFile(file), "[Settings]\r\nPause=0\r\nKeep=1\r\n");  // cut to the shorter content
    ASSERT_EQ(::stat(file.c_str(), &after), 0);
    EXPECT_EQ(after.st_ino, before.st_ino);
    EXPECT_EQ(std::distance(fs::directory_iterator(dir.path()), fs::directory_iterator()), 1);  // no litter
}
