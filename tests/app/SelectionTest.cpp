#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>

#include "TestWindow.h"
#include "app/Selection.h"
#include "common/Version.h"

namespace kelvora {
namespace {

class SelectionTest : public ::testing::Test {
protected:
    SelectionTest() { ApplyLanguage(f, 0); }

    // Answers the button's dialog with `path` ("" is a cancel) and clicks it.
    void Pick(CommandButton& button, const std::string& path) {
        (&button == &f.cmdBrowseFile ? w.desktop.fileResults : w.desktop.folderResults).push_back(path);
        button.UserClick();
    }
    bool FolderOptions(bool enabled) const {
        return f.chkNoMainDir.Enabled() == enabled && f.chkAddEmpty.Enabled() == enabled &&
               f.chkSeparately.Enabled() == enabled;
    }
    std::string Fields() const {
        return f.txtInput.Text() + "|" + f.txtOutput.Text() + "|" + f.txtArchiveName.Text() + "|" + f.Me.Caption();
    }

    test::TestWindow w;
    frmMain& f = w.f;
    test::TempDir tmp;
};

TEST(SelectionHelpers, SplitPathAndIsFolder) {
    using P = std::pair<std::string, std::string>;
    EXPECT_EQ(SplitPath("/video/clips/movie.avi"), P("/video/clips/", "movie.avi"));
    EXPECT_EQ(SplitPath("/notes.txt"), P("/", "notes.txt"));  // a file at the root

    test::TempDir tmp;
    const std::string folder = tmp.MakeFolder("Photos");
    ASSERT_EQ(::symlink(folder.c_str(), (tmp / "link").c_str()), 0);
    EXPECT_TRUE(IsFolder(folder));
    EXPECT_FALSE(IsFolder(tmp.WriteFile("movie.avi", 10)));
    EXPECT_FALSE(IsFolder(tmp / "link"));  // a link to a folder is not one
}

// Files and folders alternate, so the folder-only check boxes must change every time.
TEST_F(SelectionTest, SourcesProposeFolderNameAndSize) {
    const struct { std::string path; bool folder; std::string archive; } cases[] = {
        {"Video/movie.avi", false, "movie.rar"},    {"Photos 2008", true, "Photos 2008.rar"},
        {"Video/movie.mpeg", false, "movie.mpeg.rar"}, {"backup.old", true, "backup.rar"},
        {"Video/README", false, "README.rar"},      {"Video/avi_clip.avi", false, "avi_clip.rar"},
    };
    std::string captionAtSize;
    f.txtEstimatedSize.Observe([&] { captionAtSize = f.Me.Caption(); });
    for (const auto& c : cases) {
        SCOPED_TRACE(c.path);
        const std::string path = tmp / c.path;
        tmp.WriteFile(c.folder ? c.path + "/sub/.hidden" : c.path, 1234);
        Pick(c.folder ? f.cmdBrowseFolder : f.cmdBrowseFile, path);
        // Waiting while measured, the versioned title once the fields are filled.
        EXPECT_EQ(captionAtSize, "Calculating file/folder size. Please wait...");
        EXPECT_EQ(Fields(), path + "|" + std::filesystem::path(path).parent_path().string() + "/|" + c.archive + "|" +
                                VersionedTitle());
        EXPECT_EQ(f.txtEstimatedSize.Text(), "1234");
        EXPECT_TRUE(FolderOptions(c.folder));
    }
    EXPECT_EQ(w.desktop.folderTitles.at(0), "Select folder:");
    EXPECT_TRUE(w.desktop.boxes.empty());
}

TEST_F(SelectionTest, RootRefusedCancelIgnoredSaveFolderEndsInTheSeparator) {
    Pick(f.cmdBrowseFolder, tmp.MakeFolder("Photos"));
    const std::string before = Fields();

    Pick(f.cmdBrowseFolder, "/");
    EXPECT_EQ(w.desktop.boxes.at(0).text, "Drives cannot be selected. ");
    for (CommandButton* b : {&f.cmdBrowseFolder, &f.cmdBrowseFile, &f.cmdBrowseSave}) Pick(*b, "");
    EXPECT_EQ(Fields(), before);
    EXPECT_TRUE(FolderOptions(true));

    Pick(f.cmdBrowseSave, tmp / "Out");
    EXPECT_EQ(f.txtOutput.Text(), tmp / "Out/");
    Pick(f.cmdBrowseSave, "/");  // the root is fine as a destination
    EXPECT_EQ(f.txtOutput.Text(), "/");
    EXPECT_EQ(w.desktop.boxes.size(), 1u);
}

// A new source drops what separate-items mode listed for the old one, and Start waits while a
// source is measured.
TEST_F(SelectionTest, ANewSourceStartsAfresh) {
    tmp.WriteText("A/one", "1");
    tmp.WriteText("B/two", "2");
    Pick(f.cmdBrowseFolder, tmp / "A");
    f.chkSeparately.UserClick();  // answered Yes
    ASSERT_TRUE(f.SeparateItems && f.chkSeparately.Value() == 1 && !f.chkPause.Enabled());

    for (CommandButton* b : {&f.cmdBrowseFolder, &f.cmdBrowseFile}) {
        Pick(*b, b == &f.cmdBrowseFile ? tmp / "B/two" : tmp / "B");
        EXPECT_TRUE(!f.SeparateItems && f.chkSeparately.Value() == 0 && f.chkPause.Enabled() && f.OptPars[1].Enabled());
        f.chkSeparately.SetValue(1);
    }

    bool startEnabledWhileMeasuring = true;
    const int id = f.Me.Observe([&] {
        if (f.Me.Caption() != f.MessageText(55)) return;
        startEnabledWhileMeasuring = f.cmdProcess.Enabled();
        f.cmdProcess.Click();  // even a click that gets through starts nothing
    });
    Pick(f.cmdBrowseFolder, tmp / "A");
    f.Me.StopObserving(id);
    EXPECT_FALSE(startEnabledWhileMeasuring);
    EXPECT_TRUE(f.cmdProcess.Enabled() && w.desktop.boxes.size() == 3u && !f.JobRunning);
}

// A drop takes a source the way the File and Folder buttons do, and refuses what they could not
// give: several items, something that is no local path, the root, a path that names nothing.
TEST_F(SelectionTest, DropTakesOneLocalFileOrFolderAsTheButtonsDo) {
    const std::string folder = tmp.MakeFolder("Photos 2008"), file = tmp.WriteFile("Video/movie.avi", 1234);
    tmp.WriteFile("Photos 2008/sub/.hidden", 99);
    ASSERT_EQ(::symlink((tmp / "gone").c_str(), (tmp / "dangling").c_str()), 0);
    Pick(f.cmdBrowseFolder, folder);
    const std::string byButton = Fields() + "|" + f.txtEstimatedSize.Text();
    Pick(f.cmdBrowseFile, file);

    const struct {
        std::vector<std::string> paths;
        bool allLocal;
        std::string message;  // "" when the drop is taken
    } drops[] = {
        {{folder + "/"}, true, ""},
        {{file, folder}, true, "Drop one file or folder at a time."},
        {{}, false, "Only files and folders on this computer can be dropped here."},
        {{file}, false, "Only files and folders on this computer can be dropped here."},
        {{"/"}, true, "Drives cannot be selected. "},
        {{tmp / "dangling"}, true, tmp / "dangling cannot be found."},
        {{file}, true, ""},
    };
    std::string expected = byButton;
    for (const auto& d : drops) {
        SCOPED_TRACE(d.message);
        w.desktop.boxes.clear();
        DropSource(f, d.paths, d.allLocal);
        if (d.message.empty()) {
            EXPECT_TRUE(w.desktop.boxes.empty());
            EXPECT_TRUE(FolderOptions(d.paths[0] != file));
            if (d.paths[0] != file) {
                EXPECT_EQ(Fields() + "|" + f.txtEstimatedSize.Text(), byButton);
            }
            expected = Fields();
        } else {
            ASSERT_EQ(w.desktop.boxes.size(), 1u);
            EXPECT_EQ(w.desktop.boxes[0].text, d.message);
            EXPECT_EQ(w.desktop.boxes[0].icon, MsgIcon::Exclamation);
            EXPECT_EQ(Fields(), expected);  // nothing changed
        }
    }
    EXPECT_EQ(f.txtInput.Text(), file);

    // Nothing is taken while a job runs, nor while a source is being measured (groups locked).
    for (const bool running : {true, false}) {
        f.JobRunning = running;
        if (!running) DisableControls(f);
        EXPECT_FALSE(AcceptsDrop(f));
        DropSource(f, {folder}, true);
        EXPECT_EQ(f.txtInput.Text(), file);
    }
    EnableControls(f);
    EXPECT_TRUE(AcceptsDrop(f));

    ApplyLanguage(f, 1);
    DropSource(f, {}, false);
    EXPECT_EQ(w.desktop.boxes.back().text, "Alleen bestanden en mappen op deze computer kunnen hier neergezet worden.");
}

}  // namespace
}  // namespace kelvora
