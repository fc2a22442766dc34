#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <map>

#include "TestWindow.h"
#include "common/Text.h"

namespace fs = std::filesystem;

namespace kelvora {
namespace {

// A folder "Set" with three files, two folders and a hidden file, chosen with the Folder button,
// in a window ready for a job with the stand-in archiver and the real par2.
class SeparateItemsTest : public ::testing::Test {
protected:
    SeparateItemsTest() {
        w.PrepareForJob();
        f.cboFormat.SetListIndex(0);
        f.cboRedundancy.SetText("10");
        f.chkCalculateEff.SetValue(0);
        for (std::string n : {"alpha.txt", "bravo.avi", "char:\tlie", "delta dir/in.bin", "echo.old/in.bin", ".hidden"})
            tmp.WriteFile("Set/" + n, 3000, n[0]);
        w.desktop.folderResults.push_back(tmp / "Set");
        f.cmdBrowseFolder.UserClick();
    }
    ~SeparateItemsTest() override { ::unsetenv("KELVORA_FAKE_RAR_DELAY_MS"); }

    std::vector<std::string> WorkFolders() const {
        std::vector<std::string> names;
        for (const auto& e : fs::directory_iterator(tmp.path()))
            if (StartsWith(e.path().filename().string(), "Kelvora")) names.push_back(e.path().filename().string());
        std::sort(names.begin(), names.end());
        return names;
    }

    test::TestWindow w;
    frmMain& f = w.f;
    test::TempDir tmp;
    std::vector<test::ScriptedDesktop::Box>& boxes = w.desktop.boxes;
};

TEST_F(SeparateItemsTest, ConfirmationCountsTheVisibleItemsAndSetsTheRecoveryChoice) {
    f.OptPars[1].SetValue(true);
    w.desktop.answers.push_back(MsgAnswer::No);
    f.chkSeparately.UserClick();
    ASSERT_EQ(boxes.size(), 1u);  // unchecking again does not ask
    EXPECT_EQ(boxes[0].text,
              "The following items have been found in this folder: \r\n\r\nFiles: 3\r\nFolders: 2\r\n\r\n"
              "All 5 items will be rarred & parred separately.\r\n"
              "The archive names will be created based on the item names. \r\n\r\nAre you sure? ");
    EXPECT_TRUE(boxes[0].buttons == MsgButtons::YesNo && boxes[0].icon == MsgIcon::Question &&
                boxes[0].title == "Confirmation");
    EXPECT_TRUE(!f.chkSeparately.Value() && !f.SeparateItems && f.OptPars[1].Value() && f.OptPars[1].Enabled() &&
                f.chkPause.Enabled());

    f.chkSeparately.UserClick();  // answered Yes
    std::vector<std::string> items = f.SeparateItems.value_or(std::vector<std::string>{});
    std::sort(items.begin(), items.end());
    const std::string set = tmp / "Set/";
    EXPECT_EQ(items, (std::vector<std::string>{set + "alpha.txt", set + "bravo.avi", set + "char:\tlie",
                                                set + "delta dir", set + "echo.old"}));
    EXPECT_TRUE(f.OptPars[0].Value() && !f.OptPars[1].Enabled() && !f.chkPause.Enabled());
}

TEST_F(SeparateItemsTest, StartMakesOneWorkFolderAndArchivePerItem) {
    f.chkSeparately.UserClick();
    const std::vector<std::string> items = f.SeparateItems.value_or(std::vector<std::string>{});
    f.cmdProcess.UserClick();

    const std::map<std::string, std::string> archives = {
        {"alpha.txt", "alpha.rar"}, {"bravo.avi", "bravo.rar"}, {"char:\tlie", "char__lie.rar"},
        {"delta dir", "delta dir.rar"}, {"echo.old", "echo.rar"}};
    const std::vector<std::string> folders = WorkFolders();
    ASSERT_TRUE(items.size() == 5u && folders.size() == 5u);
    for (size_t i = 0; i < items.size(); ++i) {  // in listing order
        const fs::path archive = tmp / folders[i] + "/" + archives.at(fs::path(items[i]).filename().string());
        EXPECT_TRUE(fs::exists(archive) && fs::exists(fs::path(archive).replace_extension(".par2"))) << archive;
    }
    EXPECT_EQ(f.lblStatus.Caption(), "Status: Done!");
    EXPECT_EQ(boxes.size(), 2u);  // the confirmation and "Done!": no name warning mid-run
    EXPECT_FALSE(f.chkSeparately.Value() || f.chkSeparately.Enabled());
}

TEST_F(SeparateItemsTest, FailedItemsAreReportedAtTheEndWhileTheOthersAreDone) {
    tmp.WriteFile("Set/what?.txt", 10, 'w');  // a name the archiver would read as a pattern
    f.chkSeparately.UserClick();
    ::setenv("KELVORA_FAKE_RAR_ONLY", "bravo", 1);
    ::setenv("KELVORA_FAKE_RAR_DISK_VOLUMES", "0", 1);
    f.cmdProcess.UserClick();
    ::unsetenv("KELVORA_FAKE_RAR_ONLY");
    ::unsetenv("KELVORA_FAKE_RAR_DISK_VOLUMES");

    const std::string set = tmp / "Set/";
    ASSERT_EQ(boxes.size(), 2u);  // the confirmation, then the failures instead of "Done!"
    const std::string& report = boxes[1].text;
    EXPECT_TRUE(StartsWith(report, "These items failed:") && boxes[1].icon == MsgIcon::Exclamation);
    EXPECT_NE(report.find(set + "bravo.avi\r\nThe tool rar failed with exit status 5."), std::string::npos) << report;
    EXPECT_NE(report.find(set + "what?.txt\r\n" + FillIn(f.MessageText(66), {set + "what?.txt"})), std::string::npos);
    EXPECT_EQ(f.lblStatus.Caption(), "Status: Done, but some items failed.");
    // Every other item has its archive and recovery files; the refused one has no work folder.
    EXPECT_EQ(WorkFolders().size(), 5u);
    int complete = 0;
    for (const auto& folder : WorkFolders())
        complete += std::any_of(fs::directory_iterator(tmp / folder), fs::directory_iterator(),
                                [](const auto& e) { return e.path().extension() == ".par2"; });
    EXPECT_EQ(complete, 4);
}

TEST_F(SeparateItemsTest, StopDuringTheSecondItemLeavesTheRestUntouched) {
    f.chkSeparately.UserClick();
    const std::string second = f.SeparateItems.value().at(1);
    ::setenv("KELVORA_FAKE_RAR_DELAY_MS", "200", 1);  // keeps the archiver busy while Stop arrives
    w.desktop.When([&] { return EndsWith(f.lblStatus.Caption(), second) && f.cmdProcess.Caption() == "Stop"; },
                   [&] { f.cmdProcess.UserClick(); });
    f.cmdProcess.UserClick();

    EXPECT_EQ(WorkFolders(), (std::vector<std::string>{"Kelvora0001", "Kelvora0002"}));
    EXPECT_EQ(f.lblStatus.Caption(), "Status: Canceled by the user.");
    EXPECT_FALSE(f.chkSeparately.Value() || f.chkSeparately.Enabled());
}

}  // namespace
}  // namespace kelvora
