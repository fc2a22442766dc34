#include <gtest/gtest.h>

#include <set>

#include "common/Version.h"
#include "TestWindow.h"

using namespace kelvora;
using kelvora::test::TestWindow;

TEST(MainWindowModel, ControlsHaveTheirDesignTextsListsAndStates) {
    TestWindow w(false);
    frmMain& f = w.f;
    EXPECT_EQ(f.Me.Caption(), "Kelvora");
    EXPECT_EQ(f.Frame1.Caption(), "Input / Output Options");
    EXPECT_EQ(f.Frame2.Caption(), "Rar Options");
    EXPECT_EQ(f.Frame3.Caption(), "Par2 Options");
    EXPECT_EQ(f.lblStatus.Caption(), "Status: ---");
    EXPECT_EQ(f.cmdProcess.Caption(), "Start");
    EXPECT_EQ(f.chkSaveSelected.Value(), 0);
    EXPECT_EQ(f.Label[0].Caption(), "File / Folder:");
    EXPECT_EQ(f.Label[8].Caption(), "Max. Blocks:");
    EXPECT_EQ(f.txtArchiveName.MaxLength(), 250);
    EXPECT_EQ(f.txtRecoveryBlocks.MaxLength(), 5);
    EXPECT_EQ(f.txtMaxBlocks.MaxLength(), 5);
    EXPECT_TRUE(f.optMaskStyle[0].Value());
    EXPECT_FALSE(f.optMaskStyle[0].Enabled());
    EXPECT_FALSE(f.optMaskStyle[1].Enabled());
    EXPECT_FALSE(f.chkSeparately.Enabled());
    EXPECT_EQ(f.chkCalculateEff.Value(), 1);
    EXPECT_EQ(f.chkCalculateEff.Caption(), "Calculate most efficient Rar size for Par2 (Recommended!)");
    EXPECT_EQ(f.txtBlockSize.Text(), "384000");
    EXPECT_EQ(f.txtEstimatedSize.Text(), "0");
    EXPECT_EQ(f.txtMaxBlocks.Text(), "0");
    EXPECT_EQ(f.txtRecoveryBlocks.Text(), "1");
    EXPECT_EQ(f.ScrollRecoveryBlocks.Min(), 1);
    EXPECT_EQ(f.ScrollRecoveryBlocks.Max(), 1);
    EXPECT_EQ(f.ScrollRecoveryBlocks.Value(), 1);
    EXPECT_EQ(f.OptPars.Selected(), -1);
    EXPECT_EQ(f.cboFormat.List(), (std::vector<std::string>{"Bytes", "MegaBytes"}));
    EXPECT_EQ(f.cboCompression.List(), (std::vector<std::string>{"None", "Normal", "High"}));
    EXPECT_EQ(f.cboLines.ListCount(), 8);
    EXPECT_EQ(f.cboLines.List().back(), "5000");
    ASSERT_EQ(f.cboRedundancy.ListCount(), 20);
    EXPECT_EQ(f.cboRedundancy.List()[1], "10");
    EXPECT_EQ(f.cboRedundancy.List()[19], "100");
    EXPECT_EQ(f.cboRecoveryFiles.List()[9], "10");
    EXPECT_TRUE(f.cboSplitSize.List().empty());
    EXPECT_EQ(f.cboSplitSize.GetStyle(), ComboBox::Style::Editable);
    EXPECT_FALSE(f.JobRunning);
    EXPECT_FALSE(f.SeparateItems.has_value());
}

TEST(MainWindowModel, MenusInOrderWithLeadingBlanks) {
    TestWindow w(false);
    frmMain& f = w.f;
    std::vector<std::string> titles, items;
    for (MenuItem* m : f.Menus()) {
        titles.push_back(m->Caption());
        for (MenuItem* i : m->items) items.push_back(i->Caption());
    }
    EXPECT_EQ(titles, (std::vector<std::string>{"File", "Help", "Language"}));
    EXPECT_EQ(items, (std::vector<std::string>{" Exit", " Help", "-", " About...", " English", "-", " Nederlands"}));
}

TEST(MainWindowModel, EveryControlHasAUniqueNameAndLiesInsideItsContainer) {
    TestWindow w(false);
    std::set<std::string> names;
    for (Control* c : w.f.AllControls()) {
        EXPECT_TRUE(names.insert(c->Name()).second) << c->Name();
        EXPECT_EQ(w.f.FindControl(c->Name()), c);
        Control* parent = c->Container();
        if (!parent || dynamic_cast<MenuItem*>(c)) continue;
        const auto& b = c->Bounds();
        const auto& p = parent->Bounds();
        EXPECT_GE(b.left, 0) << c->Name();
        EXPECT_LE(b.left + b.width, p.width) << c->Name();
        EXPECT_LE(b.top + b.height, p.height) << c->Name();
    }
    EXPECT_NE(w.f.FindControl("OptPars(2)"), nullptr);
    EXPECT_NE(w.f.FindControl("Label(8)"), nullptr);
    EXPECT_EQ(VersionedTitle(), "Kelvora v1.0.0");
}
