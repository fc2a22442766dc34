#include <gtest/gtest.h>
#include <unistd.h>

#include <string>
#include <vector>

#include "TestWindow.h"
#include "app/Selection.h"
#include "common/Version.h"
#include "prefs/Language.h"
#include "resources/StringTable.h"

namespace kelvora {
namespace {

using test::TempDir;
using test::TestWindow;

const std::string Waiting = "Calculating file/folder size. Please wait...";

class SelectionTest : public ::testing::Test {
protected:
    SelectionTest() {
        ApplyLanguage(f, 0);
        // Until the language code fills them, take the English texts straight from the table.
        for (int n : {36, 50, 51, 55})
            if (f.MessageText(n).empty()) f.MessageTexts[n] = LoadResString(EnglishBase + n);
    }

    void ChooseFile(const std::string& path) {
        w.desktop.fileResults.push_back(path);
        f.cmdBrowseFile.UserClick();
    }
    void ChooseFolder(const std::string& path) {
        w.desktop.folderResults.push_back(path);
        f.cmdBrowseFolder.UserClick();
    }
    void ChooseSave(const std::string& path) {
        w.desktop.folderResults.push_back(path);
        f.cmdBrowseSave.UserClick();
    }
    bool FolderOptionsEnabled() const {
        return f.chkNoMainDir.Enabled() && f.chkAddEmpty.Enabled() && f.chkSeparately.Enabled();
    }
    bool FolderOptionsDisabled() const {
        return !f.chkNoMainDir.Enabled() && !f.chkAddEmpty.Enabled() && !f.chkSeparately.Enabled();
    }

