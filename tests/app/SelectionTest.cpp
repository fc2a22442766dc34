// Choosing the source and the output folder (the buttons and a drop), and naming the archive.
#include "TestWindow.h"
#include "app/Selection.h"
#include "common/Version.h"
#include "job/Items.h"

namespace kelvora {

using platform::PathSeparator;
using test::Root;

struct Selection : ::testing::Test {
    Selection() { ApplyLanguage(f, 0); }
    // Answers the button's dialog with `path` ("" is a cancel) and clicks it.
    void Pick(CommandButton& button, const std::string& path) {
        (&button == &f.cmdBrowseFile ? w.desktop.fileResults : w.desktop.folderResults).push_back(path), button.UserClick();
    }
    bool FolderOptions(bool enabled) const {
        return f.chkNoMainDir.Enabled() == enabled && f.chkAddEmpty.Enabled() == enabled && f.chkSeparately.Enabled() == enabled;
    }
    std::string Fields() const {
        return f.txtInput.Text() + "|" + f.txtOutput.Text() + "|" + f.txtArchiveName.Text() + "|" + f.Me.Caption() + "|" +
               f.txtEstimatedSize.Text();
    }

    test::TestWindow w;
    frmMain& f = w.f;
    test::TempDir tmp;
};

// Files and folders alternate, so the folder-only options must change every time. The archive
// name takes ".rar" in place of an extension of at most three characters after the point. The
// root is refused as a source but taken as the output folder; a cancel changes nothing. A drop
// takes a source as the buttons do, and refuses what they could not give: several items,
// something that is no local path, the root, a path that names nothing; nothing is taken while a
// job runs or a source is measured (the groups locked).
TEST_F(Selection, ButtonsAndDropsProposeFolderNameAndSize) {
    const struct { std::string path; bool folder; std::string archive; } cases[] = {
        {"Video/movie.avi", false, "movie.rar"},       {"Photos 2008", true, "Photos 2008.rar"},
        {"Video/movie.mpeg", false, "movie.mpeg.rar"}, {"backup.old", true, "backup.rar"},
    };
    std::string captionAtSize;
    f.txtEstimatedSize.Observe([&] { captionAtSize = f.Me.Caption(); });
    for (const auto& c : cases) {
        const std::string path = tmp / c.path;
        tmp.WriteFile(c.folder ? c.path + "/sub/.hidden" : c.path, 1234);
        Pick(c.folder ? f.cmdBrowseFolder : f.cmdBrowseFile, path);
        // Waiting while measured, the versioned title once the fields are filled.
        EXPECT_EQ(captionAtSize, "Calculating file/folder size. Please wait...");
        EXPECT_EQ(Fields(), path + "|" + path.substr(0, path.rfind(PathSeparator) + 1) + "|" + c.archive + "|" + VersionedTitle() + "|1234");
        EXPECT_TRUE(FolderOptions(c.folder)) << c.path;
    }
    for (auto [name, archive] : {std::pair{"a.bc", "a.bc.rar"}, {".ab", "rar"}, {"abc", "abc.rar"},
                                 {"Caf\xC3\xA9.\xC3\xA9t\xC3\xA9", "Caf\xC3\xA9.rar"}})  // characters, not bytes
        EXPECT_EQ(WithRarExtension(name), archive) << name;
    const std::string folder = tmp / "Photos 2008", file = tmp / "Video/movie.avi", chosen = Fields();
    Pick(f.cmdBrowseFolder, Root);
    EXPECT_EQ(w.desktop.TakeBoxes(), "Drives cannot be selected. !;");  // the only box so far
    for (CommandButton* b : {&f.cmdBrowseFolder, &f.cmdBrowseFile, &f.cmdBrowseSave}) Pick(*b, "");
    EXPECT_TRUE(Fields() == chosen && FolderOptions(true));
    Pick(f.cmdBrowseSave, tmp / "Out");
    EXPECT_EQ(f.txtOutput.Text(), tmp / "Out/");
    Pick(f.cmdBrowseSave, Root);
    EXPECT_EQ(f.txtOutput.Text() + w.desktop.TakeBoxes(), Root);

#ifdef _WIN32
    const std::string nothing = tmp / "gone";  // wine makes no links
#else
    const std::string nothing = tmp / "dangling";
    std::filesystem::create_symlink(tmp / "gone", nothing);
    std::filesystem::create_directory_symlink(folder, tmp / "link");
    EXPECT_FALSE(IsFolder(tmp / "link"));  // a link to a folder is not one
#endif
    Pick(f.cmdBrowseFolder, folder);
    const std::string byButton = Fields();
    Pick(f.cmdBrowseFile, file);
    const std::string notLocal = "Only files and folders on this computer can be dropped here.!;";
    const struct { std::vector<std::string> paths; bool allLocal; std::string boxes; } drops[] = {
        {{folder + PathSeparator}, true, ""},  // taken
        {{file, folder}, true, "Drop one file or folder at a time.!;"},
        {{}, false, notLocal},
        {{file}, false, notLocal},
        {{Root}, true, "Drives cannot be selected. !;"},
        {{nothing}, true, nothing + " cannot be found.!;"},
    };
    for (const auto& d : drops) {
        SCOPED_TRACE(d.boxes);
        const std::string before = Fields();
        DropSource(f, d.paths, d.allLocal);
        EXPECT_EQ(w.desktop.TakeBoxes(), d.boxes);
        EXPECT_TRUE(Fields() == (d.boxes.empty() ? byButton : before) && FolderOptions(true));
    }
    DropSource(f, {file}, true);
    EXPECT_TRUE(f.txtInput.Text() == file && FolderOptions(false));
    for (const bool running : {true, false}) {
        f.JobRunning = running;
        if (!running) DisableControls(f);
        DropSource(f, {folder}, true);
        EXPECT_FALSE(AcceptsDrop(f) || f.txtInput.Text() != file);
    }
    EnableControls(f);
    EXPECT_TRUE(AcceptsDrop(f));
}

// A new source drops what separate-items mode listed for the old one, Start waits while a source
// is measured, and each source sets its own maximum of recovery blocks (384,000 bytes each).
TEST_F(Selection, ANewSourceStartsAfresh) {
    tmp.WriteText("A/one", "1"), tmp.WriteText("B/two", "2");
    Pick(f.cmdBrowseFolder, tmp / "A"), f.chkSeparately.UserClick();  // answered Yes
    ASSERT_TRUE(f.SeparateItems && f.chkSeparately.Value() == 1 && !f.chkPause.Enabled());
    for (CommandButton* b : {&f.cmdBrowseFolder, &f.cmdBrowseFile}) {
        Pick(*b, b == &f.cmdBrowseFile ? tmp / "B/two" : tmp / "B");
        EXPECT_TRUE(!f.SeparateItems && f.chkSeparately.Value() == 0 && f.chkPause.Enabled() && f.OptPars[1].Enabled());
        f.chkSeparately.SetValue(1);
    }
    bool startEnabledWhileMeasuring = true;
    f.Me.Observe([&] {
        if (f.Me.Caption() != f.MessageText(Msg::CalculatingSize)) return;
        startEnabledWhileMeasuring = f.cmdProcess.Enabled(), f.cmdProcess.Click();  // even a click that gets through starts nothing
    });
    Pick(f.cmdBrowseFolder, tmp / "A");
    EXPECT_FALSE(startEnabledWhileMeasuring);
    EXPECT_TRUE(f.cmdProcess.Enabled() && w.desktop.boxes.size() == 3u && !f.JobRunning);
    f.cboLines.SetText("3000");
    for (auto [bytes, max] : {std::pair{800000, "3"}, {1, "1"}}) {
        Pick(f.cmdBrowseFile, tmp.WriteFile("sized", bytes));
        EXPECT_EQ(f.txtMaxBlocks.Text() + " " + std::to_string(f.ScrollRecoveryBlocks.Min()), std::string(max) + " " + max);
    }
}

// Each forbidden character typed gives its warning; a paste holding any is emptied after one.
// The date name follows the check box and its style, and gives the typed name back.
TEST_F(Selection, ArchiveNameRefusesForbiddenCharactersAndFollowsTheDateStyle) {
    f.txtArchiveName.UserTypeText("movie");
    for (char c : std::string("\"*/:<>?\\|")) EXPECT_FALSE(f.txtArchiveName.UserType(c)) << c;
    f.txtArchiveName.UserTypeText(" .-_'!");  // the rest passes
    const std::string warning = "A filename cannot contain any of the following characters:\r\n\r\n\\ / : * ? \" < > |!;";
    std::string nine;
    for (int i = 0; i < 9; ++i) nine += warning;
    EXPECT_EQ(f.txtArchiveName.Text() + w.desktop.TakeBoxes(), "movie .-_'!" + nine);
    for (const char* pasted : {"a:b", "x*y|z"}) {
        f.txtArchiveName.UserPaste(pasted);
        EXPECT_EQ(f.txtArchiveName.Text() + w.desktop.TakeBoxes(), warning);
    }
    std::string names = (f.txtArchiveName.UserTypeText("holiday.rar"), f.chkMaskName.UserClick(), f.txtArchiveName.Text());
    w.desktop.clock.second = 38;  // the style click reads the clock again
    names += " " + (f.optMaskStyle[1].UserClick(), f.txtArchiveName.Text());
    names += " " + (f.chkMaskName.UserClick(), f.txtArchiveName.Text());
    EXPECT_EQ(names + w.desktop.TakeBoxes(), "05-12-2026-09-12-37.rar 12-05-2026-09-12-38.rar holiday.rar");
    EXPECT_FALSE(f.optMaskStyle[0].Enabled() || f.optMaskStyle[1].Enabled());
}

}  // namespace kelvora
