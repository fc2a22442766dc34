#include <gtest/gtest.h>

#include <map>
#include <memory>
#include <string>
#include <vector>

#include "app/Wiring.h"
#include "common/RuntimeError.h"
#include "job/JobControl.h"
#include "prefs/Language.h"
#include "resources/StringTable.h"
#include "runner/DOSOutputs.h"
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
const std::vector<int> MessageEntries = {35, 36, 37, 38, 39, 40, 41, 42, 43, 44,
                                         45, 46, 47, 48, 50, 51, 54, 55};

std::string CaptionOf(frmMain& f, const std::string& name) {
    auto* c = dynamic_cast<CaptionedControl*>(f.FindControl(name));
    EXPECT_NE(c, nullptr) << name;
    return c ? c->Caption() : "";
}

// Everything a language switch may touch, for before/after comparisons.
std::map<std::string, std::string> Texts(frmMain& f) {
    std::map<std::string, std::string> texts;
    for (Control* c : f.AllControls())
        if (auto* cc = dynamic_cast<CaptionedControl*>(c)) texts[c->Name()] = cc->Caption();
    for (const auto& [n, text] : f.MessageTexts) texts["message " + std::to_string(n)] = text;
    for (int i = 0; i < f.cboCompression.ListCount(); ++i)
        texts["compression " + std::to_string(i)] = f.cboCompression.List()[i];
    texts["compression index"] = std::to_string(f.cboCompression.ListIndex());
    return texts;
}

void ExpectLanguage(frmMain& f, int base) {
    for (const auto& [n, name] : CaptionEntries) EXPECT_EQ(CaptionOf(f, name), LoadResString(base + n)) << name;
    for (int n : MessageEntries) EXPECT_EQ(f.MessageText(n), LoadResString(base + n)) << "message " << n;
    EXPECT_EQ(f.MessageTexts.size(), MessageEntries.size());
    EXPECT_EQ(f.cboCompression.List(),
              (std::vector<std::string>{LoadResString(base + 31), LoadResString(base + 32), LoadResString(base + 33)}));
}

TEST(Language, EveryCaptionAndMessageInBothLanguages) {
    test::TestWindow w;
    frmMain& f = w.f;
    const auto design = Texts(f);

    ApplyLanguage(f, 1);
    ExpectLanguage(f, DutchBase);
    ApplyLanguage(f, 0);
    ExpectLanguage(f, EnglishBase);
    ApplyLanguage(f, 1);
    ApplyLanguage(f, 1);  // again: the same result, no doubled list
    ExpectLanguage(f, DutchBase);

    // A few texts as the user reads them.
    EXPECT_EQ(f.cmdBrowseFile.Caption(), "...");
    EXPECT_EQ(f.mnuAbout.Caption(), " Informatie");
    EXPECT_EQ(f.mnuExit.Caption(), " Sluiten");
    EXPECT_EQ(f.Label[6].Caption(), "Blokgrootte:");
    EXPECT_EQ(f.MessageText(35), "Alleen nummers zijn toegestaan. ");

    // Controls outside the table keep their design captions in Dutch.
    std::map<std::string, bool> mapped;
    for (const auto& [n, name] : CaptionEntries) mapped[name] = true;
    const auto dutch = Texts(f);
    for (const auto& [name, text] : design) {
        if (name.rfind("message ", 0) != 0 && name.rfind("compression", 0) != 0 && !mapped.count(name)) {
            EXPECT_EQ(dutch.at(name), text) << name;
        }
    }
    EXPECT_EQ(f.mnuEnglish.Caption(), " English");
    EXPECT_EQ(f.mnuNederlands.Caption(), " Nederlands");
    EXPECT_EQ(f.cmdProcess.Caption(), "Start");
    EXPECT_EQ(f.lblStatus.Caption(), "Status: ---");
}

