#include <gtest/gtest.h>

#include "TestWindow.h"
#include "common/RuntimeError.h"

using namespace kelvora;

// Every caption, by control, and the compression list.
static std::vector<std::string> Texts(frmMain& f) {
    std::vector<std::string> texts = f.cboCompression.List();
    for (Control* c : f.AllControls())
        if (auto* captioned = dynamic_cast<CaptionedControl*>(c)) texts.push_back(c->Name() + "=" + captioned->Caption());
    return texts;
}

// English gives back the captions the window is designed with (but the one designed with a text
// of its own), so each entry of the string table lands on its own control. Dutch keeps the compression choice, "none" included,
// and any other language number raises before anything changes.
TEST(Language, MenusSwitchEveryCaptionAndKeepTheCompressionChoice) {
    test::TestWindow w;
    frmMain& f = w.f;
    const auto design = Texts(f);
    f.mnuNederlands.UserClick();
    EXPECT_TRUE(f.mnuNederlands.Checked() && !f.mnuEnglish.Checked());
    EXPECT_EQ(f.cboCompression.ListIndex(), -1);
    EXPECT_EQ(f.chkPause.Caption(), "Pauzeer na het Rarren");
    f.cboCompression.UserPick(2);
    const auto dutch = Texts(f);
    EXPECT_THROW(ApplyLanguage(f, 2), RuntimeError);
    EXPECT_EQ(Texts(f), dutch);

    f.mnuEnglish.UserClick();
    EXPECT_TRUE(f.mnuEnglish.Checked() && !f.mnuNederlands.Checked());
    EXPECT_EQ(f.cboCompression.Text(), "High");
    f.cboCompression.SetListIndex(-1);
    const auto english = Texts(f);
    ASSERT_EQ(english.size(), design.size());
    std::vector<std::string> changed;
    for (size_t i = 0; i < design.size(); ++i)
        if (english[i] != design[i]) changed.push_back(english[i]);
    EXPECT_EQ(changed, std::vector<std::string>{"chkCalculateEff=Calculate most efficient Rar size (Recommended!)"});
}
