#include <gtest/gtest.h>

#include "TestWindow.h"
#include "common/Version.h"
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
    // The count field and the bar, as "text/value".
    std::string Blocks() const { return f.txtRecoveryBlocks.Text() + "/" + std::to_string(bar.Value()); }
    size_t Messages() const { return w.desktop.boxes.size(); }

    test::TestWindow w;
    frmMain& f = w.f;
    VScrollBar& bar = f.ScrollRecoveryBlocks;
};

TEST_F(VolumeParameters, PastedNotationsEmptyEitherFieldWithOneMessage) {
    f.cboFormat.SetListIndex(0);
    f.OptPars[1].SetValue(true);
    Source("7000000000");
    const int at = bar.Value();
    size_t messages = 0;
    // Each reads as a number in the general test, none is a run of digits.
    for (const std::string text : {"1e6", "2d3", "&H10", "&o7", "1,000", "12.5", "-3"})
        for (bool split : {true, false}) {
            split ? f.cboSplitSize.UserPaste(text) : f.txtRecoveryBlocks.UserPaste(text);
            EXPECT_EQ(split ? f.cboSplitSize.Text() : f.txtRecoveryBlocks.Text(), "") << text;
            EXPECT_EQ(Messages(), ++messages) << text;
        }
    for (const auto& box : w.desktop.boxes)
        EXPECT_TRUE(box.text == "Only numbers are allowed. " && box.icon == MsgIcon::Exclamation &&
                    box.buttons == MsgButtons::OK && box.title == AppTitle);
    EXPECT_EQ(bar.Value(), at);  // refused texts never move the bar
}

TEST_F(VolumeParameters, TypingIsLimitedAndAUnitChoiceRefillsTheList) {
    f.cboFormat.SetListIndex(0);
    f.cboSplitSize.UserTypeText("12a.-3 4567890");  // digits only, nine at most in bytes
    EXPECT_EQ(f.cboSplitSize.Text(), "123456789");
    f.cboSplitSize.UserType(KeyBackspace);
    f.cboSplitSize.UserPaste("90");  // ten digits pasted: emptied without a message
    EXPECT_EQ(f.cboSplitSize.Text(), "");

    f.cboSplitSize.UserTypeText("250");
    f.cboFormat.UserPick(1);
    EXPECT_EQ(f.cboSplitSize.List(), (std::vector<std::string>{"1", "5", "10", "15", "20", "25", "50"}));
    EXPECT_EQ(f.cboSplitSize.Text(), "");
    f.cboSplitSize.UserTypeText("2e5000");  // three digits in megabytes
    EXPECT_EQ(f.cboSplitSize.Text(), "250");
    EXPECT_EQ(Messages(), 0u);
}

TEST_F(VolumeParameters, LinesSetTheBlockSizeAndTheMaximumFollows) {
    Source("7000000000");
    // 1500 lines: 36459 blocks, capped.
    // Block size, maximum, the bar's top.
    const std::pair<const char*, const char*> steps[] = {
        {"1500", "192000 32767 32767"}, {"2000", "256000 27344 27344"}, {"5000", "640000 10938 10938"}};
    for (const auto& [lines, expected] : steps) {
        f.cboLines.SetText(lines);
        EXPECT_EQ(f.txtBlockSize.Text() + " " + f.txtMaxBlocks.Text() + " " + std::to_string(bar.Min()), expected);
    }
}

TEST_F(VolumeParameters, CountsAreClampedAndTypingAndTheBarFollowEachOther) {
    // 768000 is exactly two blocks of the initial 384000; a count of 0 is never written to the bar.
    const struct { const char *source, *max, *count, *blocks; } clamps[] = {{"768000", "2", "5", "2/2"},
        {"1000000", "3", "5", "3/3"}, {"1000000", "3", "2", "2/2"}, {"0", "0", "5", "0/1"}};
    for (const auto& c : clamps) {
        Source(c.source);
        f.txtRecoveryBlocks.SetText(c.count);
        EXPECT_EQ(f.txtMaxBlocks.Text() + " " + Blocks(), std::string(c.max) + " " + c.blocks) << c.source;
    }

    Source("7000000000");
    f.cboLines.SetText("1500");
    f.OptPars[1].SetValue(true);
    ClearRecoveryBlocks();
    f.txtRecoveryBlocks.UserTypeText("0x0+7,");  // digits only; moving the bar writes plain digits back
    EXPECT_EQ(Blocks(), "7/7");
    f.txtRecoveryBlocks.UserTypeText("5");
    EXPECT_EQ(Blocks(), "75/75");
    ClearRecoveryBlocks();  // 75 -> 7 -> empty: no message, the bar stays at 7
    EXPECT_EQ(Blocks(), "/7");
    f.txtRecoveryBlocks.UserTypeText("99999");
    EXPECT_EQ(Blocks(), "32767/32767");
    EXPECT_FALSE(f.txtRecoveryBlocks.UserType('1'));  // the field takes five characters
    EXPECT_EQ(Messages(), 0u);

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
        EXPECT_TRUE(f.cboRedundancy.Enabled() == row.redundancy && f.txtRecoveryBlocks.Enabled() == row.blocks &&
                    bar.Enabled() == row.blocks && f.txtRecoveryBlocks.BackColor() == row.color &&
                    f.cboRecoveryFiles.Enabled() == row.files) << index;
    }
    EXPECT_EQ(f.txtRecoveryBlocks.Text(), "1");
}

}  // namespace
}  // namespace kelvora
