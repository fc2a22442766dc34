#include <gtest/gtest.h>

#include "TestWindow.h"

namespace kelvora {
namespace {

struct ArchiveNaming : ::testing::Test {
    ArchiveNaming() { ApplyLanguage(f, 0); }
    test::TestWindow w;
    frmMain& f = w.f;
};

TEST_F(ArchiveNaming, ForbiddenCharactersGiveOneWarningEach) {
    f.txtArchiveName.UserTypeText("movie");
    for (char c : std::string("\"*/:<>?\\|")) EXPECT_FALSE(f.txtArchiveName.UserType(c)) << c;
    f.txtArchiveName.UserTypeText(" .-_'!");  // the rest passes
    EXPECT_EQ(f.txtArchiveName.Text(), "movie .-_'!");
    const std::string warning = "A filename cannot contain any of the following characters:\r\n\r\n\\ / : * ? \" < > |!;";
    std::string nine;
    for (int i = 0; i < 9; ++i) nine += warning;
    EXPECT_EQ(w.desktop.TakeBoxes(), nine);
    // Pasted: the name is emptied after a single warning, also for two of them.
    for (const char* pasted : {"a:b", "x*y|z"}) {
        f.txtArchiveName.UserPaste(pasted);
        EXPECT_EQ(f.txtArchiveName.Text() + w.desktop.TakeBoxes(), warning);
    }
}

TEST_F(ArchiveNaming, DateNameFollowsTheCheckBoxAndStyle) {
    f.txtArchiveName.UserTypeText("holiday.rar");
    f.chkMaskName.UserClick();
    EXPECT_EQ(f.txtArchiveName.Text(), "05-12-2026-09-12-37.rar");
    w.desktop.clock.second = 38;  // the style click reads the clock again
    f.optMaskStyle[1].UserClick();
    EXPECT_EQ(f.txtArchiveName.Text(), "12-05-2026-09-12-38.rar");
    f.chkMaskName.UserClick();
    EXPECT_EQ(f.txtArchiveName.Text(), "holiday.rar");
    EXPECT_FALSE(f.optMaskStyle[0].Enabled() || f.optMaskStyle[1].Enabled());
    EXPECT_TRUE(w.desktop.boxes.empty());
}

}  // namespace
}  // namespace kelvora
