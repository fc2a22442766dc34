#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>

#include "app/Lifecycle.h"
#include "prefs/IniFile.h"
#include "prefs/Language.h"
#include "prefs/Settings.h"
#include "support/TestWindow.h"

namespace fs = std::filesystem;

namespace kelvora {
namespace {

using test::ReadFile;

// The thirteen stored controls, in key order.
std::vector<int> Choices(const frmMain& f) {
    return {f.cboCompression.ListIndex(), f.cboFormat.ListIndex(), f.chkNoMainDir.Value(),
            f.chkAddEmpty.Value(),        f.chkPause.Value(),       f.chkOldNaming.Value(),
            f.chkCalculateEff.Value(),    f.OptPars.Selected(),     f.cboRedundancy.ListIndex(),
            f.cboRecoveryFiles.ListIndex(), f.cboLines.ListIndex(), f.chkUniformSize.Value(),
            f.chkSaveSelected.Value()};
}

const std::string AllKeysDutch =
    "[Settings]\r\nCompression=2\r\nFormat=1\r\nNoMainDir=1\r\nNoEmpty=1\r\nPause=1\r\nOldNaming=1\r\n"
    "CalculateEff=0\r\nOptPars=2\r\nRedundancy=5\r\nRecoveryFiles=9\r\nyEncLines=0\r\nUniformSize=1\r\n"
    "SaveSelected=1\r\nLanguage=1\r\n";

struct SettingsWindow : test::TestWindow {
    test::TempDir dir;
    SettingsWindow() { f.AppPath = dir.path(); }
    std::string Path() const { return dir / "Settings.ini"; }
    void Write(const std::string& text) const { dir.WriteText("Settings.ini", text); }
};

// Every key away from its default and in Dutch, then a second load of `text` ("": no file at all)
// must bring back the whole default set in English, and leave the file as it was.
TEST(LoadSettings, AllFourteenKeysThenOnAnyFailureTheWholeDefaultSetInEnglish) {
    auto spoil = [](const std::string& from, const std::string& to) {
        std::string text = AllKeysDutch;
        return text.replace(text.find(from), from.size(), to);
    };
    for (const std::string& text :
         {std::string(), spoil("Language=1\r\n", ""), spoil("Language=1", "Language=2"), spoil("Format=1", "Format=5"),
          spoil("OptPars=2", "OptPars=3"), spoil("Compression=2", "Compression=abc"),
          spoil("RecoveryFiles=9", "RecoveryFiles=40000"), spoil("RecoveryFiles=9", "RecoveryFiles=-1"),
          spoil("Redundancy=5", "Redundancy=-1"), AllKeysDutch + std::string(MaxIniFileBytes, '\n')}) {
        SCOPED_TRACE(text.substr(0, 300));
        SettingsWindow w;
        w.Write(AllKeysDutch);
        LoadSettings(w.f);
        EXPECT_EQ(Choices(w.f), (std::vector<int>{2, 1, 1, 1, 1, 1, 0, 2, 5, 9, 0, 1, 1}));
        EXPECT_EQ(w.f.cboCompression.Text(), "Hoog");
        EXPECT_EQ(w.f.txtBlockSize.Text(), "192000");  // the reactions ran as for the user's choices
        text.empty() ? void(fs::remove(w.Path())) : w.Write(text);
        EXPECT_NO_THROW(LoadSettings(w.f));
        EXPECT_EQ(Choices(w.f), (std::vector<int>{0, 0, 0, 0, 0, 0, 1, 0, 1, 4, 3, 0, 0}));
        EXPECT_EQ(w.f.Label[6].Caption(), "Block Size:");
        EXPECT_EQ(w.f.MessageText(54), "The Help.chm file cannot be found. ");
        EXPECT_EQ(text.empty() ? text : ReadFile(w.Path()), text);  // a load never writes
    }
}

TEST(Settings, FileOfAnotherProgramIsReadAndItsOtherLinesKept) {
    SettingsWindow w;
    w.Write("; edited by hand\n[Other]\nCompression=1\n\n[settings]\n  compression = 1  \nFORMAT=1\nnomaindir =0\n"
            "NoEmpty= 1\npause=0\nOldNaming=0\nCALCULATEEFF=1\noptpars = 1\nRedundancy=3\nrecoveryfiles=2\n"
            "YENCLINES=7\n; a note inside\nUniformSize=0\nSaveSelected=1\nlanguage=1\n");
    LoadSettings(w.f);
    EXPECT_EQ(Choices(w.f), (std::vector<int>{1, 1, 0, 1, 0, 0, 1, 1, 3, 2, 7, 0, 1}));
    EXPECT_EQ(w.f.Label[6].Caption(), "Blokgrootte:");

    w.f.chkPause.SetValue(1);
    SaveSettings(w.f);
    const std::string saved = ReadFile(w.Path());
    EXPECT_EQ(saved.rfind("; edited by hand\r\n[Other]\r\nCompression=1\r\n\r\n[settings]\r\n", 0), 0u) << saved;
    EXPECT_NE(saved.find("\r\nYENCLINES=7\r\n; a note inside\r\n"), std::string::npos) << saved;
    EXPECT_EQ(ReadIniValue("Settings", "Pause", w.Path()), "1");
    EXPECT_EQ(ReadIniValue("Settings", "Language", w.Path()), "1");  // a save in Dutch
}

TEST(Settings, BesideAWritableProgramElseInTheUsersFolderAndReadFromWhereItWasSaved) {
    test::TempDir dir;
    const std::string program = dir.MakeFolder("program"), user = dir.MakeFolder("user");
    const std::string beside = program + "/Settings.ini", own = user + "/Settings.ini";
    const struct {
        bool writable, besideExists, ownExists;
        std::string userFolder, read, save;
    } cases[] = {
        {true, true, true, user, beside, beside},  // a copy of its own, as ever
        {false, false, false, user, own, own},     // installed
        {false, true, false, user, beside, own},   // the installation's choices until the user saves
        {false, true, true, user, own, own},
        {false, true, true, "", beside, beside},  // no user folder to be found
    };
    for (const auto& c : cases) {
        c.besideExists ? void(dir.WriteText("program/Settings.ini", "")) : void(fs::remove(beside));
        c.ownExists ? void(dir.WriteText("user/Settings.ini", "")) : void(fs::remove(own));
        const SettingsFiles files = ChooseSettingsFiles(program, c.userFolder, [&](const std::string& folder) {
            EXPECT_EQ(folder, program);
            return c.writable;
        });
        EXPECT_EQ(files.read + "|" + files.save, c.read + "|" + c.save);
    }
}

// The real check of an installed program folder: as another user when the tests run as root,
// whom permission bits do not stop.
TEST(Settings, InstalledProgramKeepsTheUsersChoicesInTheirConfigurationFolder) {
    test::TempDir dir;
    const std::string program = dir.MakeFolder("program"), config = dir.MakeFolder("config");
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
        for (int start = 1; start <= 2; ++start) {
            test::TestWindow w;
            w.f.AppPath = program;
            LoadSettings(w.f);
            // The shipped choices first, then the ones saved by the user.
            const int pause = start == 1 ? 1 : 0;
            if (w.f.chkPause.Value() != pause || w.f.Label[6].Caption() != "Blokgrootte:") failed |= start;
            w.f.chkPause.SetValue(0);
            SaveSettings(w.f);
            if (!w.desktop.boxes.empty()) failed |= 4;
        }
        ::_exit(failed);
    }
    int status = 0;
    ASSERT_EQ(::waitpid(child, &status, 0), child);
    ASSERT_TRUE(WIFEXITED(status));
    ASSERT_NE(WEXITSTATUS(status), 100) << "could not become another user";
    EXPECT_EQ(WEXITSTATUS(status), 0);
    EXPECT_EQ(ReadFile(program + "/Settings.ini"), AllKeysDutch);
    EXPECT_EQ(ReadIniValue("Settings", "Pause", config + "/kelvora/Settings.ini"), "0");
    EXPECT_EQ(fs::status(config + "/kelvora").permissions(), fs::perms::owner_all);
}

TEST(SaveSettings, FirstSaveIsExact) {
    SettingsWindow w;
    LoadSettings(w.f);
    w.f.chkSaveSelected.SetValue(1);
    SaveSettings(w.f);
    EXPECT_EQ(ReadFile(w.Path()),
              "[Settings]\r\nCompression=0\r\nFormat=0\r\nNoMainDir=0\r\nNoEmpty=0\r\nPause=0\r\nOldNaming=0\r\n"
              "CalculateEff=1\r\nOptPars=0\r\nRedundancy=1\r\nRecoveryFiles=4\r\nyEncLines=3\r\nUniformSize=0\r\n"
              "SaveSelected=1\r\nLanguage=0\r\n");
}

// Closing saves only with the box ticked; a save that fails is told and leaves what is there.
TEST(SaveSettings, ClosingSavesOnlyWithTheBoxTickedAndTellsAFailure) {
    SettingsWindow w;
    w.Write(AllKeysDutch);
    const auto old = fs::file_time_type::clock::now() - std::chrono::hours(1);
    fs::last_write_time(w.Path(), old);
    Form_Load(w.f, {});
    w.f.chkSaveSelected.SetValue(0);
    w.f.cboCompression.SetListIndex(0);
    int cancel = 0;
    Form_Unload(w.f, cancel);
    EXPECT_EQ(ReadFile(w.Path()), AllKeysDutch);
    EXPECT_EQ(fs::last_write_time(w.Path()), old);

    fs::remove(w.Path());
    fs::create_directory(w.Path());  // a folder where the file should go
    w.f.chkSaveSelected.SetValue(1);
    Form_Unload(w.f, cancel);
    ASSERT_EQ(w.desktop.boxes.size(), 1u);
    EXPECT_EQ(w.desktop.boxes[0].text, "Uw keuzes konden niet worden opgeslagen in " + w.Path() + ".");
    EXPECT_TRUE(fs::is_directory(w.Path()));
}

}  // namespace
}  // namespace kelvora
