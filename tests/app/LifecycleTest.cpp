// Start-up: the start-up path as a shell passes it, a later start's path; Help.
#include "TestWindow.h"
#include "app/Lifecycle.h"
#include "common/Text.h"

namespace fs = std::filesystem;
using kelvora::test::Native;

namespace kelvora {

// As a shell passes it: split at blanks, relative to the current folder, with "." and "..".
TEST(FormLoad, AppliesTheStartupPathOrTellsWhyNot) {
    test::TempDir tmp;
    const std::string data = test::Utf8Text(fs::canonical(test::Utf8Path(tmp.path()))), photos = data + Native("/Photos 2008");
    tmp.WriteFile("Photos 2008/a.jpg", 1000);
    for (const char* name : {"movie.avi", "my report"}) tmp.WriteFile(name, 10);
    const fs::path before = fs::current_path();
    // The arguments and the current folder; the source, its archive name, whether the folder
    // options are open, and what is told ("%1": the path made absolute; Windows adds the drive).
    struct Case { std::vector<std::string> arguments; std::string cwd, input, archive; bool folderOptions; std::string told; };
    std::vector<Case> cases = {
        {{data + Native("/Photos"), "2008"}, test::Root, photos, "Photos 2008.rar", true, ""},
        {{Native("Photos 2008/")}, data, photos, "Photos 2008.rar", true, ""},  // completed by a shell
        {{"."}, photos, photos, "Photos 2008.rar", true, ""},                    // the folder's real name
        {{Native("\"../my"), "report\""}, photos, data + Native("/my report"), "my report.rar", false, ""},
        {{Native("/no/such/place")}, data, "", "", true, "%1 cannot be found.!;"},  // nothing applied: the design state
        {{"\"\""}, data, "", "", true, ""},
        {{test::Root}, data, "", "", true, "Drives cannot be selected. !;"},  // refused, not measured
    };
#ifndef _WIN32  // names Windows does not allow
    tmp.WriteFile("tab\there\n\x7F.avi", 10);
    cases.push_back({{"tab\there\n\x7F.avi"}, data, data + "/tab\there\n\x7F.avi", "tab_here__.rar", false, ""});
    // A name the archive name refuses: the field stays empty for the user to fill, not ".rar".
    tmp.WriteFile("a:b", 10);
    cases.push_back({{"a:b"}, data, data + "/a:b", "", false, "A filename cannot contain any of the following characters:\r\n\r\n\\ / : * ? \" < > |!;"});
    // Latin-1, as an old file system may hold it, and a UTF-16 surrogate written as UTF-8.
    tmp.WriteFile("caf\xE9 \xED\xA0\x80.avi", 10);
    cases.push_back({{"caf\xE9 \xED\xA0\x80.avi"}, data, "", "", true,
                     "Kelvora was started with a path that is not valid UTF-8 text, which it cannot use: "
                     "caf\xEF\xBF\xBD \xEF\xBF\xBD\xEF\xBF\xBD\xEF\xBF\xBD.avi!;"});
    // ".." after a link goes up from where the link leads, as the shell meant it, not from the
    // link's own folder (where a file of the same name lies too).
    tmp.WriteFile("real/inner/x", 1), tmp.WriteFile("real/clip.avi", 10), tmp.WriteFile("clip.avi", 20);
    fs::create_symlink(data + "/real/inner", data + "/link");
    cases.push_back({{"link/../clip.avi"}, data, data + "/real/clip.avi", "clip.rar", false, ""});
#endif
    for (const auto& c : cases) {
        SCOPED_TRACE(c.arguments[0]);
        test::ProgramWindow w;
        fs::current_path(test::Utf8Path(c.cwd));
        Form_Load(w.f, c.arguments);
        const std::string absolute = test::Utf8Text(fs::absolute(test::Utf8Path(c.arguments[0])));
        fs::current_path(before);
        EXPECT_EQ(w.f.txtInput.Text() + "|" + w.f.txtOutput.Text() + "|" + w.f.txtArchiveName.Text() + "|" + w.desktop.TakeBoxes(),
                  c.input + "|" + c.input.substr(0, c.input.rfind(platform::PathSeparator) + 1) + "|" + c.archive + "|" +
                      FillIn(c.told, {absolute}));
        EXPECT_EQ(w.f.chkNoMainDir.Enabled(), c.folderOptions);
        EXPECT_EQ(w.f.chkSeparately.Enabled(), !c.input.empty());  // open for a file too
        EXPECT_TRUE(w.f.Me.Caption() == "Kelvora v1.0.0" && w.f.objDOS && !fs::exists(w.program / "Settings.ini"));
        // ... where the file is the one item, not a folder of none that ends "Done!" having made nothing.
        if (!c.folderOptions) {
            w.desktop.answers.push_back(MsgAnswer::Yes), w.f.chkSeparately.UserClick();
            EXPECT_NE(w.desktop.TakeBoxes().find("\r\nFiles: 1\r\nFolders: 0\r\n"), std::string::npos);
            EXPECT_EQ(w.f.SeparateItems.value_or(std::vector<std::string>{}), std::vector<std::string>{c.input});
        }
    }

    // A later start's path, taken while the window is idle and left during a job.
    test::ProgramWindow w;
    Form_Load(w.f, {});
    for (const bool running : {true, false}) {
        w.f.JobRunning = running;
        TakeHandedPath(w.f, data + Native("/movie.avi"));
        EXPECT_EQ(w.f.txtInput.Text() + w.desktop.TakeBoxes(), running ? "" : data + Native("/movie.avi"));
    }
    // Help opens Help.chm beside the program, or says that it is missing. (About: the window test.)
    w.f.mnuHelp.UserClick();
    EXPECT_EQ(w.desktop.TakeBoxes(), "The Help.chm file cannot be found. ;");
    w.program.WriteText("Help.chm", "ITSF");
    w.f.mnuHelp.UserClick();
    EXPECT_TRUE(w.desktop.openedDocuments == std::vector<std::string>{w.program / "Help.chm"} && w.desktop.boxes.empty());
}

}  // namespace kelvora
