#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <map>

#include "TestWindow.h"
#include "common/Text.h"
#include "runner/OutsideTools.h"

namespace fs = std::filesystem;

namespace kelvora {
namespace {

#ifdef _WIN32
const std::string Odd = "char;lie", OddArchive = "char;lie";  // Windows names hold no ':' or tab
#else
const std::string Odd = "char:\tlie", OddArchive = "char__lie";
#endif

// A folder "Set" with three files, two folders and a hidden file, chosen with the Folder button.
struct SeparateItems : ::testing::Test {
    SeparateItems() {
        for (std::string n : {"alpha.txt", "bravo.avi", Odd.c_str(), "delta dir/in.bin", "echo.old/in.bin", ".hidden"})
            tmp.WriteFile("Set/" + n, 3000, n[0]);
        test::Hide(tmp / "Set/.hidden");
    }
    void ChooseSet() {
        w.desktop.folderResults.push_back(tmp / "Set");
        f.cmdBrowseFolder.UserClick();
    }
    // Work folder/file, sorted, leaving out par2's recovery volumes.
    std::vector<std::string> Written() const {
        std::vector<std::string> names;
        for (const auto& e : fs::recursive_directory_iterator(tmp.path()))
            if (const std::string name = fs::relative(e.path(), tmp.path()).string();
                StartsWith(name, "Kelvora") && name.find(".vol") == std::string::npos)
                names.push_back(name);
        std::sort(names.begin(), names.end());
        return names;
    }

    test::JobWindow w;
    frmMain& f = w.f;
    test::TempDir tmp;
};

// The confirmation counts the visible items; a No changes nothing, a Yes lists them and sets the
// recovery choice. Each item then gets a work folder of its own, in listing order, and an
// archive named after it; the failed ones are listed at the end, with what went wrong, while the
// others are done.
TEST_F(SeparateItems, EachItemIsAJobOfItsOwnAndFailuresAreListedAtTheEnd) {
    ChooseSet();
    f.OptPars[1].SetValue(true);
    w.desktop.answers.push_back(MsgAnswer::No);
    f.chkSeparately.UserClick();
    EXPECT_NE(w.desktop.TakeBoxes().find("\r\nFiles: 3\r\nFolders: 2\r\n\r\nAll 5 items will be"), std::string::npos);
    EXPECT_TRUE(!f.chkSeparately.Value() && !f.SeparateItems && f.OptPars[1].Value() && f.OptPars[1].Enabled() &&
                f.chkPause.Enabled());

    std::vector<std::string> names = {"alpha.txt", "bravo.avi", Odd, "delta dir", "echo.old"};
#ifndef _WIN32
    tmp.WriteFile("Set/what?.txt", 10, 'w');  // a name the archiver would read as a pattern
    names.push_back("what?.txt");
#endif
    f.chkSeparately.UserClick();  // answered Yes
    const std::vector<std::string> items = f.SeparateItems.value_or(std::vector<std::string>{});
    EXPECT_TRUE(f.OptPars[0].Value() && !f.OptPars[1].Enabled() && !f.chkPause.Enabled());
    test::SetEnv("KELVORA_FAKE_RAR_ONLY", "bravo");
    test::SetEnv("KELVORA_FAKE_RAR_DISK_VOLUMES", "0");
    w.desktop.boxes.clear();
    f.cmdProcess.UserClick();

    // In listing order a work folder each, but none for the refused name, holding the archive and
    // its index unless the archiver failed.
    const std::map<std::string, std::string> archives = {
        {"alpha.txt", "alpha"}, {Odd, OddArchive}, {"delta dir", "delta dir"}, {"echo.old", "echo"}};
    std::vector<std::string> listed, expected;
    int folder = 0;
    for (const auto& item : items) {
        const std::string name = listed.emplace_back(fs::path(item).filename().string());
        if (name == "what?.txt") continue;
        const std::string work = "Kelvora000" + std::to_string(++folder);
        expected.push_back(work);
        if (archives.count(name))
            for (const char* ext : {".par2", ".rar"}) expected.push_back(work + platform::PathSeparator + archives.at(name) + ext);
    }
    std::sort(listed.begin(), listed.end());
    EXPECT_EQ(listed, names);
    std::sort(expected.begin(), expected.end());
    EXPECT_EQ(Written(), expected);

    const std::string set = tmp / "Set/", report = w.desktop.TakeBoxes();  // the failures instead of "Done!"
    EXPECT_TRUE(StartsWith(report, "These items failed:") && EndsWith(report, "!;") && report.find("Done!") == std::string::npos)
        << report;
    EXPECT_NE(report.find(set + "bravo.avi\r\nThe tool " + RarToolName() + " failed with exit status 5."), std::string::npos)
        << report;
#ifndef _WIN32
    EXPECT_NE(report.find(set + "what?.txt\r\n" + FillIn(f.MessageText(Msg::WildcardInSource), {set + "what?.txt"})), std::string::npos);
#endif
    EXPECT_EQ(f.lblStatus.Caption(), "Status: Done, but some items failed.");
    EXPECT_FALSE(f.chkSeparately.Value() || f.chkSeparately.Enabled());
}

TEST_F(SeparateItems, StopDuringTheSecondItemLeavesTheRestUntouched) {
    ChooseSet();
    f.chkSeparately.UserClick();
    const std::string second = f.SeparateItems.value().at(1);
    test::SetEnv("KELVORA_FAKE_RAR_DELAY_MS", "200");  // keeps the archiver busy while Stop arrives
    w.desktop.When([&] { return EndsWith(f.lblStatus.Caption(), second) && f.cmdProcess.Caption() == "Stop"; },
                   [&] { f.cmdProcess.UserClick(); });
    f.cmdProcess.UserClick();
    EXPECT_TRUE(fs::exists(tmp / "Kelvora0002") && !fs::exists(tmp / "Kelvora0003"));
    EXPECT_EQ(f.lblStatus.Caption(), "Status: Canceled by the user.");
    EXPECT_FALSE(f.chkSeparately.Value() || f.chkSeparately.Enabled());
}

}  // namespace
}  // namespace kelvora