    TestWindow w;
    frmMain& f = w.f;
    TempDir tmp;
};

TEST(SelectionHelpers, SplitPathCutsAtTheLastSeparator) {
    using P = std::pair<std::string, std::string>;
    EXPECT_EQ(SplitPath("/video/clips/movie.avi"), P("/video/clips/", "movie.avi"));
    EXPECT_EQ(SplitPath("/notes.txt"), P("/", "notes.txt"));  // a file at the root
    EXPECT_EQ(SplitPath("/data"), P("/", "data"));            // a folder directly under the root
    EXPECT_EQ(SplitPath("movie.avi"), P("", "movie.avi"));
    EXPECT_EQ(SplitPath(""), P("", ""));
    EXPECT_EQ(SplitPath("/data/"), P("/data/", ""));
}

TEST(SelectionHelpers, IsFolderOnlyForRealFolders) {
    TempDir tmp;
    const std::string folder = tmp.MakeFolder("Photos");
    const std::string file = tmp.WriteFile("movie.avi", 10);
    ASSERT_EQ(::symlink(folder.c_str(), (tmp / "link").c_str()), 0);
    EXPECT_TRUE(IsFolder(folder));
    EXPECT_TRUE(IsFolder(folder + "/"));
    EXPECT_FALSE(IsFolder(file));
    EXPECT_FALSE(IsFolder(tmp / "link"));  // a link to a folder is not one
    EXPECT_FALSE(IsFolder(tmp / "missing"));
    EXPECT_FALSE(IsFolder(""));
}

TEST_F(SelectionTest, FileSourcesProposeFolderAndName) {
    struct Case {
        std::string file, archive;
    };
    const std::vector<Case> cases = {
        {"movie.avi", "movie.rar"},
        {"movie.mpeg", "movie.mpeg.rar"},  // four-letter extension: appended
        {"README", "README.rar"},
        {"avi_clip.avi", "avi_clip.rar"},  // only the end of the name changes
    };
    const std::string video = tmp.MakeFolder("Video");
    for (const Case& c : cases) {
        SCOPED_TRACE(c.file);
        // A folder first, so the file has something to switch off; a new source replaces all.
        ChooseFolder(video);
        ASSERT_TRUE(FolderOptionsEnabled());
        f.txtArchiveName.UserTypeText("edited");

        const std::string path = tmp.WriteFile("Video/" + c.file, 12345);
        ChooseFile(path);
        EXPECT_EQ(f.txtInput.Text(), path);
        EXPECT_EQ(f.txtOutput.Text(), video + "/");
        EXPECT_EQ(f.txtArchiveName.Text(), c.archive);
        EXPECT_EQ(f.txtEstimatedSize.Text(), "12345");
        EXPECT_TRUE(FolderOptionsDisabled());
        EXPECT_EQ(f.Me.Caption(), VersionedTitle());
    }
    EXPECT_TRUE(w.desktop.boxes.empty());
}

TEST_F(SelectionTest, FolderSourcesProposeParentAndName) {
    const std::string photos = tmp.MakeFolder("Photos 2008");
    tmp.WriteFile("Photos 2008/a.jpg", 1000);
    tmp.WriteFile("Photos 2008/sub/.hidden", 234);
    const std::string backup = tmp.MakeFolder("backup.old");

    ChooseFile(tmp.WriteFile("clip.avi", 5));
    ASSERT_TRUE(FolderOptionsDisabled());
    ChooseFolder(photos);
    EXPECT_EQ(f.txtInput.Text(), photos);
    EXPECT_EQ(f.txtOutput.Text(), tmp.path() + "/");
    EXPECT_EQ(f.txtArchiveName.Text(), "Photos 2008.rar");
    EXPECT_EQ(f.txtEstimatedSize.Text(), "1234");
    EXPECT_TRUE(FolderOptionsEnabled());
    EXPECT_EQ(w.desktop.folderTitles, std::vector<std::string>{"Select folder:"});

    ChooseFolder(backup);
    EXPECT_EQ(f.txtArchiveName.Text(), "backup.rar");
    EXPECT_EQ(f.txtEstimatedSize.Text(), "0");
    // Enabling or disabling leaves the values alone.
    f.chkNoMainDir.SetValue(1);
    ChooseFile(tmp / "clip.avi");
    EXPECT_EQ(f.chkNoMainDir.Value(), 1);
    EXPECT_FALSE(f.chkNoMainDir.Enabled());
}

TEST_F(SelectionTest, WaitingCaptionDuringTheMeasurementOnly) {
    for (int i = 0; i < 200; ++i) tmp.WriteFile("Big/d" + std::to_string(i % 10) + "/f" + std::to_string(i), 100);

    std::vector<std::string> captions;
    f.Me.Observe([&] { captions.push_back(f.Me.Caption()); });
    // The moment the size is written the measurement is over and the caption still waits.
    std::string captionAtSize;
    bool frameEnabledAtSize = true;
    std::string inputAtSize = "unset";
    f.txtEstimatedSize.Observe([&] {
        captionAtSize = f.Me.Caption();
        frameEnabledAtSize = f.Frame1.Enabled();
        inputAtSize = f.txtInput.Text();
    });
    // Every event pump of the walk sees the waiting caption (never fires: only watches).
    std::vector<std::string> captionsAtEvents;
    w.desktop.When(
        [&] {
            captionsAtEvents.push_back(f.Me.Caption());
            return false;
        },
        [] {});

    ChooseFolder(tmp / "Big");
    EXPECT_EQ(f.txtEstimatedSize.Text(), "20000");
    EXPECT_EQ(captionAtSize, Waiting);
    EXPECT_FALSE(frameEnabledAtSize);
    EXPECT_EQ(inputAtSize, "");  // measured before the fields are filled
    for (const std::string& c : captionsAtEvents) EXPECT_EQ(c, Waiting);
    EXPECT_EQ(captions, (std::vector<std::string>{Waiting, VersionedTitle()}));
    EXPECT_TRUE(f.Frame1.Enabled());
    EXPECT_TRUE(f.mnuFile.Enabled());
}

TEST_F(SelectionTest, RootAndCancelChangeNothing) {
    const std::string photos = tmp.MakeFolder("Photos");
    ChooseFolder(photos);
    const std::string input = f.txtInput.Text(), output = f.txtOutput.Text(), name = f.txtArchiveName.Text();
    const std::string caption = f.Me.Caption();

    ChooseFolder("/");
    ASSERT_EQ(w.desktop.boxes.size(), 1u);
    EXPECT_EQ(w.desktop.boxes[0].text, "Drives cannot be selected. ");
    EXPECT_EQ(w.desktop.boxes[0].icon, MsgIcon::Exclamation);
    EXPECT_EQ(w.desktop.boxes[0].buttons, MsgButtons::OK);
    EXPECT_EQ(w.desktop.boxes[0].title, "Kelvora");

    ChooseFolder("");  // cancel
    ChooseFile("");    // cancel
    ChooseSave("");    // cancel
    EXPECT_EQ(w.desktop.boxes.size(), 1u);
    EXPECT_EQ(f.txtInput.Text(), input);
    EXPECT_EQ(f.txtOutput.Text(), output);
    EXPECT_EQ(f.txtArchiveName.Text(), name);
    EXPECT_EQ(f.Me.Caption(), caption);
    EXPECT_TRUE(FolderOptionsEnabled());
}

TEST_F(SelectionTest, SaveFolderEndsInTheSeparator) {
    ChooseFolder(tmp.MakeFolder("Photos"));
    ChooseSave(tmp / "Out");
    EXPECT_EQ(f.txtOutput.Text(), tmp / "Out/");
    EXPECT_EQ(f.txtArchiveName.Text(), "Photos.rar");  // only the output folder changes
    ChooseSave("/");
    EXPECT_EQ(f.txtOutput.Text(), "/");  // the root is fine as a destination
    ChooseSave("/srv/out/");
    EXPECT_EQ(f.txtOutput.Text(), "/srv/out/");
    EXPECT_TRUE(w.desktop.boxes.empty());

    ChooseFolder(tmp / "Photos");  // a new source proposes its own folder again
    EXPECT_EQ(f.txtOutput.Text(), tmp.path() + "/");
}

TEST_F(SelectionTest, SourceNameWithAForbiddenCharacterIsLeftEmpty) {
    // Legal on POSIX, refused as an archive name: one warning and no bare ".rar".
    ChooseFile(tmp.WriteFile("a:b.avi", 3));
    EXPECT_EQ(w.desktop.boxes.size(), 1u);
    EXPECT_EQ(f.txtArchiveName.Text(), "");
    EXPECT_EQ(f.txtInput.Text(), tmp / "a:b.avi");
}

}  // namespace
}  // namespace kelvora
