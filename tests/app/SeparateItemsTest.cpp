#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
#include <string>
#include <vector>

#include "TestWindow.h"
#include "job/SeparateItems.h"
#include "prefs/Language.h"
#include "resources/StringTable.h"

namespace kelvora {
namespace {

using test::TempDir;
using test::TestWindow;

const std::string EnglishFiveItems =
    "The following items have been found in this folder: \r\n\r\n"
    "Files: 3\r\n"
    "Folders: 2\r\n\r\n"
    "All 5 items will be rarred & parred separately.\r\n"
    "The archive names will be created based on the item names. \r\n\r\n"
    "Are you sure? ";

const std::string DutchFiveItems =
    "De volgende items zijn gevonden in deze map: \r\n\r\n"
    "Bestanden: 3\r\n"
    "Mappen: 2\r\n\r\n"
    "Alle 5 items zullen apart gerarred & geparred worden.\r\n"
    "Bestandsnamen worden gemaakt op basis van de item namen. \r\n\r\n"
    "Weet u het zeker? ";

// A source folder "Set" with three files, two folders and hidden entries, chosen with "Folder".
class SeparateItemsTest : public ::testing::Test {
protected:
    SeparateItemsTest() {
        ApplyLanguage(f, 0);
        for (int n : {50, 51, 55})
            if (f.MessageText(n).empty()) f.MessageTexts[n] = LoadResString(EnglishBase + n);
        set = tmp.MakeFolder("Set");
        tmp.WriteFile("Set/alpha.txt", 10);
        tmp.WriteFile("Set/bravo.avi", 20);
        tmp.WriteFile("Set/charlie", 30);
        tmp.WriteFile("Set/delta dir/inner.txt", 40);  // inner entries are no items
        tmp.MakeFolder("Set/echo.old");
        tmp.WriteFile("Set/.hidden", 5);
        tmp.WriteFile("Set/.cache/x", 5);
        w.desktop.folderResults.push_back(set);
        f.cmdBrowseFolder.UserClick();
        boxes().clear();
    }
    std::vector<test::ScriptedDesktop::Box>& boxes() { return w.desktop.boxes; }
    std::vector<std::string> ItemsSorted() const {
        std::vector<std::string> items = f.SeparateItems.value_or(std::vector<std::string>{});
        std::sort(items.begin(), items.end());
        return items;
    }

    TestWindow w;
    frmMain& f = w.f;
    TempDir tmp;
    std::string set;
};

TEST_F(SeparateItemsTest, YesKeepsTheListAndFixesTheRecoveryChoice) {
    ASSERT_TRUE(f.chkSeparately.EffectivelyEnabled());
    f.OptPars[1].SetValue(true);
    f.chkSeparately.UserClick();

    ASSERT_EQ(boxes().size(), 1u);
    EXPECT_EQ(boxes()[0].text, EnglishFiveItems);
    EXPECT_EQ(boxes()[0].buttons, MsgButtons::YesNo);
    EXPECT_EQ(boxes()[0].icon, MsgIcon::Question);
    EXPECT_EQ(boxes()[0].title, "Confirmation");
    EXPECT_EQ(ItemsSorted(), (std::vector<std::string>{set + "/alpha.txt", set + "/bravo.avi", set + "/charlie",
                                                        set + "/delta dir", set + "/echo.old"}));
    EXPECT_EQ(f.chkSeparately.Value(), 1);
    EXPECT_TRUE(f.OptPars[0].Value());
    EXPECT_FALSE(f.OptPars[1].Value());
    EXPECT_FALSE(f.OptPars[1].Enabled());
    EXPECT_FALSE(f.chkPause.Enabled());

    // Unchecking gives the options back; the list waits for the next check or run.
    f.chkSeparately.UserClick();
    EXPECT_TRUE(f.OptPars[1].Enabled());
    EXPECT_TRUE(f.chkPause.Enabled());
    EXPECT_EQ(f.SeparateItems->size(), 5u);
    EXPECT_EQ(boxes().size(), 1u);
}

TEST_F(SeparateItemsTest, NoRestoresTheCheckBoxAndReleasesTheList) {
    f.OptPars[1].SetValue(true);
    w.desktop.answers.push_back(MsgAnswer::No);
    f.chkSeparately.UserClick();

    EXPECT_EQ(boxes().size(), 1u);  // the handler's second run does not ask again
    EXPECT_EQ(f.chkSeparately.Value(), 0);
    EXPECT_FALSE(f.SeparateItems.has_value());
    EXPECT_TRUE(f.OptPars[1].Value());
    EXPECT_TRUE(f.OptPars[1].Enabled());
    EXPECT_TRUE(f.chkPause.Enabled());
}

TEST_F(SeparateItemsTest, DutchWhenTheFileMenuIsDutch) {
    f.mnuFile.SetCaption("Bestand");
    f.chkSeparately.UserClick();
    ASSERT_EQ(boxes().size(), 1u);
    EXPECT_EQ(boxes()[0].text, DutchFiveItems);
    EXPECT_EQ(boxes()[0].title, "Bevestiging");
}

TEST_F(SeparateItemsTest, SourceEndingInTheSeparatorGetsNoSecondOne) {
    f.txtInput.SetText(set + "/");
    f.chkSeparately.UserClick();
    EXPECT_EQ(ItemsSorted().front(), set + "/alpha.txt");
    EXPECT_EQ(f.SeparateItems->size(), 5u);
}

TEST(SeparateItems, EmptyFolderAndLinks) {
    TestWindow w;
    TempDir tmp;
    w.f.txtInput.SetText(tmp.MakeFolder("Empty"));
    w.f.chkSeparately.SetValue(1);
    ASSERT_EQ(w.desktop.boxes.size(), 1u);
    EXPECT_NE(w.desktop.boxes[0].text.find("Files: 0\r\nFolders: 0\r\n\r\nAll 0 items"), std::string::npos);
    EXPECT_TRUE(w.f.SeparateItems && w.f.SeparateItems->empty());

    // A link is stored as a link, so it is an item of its own and counts as a file.
    const std::string set = tmp.MakeFolder("Links");
    tmp.MakeFolder("Links/real");
    ASSERT_EQ(::symlink((set + "/real").c_str(), (set + "/to-real").c_str()), 0);
    w.f.chkSeparately.SetValue(0);
    w.f.txtInput.SetText(set);
    w.f.chkSeparately.SetValue(1);
    ASSERT_EQ(w.desktop.boxes.size(), 2u);
    EXPECT_NE(w.desktop.boxes[1].text.find("Files: 1\r\nFolders: 1\r\n"), std::string::npos);
    EXPECT_EQ(w.f.SeparateItems->size(), 2u);
}

}  // namespace
}  // namespace kelvora
