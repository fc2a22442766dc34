#include <gtest/gtest.h>

#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>
#include <QRadioButton>
#include <QScrollBar>
#include <algorithm>
#include <memory>

#include "GuiTest.h"
#include "TestWindow.h"
#include "app/Menus.h"
#include "app/frmMain.h"
#include "gui/MainWindow.h"
#include "prefs/Language.h"
#include "runner/ToolOutput.h"

namespace kelvora::test {
namespace {

class MainWindowTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() { GuiApp(); }

    void SetUp() override { window = std::make_unique<MainWindow>(tw.f); }

    template <typename W>
    W* View(const std::string& name) {
        return window->findChild<W*>(QString::fromStdString(name));
    }
    template <typename W>
    W* View(const Control& control) {
        return View<W>(control.Name());
    }

    TestWindow tw;
    frmMain& f = tw.f;
    std::unique_ptr<MainWindow> window;
};

QString Q(const std::string& s) { return QString::fromStdString(s); }

// The text a widget shows for its control, whatever the kind.
QString ShownText(QWidget* w) {
    if (auto* x = qobject_cast<QLabel*>(w)) return x->text();
    if (auto* x = qobject_cast<QGroupBox*>(w)) return x->title();
    if (auto* x = qobject_cast<QAbstractButton*>(w)) return x->text();
    if (auto* x = qobject_cast<QLineEdit*>(w)) return x->text();
    if (auto* x = qobject_cast<QComboBox*>(w)) return x->currentText();
    return {};
}

std::string ModelText(Control* c) {
    if (auto* x = dynamic_cast<CaptionedControl*>(c)) return x->Caption();
    if (auto* x = dynamic_cast<TextBox*>(c)) return x->Text();
    if (auto* x = dynamic_cast<ComboBox*>(c)) return x->Text();
    return {};
}

TEST_F(MainWindowTest, EveryControlHasItsWidgetWithItsTextAndState) {
    int checked = 0;
    for (Control* c : f.AllControls()) {
        if (c == &f.Me || dynamic_cast<MenuItem*>(c)) continue;
        QWidget* w = View<QWidget>(*c);
        ASSERT_NE(w, nullptr) << c->Name();
        EXPECT_EQ(w, window->ViewOf(*c)) << c->Name();
        EXPECT_EQ(ShownText(w), Q(ModelText(c))) << c->Name();
        EXPECT_EQ(w->isEnabled(), c->EffectivelyEnabled()) << c->Name();
        ++checked;
    }
    EXPECT_EQ(checked, 49);  // 3 frames, 3 panels, status, progress, Start, save box, 30 inside, 9 labels
    EXPECT_EQ(View<QLabel>("Label(6)")->text(), "Block Size:");
    EXPECT_TRUE(View<QRadioButton>("optMaskStyle(0)")->isChecked());
    EXPECT_FALSE(View<QRadioButton>("optMaskStyle(0)")->isEnabled());
    EXPECT_FALSE(View<QCheckBox>("chkSeparately")->isEnabled());
    EXPECT_EQ(View<QCheckBox>("chkCalculateEff")->checkState(), Qt::Checked);
    EXPECT_EQ(View<QComboBox>("cboRedundancy")->count(), 20);
    EXPECT_TRUE(View<QComboBox>("cboSplitSize")->isEditable());
    EXPECT_FALSE(View<QComboBox>("cboLines")->isEditable());
    EXPECT_EQ(View<QLineEdit>("txtArchiveName")->maxLength(), 250);
    EXPECT_EQ(View<QLineEdit>("txtMaxBlocks")->maxLength(), 5);
    for (const char* locked : {"txtInput", "txtOutput", "txtBlockSize", "txtEstimatedSize", "txtMaxBlocks"})
        EXPECT_TRUE(View<QLineEdit>(locked)->isReadOnly()) << locked;
    EXPECT_FALSE(View<QLineEdit>("txtArchiveName")->isReadOnly());

    // Controls sit in the containers of the model.
    EXPECT_EQ(View<QWidget>("Picture3")->parentWidget(), View<QGroupBox>("Frame3"));
    EXPECT_EQ(View<QWidget>("OptPars(2)")->parentWidget(), View<QWidget>("Picture3"));
    EXPECT_EQ(View<QWidget>("txtArchiveName")->parentWidget(), View<QWidget>("Picture1"));
}

TEST_F(MainWindowTest, WindowHasTheModelsFixedClientAreaAndCaption) {
    QWidget* client = window->centralWidget();
    EXPECT_EQ(client->size(), QSize(window->ToPixels(8175), window->ToPixels(6555)));
    EXPECT_EQ(window->ToPixels(1500), qRound(1500 * window->screen()->logicalDotsPerInch() / 1440.0));
    EXPECT_EQ(window->minimumSize(), window->maximumSize());
    EXPECT_EQ(window->windowTitle(), "Kelvora");
    f.Me.SetCaption("Kelvora v1.0.0");
    EXPECT_EQ(window->windowTitle(), "Kelvora v1.0.0");
    EXPECT_FALSE(window->windowIcon().isNull());
    EXPECT_EQ(View<QWidget>("PicPB")->geometry(),
              QRect(window->ToPixels(120), window->ToPixels(5760), window->ToPixels(7935), window->ToPixels(255)));
}

// Nothing overlaps, nothing sticks out of its container, and no caption is cut off, in both
// languages.
TEST_F(MainWindowTest, LayoutKeepsEveryControlInsideItsFrameWithRoomForItsCaption) {
    auto check = [&](const char* language) {
        std::vector<std::pair<Control*, QWidget*>> views;
        for (Control* c : f.AllControls())
            if (QWidget* w = window->ViewOf(*c)) views.emplace_back(c, w);
        for (auto& [c, w] : views) {
            const QRect inParent(QPoint(0, 0), w->parentWidget()->size());
            EXPECT_TRUE(inParent.contains(w->geometry())) << language << " " << c->Name();
            for (auto& [other, ow] : views) {
                if (other != c && ow->parentWidget() == w->parentWidget()) {
                    EXPECT_FALSE(w->geometry().intersects(ow->geometry()))
                        << language << " " << c->Name() << " overlaps " << other->Name();
                }
            }

            const QFontMetrics fm(w->font());
            if (qobject_cast<QCheckBox*>(w) || qobject_cast<QRadioButton*>(w) || qobject_cast<QLabel*>(w)) {
                EXPECT_LE(w->sizeHint().width(), w->width()) << language << " " << c->Name();
            }
            if (auto* b = qobject_cast<QPushButton*>(w)) {
                EXPECT_LE(fm.horizontalAdvance(b->text()) + 8, b->width()) << language << " " << c->Name();
            }
            if (auto* g = qobject_cast<QGroupBox*>(w)) {
                EXPECT_LE(fm.horizontalAdvance(g->title()) + 16, g->width()) << language << " " << c->Name();
            }
            if (auto* box = qobject_cast<QComboBox*>(w)) {
                int widest = 0;
                for (int i = 0; i < box->count(); ++i) widest = std::max(widest, fm.horizontalAdvance(box->itemText(i)));
                EXPECT_LE(widest + 28, box->width()) << language << " " << c->Name();
            }
        }
    };
    ApplyLanguage(f, 0);
    check("English");
    ApplyLanguage(f, 1);
    EXPECT_EQ(View<QGroupBox>("Frame1")->title(), "Invoer / Uitvoer Opties");
    check("Dutch");
}

TEST_F(MainWindowTest, MenusShowTheModelsItemsWithPicturesAndNoCheckMark) {
    QMenuBar* bar = window->menuBar();
    ASSERT_EQ(bar->actions().size(), 3);
    const char* titles[] = {"mnuFile", "mnuH", "mnuLanguage"};
    for (int i = 0; i < 3; ++i) EXPECT_EQ(bar->actions()[i]->menu()->objectName(), titles[i]);

    QMenu* help = View<QMenu>("mnuH");
    ASSERT_EQ(help->actions().size(), 3);
    EXPECT_EQ(help->actions()[0]->text(), " Help");
    EXPECT_TRUE(help->actions()[1]->isSeparator());
    EXPECT_EQ(help->actions()[1]->objectName(), "mnuLine4");
    EXPECT_EQ(help->actions()[2]->text(), " About...");
    EXPECT_TRUE(View<QAction>("mnuLine3")->isSeparator());

    LoadMenuBitmaps(f);
    for (const char* item : {"mnuExit", "mnuHelp", "mnuAbout", "mnuEnglish", "mnuNederlands"}) {
        QAction* action = View<QAction>(item);
        ASSERT_NE(action, nullptr) << item;
        EXPECT_FALSE(action->icon().isNull()) << item;
        EXPECT_EQ(action->icon().availableSizes().value(0), QSize(13, 13)) << item;
    }
    f.mnuNederlands.SetChecked(true);
    EXPECT_FALSE(View<QAction>("mnuNederlands")->isCheckable());
    EXPECT_FALSE(View<QAction>("mnuNederlands")->isChecked());

    // A language switch renames the items; the pictures stay beside the same ones.
    ApplyLanguage(f, 1);
    EXPECT_EQ(View<QAction>("mnuExit")->text(), " Sluiten");
    EXPECT_EQ(View<QMenu>("mnuFile")->title(), "Bestand");
    EXPECT_FALSE(View<QAction>("mnuExit")->icon().isNull());

    // A click on an item is the model's click.
    int clicks = 0;
    f.mnuAbout.Click = [&] { ++clicks; };
    View<QAction>("mnuAbout")->trigger();
    EXPECT_EQ(clicks, 1);
}

TEST_F(MainWindowTest, DisabledFramesAndMenusDisableWhatTheyHoldButNotTheirOwnState) {
    DisableControls(f);
    EXPECT_FALSE(View<QGroupBox>("Frame2")->isEnabled());
    EXPECT_FALSE(View<QCheckBox>("chkPause")->isEnabled());
    EXPECT_TRUE(f.chkPause.Enabled());
    EXPECT_FALSE(View<QMenu>("mnuFile")->menuAction()->isEnabled());
    EXPECT_FALSE(View<QAction>("mnuExit")->isEnabled());
    EXPECT_FALSE(View<QAction>("mnuAbout")->isEnabled());
    EXPECT_TRUE(View<QAction>("mnuNederlands")->isEnabled());
    EXPECT_TRUE(View<QPushButton>("cmdProcess")->isEnabled());

    int clicks = 0;
    f.mnuExit.Click = [&] { ++clicks; };
    View<QAction>("mnuExit")->trigger();  // a disabled item does nothing, even if triggered
    EXPECT_EQ(clicks, 0);

    EnableControls(f);
    EXPECT_TRUE(View<QCheckBox>("chkPause")->isEnabled());
    EXPECT_TRUE(View<QAction>("mnuExit")->isEnabled());
    EXPECT_FALSE(View<QCheckBox>("chkSeparately")->isEnabled());  // its own state stays off
}

TEST_F(MainWindowTest, TextBoxFollowsTheModelAndTypingGoesThroughItsKeyFilter) {
    auto* edit = View<QLineEdit>(f.txtArchiveName);
    f.txtArchiveName.SetText("movie.rar");
    EXPECT_EQ(edit->text(), "movie.rar");

    // The view's own contract, with reactions of the test's making: 'x' swallowed, 'a' turned
    // into 'b', and a Change that empties any text holding a ':'.
    TestWindow bare(false);
    MainWindow view(bare.f);
    TextBox& box = bare.f.txtArchiveName;
    std::vector<int> seen;
    box.KeyPress = [&](int& key) {
        seen.push_back(key);
        if (key == 'x') key = 0;
        if (key == 'a') key = 'b';
    };
    int changes = 0;
    box.Change = [&] {
        ++changes;
        if (box.Text().find(':') != std::string::npos) box.SetText("");
    };
    auto* field = view.findChild<QLineEdit*>("txtArchiveName");
    Type(field, "xa1\b2");
    EXPECT_EQ(seen, (std::vector<int>{'x', 'a', '1', 8, '2'}));
    EXPECT_EQ(box.Text(), "b2");
    EXPECT_EQ(field->text(), "b2");
    EXPECT_EQ(changes, 4);  // b, b1, b, b2

    field->insert("a:b");  // a paste: no key filter, the Change decides
    EXPECT_EQ(box.Text(), "");
    EXPECT_EQ(field->text(), "");

    // The limit is the user's: a longer name written by the program is shown whole.
    const std::string longName(260, 'n');
    box.SetText(longName);
    EXPECT_EQ(field->text().size(), 260);
    box.SetText("");
    Type(field, QString(251, 'k'));
    EXPECT_EQ(box.Text().size(), 250u);
}

TEST_F(MainWindowTest, TypingInTheSplitSizeUsesTheWindowsOwnFilter) {
    f.cboFormat.SetListIndex(1);  // MegaBytes: digits only, at most three
    auto* combo = View<QComboBox>(f.cboSplitSize);
    Type(combo, "2a5x09");  // keys reach the combo box, which hands them to its text field
    EXPECT_EQ(f.cboSplitSize.Text(), "250");
    EXPECT_EQ(combo->currentText(), "250");
    EXPECT_TRUE(tw.desktop.boxes.empty());
}

TEST_F(MainWindowTest, ListPicksAreClicksOfTheModel) {
    auto* lines = View<QComboBox>(f.cboLines);
    f.cboLines.SetListIndex(0);
    EXPECT_EQ(lines->currentText(), "1500");
    EXPECT_EQ(View<QLineEdit>(f.txtBlockSize)->text(), Q(f.txtBlockSize.Text()));
    const std::string before = f.txtBlockSize.Text();

    PressKey(lines, Qt::Key_Down);  // the user picks the next entry
    EXPECT_EQ(f.cboLines.ListIndex(), 1);
    EXPECT_EQ(f.cboLines.Text(), "2000");
    EXPECT_NE(f.txtBlockSize.Text(), before);  // the Click reaction ran
    EXPECT_EQ(View<QLineEdit>(f.txtBlockSize)->text(), Q(f.txtBlockSize.Text()));

    // The model's list replaces the widget's.
    f.cboFormat.SetListIndex(0);
    auto* split = View<QComboBox>(f.cboSplitSize);
    EXPECT_EQ(split->count(), f.cboSplitSize.ListCount());
    EXPECT_GT(split->count(), 0);
    EXPECT_EQ(split->currentIndex(), -1);
    EXPECT_EQ(split->currentText(), "");
}

TEST_F(MainWindowTest, CheckBoxesAndOptionButtonsFollowTheModelBothWays) {
    TestWindow bare(false);
    MainWindow view(bare.f);
    int clicks = 0;
    bare.f.chkPause.Click = [&] { ++clicks; };
    auto* pause = view.findChild<QCheckBox*>("chkPause");
    pause->click();
    EXPECT_EQ(bare.f.chkPause.Value(), 1);
    EXPECT_EQ(clicks, 1);
    bare.f.chkPause.SetValue(0);
    EXPECT_EQ(pause->checkState(), Qt::Unchecked);
    bare.f.chkPause.SetValue(2);
    EXPECT_EQ(pause->checkState(), Qt::PartiallyChecked);

    std::vector<int> picked;
    bare.f.OptPars.Click = [&](int index) { picked.push_back(index); };
    auto* blocks = view.findChild<QRadioButton*>("OptPars(1)");
    auto* files = view.findChild<QRadioButton*>("OptPars(2)");
    blocks->click();
    files->click();
    files->click();  // the selected one stays selected and runs nothing
    EXPECT_EQ(picked, (std::vector<int>{1, 2}));
    EXPECT_FALSE(blocks->isChecked());
    EXPECT_TRUE(files->isChecked());
    bare.f.OptPars[0].SetValue(true);
    EXPECT_TRUE(view.findChild<QRadioButton*>("OptPars(0)")->isChecked());
    EXPECT_FALSE(files->isChecked());
}

TEST_F(MainWindowTest, ScrollBarUpArrowRaisesTheCountWhenItsTopIsTheMaximum) {
    f.OptPars[1].SetValue(true);
    f.txtMaxBlocks.SetText("500");
    f.ScrollRecoveryBlocks.SetMax(1);
    f.ScrollRecoveryBlocks.SetMin(500);
    f.ScrollRecoveryBlocks.SetValue(3);
    auto* bar = View<QScrollBar>(f.ScrollRecoveryBlocks);
    ASSERT_TRUE(bar->isEnabled());

    bar->triggerAction(QAbstractSlider::SliderSingleStepSub);  // the up arrow
    EXPECT_EQ(f.ScrollRecoveryBlocks.Value(), 4);
    EXPECT_EQ(f.txtRecoveryBlocks.Text(), "4");
    EXPECT_EQ(View<QLineEdit>(f.txtRecoveryBlocks)->text(), "4");
    bar->triggerAction(QAbstractSlider::SliderToMinimum);  // dragged to the top
    EXPECT_EQ(f.ScrollRecoveryBlocks.Value(), 500);
    bar->triggerAction(QAbstractSlider::SliderSingleStepAdd);  // the down arrow
    EXPECT_EQ(f.ScrollRecoveryBlocks.Value(), 499);

    // A model whose Min is the smaller end maps straight.
    f.ScrollRecoveryBlocks.SetMin(1);
    f.ScrollRecoveryBlocks.SetMax(10);
    f.ScrollRecoveryBlocks.SetValue(5);
    bar->triggerAction(QAbstractSlider::SliderSingleStepSub);
    EXPECT_EQ(f.ScrollRecoveryBlocks.Value(), 4);
}

TEST_F(MainWindowTest, LabelsNameTheirFieldsAndTabGoesTopToBottom) {
    const std::pair<int, const char*> buddies[] = {
        {0, "txtInput"}, {1, "txtOutput"},    {2, "txtArchiveName"},   {3, "cboSplitSize"}, {4, "cboCompression"},
        {5, "cboLines"}, {6, "txtBlockSize"}, {7, "txtEstimatedSize"}, {8, "txtMaxBlocks"}};
    for (auto& [index, field] : buddies) {
        QLabel* label = View<QLabel>(f.Label[index]);
        ASSERT_NE(label->buddy(), nullptr) << index;
        EXPECT_EQ(label->buddy()->objectName(), field) << index;
    }
    EXPECT_EQ(View<QWidget>("cboRedundancy")->accessibleName(), "Redundancy (%):");

    // Walk the focus chain from the first field: every usable control comes once, in rows from
    // the top of the window down.
    window->show();
    QWidget* first = View<QWidget>("txtInput");
    std::vector<QWidget*> order;
    QWidget* w = first;
    do {
        if (w->focusPolicy() & Qt::TabFocus && window->isAncestorOf(w) && w->objectName().size() > 0 &&
            !w->objectName().startsWith("qt_"))
            order.push_back(w);
        w = w->nextInFocusChain();
    } while (w != first && order.size() < 200);
    std::vector<std::string> names;
    for (QWidget* x : order) names.push_back(x->objectName().toStdString());
    auto position = [&](const std::string& name) { return std::find(names.begin(), names.end(), name) - names.begin(); };
    EXPECT_LT(position("txtInput"), position("cmdBrowseFile"));
    EXPECT_LT(position("cmdBrowseFolder"), position("txtOutput"));
    EXPECT_LT(position("txtArchiveName"), position("chkMaskName"));
    EXPECT_LT(position("chkSeparately"), position("cboSplitSize"));
    EXPECT_LT(position("chkCalculateEff"), position("cboLines"));
    EXPECT_LT(position("cboLines"), position("OptPars(0)"));
    EXPECT_LT(position("OptPars(0)"), position("cboRedundancy"));
    EXPECT_LT(position("cboRedundancy"), position("txtBlockSize"));
    EXPECT_LT(position("chkUniformSize"), position("cmdProcess"));
    EXPECT_LT(position("cmdProcess"), position("chkSaveSelected"));
    EXPECT_LT(position("chkSaveSelected"), static_cast<long>(names.size()));
    window->hide();
}

TEST_F(MainWindowTest, ClosingIsRefusedWhileAJobRuns) {
    window->show();
    f.JobRunning = true;
    EXPECT_FALSE(window->close());
    EXPECT_TRUE(window->isVisible());
    f.JobRunning = false;
    EXPECT_TRUE(window->close());
    EXPECT_FALSE(window->isVisible());
}

TEST_F(MainWindowTest, AnotherStartBringsTheWindowBack) {
    window->show();
    window->showMinimized();
    ASSERT_TRUE(WaitFor([&] { return window->isMinimized(); }));
    window->BringToFront();
    EXPECT_TRUE(WaitFor([&] { return !window->isMinimized() && window->isVisible(); }));
    window->hide();
}

}  // namespace
}  // namespace kelvora::test
