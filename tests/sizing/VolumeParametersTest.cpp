#include <gtest/gtest.h>

#include "TestWindow.h"
#include "common/Version.h"
#include "prefs/Language.h"
#include "sizing/VolumeParameters.h"

namespace kelvora {
namespace {

class VolumeParameters : public ::testing::Test {
protected:
    VolumeParameters() { ApplyLanguage(f, 0); }

    // A new source: its size, then the maximum block count, as source selection does it.
    void Source(const std::string& bytes) {
        f.txtEstimatedSize.SetText(bytes);
        RecomputeMaxBlocks(f);
    }
    // The user selects the field's text and deletes it.
    void ClearRecoveryBlocks() {
        while (!f.txtRecoveryBlocks.Text().empty()) f.txtRecoveryBlocks.UserType(KeyBackspace);
    }
    size_t Messages() const { return w.desktop.boxes.size(); }

    test::TestWindow w;
    frmMain& f = w.f;
    VScrollBar& bar = f.ScrollRecoveryBlocks;
};

TEST_F(VolumeParameters, PastedNotationsEmptyEitherFieldWithOneMessage) {
    f.cboFormat.SetListIndex(0);
    f.OptPars[1].SetValue(true);
    Source("7000000000");
    f.txtRecoveryBlocks.SetText("12");
    ClearRecoveryBlocks();  // 12 -> 1 -> empty: no message, the bar stays at 1
    // Each reads as a number in the general test, none is a run of digits.
    for (const std::string text : {"1e6", "2d3", "&H10", "&o7", "1,000", "12.5", "-3"}) {
        for (bool split : {true, false}) {
            const size_t before = Messages();
            split ? f.cboSplitSize.UserPaste(text) : f.txtRecoveryBlocks.UserPaste(text);
            EXPECT_EQ(split ? f.cboSplitSize.Text() : f.txtRecoveryBlocks.Text(), "") << text;
            ASSERT_EQ(Messages(), before + 1) << text;
            const auto& box = w.desktop.boxes.back();
            EXPECT_EQ(box.text, "Only numbers are allowed. ");
            EXPECT_TRUE(box.icon == MsgIcon::Exclamation && box.buttons == MsgButtons::OK && box.title == AppTitle);
        }
    }
    EXPECT_EQ(bar.Value(), 1);  // refused texts never move the bar
    ApplyLanguage(f, 1);
    f.txtRecoveryBlocks.UserPaste("x");
    EXPECT_EQ(w.desktop.boxes.back().text, "Alleen nummers zijn toegestaan. ");
}

TEST_F(VolumeParameters, TypingIsLimitedAndAUnitChoiceRefillsTheList) {
    f.cboFormat.SetListIndex(0);
    f.cboSplitSize.UserTypeText("12a.-3 4567890");  // digits only, nine at most in bytes
    EXPECT_EQ(f.cboSplitSize.Text(), "123456789");
    EXPECT_TRUE(f.cboSplitSize.UserType(KeyBackspace));
    f.cboSplitSize.UserPaste("90");  // ten digits pasted: emptied without a message
    EXPECT_EQ(f.cboSplitSize.Text(), "");

    f.cboSplitSize.UserTypeText("250");
    f.cboFormat.UserPick(1);
    EXPECT_EQ(f.cboSplitSize.List(), (std::vector<std::string>{"1", "5", "10", "15", "20", "25", "50"}));
    EXPECT_EQ(f.cboSplitSize.Text(), "");
    EXPECT_EQ(f.cboSplitSize.ListIndex(), -1);
    f.cboSplitSize.UserTypeText("2e5000");  // three digits in megabytes
    EXPECT_EQ(f.cboSplitSize.Text(), "250");
    f.cboSplitSize.UserPaste("0");
    EXPECT_EQ(f.cboSplitSize.Text(), "");
    f.cboSplitSize.UserPick(6);  // a preset is a valid text
    EXPECT_EQ(f.cboSplitSize.Text(), "50");

    Source("7000000000");
    ClearRecoveryBlocks();
    f.txtRecoveryBlocks.UserTypeText("4x+2,");
    EXPECT_EQ(f.txtRecoveryBlocks.Text(), "42");
    EXPECT_EQ(Messages(), 0u);
}

TEST_F(VolumeParameters, LinesSetTheBlockSizeAndTheMaximumFollows) {
    Source("768000");
    EXPECT_EQ(f.txtMaxBlocks.Text(), "2");  // exactly two blocks of the initial 384000
    Source("7000000000");
    // 1500 lines: 36459 blocks, capped.
    const struct { const char *lines, *blockSize, *maxBlocks; } steps[] = {
        {"1500", "192000", "32767"}, {"2000", "256000", "27344"}, {"5000", "640000", "10938"}};
    for (const auto& s : steps) {
        f.cboLines.SetText(s.lines);
        EXPECT_EQ(f.txtBlockSize.Text(), s.blockSize) << s.lines;
        EXPECT_EQ(f.txtMaxBlocks.Text(), s.maxBlocks) << s.lines;
        EXPECT_EQ(bar.Min(), std::stoi(s.maxBlocks)) << s.lines;
    }
}

TEST_F(VolumeParameters, CountsAreClampedToTheMaximumAndMoveTheBar) {
    Source("1000000");
    EXPECT_EQ(f.txtMaxBlocks.Text(), "3");
    f.txtRecoveryBlocks.SetText("5");
    EXPECT_EQ(f.txtRecoveryBlocks.Text(), "3");
    EXPECT_EQ(bar.Value(), 3);
    f.txtRecoveryBlocks.SetText("2");
    EXPECT_EQ(bar.Value(), 2);

    Source("0");
    EXPECT_EQ(f.txtMaxBlocks.Text(), "0");
    f.txtRecoveryBlocks.SetText("5");
    EXPECT_EQ(f.txtRecoveryBlocks.Text(), "0");
    EXPECT_EQ(bar.Value(), 1);  // a count of 0 is never written to the bar
    EXPECT_EQ(Messages(), 0u);
}

TEST_F(VolumeParameters, TypingAndTheBarFollowEachOther) {
    Source("7000000000");
    f.cboLines.SetText("1500");
    f.OptPars[1].SetValue(true);
    ClearRecoveryBlocks();
    f.txtRecoveryBlocks.UserTypeText("007");  // moving the bar writes plain digits back
    EXPECT_EQ(f.txtRecoveryBlocks.Text(), "7");
    f.txtRecoveryBlocks.UserTypeText("5");
    EXPECT_EQ(bar.Value(), 75);
    ClearRecoveryBlocks();  // 75 -> 7 -> empty: no message, the bar stays at 7
    EXPECT_EQ(bar.Value(), 7);
    EXPECT_EQ(Messages(), 0u);
    f.txtRecoveryBlocks.UserTypeText("99999");
    EXPECT_EQ(f.txtRecoveryBlocks.Text(), "32767");
    EXPECT_EQ(bar.Value(), 32767);
    EXPECT_FALSE(f.txtRecoveryBlocks.UserType('1'));  // the field takes five characters

    f.cboLines.SetText("3000");
    Source("1000000");
    f.txtRecoveryBlocks.SetText("1");
    for (const char* expected : {"2", "3", "3"}) {  // up raises the count, up to the maximum
        bar.UserArrowUp();
        EXPECT_EQ(f.txtRecoveryBlocks.Text(), expected);
    }
    bar.UserArrowDown();
    EXPECT_EQ(f.txtRecoveryBlocks.Text(), "2");
}

TEST_F(VolumeParameters, RecoveryModeEnablesItsInputs) {
    f.txtRecoveryBlocks.SetText("1");
    const struct { bool redundancy, blocks; uint32_t color; bool files; } table[] = {
        {true, false, ColorButtonFace, false}, {false, true, ColorWhite, false}, {false, false, ColorButtonFace, true}};
    for (int index : {1, 0, 2, 1}) {
        f.OptPars[index].UserClick();
        const auto& row = table[index];
        EXPECT_EQ(f.cboRedundancy.Enabled(), row.redundancy) << index;
        EXPECT_EQ(f.txtRecoveryBlocks.Enabled(), row.blocks) << index;
        EXPECT_EQ(f.txtRecoveryBlocks.BackColor(), row.color) << index;
        EXPECT_EQ(bar.Enabled(), row.blocks) << index;
        EXPECT_EQ(f.cboRecoveryFiles.Enabled(), row.files) << index;
    }
    EXPECT_EQ(f.txtRecoveryBlocks.Text(), "1");
}

}  // namespace
}  // namespace kelvora
