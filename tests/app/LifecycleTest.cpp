#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "app/Lifecycle.h"
#include "common/Version.h"
#include "runner/DOSOutputs.h"
#include "support/TestWindow.h"

namespace fs = std::filesystem;

namespace kelvora {
namespace {

// A window whose program folder is a fresh folder (no settings file), with a source tree beside.
struct StartingWindow : test::TestWindow {
    test::TempDir program;
    test::TempDir data;
    StartingWindow() { f.AppPath = program.path(); }

    void ExpectNothingApplied() {
        EXPECT_EQ(f.txtInput.Text(), "");
        EXPECT_EQ(f.txtOutput.Text(), "");
        EXPECT_EQ(f.txtArchiveName.Text(), "");
        EXPECT_EQ(f.txtEstimatedSize.Text(), "0");
        EXPECT_FALSE(f.chkSeparately.Enabled());
        EXPECT_TRUE(desktop.boxes.empty());
        EXPECT_EQ(f.Me.Caption(), VersionedTitle());
    }
};

TEST(FormLoad, PreparesTheWindow) {
    StartingWindow w;
    Form_Load(w.f, {});
    frmMain& f = w.f;
    EXPECT_EQ(f.Me.Caption(), "Kelvora v1.0.0");
    ASSERT_TRUE(f.objDOS);
    EXPECT_TRUE(f.objDOS->ReceiveOutputs);
    EXPECT_EQ(f.MessageText(55), "Calculating file/folder size. Please wait...");  // a language is in effect
    EXPECT_EQ(f.chkCalculateEff.Value(), 1);                                       // settings restored
    EXPECT_EQ(f.mnuExit.Picture(), "EXIT");
    EXPECT_EQ(f.mnuNederlands.Picture(), "NEDERLANDS");
    w.ExpectNothingApplied();
    EXPECT_FALSE(fs::exists(w.program / "Settings.ini"));
}

TEST(FormLoad, AppliesAFolderFromTheCommandLine) {
    StartingWindow w;
    w.data.WriteFile("Photos 2008/a.jpg", 1000);
    w.data.WriteFile("Photos 2008/sub/b.jpg", 2500);
    const std::string folder = w.data / "Photos 2008";
    // As a shell hands it over unquoted: split at the blank.
    Form_Load(w.f, {w.data / "Photos", "2008"});
    frmMain& f = w.f;
    EXPECT_EQ(f.txtInput.Text(), folder);
    EXPECT_EQ(f.txtOutput.Text(), w.data.path() + "/");
    EXPECT_EQ(f.txtArchiveName.Text(), "Photos 2008.rar");
    EXPECT_EQ(f.txtEstimatedSize.Text(), "3500");
    EXPECT_TRUE(f.chkNoMainDir.Enabled());
    EXPECT_TRUE(f.chkAddEmpty.Enabled());
    EXPECT_TRUE(f.chkSeparately.Enabled());
    EXPECT_TRUE(f.Frame1.Enabled());
    EXPECT_EQ(f.Me.Caption(), VersionedTitle());
}

TEST(FormLoad, AFileLeavesSeparateItemsModeOpen) {
    StartingWindow w;
    const std::string movie = w.data.WriteFile("movie.avi", 4321);
    Form_Load(w.f, {movie});
    frmMain& f = w.f;
    EXPECT_EQ(f.txtInput.Text(), movie);
    EXPECT_EQ(f.txtArchiveName.Text(), "movie.rar");
    EXPECT_EQ(f.txtEstimatedSize.Text(), "4321");
    EXPECT_FALSE(f.chkNoMainDir.Enabled());
    EXPECT_FALSE(f.chkAddEmpty.Enabled());
    EXPECT_TRUE(f.chkSeparately.Enabled());
}

TEST(FormLoad, QuotedPathsLoseTheirQuotes) {
    StartingWindow w;
    const std::string report = w.data.WriteFile("my report", 10);
    Form_Load(w.f, {"\"" + w.data / "my", "report\""});
    EXPECT_EQ(w.f.txtInput.Text(), report);
    EXPECT_EQ(w.f.txtArchiveName.Text(), "my report.rar");

    StartingWindow v;
    v.data.MakeFolder("Music");
    Form_Load(v.f, {"\"" + v.data / "Music" + "\""});
    EXPECT_EQ(v.f.txtInput.Text(), v.data / "Music");
    EXPECT_EQ(v.f.txtArchiveName.Text(), "Music.rar");
}

TEST(FormLoad, APathThatNamesNothingIsIgnored) {
    for (const std::vector<std::string>& arguments :
         std::vector<std::vector<std::string>>{{"/no/such/place"}, {"\"\""}, {""}, {"\"/no/such\""}, {"\""}}) {
        StartingWindow w;
        EXPECT_NO_THROW(Form_Load(w.f, arguments));
        w.ExpectNothingApplied();
        EXPECT_TRUE(w.f.objDOS);
    }
    StartingWindow w;
    fs::create_symlink(w.data / "gone", w.data / "dangling");
    Form_Load(w.f, {w.data / "dangling"});
    w.ExpectNothingApplied();
}

TEST(FormUnload, RefusedWhileAJobRuns) {
    StartingWindow w;
    Form_Load(w.f, {});
    w.f.chkSaveSelected.SetValue(1);
    w.f.JobRunning = true;
    int cancel = 0;
    Form_Unload(w.f, cancel);
    EXPECT_EQ(cancel, 1);
    EXPECT_TRUE(w.f.objDOS);
    EXPECT_FALSE(fs::exists(w.program / "Settings.ini"));
    EXPECT_TRUE(w.desktop.boxes.empty());

    w.f.JobRunning = false;
    cancel = 0;
    Form_Unload(w.f, cancel);
    EXPECT_EQ(cancel, 0);
    EXPECT_FALSE(w.f.objDOS);
    EXPECT_TRUE(fs::exists(w.program / "Settings.ini"));
    Form_Terminate(w.f);  // the second release does nothing
    EXPECT_FALSE(w.f.objDOS);
}

TEST(FormUnload, ExitAsksTheWindowToClose) {
    StartingWindow w;
    Form_Load(w.f, {});
    w.f.mnuExit.UserClick();
    EXPECT_EQ(w.desktop.closeRequests, 1);
    EXPECT_TRUE(w.f.objDOS);  // the close itself goes through Form_Unload
}

}  // namespace
}  // namespace kelvora
