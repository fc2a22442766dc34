#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <unistd.h>

#include "support/TempDir.h"
#include "prefs/IniFile.h"

namespace fs = std::filesystem;

namespace kelvora {
namespace {

std::string ReadFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream s;
    s << in.rdbuf();
    return s.str();
}

std::size_t FilesIn(const std::string& folder) {
    std::size_t n = 0;
    for ([[maybe_unused]] const auto& e : fs::directory_iterator(folder)) ++n;
    return n;
}

// Written by another program: LF line ends, blanks around "=", other key case, a comment,
// another section holding the same key names, no line end after the last line.
const std::string Foreign =
    "; written by hand\n"
    "[Other]\n"
    "Compression=9\n"
    "\n"
    "[ settings ]\n"
    "  compression =  2 \n"
    "FORMAT\t=\t1\t\n"
    ";Pause=1\n"
    "Empty=\n"
    "NoEquals\n"
    "\n"
    "[Later]\n"
    "x=y";

TEST(IniRead, UnderstandsAFileFromAnotherProgram) {
    test::TempDir dir;
    std::string file = dir.WriteText("Settings.ini", Foreign);
    EXPECT_EQ(ReadIniValue("Settings", "Compression", file), "2");
    EXPECT_EQ(ReadIniValue("SETTINGS", "format", file), "1");
    EXPECT_EQ(ReadIniValue("Other", "Compression", file), "9");
    EXPECT_EQ(ReadIniValue("Settings", "Pause", file), "");      // only in a comment
    EXPECT_EQ(ReadIniValue("Settings", ";Pause", file), "");
    EXPECT_EQ(ReadIniValue("Settings", "Empty", file), "");
    EXPECT_EQ(ReadIniValue("Settings", "x", file), "");          // belongs to [Later]
    EXPECT_EQ(ReadIniValue("Later", "x", file), "y");
    EXPECT_EQ(ReadIniValue("Missing", "Compression", file), "");
    EXPECT_EQ(ReadIniValue("Settings", "Missing", file), "");
    EXPECT_EQ(ReadIniValue("Settings", "Compression", dir / "none.ini"), "");
}

TEST(IniRead, HandlesCrlfDuplicatesAndLongValues) {
    test::TempDir dir;
    std::string file = dir.WriteText(
        "a.ini", "\xEF\xBB\xBF[Settings]\r\nKey=first\r\nkey=second\r\n[settings]\r\nKey=third\r\nLong=" +
                     std::string(300, 'v') + "\r\n");
    EXPECT_EQ(ReadIniValue("Settings", "Key", file), "first");
    EXPECT_EQ(ReadIniValue("Settings", "Long", file), "");  // only the first section counts
    std::string other = dir.WriteText("b.ini", "[S]\r\nLong=" + std::string(300, 'v') + "\r\n");
    EXPECT_EQ(ReadIniValue("S", "Long", other), std::string(254, 'v'));
}

TEST(IniWrite, KeepsOtherLinesAndRewritesWithCrlf) {
    test::TempDir dir;
    std::string file = dir.WriteText("Settings.ini", Foreign);
    ASSERT_TRUE(TryWriteIniValue("Settings", "Compression", "1", file));
    ASSERT_TRUE(TryWriteIniValue("Settings", "Pause", "1", file));
    ASSERT_TRUE(TryWriteIniValue("Later", "z", "3", file));
    EXPECT_EQ(ReadFile(file),
              "; written by hand\r\n"
              "[Other]\r\n"
              "Compression=9\r\n"
              "\r\n"
              "[ settings ]\r\n"
              "compression=1\r\n"  // stored spelling kept, replaced where it stands
              "FORMAT\t=\t1\t\r\n"
              ";Pause=1\r\n"
              "Empty=\r\n"
              "NoEquals\r\n"
              "Pause=1\r\n"  // after the section's last non-blank line
              "\r\n"
              "[Later]\r\n"
              "x=y\r\n"
              "z=3\r\n");
    EXPECT_EQ(ReadIniValue("Settings", "Compression", file), "1");
    EXPECT_EQ(ReadIniValue("Other", "Compression", file), "9");
    EXPECT_EQ(FilesIn(dir.path()), 1u);  // no temporary file left behind
}

TEST(IniWrite, ReplacesInPlaceAndAppendsMissingSections) {
    test::TempDir dir;
    std::string file = dir.WriteText("s.ini", "[Settings]\r\nA=1\r\nB=2\r\nC=3\r\n");
    WriteIniValue("settings", "b", "20", file);
    EXPECT_EQ(ReadFile(file), "[Settings]\r\nA=1\r\nB=20\r\nC=3\r\n");
    WriteIniValue("New", "K", "v", file);
    EXPECT_EQ(ReadFile(file), "[Settings]\r\nA=1\r\nB=20\r\nC=3\r\n[New]\r\nK=v\r\n");
    WriteIniValue("Settings", "D", "4", file);
    EXPECT_EQ(ReadFile(file), "[Settings]\r\nA=1\r\nB=20\r\nC=3\r\nD=4\r\n[New]\r\nK=v\r\n");

    std::string empty = dir.WriteText("e.ini", "");
    ASSERT_TRUE(TryWriteIniValue("Settings", "A", "1", empty));
    EXPECT_EQ(ReadFile(empty), "[Settings]\r\nA=1\r\n");
}

TEST(IniWrite, DefaultSaveProducesTheExactFile) {
    test::TempDir dir;
    std::string file = dir / "Settings.ini";
    EXPECT_FALSE(fs::exists(file));
    const std::pair<const char*, const char*> keys[] = {
        {"Compression", "0"}, {"Format", "0"},        {"NoMainDir", "0"}, {"NoEmpty", "0"},
        {"Pause", "0"},       {"OldNaming", "0"},     {"CalculateEff", "1"}, {"OptPars", "0"},
        {"Redundancy", "1"},  {"RecoveryFiles", "4"}, {"yEncLines", "3"}, {"UniformSize", "0"},
        {"SaveSelected", "1"}, {"Language", "0"}};
    for (const auto& [key, value] : keys) WriteIniValue("Settings", key, value, file);
    const std::string expected =
        "[Settings]\r\nCompression=0\r\nFormat=0\r\nNoMainDir=0\r\nNoEmpty=0\r\nPause=0\r\nOldNaming=0\r\n"
        "CalculateEff=1\r\nOptPars=0\r\nRedundancy=1\r\nRecoveryFiles=4\r\nyEncLines=3\r\nUniformSize=0\r\n"
        "SaveSelected=1\r\nLanguage=0\r\n";
    EXPECT_EQ(ReadFile(file), expected);
    // A second save with the same values changes nothing.
    for (const auto& [key, value] : keys) WriteIniValue("Settings", key, value, file);
    EXPECT_EQ(ReadFile(file), expected);
}

TEST(IniWrite, LeavesTheOldFileWhenItCannotWrite) {
    test::TempDir dir;
    EXPECT_FALSE(TryWriteIniValue("Settings", "A", "1", dir / "no-such-folder/s.ini"));
    EXPECT_FALSE(fs::exists(dir / "no-such-folder"));

    std::string file = dir.WriteText("s.ini", "[Settings]\nA=1\n");
    for (auto [section, key, value] : {std::tuple{"Settings", "A", "1\r\nB=2"}, std::tuple{"Settings", "A=B", "1"},
                                       std::tuple{"Sett]ings", "A", "1"}, std::tuple{"Settings", " ", "1"}}) {
        EXPECT_FALSE(TryWriteIniValue(section, key, value, file)) << key;
    }
    EXPECT_EQ(ReadFile(file), "[Settings]\nA=1\n");

    if (geteuid() != 0) {  // root may write anywhere
        fs::permissions(dir.path(), fs::perms::owner_write, fs::perm_options::remove);
        EXPECT_FALSE(TryWriteIniValue("Settings", "A", "2", file));
        fs::permissions(dir.path(), fs::perms::owner_write, fs::perm_options::add);
        fs::permissions(file, fs::perms::owner_write, fs::perm_options::remove);
        EXPECT_FALSE(TryWriteIniValue("Settings", "A", "2", file));
        EXPECT_EQ(ReadFile(file), "[Settings]\nA=1\n");
        EXPECT_EQ(FilesIn(dir.path()), 1u);
    }
}

TEST(IniWrite, UpdatesTheFileBehindALink) {
    test::TempDir dir;
    std::string real = dir.WriteText("real.ini", "[Settings]\nA=1\n");
    std::string link = dir / "Settings.ini";
    fs::create_symlink(real, link);
    ASSERT_TRUE(TryWriteIniValue("Settings", "A", "2", link));
    EXPECT_TRUE(fs::is_symlink(link));
    EXPECT_EQ(ReadFile(real), "[Settings]\r\nA=2\r\n");
}

}  // namespace
}  // namespace kelvora
