#include <gtest/gtest.h>

#include "TestWindow.h"
#include "common/Version.h"
#include "prefs/Language.h"
#include "sizing/VolumeParameters.h"

namespace kelvora {
namespace {

const std::vector<std::string> BytesList{"1000000",  "5000000",  "10000000", "15000000",
                                         "20000000", "25000000", "50000000"};
const std::vector<std::string> MegaBytesList{"1", "5", "10", "15", "20", "25", "50"};
// Valid for the numeric test, refused as a whole number.
const std::vector<std::string> Notations{"1e6", "2d3", "&H10", "&o7", "1,000", "12.5", "-3"};

class VolumeParameters : public ::testing::Test {
protected:
    VolumeParameters() { ApplyLanguage(f, 0); }

    // A new source: its size, then the maximum block count, as source selection does it.
    void Source(const std::string& bytes) {
        f.txtEstimatedSize.SetText(bytes);
        RecomputeMaxBlocks(f);
    }
    void Lines(const std::string& lines) { f.cboLines.SetText(lines); }
    // The user selects the field's text and deletes it.
    void ClearRecoveryBlocks() {
        while (!f.txtRecoveryBlocks.Text().empty()) f.txtRecoveryBlocks.UserType(KeyBackspace);
    }
    size_t Messages() const { return w.desktop.boxes.size(); }

