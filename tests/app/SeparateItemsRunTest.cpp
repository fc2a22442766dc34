#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <set>
#include <string>
#include <vector>

#include "TestWindow.h"
#include "app/Wiring.h"
#include "common/Text.h"
#include "job/JobControl.h"
#include "prefs/Language.h"
#include "resources/StringTable.h"
#include "runner/DOSOutputs.h"

namespace fs = std::filesystem;

namespace kelvora {
namespace {

using test::TempDir;
using test::TestWindow;

std::set<std::string> Names(const std::string& folder) {
    std::set<std::string> names;
    for (const auto& e : fs::directory_iterator(folder)) names.insert(e.path().filename().string());
    return names;
}

// Separate-items mode run with the stand-in archiver and the real par2: a folder "Set" with five
// items (and a hidden one), work folders written beside it.
class SeparateItemsRunTest : public ::testing::Test {
protected:
    SeparateItemsRunTest() {
        ApplyLanguage(f, 0);
        for (int n = 0; n < StringTableEntries; ++n)
            if (f.MessageText(n).empty()) f.MessageTexts[n] = LoadResString(EnglishBase + n);
        f.objDOS = std::make_unique<DOSOutputs>(f.desktop);
        WireRunner(f);

        // Choices as a user leaves them: no split, no compression, 10 % recovery, one file.
        f.cboFormat.SetListIndex(0);
        f.cboSplitSize.SetText("");
        f.cboCompression.SetListIndex(0);
        f.cboLines.SetListIndex(0);
        f.cboRedundancy.SetListIndex(1);
        f.cboRecoveryFiles.SetListIndex(0);
        f.chkCalculateEff.SetValue(0);

        set = tmp.MakeFolder("Set");
        tmp.WriteFile("Set/alpha.txt", 3000, 1);
        tmp.WriteFile("Set/bravo.avi", 4000, 2);
        tmp.WriteFile("Set/charlie", 5000, 3);
        tmp.WriteFile("Set/delta dir/inner.bin", 6000, 4);
        tmp.WriteFile("Set/echo.old/inner.bin", 7000, 5);
        tmp.WriteFile("Set/.hidden", 100, 6);

        w.desktop.folderResults.push_back(set);
        f.cmdBrowseFolder.UserClick();
        f.chkSeparately.UserClick();  // answered Yes
        items = f.SeparateItems.value_or(std::vector<std::string>{});
    }
    ~SeparateItemsRunTest() override { ::unsetenv("KELVORA_FAKE_RAR_DELAY_MS"); }

    std::vector<std::string> WorkFolders() {
        std::vector<std::string> folders;
        for (const std::string& n : Names(tmp.path()))
            if (StartsWith(n, "Kelvora")) folders.push_back(n);
        return folders;
    }

    TestWindow w;
    frmMain& f = w.f;
    TempDir tmp;
    std::string set;
    std::vector<std::string> items;
};

TEST_F(SeparateItemsRunTest, EachItemGetsItsOwnWorkFolderAndArchive) {
    ASSERT_EQ(items.size(), 5u);
    ASSERT_EQ(f.txtOutput.Text(), tmp.path() + "/");
    f.cmdProcess.UserClick();

    const std::vector<std::string> expected = {"Kelvora0001", "Kelvora0002", "Kelvora0003", "Kelvora0004",
                                               "Kelvora0005"};
    ASSERT_EQ(WorkFolders(), expected);
    // Items are taken in listing order, one work folder each, named after the item.
    for (size_t i = 0; i < items.size(); ++i) {
        SCOPED_TRACE(items[i]);
        const std::set<std::string> names = Names(tmp / expected[i]);
        const std::string archive = WithRarExtension(GetItemName(items[i]));
        EXPECT_TRUE(names.count(archive)) << "missing " << archive;
        bool hasPar2 = false;
        for (const std::string& n : names) hasPar2 = hasPar2 || EndsWith(n, ".par2");
        EXPECT_TRUE(hasPar2);
    }
    EXPECT_EQ(f.lblStatus.Caption(), "Status: Done!");
    EXPECT_EQ(f.chkSeparately.Value(), 0);
    EXPECT_FALSE(f.chkSeparately.Enabled());
    EXPECT_FALSE(f.SeparateItems.has_value());
    EXPECT_TRUE(f.OptPars[1].Enabled());
    EXPECT_TRUE(f.chkPause.Enabled());
}

TEST_F(SeparateItemsRunTest, StopDuringTheSecondItemLeavesTheRestUntouched) {
    ASSERT_EQ(items.size(), 5u);
    ::setenv("KELVORA_FAKE_RAR_DELAY_MS", "200", 1);  // keeps the archiver busy while Stop arrives
    const std::string second = items[1];
    w.desktop.When([&] { return EndsWith(f.lblStatus.Caption(), second) && f.cmdProcess.Caption() == "Stop"; },
                   [&] { f.cmdProcess.UserClick(); });
    f.cmdProcess.UserClick();

    EXPECT_EQ(WorkFolders(), (std::vector<std::string>{"Kelvora0001", "Kelvora0002"}));
    EXPECT_EQ(f.lblStatus.Caption(), "Status: Canceled by the user.");
    EXPECT_EQ(f.cmdProcess.Caption(), "Start");
    EXPECT_FALSE(f.JobRunning);
    EXPECT_EQ(f.chkSeparately.Value(), 0);
    EXPECT_FALSE(f.chkSeparately.Enabled());
    EXPECT_FALSE(f.SeparateItems.has_value());
}

}  // namespace
}  // namespace kelvora
