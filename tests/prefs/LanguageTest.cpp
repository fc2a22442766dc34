#include <gtest/gtest.h>

#include <map>
#include <string>
#include <vector>

#include "common/RuntimeError.h"
#include "prefs/Language.h"
#include "resources/StringTable.h"
#include "support/TestWindow.h"

namespace kelvora {
namespace {

// Entry of the string table -> the control whose caption it is.
const std::map<int, std::string> CaptionEntries = {
    {0, "mnuFile"},         {1, "mnuExit"},         {4, "mnuH"},           {5, "mnuHelp"},
    {6, "mnuAbout"},        {7, "mnuLanguage"},     {8, "Frame1"},         {9, "Frame2"},
    {10, "Frame3"},         {11, "Label(0)"},       {12, "Label(1)"},      {13, "Label(2)"},
    {14, "Label(3)"},       {15, "Label(4)"},       {16, "Label(5)"},      {17, "Label(6)"},
    {18, "Label(7)"},       {19, "cmdBrowseFile"},  {20, "cmdBrowseFolder"}, {21, "cmdBrowseSave"},
    {22, "chkAddEmpty"},    {23, "chkPause"},       {24, "chkOldNaming"},  {25, "chkCalculateEff"},
    {26, "chkUniformSize"}, {27, "OptPars(0)"},     {28, "OptPars(1)"},    {29, "OptPars(2)"},
    {30, "chkSaveSelected"}, {34, "chkNoMainDir"},  {49, "Label(8)"},      {52, "chkSeparately"},
    {53, "chkMaskName"},
};
const std::vector<int> MessageEntries = {35, 36, 37, 38, 39, 40, 41, 42, 43, 44, 45, 46, 47, 48, 50, 51, 54, 55};

void ExpectLanguage(frmMain& f, int base) {
    for (const auto& [n, name] : CaptionEntries) {
        auto* c = dynamic_cast<CaptionedControl*>(f.FindControl(name));
        ASSERT_NE(c, nullptr) << name;
        EXPECT_EQ(c->Caption(), LoadResString(base + n)) << name;
    }
    std::vector<int> messages = MessageEntries;
    for (int n : FurtherMessageEntries()) messages.push_back(n);
    for (int n : messages) EXPECT_EQ(f.MessageText(n), LoadResString(base + n)) << "message " << n;
    EXPECT_EQ(f.MessageTexts.size(), messages.size());
    EXPECT_EQ(f.cboCompression.List(),
              (std::vector<std::string>{LoadResString(base + 31), LoadResString(base + 32), LoadResString(base + 33)}));
}

TEST(Language, MenusSwitchEveryTextAndKeepTheCompressionChoice) {
    test::TestWindow w;
    frmMain& f = w.f;
    f.mnuNederlands.UserClick();
    ExpectLanguage(f, DutchBase);
    EXPECT_TRUE(f.mnuNederlands.Checked() && !f.mnuEnglish.Checked());
    EXPECT_EQ(f.cboCompression.ListIndex(), -1);  // none selected stays none

    f.cboCompression.UserPick(1);
    f.mnuEnglish.UserClick();
    ExpectLanguage(f, EnglishBase);
    EXPECT_TRUE(f.mnuEnglish.Checked() && !f.mnuNederlands.Checked());
    EXPECT_EQ(f.cboCompression.ListIndex(), 1);
    EXPECT_EQ(f.cboCompression.Text(), LoadResString(EnglishBase + 32));
}

TEST(Language, AnyOtherNumberRaisesBeforeAnythingChanges) {
    test::TestWindow w;
    ApplyLanguage(w.f, 1);
    w.f.cboCompression.UserPick(2);
    EXPECT_THROW(ApplyLanguage(w.f, 2), RuntimeError);
    ExpectLanguage(w.f, DutchBase);
    EXPECT_EQ(w.f.cboCompression.ListIndex(), 2);
}

// The job reads its texts when it shows them: a switch while the archiver runs makes the PAR2
// stage's status, the closing box and the final status Dutch.
TEST(Language, SwitchDuringAJobAffectsTheLaterTexts) {
    test::TestWindow w;
    frmMain& f = w.f;
    test::TempDir dir;
    const std::string source = dir.WriteFile("data.bin", 250000);
    w.PrepareForJob();
    f.cboFormat.SetListIndex(0);
    f.cboSplitSize.SetText("100000");
    f.OptPars[0].SetValue(true);
    f.cboRedundancy.SetListIndex(1);
    f.chkCalculateEff.SetValue(0);
    f.txtInput.SetText(source);
    f.txtOutput.SetText(dir.path() + "/");
    f.txtArchiveName.SetText("data.rar");

    std::string rarStatus, par2Status;
    w.desktop.When([&] { return f.RarStage && f.lblStatus.Caption().rfind("Status: Rarring", 0) == 0; },
                   [&] {
                       rarStatus = f.lblStatus.Caption();
                       f.mnuNederlands.UserClick();
                   });
    w.desktop.When([&] { return f.JobRunning && !f.RarStage; }, [&] { par2Status = f.lblStatus.Caption(); });
    f.cmdProcess.UserClick();

    EXPECT_EQ(rarStatus, "Status: Rarring... " + source);
    EXPECT_EQ(par2Status, "Status: Parren... " + source);
    ASSERT_FALSE(w.desktop.boxes.empty());
    EXPECT_EQ(w.desktop.boxes.back().text, "Klaar!");
    EXPECT_EQ(f.lblStatus.Caption(), "Status: Klaar!");
}

}  // namespace
}  // namespace kelvora
