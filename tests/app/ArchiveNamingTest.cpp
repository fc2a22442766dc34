#include <gtest/gtest.h>

#include <string>

#include "TestWindow.h"
#include "prefs/Language.h"

namespace kelvora {
namespace {

class ArchiveNamingTest : public ::testing::Test {
protected:
    ArchiveNamingTest() { ApplyLanguage(f, 0); }

    test::TestWindow w;
    frmMain& f = w.f;
    std::vector<test::ScriptedDesktop::Box>& boxes = w.desktop.boxes;
};

TEST_F(ArchiveNamingTest, ForbiddenCharactersGiveOneWarningEach) {
    f.txtArchiveName.UserTypeText("movie");
    for (char c : std::string("\"*/:<>?\\|")) EXPECT_FALSE(f.txtArchiveName.UserType(c)) << c;
    f.txtArchiveName.UserTypeText(" .-_'!");  // the rest passes
    EXPECT_EQ(f.txtArchiveName.Text(), "movie .-_'!");
    ASSERT_EQ(boxes.size(), 9u);
    EXPECT_EQ(boxes[0].text, "A filename cannot contain any of the following characters:\r\n\r\n\\ / : * ? \" < > |");
    EXPECT_EQ(boxes[0].icon, MsgIcon::Exclamation);

    // Pasted: the name is emptied after a single warning, also for two of them.
    f.txtArchiveName.UserPaste("a:b");
    EXPECT_EQ(f.txtArchiveName.Text(), "");
    EXPECT_EQ(boxes.size(), 10u);
    f.txtArchiveName.UserPaste("x*y|z");
    EXPECT_EQ(f.txtArchiveName.Text(), "");
    EXPECT_EQ(boxes.size(), 11u);
}

TEST_F(ArchiveNamingTest, DateNameFollowsTheCheckBoxAndStyle) {
    f.txtArchiveName.UserTypeText("holiday.rar");
    f.chkMaskName.UserClick();
    EXPECT_EQ(f.txtArchiveName.Text(), "05-12-2026-09-12-37.rar");
    EXPECT_TRUE(f.optMaskStyle[1].Enabled());

    w.desktop.clock.second = 38;  // the style click reads the clock again
    f.optMaskStyle[1].UserClick();
    EXPECT_EQ(f.txtArchiveName.Text(), "12-05-2026-09-12-38.rar");

    f.chkMaskName.UserClick();
    EXPECT_EQ(f.txtArchiveName.Text(), "holiday.rar");
    EXPECT_FALSE(f.optMaskStyle[0].Enabled());
    EXPECT_FALSE(f.optMaskStyle[1].Enabled());
    EXPECT_TRUE(boxes.empty());
}

}  // namespace
}  // namespace kelvora
