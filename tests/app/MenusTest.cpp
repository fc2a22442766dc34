#include <gtest/gtest.h>

#include <string>

#include "app/Menus.h"
#include "prefs/Language.h"
#include "support/TestWindow.h"

namespace kelvora {
namespace {

struct HelpWindow : test::TestWindow {
    test::TempDir program;
    HelpWindow() {
        f.AppPath = program.path();
        ApplyLanguage(f, 0);
    }
};

TEST(Help, OpensHelpChmBesideTheProgram) {
    HelpWindow w;
    w.program.WriteText("Help.chm", "ITSF");
    w.f.mnuHelp.UserClick();
    EXPECT_EQ(w.desktop.openedDocuments, std::vector<std::string>{w.program / "Help.chm"});
    EXPECT_TRUE(w.desktop.boxes.empty());
}

TEST(Help, MissingFileIsReportedInTheCurrentLanguage) {
    HelpWindow w;
    w.f.mnuHelp.UserClick();
    w.program.MakeFolder("Help.chm");  // a folder of that name does not count
    w.f.mnuNederlands.UserClick();
    w.f.mnuHelp.UserClick();
    EXPECT_TRUE(w.desktop.openedDocuments.empty());
    ASSERT_EQ(w.desktop.boxes.size(), 2u);
    EXPECT_EQ(w.desktop.boxes[0].text, "The Help.chm file cannot be found. ");
    EXPECT_EQ(w.desktop.boxes[1].text, "Het Help.chm bestand kan niet gevonden worden. ");
    for (const auto& box : w.desktop.boxes) {
        EXPECT_EQ(box.icon, MsgIcon::Critical);
        EXPECT_EQ(box.buttons, MsgButtons::OK);
        EXPECT_EQ(box.title, "Kelvora");
    }
}

TEST(Menus, AboutAndPictures) {
    HelpWindow w;
    frmMain& f = w.f;
    f.mnuAbout.UserClick();
    EXPECT_EQ(w.desktop.aboutShown, 1);

    LoadMenuBitmaps(f);
    f.mnuNederlands.UserClick();  // neither a language nor a check state moves a picture
    EXPECT_EQ(f.mnuExit.Picture(), "EXIT");
    EXPECT_EQ(f.mnuHelp.Picture(), "HELP");
    EXPECT_EQ(f.mnuAbout.Picture(), "INFO");
    EXPECT_EQ(f.mnuEnglish.Picture(), "ENGLISH");
    EXPECT_EQ(f.mnuNederlands.Picture(), "NEDERLANDS");
    for (MenuItem* m : {&f.mnuFile, &f.mnuH, &f.mnuLanguage, &f.mnuLine3, &f.mnuLine4})
        EXPECT_EQ(m->Picture(), "") << m->Name();
    EXPECT_EQ(f.mnuAbout.Caption(), " Informatie");
}

}  // namespace
}  // namespace kelvora