TEST(Language, CompressionChoiceKeptByPosition) {
    test::TestWindow w;
    frmMain& f = w.f;
    ApplyLanguage(f, 0);
    EXPECT_EQ(f.cboCompression.ListIndex(), -1);
    ApplyLanguage(f, 1);
    EXPECT_EQ(f.cboCompression.ListIndex(), -1);  // none selected stays none
    EXPECT_EQ(f.cboCompression.Text(), "");

    f.cboCompression.UserPick(1);
    ApplyLanguage(f, 1);
    EXPECT_EQ(f.cboCompression.Text(), "Normaal");
    ApplyLanguage(f, 0);
    EXPECT_EQ(f.cboCompression.ListIndex(), 1);
    EXPECT_EQ(f.cboCompression.Text(), "Normal");
    f.cboCompression.UserPick(2);
    ApplyLanguage(f, 1);
    EXPECT_EQ(f.cboCompression.Text(), "Hoog");
}

TEST(Language, AnyOtherNumberRaisesBeforeAnythingChanges) {
    test::TestWindow w;
    frmMain& f = w.f;
    f.cboCompression.UserPick(2);
    const auto design = Texts(f);
    for (int16_t language : {int16_t{2}, int16_t{-1}}) {
        try {
            ApplyLanguage(f, language);
            ADD_FAILURE() << "language " << language << " was accepted";
        } catch (const RuntimeError& e) {
            EXPECT_EQ(e.Number(), Err::ResourceNotFound);
        }
        EXPECT_EQ(Texts(f), design);
    }
    // The same after a language is in effect.
    ApplyLanguage(f, 1);
    const auto dutch = Texts(f);
    EXPECT_THROW(ApplyLanguage(f, 2), RuntimeError);
    EXPECT_EQ(Texts(f), dutch);
}

TEST(Language, MenuItemsSwitchAndCheck) {
    test::TestWindow w;
    frmMain& f = w.f;
    ApplyLanguage(f, 0);
    f.mnuNederlands.UserClick();
    EXPECT_TRUE(f.mnuNederlands.Checked());
    EXPECT_FALSE(f.mnuEnglish.Checked());
    ExpectLanguage(f, DutchBase);
    f.mnuEnglish.UserClick();
    EXPECT_TRUE(f.mnuEnglish.Checked());
    EXPECT_FALSE(f.mnuNederlands.Checked());
    ExpectLanguage(f, EnglishBase);
}

// The job reads its texts when it shows them: a switch while the archiver runs makes the PAR2
// stage's status, the closing box and the final status Dutch.
TEST(Language, SwitchDuringAJobAffectsTheLaterTexts) {
    test::TestWindow w;
    frmMain& f = w.f;
    test::TempDir dir;
    const std::string source = dir.WriteFile("data.bin", 250000);
    dir.MakeFolder("out");
    ApplyLanguage(f, 0);
    f.cboFormat.SetListIndex(0);
    f.cboLines.SetListIndex(3);
    f.OptPars[0].SetValue(true);
    f.cboRedundancy.SetListIndex(1);
    f.objDOS = std::make_unique<DOSOutputs>(w.desktop);
    WireRunner(f);
    f.txtInput.SetText(source);
    f.txtOutput.SetText(dir / "out/");
    f.txtArchiveName.SetText("data.rar");
    f.chkCalculateEff.SetValue(0);
    f.cboSplitSize.SetText("100000");

    std::string rarStatus, par2Status, par2Label;
    w.desktop.When([&] { return f.RarStage && f.lblStatus.Caption().rfind("Status: Rarring", 0) == 0; },
                   [&] {
                       rarStatus = f.lblStatus.Caption();
                       f.mnuNederlands.UserClick();
                   });
    w.desktop.When([&] { return f.JobRunning && !f.RarStage; },
                   [&] {
                       par2Status = f.lblStatus.Caption();
                       par2Label = f.Label[6].Caption();
                   });
    f.cmdProcess.UserClick();

    EXPECT_EQ(rarStatus, "Status: Rarring... " + source);
    EXPECT_EQ(par2Status, "Status: Parren... " + source);
    EXPECT_EQ(par2Label, "Blokgrootte:");
    ASSERT_FALSE(w.desktop.boxes.empty());
    EXPECT_EQ(w.desktop.boxes.back().text, "Klaar!");
    EXPECT_EQ(f.lblStatus.Caption(), "Status: Klaar!");
}

}  // namespace
}  // namespace kelvora