    test::TestWindow w;
    frmMain& f = w.f;
    VScrollBar& bar = f.ScrollRecoveryBlocks;
};

TEST_F(VolumeParameters, WholeNumbersAreRunsOfDigits) {
    EXPECT_TRUE(IsWholeNumber("0"));
    EXPECT_TRUE(IsWholeNumber("262144000"));
    EXPECT_FALSE(IsWholeNumber(""));
    EXPECT_FALSE(IsWholeNumber("12a"));
    for (const std::string& text : Notations) EXPECT_FALSE(IsWholeNumber(text)) << text;
    for (const char* upper : {"1E6", "2D3", "&h10", "&O7"}) EXPECT_FALSE(IsWholeNumber(upper)) << upper;
}

TEST_F(VolumeParameters, PastedNotationsEmptyEitherFieldWithOneMessage) {
    f.cboFormat.SetListIndex(0);
    f.OptPars[1].SetValue(true);
    Source("7000000000");
    f.txtRecoveryBlocks.SetText("12");
    for (const std::string& text : Notations) {
        for (bool split : {true, false}) {
            const size_t before = Messages();
            if (split) {
                f.cboSplitSize.UserPaste(text);
                EXPECT_EQ(f.cboSplitSize.Text(), "") << text;
            } else {
                ClearRecoveryBlocks();
                f.txtRecoveryBlocks.UserPaste(text);
                EXPECT_EQ(f.txtRecoveryBlocks.Text(), "") << text;
            }
            ASSERT_EQ(Messages(), before + 1) << text;
            const auto& box = w.desktop.boxes.back();
            EXPECT_EQ(box.text, "Only numbers are allowed. ");
            EXPECT_EQ(box.icon, MsgIcon::Exclamation);
            EXPECT_EQ(box.buttons, MsgButtons::OK);
            EXPECT_EQ(box.title, AppTitle);
        }
    }
    EXPECT_EQ(bar.Value(), 1);  // backspacing "12" left it at 1; refused texts never move it

    // The message follows the language.
    ApplyLanguage(f, 1);
    f.txtRecoveryBlocks.UserPaste("x");
    EXPECT_EQ(w.desktop.boxes.back().text, "Alleen nummers zijn toegestaan. ");
}

TEST_F(VolumeParameters, SplitSizeLengthIsLimitedByTheUnit) {
    f.cboFormat.SetListIndex(0);
    f.cboSplitSize.UserTypeText("12a.-3 4567890");  // digits only, nine at most
    EXPECT_EQ(f.cboSplitSize.Text(), "123456789");
    EXPECT_TRUE(f.cboSplitSize.UserType(KeyBackspace));
    EXPECT_EQ(f.cboSplitSize.Text(), "12345678");
    f.cboSplitSize.UserPaste("90");  // ten digits pasted: emptied without a message
    EXPECT_EQ(f.cboSplitSize.Text(), "");

    f.cboFormat.SetListIndex(1);
    f.cboSplitSize.UserTypeText("2e5000");
    EXPECT_EQ(f.cboSplitSize.Text(), "250");
    f.cboSplitSize.UserPaste("0");
    EXPECT_EQ(f.cboSplitSize.Text(), "");

    Source("7000000000");
    ClearRecoveryBlocks();
    f.txtRecoveryBlocks.UserTypeText("4x+2,");
    EXPECT_EQ(f.txtRecoveryBlocks.Text(), "42");
    EXPECT_EQ(Messages(), 0u);
}

TEST_F(VolumeParameters, ChoosingAUnitRefillsTheListAndEmptiesTheText) {
    f.cboFormat.SetListIndex(0);
    EXPECT_EQ(f.cboSplitSize.List(), BytesList);
    f.cboSplitSize.UserTypeText("250");
    f.cboFormat.UserPick(1);
    EXPECT_EQ(f.cboSplitSize.List(), MegaBytesList);
    EXPECT_EQ(f.cboSplitSize.Text(), "");
    EXPECT_EQ(f.cboSplitSize.ListIndex(), -1);
    f.cboSplitSize.UserPick(6);
    f.cboFormat.UserPick(0);
    EXPECT_EQ(f.cboSplitSize.List(), BytesList);
    EXPECT_EQ(f.cboSplitSize.Text(), "");
    // A picked preset is a valid text: no message.
    f.cboSplitSize.UserPick(6);
    EXPECT_EQ(f.cboSplitSize.Text(), "50000000");
    EXPECT_EQ(Messages(), 0u);
}

TEST_F(VolumeParameters, LinesSetTheBlockSizeAndTheMaximumFollows) {
    Source("768000");
    EXPECT_EQ(f.txtMaxBlocks.Text(), "2");  // exactly two blocks of the initial 384000
    Source("7000000000");
    EXPECT_EQ(f.txtMaxBlocks.Text(), "18230");
    Lines("1500");
    EXPECT_EQ(f.txtBlockSize.Text(), "192000");
    EXPECT_EQ(f.txtMaxBlocks.Text(), "32767");  // 36459, capped
    EXPECT_EQ(bar.Min(), 32767);
    Lines("2000");
    EXPECT_EQ(f.txtBlockSize.Text(), "256000");
    EXPECT_EQ(f.txtMaxBlocks.Text(), "27344");
    EXPECT_EQ(bar.Min(), 27344);
    Lines("5000");
    EXPECT_EQ(f.txtBlockSize.Text(), "640000");
    EXPECT_EQ(f.txtMaxBlocks.Text(), "10938");
}

TEST_F(VolumeParameters, CountsAreClampedToTheMaximumAndMoveTheBar) {
    Source("1000000");
    EXPECT_EQ(f.txtMaxBlocks.Text(), "3");
    EXPECT_EQ(bar.Min(), 3);
    f.txtRecoveryBlocks.SetText("5");
    EXPECT_EQ(f.txtRecoveryBlocks.Text(), "3");
    EXPECT_EQ(bar.Value(), 3);
    f.txtRecoveryBlocks.SetText("00003");  // equal to the maximum: rewritten, the bar stays
    EXPECT_EQ(f.txtRecoveryBlocks.Text(), "3");
    f.txtRecoveryBlocks.SetText("2");
    EXPECT_EQ(bar.Value(), 2);

    Source("0");
    EXPECT_EQ(f.txtMaxBlocks.Text(), "0");
    EXPECT_EQ(bar.Min(), 0);
    f.txtRecoveryBlocks.SetText("5");
    EXPECT_EQ(f.txtRecoveryBlocks.Text(), "0");
    EXPECT_EQ(bar.Value(), 1);  // a count of 0 leaves the bar alone
    EXPECT_EQ(Messages(), 0u);
}

TEST_F(VolumeParameters, TypingFollowsTheBarBothWays) {
    Source("7000000000");
    Lines("1500");
    f.OptPars[1].SetValue(true);
    ClearRecoveryBlocks();
    f.txtRecoveryBlocks.UserTypeText("007");  // moving the bar writes plain digits back
    EXPECT_EQ(f.txtRecoveryBlocks.Text(), "7");
    EXPECT_EQ(bar.Value(), 7);
    f.txtRecoveryBlocks.UserTypeText("5");
    EXPECT_EQ(bar.Value(), 75);
    ClearRecoveryBlocks();  // 75 -> 7 -> empty: no message, the bar stays at 7
    EXPECT_EQ(bar.Value(), 7);
    EXPECT_EQ(Messages(), 0u);

    f.txtRecoveryBlocks.UserTypeText("99999");
    EXPECT_EQ(f.txtRecoveryBlocks.Text(), "32767");
    EXPECT_EQ(bar.Value(), 32767);
    EXPECT_FALSE(f.txtRecoveryBlocks.UserType('1'));  // the field takes five characters

    Lines("3000");
    Source("1000000");
    f.txtRecoveryBlocks.SetText("1");
    bar.UserArrowUp();  // up raises the count
    EXPECT_EQ(f.txtRecoveryBlocks.Text(), "2");
    bar.UserArrowUp();
    bar.UserArrowUp();
    EXPECT_EQ(f.txtRecoveryBlocks.Text(), "3");  // the top end is the maximum
    bar.UserArrowDown();
    EXPECT_EQ(f.txtRecoveryBlocks.Text(), "2");
}

TEST_F(VolumeParameters, RecoveryModeEnablesItsInputs) {
    f.txtRecoveryBlocks.SetText("1");
    struct Row {
        bool redundancy, blocks;
        uint32_t color;
        bool files;
    };
    const Row table[] = {{true, false, ColorButtonFace, false},
                         {false, true, ColorWhite, false},
                         {false, false, ColorButtonFace, true}};
    for (int index : {1, 0, 2, 1}) {
        f.OptPars[index].UserClick();
        const Row& row = table[index];
        EXPECT_EQ(f.cboRedundancy.Enabled(), row.redundancy) << index;
        EXPECT_EQ(f.txtRecoveryBlocks.Enabled(), row.blocks) << index;
        EXPECT_EQ(f.txtRecoveryBlocks.BackColor(), row.color) << index;
        EXPECT_EQ(f.ScrollRecoveryBlocks.Enabled(), row.blocks) << index;
        EXPECT_EQ(f.cboRecoveryFiles.Enabled(), row.files) << index;
        EXPECT_EQ(f.txtRecoveryBlocks.Text(), "1");
    }
    OptPars_Click(f, 3);  // no such mode: nothing changes
    EXPECT_TRUE(f.txtRecoveryBlocks.Enabled());
}

}  // namespace
}  // namespace kelvora
