#ifndef _WIN32
#include <sys/stat.h>
#endif

#include "TestWindow.h"
#include "sizing/Sizes.h"
#include "sizing/VolumeParameters.h"

namespace fs = std::filesystem;

namespace kelvora {

struct VolumeParameters : ::testing::Test {
    VolumeParameters() { ApplyLanguage(f, 0); }
    // A new source: its size, then the maximum block count, as source selection does it.
    void Source(const std::string& bytes) { f.txtEstimatedSize.SetText(bytes), RecomputeMaxBlocks(f); }
    // The count field and the bar, as "text/value".
    std::string Blocks() const { return f.txtRecoveryBlocks.Text() + "/" + std::to_string(bar.Value()); }
    // The user selects the count's text and deletes it.
    void ClearRecoveryBlocks() {
        while (!f.txtRecoveryBlocks.Text().empty()) f.txtRecoveryBlocks.UserType(KeyBackspace);
    }

    test::TestWindow w;
    frmMain& f = w.f;
    VScrollBar& bar = f.ScrollRecoveryBlocks;
};

// Typed, only digits get through, nine at most in bytes. Pasted, a text that reads as a number in
// another notation empties the field with one message; ten digits empty the split size without
// one. A unit choice refills the list.
TEST_F(VolumeParameters, DigitsOnlyAndTheMaximumFollowsTheBlockSizeAndClampsTheCounts) {
    f.cboFormat.SetListIndex(0), f.OptPars[1].SetValue(true), Source("7000000000");
    const int at = bar.Value();
    f.cboSplitSize.UserTypeText("12a.-3 4567890");
    EXPECT_EQ(f.cboSplitSize.Text(), "123456789");
    f.cboSplitSize.UserType(KeyBackspace), f.cboSplitSize.UserPaste("90");
    EXPECT_EQ(f.cboSplitSize.Text() + w.desktop.TakeBoxes(), "");
    for (const std::string text : {"1e6", "2d3", "&H10", "1,000", "12.5", "-3"}) {
        f.cboSplitSize.UserPaste(text), f.txtRecoveryBlocks.UserPaste(text);
        EXPECT_EQ(f.cboSplitSize.Text() + f.txtRecoveryBlocks.Text() + w.desktop.TakeBoxes(),
                  "Only numbers are allowed. !;Only numbers are allowed. !;") << text;
    }
    EXPECT_EQ(bar.Value(), at);  // refused texts never move the bar
    f.cboSplitSize.UserTypeText("250"), f.cboFormat.UserPick(1);
    EXPECT_EQ(f.cboSplitSize.List(), (std::vector<std::string>{"1", "5", "10", "15", "20", "25", "50"}));
    EXPECT_EQ(f.cboSplitSize.Text(), "");  // three digits in megabytes: the window test types them

    // Lines set the block size and the maximum follows; counts are clamped to it, and typing and
    // the bar follow each other.
    // Lines -> block size, maximum, the bar's top. 1500 lines: 36459 blocks, capped.
    for (auto [lines, expected] : {std::pair{"2000", "256000 27344 27344"}, {"5000", "640000 10938 10938"}, {"1500", "192000 32767 32767"}}) {
        f.cboLines.SetText(lines);
        EXPECT_EQ(f.txtBlockSize.Text() + " " + f.txtMaxBlocks.Text() + " " + std::to_string(bar.Min()), expected);
    }
    f.OptPars[1].SetValue(true), ClearRecoveryBlocks();
    EXPECT_EQ(f.txtRecoveryBlocks.BackColor(), ColorWhite);  // usable, and looks it
    std::string seen;
    for (const char* typed : {"0x0+7,", "5", "", "99999"}) {  // digits only; moving the bar writes plain digits back
        if (*typed) f.txtRecoveryBlocks.UserTypeText(typed);
        else ClearRecoveryBlocks();  // 75 -> 7 -> empty: no message, the bar stays at 7
        seen += Blocks() + " ";
    }
    EXPECT_EQ(seen, "7/7 75/75 /7 32767/32767 ");
    EXPECT_FALSE(f.txtRecoveryBlocks.UserType('1'));  // the field takes five characters
    EXPECT_TRUE(w.desktop.boxes.empty());

    // 768000 is exactly two blocks of 384000, 800000 needs a third; a count of 0 is never
    // written to the bar.
    f.cboLines.SetText("3000");
    const struct { const char *source, *max, *count, *blocks; } clamps[] = {{"768000", "2", "5", "2/2"}, {"800000", "3", "5", "3/3"},
        {"1000000", "3", "5", "3/3"}, {"1000000", "3", "2", "2/2"}, {"0", "0", "5", "0/1"}, {"1000000", "3", "1", "1/1"}};
    for (const auto& c : clamps) {
        Source(c.source), f.txtRecoveryBlocks.SetText(c.count);
        EXPECT_EQ(f.txtMaxBlocks.Text() + " " + Blocks(), std::string(c.max) + " " + c.blocks) << c.source;
    }
    std::string counts;
    for (int i = 0; i < 3; ++i) counts += (bar.UserArrowUp(), f.txtRecoveryBlocks.Text());  // up raises, to the maximum
    bar.UserArrowDown();
    EXPECT_EQ(counts + f.txtRecoveryBlocks.Text(), "2332");
    // The maximum is the program's to write; another option greys the count.
    EXPECT_FALSE(f.txtMaxBlocks.UserType('1'));
    EXPECT_EQ((f.OptPars[0].SetValue(true), f.txtRecoveryBlocks.BackColor()), ColorButtonFace);
}

// Sparse files: the sizes are real, the disk stays empty. Sums beyond 32 bits are exact and a
// low half above the signed 32-bit range is never negative; empty and missing give 0. Hidden
// entries count, and links are not followed (how often the window is refreshed meanwhile:
// bench/bench_walk.cpp).
TEST(Sizes, LargeHiddenEmptyMissingAndLinked) {
    test::TempDir dir;
    auto sparse = [&](const std::string& relative, std::uintmax_t size) {
        const std::string path = dir.WriteText(relative, "");
        fs::resize_file(path, size);
        return path;
    };
    sparse("big/a.bin", 3'000'000'000), sparse("big/b.bin", 5'000'000'000);
    EXPECT_EQ(GetFolderSize(dir / "big/"), 8'000'000'000);
    EXPECT_EQ(GetFileSizeBytes(sparse("six.bin", 6'000'000'000)), 6'000'000'000);
    EXPECT_EQ(GetFolderSize(sparse("two.bin", 2'500'000'000)), 2'500'000'000);
    sparse("shells/a/b/c/nothing", 0), dir.MakeFolder("shells/d");
    for (const std::string& path : {dir / "shells", dir / "missing", dir / "missing/", std::string()}) EXPECT_EQ(GetFolderSize(path), 0) << path;
    EXPECT_EQ(GetFileSizeBytes(dir / "missing"), 0);
    for (const char* hidden : {"tree/.hidden", "tree/.folder/inside", "tree/sub/.deeper/x"}) dir.WriteFile(hidden, 10);
    for (const char* hidden : {"tree/.hidden", "tree/.folder", "tree/sub/.deeper"}) test::Hide(dir / hidden);
    EXPECT_EQ(GetFolderSize(dir / "tree"), 30);
#ifdef _WIN32
    GTEST_SKIP() << "wine makes no links";
#else
    fs::create_directory_symlink("..", dir / "tree/sub/loop");  // back to the top: would never end
    fs::create_directory_symlink("sub", dir / "tree/alias");     // the same folder again: would count twice
    struct stat loop {}, alias {};  // a link itself occupies the length of the path it holds
    ASSERT_TRUE(::lstat((dir / "tree/sub/loop").c_str(), &loop) == 0 && ::lstat((dir / "tree/alias").c_str(), &alias) == 0);
    EXPECT_EQ(GetFolderSize(dir / "tree"), 30 + loop.st_size + alias.st_size);
    fs::create_directory_symlink(dir / "tree/sub", dir / "chosen");  // a link chosen as the source is measured through
    EXPECT_EQ(GetFolderSize(dir / "chosen"), 10 + loop.st_size);
#endif
}

}  // namespace kelvora
