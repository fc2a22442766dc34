#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "app/Lifecycle.h"
#include "prefs/IniFile.h"
#include "prefs/Language.h"
#include "prefs/Settings.h"
#include "support/TestWindow.h"

namespace fs = std::filesystem;

namespace kelvora {
namespace {

std::string ReadFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream s;
    s << in.rdbuf();
    return s.str();
}

// The thirteen stored controls, in key order.
std::vector<int> Choices(const frmMain& f) {
    return {f.cboCompression.ListIndex(), f.cboFormat.ListIndex(), f.chkNoMainDir.Value(),
            f.chkAddEmpty.Value(),        f.chkPause.Value(),       f.chkOldNaming.Value(),
            f.chkCalculateEff.Value(),    f.OptPars.Selected(),     f.cboRedundancy.ListIndex(),
            f.cboRecoveryFiles.ListIndex(), f.cboLines.ListIndex(), f.chkUniformSize.Value(),
            f.chkSaveSelected.Value()};
}
const std::vector<int> Defaults = {0, 0, 0, 0, 0, 0, 1, 0, 1, 4, 3, 0, 0};

// Everything away from its default and the captions Dutch, so a partial restore shows.
void Disarrange(frmMain& f) {
    f.cboCompression.SetListIndex(2);
    f.cboFormat.SetListIndex(1);
    for (CheckBox* c : {&f.chkNoMainDir, &f.chkAddEmpty, &f.chkPause, &f.chkOldNaming, &f.chkUniformSize,
                        &f.chkSaveSelected})
        c->SetValue(1);
    f.chkCalculateEff.SetValue(0);
    f.OptPars[1].SetValue(true);
    f.cboRedundancy.SetListIndex(7);
    f.cboRecoveryFiles.SetListIndex(0);
    f.cboLines.SetListIndex(6);
    ApplyLanguage(f, 1);
}

struct SettingsWindow : test::TestWindow {
    test::TempDir dir;
    SettingsWindow() { f.AppPath = dir.path(); }
    std::string Path() const { return dir / "Settings.ini"; }
    void Write(const std::string& text) const { dir.WriteText("Settings.ini", text); }
};

const std::string AllKeysDutch =
    "[Settings]\r\nCompression=2\r\nFormat=1\r\nNoMainDir=1\r\nNoEmpty=1\r\nPause=1\r\nOldNaming=1\r\n"
    "CalculateEff=0\r\nOptPars=2\r\nRedundancy=5\r\nRecoveryFiles=9\r\nyEncLines=0\r\nUniformSize=1\r\n"
    "SaveSelected=1\r\nLanguage=1\r\n";

void ExpectDefaults(frmMain& f) {
    EXPECT_EQ(Choices(f), Defaults);
    EXPECT_EQ(f.cboCompression.Text(), "None");
    EXPECT_EQ(f.cboRedundancy.Text(), "10");
    EXPECT_EQ(f.cboRecoveryFiles.Text(), "5");
    EXPECT_EQ(f.cboLines.Text(), "3000");
    EXPECT_EQ(f.txtBlockSize.Text(), "384000");
    EXPECT_EQ(f.Label[6].Caption(), "Block Size:");
    EXPECT_EQ(f.mnuFile.Caption(), "File");
    EXPECT_EQ(f.MessageText(54), "The Help.chm file cannot be found. ");
}

TEST(LoadSettings, WithoutAFileEverythingStartsAtItsDefault) {
    SettingsWindow w;
    Disarrange(w.f);
    LoadSettings(w.f);
    ExpectDefaults(w.f);
    EXPECT_EQ(w.f.cboSplitSize.List().front(), "1000000");  // the Bytes presets
    EXPECT_FALSE(fs::exists(w.Path()));

    // A folder of that name is no settings file.
    SettingsWindow v;
    v.dir.MakeFolder("Settings.ini");
    Disarrange(v.f);
    LoadSettings(v.f);
    ExpectDefaults(v.f);
}

TEST(LoadSettings, RestoresAllFourteenKeys) {
    SettingsWindow w;
    w.Write(AllKeysDutch);
    LoadSettings(w.f);
    frmMain& f = w.f;
    EXPECT_EQ(Choices(f), (std::vector<int>{2, 1, 1, 1, 1, 1, 0, 2, 5, 9, 0, 1, 1}));
    EXPECT_EQ(f.cboCompression.Text(), "Hoog");
    EXPECT_EQ(f.Label[6].Caption(), "Blokgrootte:");
    EXPECT_EQ(f.MessageText(35), "Alleen nummers zijn toegestaan. ");
    // The reactions ran as for the user's choices.
    EXPECT_EQ(f.cboSplitSize.List().front(), "1");
    EXPECT_EQ(f.txtBlockSize.Text(), "192000");
    EXPECT_TRUE(f.cboRecoveryFiles.Enabled());
    EXPECT_FALSE(f.cboRedundancy.Enabled());
    // The language items keep their check state: only the menu handlers set it.
    EXPECT_FALSE(f.mnuNederlands.Checked());
}

TEST(LoadSettings, TakesValuesTheControlsAccept) {
    SettingsWindow w;
    std::string text = AllKeysDutch;
    text.replace(text.find("Redundancy=5"), 12, "Redundancy=-1");
    text.replace(text.find("Pause=1"), 7, "Pause=2");
    text.replace(text.find("Language=1"), 10, "Language = 0 ");
    w.Write(text);
    LoadSettings(w.f);
    EXPECT_EQ(w.f.cboRedundancy.ListIndex(), -1);
    EXPECT_EQ(w.f.chkPause.Value(), 2);
    EXPECT_EQ(w.f.Label[6].Caption(), "Block Size:");
}

TEST(LoadSettings, AnyFailureGivesTheWholeDefaultSetInEnglish) {
    const std::vector<std::pair<std::string, std::string>> spoilers = {
        {"Language=1\r\n", ""},  // missing key
        {"Language=1", "Language=2"},
        {"Language=1", "Language=-1"},
        {"Format=1", "Format=5"},
        {"OptPars=2", "OptPars=3"},
        {"OptPars=2", "OptPars=-1"},
        {"Compression=2", "Compression=abc"},
        {"RecoveryFiles=9", "RecoveryFiles=40000"},
        {"Pause=1", "Pause=3"},
        {"yEncLines=0", "yEncLines=8"},
        {"Redundancy=5", "Redundancy=-2"},
        {"UniformSize=1", "UniformSize="},
        {"[Settings]", "[Other]"},
    };
    for (const auto& [from, to] : spoilers) {
        SCOPED_TRACE(to.empty() ? "without " + from : to);
        SettingsWindow w;
        std::string text = AllKeysDutch;
        text.replace(text.find(from), from.size(), to);
        w.Write(text);
        Disarrange(w.f);
        EXPECT_NO_THROW(LoadSettings(w.f));
        ExpectDefaults(w.f);
        EXPECT_EQ(ReadFile(w.Path()), text);  // the file is left as it was
    }
}

TEST(LoadSettings, ReadsAFileWrittenByAnotherProgramAndKeepsItsOtherLines) {
    SettingsWindow w;
    w.Write(
        "; edited by hand\n"
        "[Other]\n"
        "Compression=1\n"
        "\n"
        "[settings]\n"
        "  compression = 1  \n"
        "FORMAT=1\n"
        "nomaindir =0\n"
        "NoEmpty= 1\n"
        "pause=0\n"
        "OldNaming=0\n"
        "CALCULATEEFF=1\n"
        "optpars = 1\n"
        "Redundancy=3\n"
        "recoveryfiles=2\n"
        "YENCLINES=7\n"
        "; a note inside\n"
        "UniformSize=0\n"
        "SaveSelected=1\n"
        "language=1\n");
    frmMain& f = w.f;
    LoadSettings(f);
    EXPECT_EQ(Choices(f), (std::vector<int>{1, 1, 0, 1, 0, 0, 1, 1, 3, 2, 7, 0, 1}));
    EXPECT_EQ(f.Label[6].Caption(), "Blokgrootte:");

    f.chkPause.SetValue(1);
    f.mnuEnglish.UserClick();
    SaveSettings(f);
    const std::string saved = ReadFile(w.Path());
    EXPECT_NE(saved.find("; edited by hand\r\n[Other]\r\nCompression=1\r\n"), std::string::npos) << saved;
    EXPECT_NE(saved.find("; a note inside\r\n"), std::string::npos) << saved;
    EXPECT_LT(saved.find("[Other]"), saved.find("[settings]"));
    EXPECT_EQ(ReadIniValue("Settings", "Pause", w.Path()), "1");
    EXPECT_EQ(ReadIniValue("Settings", "Language", w.Path()), "0");
    EXPECT_EQ(ReadIniValue("Other", "Compression", w.Path()), "1");

    SettingsWindow again;
    fs::copy_file(w.Path(), again.Path());
    LoadSettings(again.f);
    EXPECT_EQ(Choices(again.f), Choices(f));
}

TEST(SaveSettings, WritesTheFourteenKeysInOrder) {
    SettingsWindow w;
    LoadSettings(w.f);
    w.f.chkSaveSelected.SetValue(1);
    SaveSettings(w.f);
    EXPECT_EQ(ReadFile(w.Path()),
              "[Settings]\r\nCompression=0\r\nFormat=0\r\nNoMainDir=0\r\nNoEmpty=0\r\nPause=0\r\nOldNaming=0\r\n"
              "CalculateEff=1\r\nOptPars=0\r\nRedundancy=1\r\nRecoveryFiles=4\r\nyEncLines=3\r\nUniformSize=0\r\n"
              "SaveSelected=1\r\nLanguage=0\r\n");

    // Dutch and other choices survive a restart.
    Disarrange(w.f);
    SaveSettings(w.f);
    EXPECT_EQ(ReadIniValue("Settings", "Language", w.Path()), "1");
    SettingsWindow next;
    fs::copy_file(w.Path(), next.Path());
    LoadSettings(next.f);
    EXPECT_EQ(Choices(next.f), Choices(w.f));
    EXPECT_EQ(next.f.Label[6].Caption(), "Blokgrootte:");
}

TEST(SaveSettings, NoOptionChosenLeavesTheOptParsKeyAlone) {
    SettingsWindow w;  // as designed: no recovery option chosen yet
    ASSERT_EQ(w.f.OptPars.Selected(), -1);
    ApplyLanguage(w.f, 0);
    SaveSettings(w.f);
    EXPECT_EQ(ReadFile(w.Path()).find("OptPars"), std::string::npos);

    w.Write("[Settings]\r\nOptPars=2\r\n");
    SaveSettings(w.f);
    EXPECT_EQ(ReadIniValue("Settings", "OptPars", w.Path()), "2");
}

TEST(SaveSettings, OnlyAClosingWithTheBoxTickedWrites) {
    SettingsWindow w;
    w.Write(AllKeysDutch);
    const auto old = fs::file_time_type::clock::now() - std::chrono::hours(1);
    fs::last_write_time(w.Path(), old);

    Form_Load(w.f, {});
    w.f.chkSaveSelected.SetValue(0);
    w.f.cboCompression.SetListIndex(0);
    int cancel = 0;
    Form_Unload(w.f, cancel);
    EXPECT_EQ(cancel, 0);
    EXPECT_EQ(ReadFile(w.Path()), AllKeysDutch);
    EXPECT_EQ(fs::last_write_time(w.Path()), old);

    // The next start restores the earlier choices, the box ticked again.
    SettingsWindow next;
    fs::copy_file(w.Path(), next.Path());
    Form_Load(next.f, {});
    EXPECT_EQ(next.f.chkSaveSelected.Value(), 1);
    EXPECT_EQ(next.f.cboCompression.ListIndex(), 2);
    next.f.cboCompression.SetListIndex(1);
    Form_Unload(next.f, cancel);
    EXPECT_EQ(ReadIniValue("Settings", "Compression", next.Path()), "1");
    EXPECT_EQ(ReadIniValue("Settings", "Language", next.Path()), "1");
}

}  // namespace
}  // namespace kelvora
