#include <map>

#include "TestWindow.h"
#include "common/RuntimeError.h"

using namespace kelvora;

// Every caption, by control, and the compression list.
static std::map<std::string, std::string> Texts(frmMain& f) {
    std::map<std::string, std::string> texts;
    for (size_t i = 0; i < f.cboCompression.List().size(); ++i) texts["cboCompression(" + std::to_string(i) + ")"] = f.cboCompression.List()[i];
    for (Control* c : f.AllControls())
        if (auto* captioned = dynamic_cast<CaptionedControl*>(c)) texts[c->Name()] = captioned->Caption();
    return texts;
}

// English gives back the captions the window is designed with (but the one designed with a text
// of its own), so each entry of the string table lands on its own control. In Dutch no English
// caption is left, but those the two languages share; back in English no Dutch one. The
// compression choice survives both switches, "none" included, and any other language number
// raises before anything changes.
TEST(Language, MenusSwitchEveryCaptionAndKeepTheCompressionChoice) {
    test::TestWindow w;
    frmMain& f = w.f;
    const auto design = Texts(f);
    f.mnuNederlands.UserClick();
    EXPECT_TRUE(f.mnuNederlands.Checked() && !f.mnuEnglish.Checked() && f.cboCompression.ListIndex() == -1);
    f.cboCompression.UserPick(2);
    const auto dutch = Texts(f);
    EXPECT_THROW(ApplyLanguage(f, int16_t{2}), RuntimeError);
    EXPECT_EQ(Texts(f), dutch);
    f.mnuEnglish.UserClick();
    EXPECT_TRUE(f.mnuEnglish.Checked() && !f.mnuNederlands.Checked() && f.cboCompression.Text() == "High");
    f.cboCompression.SetListIndex(-1);
    const auto english = Texts(f);
    ASSERT_EQ(english.size(), design.size());
    std::map<std::string, std::string> changed, shared;
    for (const auto& [name, text] : english) {
        if (text != design.at(name)) changed[name] = text;
        if (text == dutch.at(name)) shared[name] = text;
    }
    EXPECT_EQ(changed, (std::map<std::string, std::string>{{"chkCalculateEff", "Calculate most efficient Rar size (Recommended!)"}}));
    // Not translated, or the same words in both.
    EXPECT_EQ(shared, (std::map<std::string, std::string>{
                          {"frmMain", "Kelvora"}, {"cmdProcess", "Start"}, {"lblStatus", "Status: ---"},
                          {"optMaskStyle(0)", "EU"}, {"optMaskStyle(1)", "US"}, {"mnuH", "Help"},
                          {"mnuHelp", " Help"}, {"mnuEnglish", " English"}, {"mnuNederlands", " Nederlands"},
                          {"mnuLine1", "-"}, {"mnuLine3", "-"}, {"mnuLine4", "-"}}));
}
