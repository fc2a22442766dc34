#include <gtest/gtest.h>

#include <filesystem>
#include <map>
#include <string>
#include <vector>

#include "TestWindow.h"
#include "app/Lifecycle.h"
#include "common/Text.h"

namespace fs = std::filesystem;

namespace kelvora {
namespace {

// A window whose program folder is a fresh folder: no settings file, no Help.chm.
struct StartingWindow : test::TestWindow {
    test::TempDir program;
    StartingWindow() { f.AppPath = program.path(); }
};

// As a shell passes it: split at blanks, relative to the current folder, with "." and "..".
TEST(FormLoad, AppliesTheStartupPathOrIgnoresIt) {
    using test::Native;
    test::TempDir tmp;
    const std::string data = test::Utf8Text(fs::canonical(test::Utf8Path(tmp.path()))), photos = data + Native("/Photos 2008");
    tmp.WriteFile("Photos 2008/a.jpg", 1000);
    for (const char* name : {"movie.avi", "my report"}) tmp.WriteFile(name, 10);
    const fs::path before = fs::current_path();
    // The arguments, the current folder, then the source, archive name and chkNoMainDir's state.
    struct Case { std::vector<std::string> arguments; std::string cwd, input, archive; bool folderOptions; };
    std::vector<Case> cases = {
        {{data + Native("/Photos"), "2008"}, test::Root, photos, "Photos 2008.rar", true},
        {{"movie.avi"}, data, data + Native("/movie.avi"), "movie.rar", false},
        {{Native("Photos 2008/")}, data, photos, "Photos 2008.rar", true},  // completed by a shell
        {{"."}, photos, photos, "Photos 2008.rar", true},                    // the folder's real name
        {{Native("\"../my"), "report\""}, photos, data + Native("/my report"), "my report.rar", false},
        {{Native("/no/such/place")}, data, "", "", true},  // told; nothing applied: the design state
        {{"\"\""}, data, "", "", true},
        {{test::Root}, data, "", "", true},  // the root is refused, not measured
    };
#ifndef _WIN32  // names Windows does not allow
    tmp.WriteFile("tab\there\n.avi", 10);
    cases.push_back({{"tab\there\n.avi"}, data, data + "/tab\there\n.avi", "tab_here_.rar", false});
    tmp.WriteFile("caf\xE9.avi", 10);  // Latin-1, as an old file system may hold it
    cases.push_back({{"caf\xE9.avi"}, data, "", "", true});
    // ".." after a link goes up from where the link leads, as the shell meant it, not from the
    // link's own folder (where a file of the same name lies too).
    tmp.WriteFile("real/inner/x", 1), tmp.WriteFile("real/clip.avi", 10), tmp.WriteFile("clip.avi", 20);
    fs::create_symlink(data + "/real/inner", data + "/link");
    cases.push_back({{"link/../clip.avi"}, data, data + "/real/clip.avi", "clip.rar", false});
#endif
    const std::map<std::string, std::string> told = {
        {test::Root, "Drives cannot be selected. !;"},
        {Native("/no/such/place"), "%1 cannot be found.!;"},  // as made absolute (on Windows the drive is added)
        {"caf\xE9.avi", "Kelvora was started with a path that is not valid UTF-8 text, which it cannot use: caf\xEF\xBF\xBD.avi!;"}};
    // A later start's path, taken while the window is idle and left during a job.
    {
        StartingWindow w;
        Form_Load(w.f, {});
        w.f.JobRunning = true;
        TakeHandedPath(w.f, data + Native("/movie.avi"));
        EXPECT_EQ(w.f.txtInput.Text(), "");
        w.f.JobRunning = false;
        TakeHandedPath(w.f, data + Native("/movie.avi"));
        EXPECT_EQ(w.f.txtInput.Text() + w.desktop.TakeBoxes(), data + Native("/movie.avi"));
    }
    for (const auto& c : cases) {
        SCOPED_TRACE(c.arguments[0]);
        StartingWindow w;
        fs::current_path(test::Utf8Path(c.cwd));
        EXPECT_NO_THROW(Form_Load(w.f, c.arguments));
        const std::string absolute = test::Utf8Text(fs::absolute(test::Utf8Path(c.arguments[0])));
        fs::current_path(before);
        EXPECT_EQ(w.f.txtInput.Text(), c.input);
        EXPECT_EQ(w.f.txtOutput.Text(), c.input.substr(0, c.input.rfind(platform::PathSeparator) + 1));
        EXPECT_EQ(w.f.txtArchiveName.Text(), c.archive);
        EXPECT_EQ(w.f.chkNoMainDir.Enabled(), c.folderOptions);
        EXPECT_EQ(w.f.chkSeparately.Enabled(), !c.input.empty());  // open for a file too
        EXPECT_EQ(w.desktop.TakeBoxes(), told.count(c.arguments[0]) ? FillIn(told.at(c.arguments[0]), {absolute}) : "");
        EXPECT_TRUE(w.f.Me.Caption() == "Kelvora v1.0.0" && w.f.objDOS &&
                    !fs::exists(w.program / "Settings.ini"));
    }
}

TEST(Menus, HelpAndAbout) {
    StartingWindow w;
    w.PrepareForJob();
    w.f.mnuHelp.UserClick();
    EXPECT_EQ(w.desktop.TakeBoxes(), "The Help.chm file cannot be found. ;");
    w.program.WriteText("Help.chm", "ITSF");
    w.f.mnuHelp.UserClick();
    w.f.mnuAbout.UserClick();
    EXPECT_EQ(w.desktop.openedDocuments, std::vector<std::string>{w.program / "Help.chm"});
    EXPECT_TRUE(w.desktop.aboutShown == 1 && w.desktop.boxes.empty());
}

}  // namespace
}  // namespace kelvora
