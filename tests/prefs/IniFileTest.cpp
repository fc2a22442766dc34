#include <gtest/gtest.h>

#include <string>

#include "prefs/IniFile.h"
#include "support/TempDir.h"

namespace kelvora {
namespace {

using test::ReadFile;

// Written by another program: LF line ends, blanks around "=", other key case, a comment and
// another section holding the same key name.
const std::string Foreign =
    "; written by hand\n"
    "[Other]\n"
    "Compression=9\n"
    "\n"
    "[ settings ]\n"
    "  compression =  2 \n"
    ";Pause=1\n"
    "\n"
    "[Later]\n"
    "x=y";

TEST(IniFile, ReadsKeysWithoutRegardToCaseAndBlanks) {
    test::TempDir dir;
    const std::string file = dir.WriteText("Settings.ini", Foreign);
    EXPECT_EQ(ReadIniValue("Settings", "Compression", file), "2");
    EXPECT_EQ(ReadIniValue("SETTINGS", "COMPRESSION", file), "2");
    EXPECT_EQ(ReadIniValue("Other", "Compression", file), "9");
    EXPECT_EQ(ReadIniValue("Settings", "Pause", file), "");  // only in a comment
    EXPECT_EQ(ReadIniValue("Settings", "x", file), "");      // belongs to [Later]
    EXPECT_EQ(ReadIniValue("Settings", "Compression", dir / "none.ini"), "");
}

TEST(IniFile, WritesInPlaceKeepsOtherLinesInCrlf) {
    test::TempDir dir;
    const std::string file = dir.WriteText("Settings.ini", Foreign);
    WriteIniValue("Settings", "Compression", "1", file);
    WriteIniValue("Settings", "Pause", "1", file);
    WriteIniValue("New", "K", "v", file);
    EXPECT_EQ(ReadFile(file),
              "; written by hand\r\n[Other]\r\nCompression=9\r\n\r\n[ settings ]\r\n"
              "compression=1\r\n"  // the stored spelling, where it stands
              ";Pause=1\r\n"
              "Pause=1\r\n"  // after the section's last non-blank line
              "\r\n[Later]\r\nx=y\r\n"
              "[New]\r\nK=v\r\n");

    const std::string created = dir / "created.ini";
    WriteIniValue("Settings", "A", "1", created);
    WriteIniValue("Settings", "B", "2", created);
    EXPECT_EQ(ReadFile(created), "[Settings]\r\nA=1\r\nB=2\r\n");
}

}  // namespace
}  // namespace kelvora
