#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "TestWindow.h"
#include "app/ArchiveNaming.h"
#include "prefs/Language.h"
#include "resources/StringTable.h"

namespace kelvora {
namespace {

using test::TestWindow;

const std::string Warning =
    "A filename cannot contain any of the following characters:\r\n\r\n\\ / : * ? \" < > |";

class ArchiveNamingTest : public ::testing::Test {
protected:
    ArchiveNamingTest() {
        ApplyLanguage(f, 0);
        for (int n : {50, 51})
            if (f.MessageText(n).empty()) f.MessageTexts[n] = LoadResString(EnglishBase + n);
    }
    std::vector<test::ScriptedDesktop::Box>& boxes() { return w.desktop.boxes; }

    TestWindow w;
    frmMain& f = w.f;
};

TEST_F(ArchiveNamingTest, TypedForbiddenCharacterIsRefusedAndTheRestKept) {
    f.txtArchiveName.UserTypeText("movie");
    EXPECT_FALSE(f.txtArchiveName.UserType('?'));
    EXPECT_EQ(f.txtArchiveName.Text(), "movie");
    ASSERT_EQ(boxes().size(), 1u);
    EXPECT_EQ(boxes()[0].text, Warning);
    EXPECT_EQ(boxes()[0].icon, MsgIcon::Exclamation);
    EXPECT_EQ(boxes()[0].buttons, MsgButtons::OK);
    EXPECT_EQ(boxes()[0].title, "Kelvora");

    // Each of the nine is refused with its own warning; their neighbours pass.
    for (char c : std::string("\"*/:<>?\\|")) EXPECT_FALSE(f.txtArchiveName.UserType(c)) << c;
    EXPECT_EQ(boxes().size(), 10u);
    f.txtArchiveName.UserTypeText(" .-_'!;,()[]");
    EXPECT_EQ(f.txtArchiveName.Text(), "movie .-_'!;,()[]");
    EXPECT_EQ(boxes().size(), 10u);
}

TEST_F(ArchiveNamingTest, ForbiddenCharacterArrivingOtherwiseEmptiesTheName) {
    std::vector<std::string> textWhileWarning;
    w.desktop.onMsgBox = [&](const auto&) { textWhileWarning.push_back(f.txtArchiveName.Text()); };

    f.txtArchiveName.UserPaste("a:b");
    EXPECT_EQ(f.txtArchiveName.Text(), "");
    EXPECT_EQ(textWhileWarning, std::vector<std::string>{"a:b"});  // the warning comes first

    f.txtArchiveName.UserPaste("x*y|z");  // two of them: still one warning
    EXPECT_EQ(f.txtArchiveName.Text(), "");
    EXPECT_EQ(boxes().size(), 2u);

    f.txtArchiveName.SetText("movie.rar");
    f.txtArchiveName.SetText("c\\d.rar");  // a program write is checked as well
    EXPECT_EQ(f.txtArchiveName.Text(), "");
    ASSERT_EQ(boxes().size(), 3u);
    EXPECT_EQ(boxes()[2].text, Warning);
}

TEST(DateNames, FieldsInBothOrders) {
    EXPECT_EQ(DateName({2026, 12, 5, 9, 12, 37}, 0), "05-12-2026-09-12-37.rar");
    EXPECT_EQ(DateName({2026, 12, 5, 9, 12, 37}, 1), "12-05-2026-09-12-37.rar");
    EXPECT_EQ(DateName({2027, 1, 31, 23, 5, 0}, 0), "31-01-2027-23-05-00.rar");
    EXPECT_EQ(DateName({2027, 1, 31, 0, 59, 9}, 1), "01-31-2027-00-59-09.rar");
}

TEST_F(ArchiveNamingTest, DateNameFollowsTheCheckBoxAndStyle) {
    f.txtArchiveName.UserTypeText("holiday.rar");
    // Unchecked: the styles cannot be clicked.
    f.optMaskStyle[1].UserClick();
    EXPECT_TRUE(f.optMaskStyle[0].Value());
    EXPECT_EQ(f.txtArchiveName.Text(), "holiday.rar");

    f.chkMaskName.UserClick();
    EXPECT_EQ(f.txtArchiveName.Text(), "05-12-2026-09-12-37.rar");
    EXPECT_TRUE(f.optMaskStyle[0].Enabled());
    EXPECT_TRUE(f.optMaskStyle[1].Enabled());

    w.desktop.clock.second = 38;  // the style click reads the clock again
    f.optMaskStyle[1].UserClick();
    EXPECT_EQ(f.txtArchiveName.Text(), "12-05-2026-09-12-38.rar");
    f.txtArchiveName.UserTypeText("x");

    f.chkMaskName.UserClick();  // whatever stands there, the old name comes back
    EXPECT_EQ(f.txtArchiveName.Text(), "holiday.rar");
    EXPECT_FALSE(f.optMaskStyle[0].Enabled());
    EXPECT_FALSE(f.optMaskStyle[1].Enabled());

    f.chkMaskName.UserClick();  // US stays chosen
    EXPECT_EQ(f.txtArchiveName.Text(), "12-05-2026-09-12-38.rar");
    f.chkMaskName.UserClick();
    EXPECT_EQ(f.txtArchiveName.Text(), "holiday.rar");
    EXPECT_TRUE(boxes().empty());
}

}  // namespace
}  // namespace kelvora
