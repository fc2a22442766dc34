#include <gtest/gtest.h>

#include <QtWidgets>

#include "GuiTest.h"
#include "TestWindow.h"
#include "app/Menus.h"
#include "gui/MainWindow.h"
#include "gui/ProgressView.h"
#include "gui/QtDesktop.h"
#include "gui/Resources.h"

namespace kelvora::test {
namespace {

QString Q(const std::string& s) { return QString::fromStdString(s); }

std::string NameOf(QAccessibleInterface* a) { return a ? a->text(QAccessible::Name).toStdString() : "(none)"; }

// The text a combo box shows: its text field's, or its entry's.
std::string Shown(QComboBox* box) { return (box->isEditable() ? box->lineEdit()->text() : box->currentText()).toStdString(); }

// A control's value in a few words, from the model, and as its widget shows it.
std::string ValueOf(Control& c) {
    if (auto* x = dynamic_cast<CheckBox*>(&c)) return std::to_string(x->Value());
    if (auto* x = dynamic_cast<OptionButton*>(&c)) return std::to_string(x->Value());
    if (auto* x = dynamic_cast<TextBox*>(&c)) return x->Text();
    if (auto* x = dynamic_cast<ComboBox*>(&c)) return std::to_string(x->ListIndex()) + " " + x->Text();
    if (auto* x = dynamic_cast<VScrollBar*>(&c)) return std::to_string(x->Value());
    return {};
}
std::string ShownValue(QWidget* w, VScrollBar* bar) {
    if (auto* x = qobject_cast<QCheckBox*>(w)) return std::string(1, "021"[x->checkState()]);  // the model's 2 is greyed
    if (auto* x = qobject_cast<QRadioButton*>(w)) return x->isChecked() ? "1" : "0";
    if (auto* x = qobject_cast<QLineEdit*>(w)) return x->text().toStdString();
    if (auto* x = qobject_cast<QComboBox*>(w)) return std::to_string(x->currentIndex()) + " " + Shown(x);
    if (auto* x = qobject_cast<QScrollBar*>(w)) {
        const ScrollMapping map = ScrollMapping::Of(bar->Min(), bar->Max());
        return x->minimum() != map.qtMin || x->maximum() != map.qtMax ? "range differs" : std::to_string(map.FromQt(x->value()));
    }
    return {};
}
// Everything a control's widget must show: usable or not, the caption and the value.
std::string ModelState(Control& c) {
    auto* captioned = dynamic_cast<CaptionedControl*>(&c);
    return (c.EffectivelyEnabled() ? "" : "unusable ") + (captioned ? captioned->Caption() + " " : "") + ValueOf(c);
}
std::string ShownState(QWidget* w, Control& c) {
    const QString caption = w->property(qobject_cast<QGroupBox*>(w) ? "title" : "text").toString();  // a label's, a button's
    return (w->isEnabled() ? "" : "unusable ") + (dynamic_cast<CaptionedControl*>(&c) ? caption.toStdString() + " " : "") +
           ShownValue(w, dynamic_cast<VScrollBar*>(&c));
}

// What a test does to a control's widget: as a user ("type TEXT", "down": the Down key with the
// focus there, "click", "up": the scroll bar's up arrow), as the program ("model N": the option
// button's value set in the model), or as an accessibility client: an action its interface
// offers ("Press", "Toggle", "ShowMenu"), "value N" on its value interface, "insert OFFSET TEXT"
// or "set TEXT" on its editable text (a combo box's text field), "setChecked" (the other state
// set on the button from outside), or "pick" (Down and Return in the open list, as a screen
// reader user picks).
void Act(Control* c, QWidget* w, const std::string& action) {
    const QStringList words = Q(action).split(' ');
    const QString verb = words[0], text = words.mid(verb == "insert" ? 2 : 1).join(' ');
    const int n = words.value(1).toInt();
    auto* combo = qobject_cast<QComboBox*>(w);
    auto* a = QAccessible::queryAccessibleInterface(combo && (verb == "insert" || verb == "set") ? combo->lineEdit() : w);
    if (verb == "type") Type(w, text);
    else if (verb == "down") w->setFocus(), PressKey(w, Qt::Key_Down);
    else if (verb == "click") static_cast<QAbstractButton*>(w)->click();
    else if (verb == "up") static_cast<QScrollBar*>(w)->triggerAction(QAbstractSlider::SliderSingleStepSub);
    else if (verb == "model") static_cast<OptionButton*>(c)->SetValue(n != 0);
    else if (verb == "value") a->valueInterface()->setCurrentValue(n);
    else if (verb == "insert") a->editableTextInterface()->insertText(n, text);
    else if (verb == "set") a->setText(QAccessible::Value, text);
    else if (verb == "setChecked") static_cast<QAbstractButton*>(w)->setChecked(!static_cast<QAbstractButton*>(w)->isChecked());
    else if (verb == "pick") PressKey(combo->view(), Qt::Key_Down), PressKey(combo->view(), Qt::Key_Return);
    else a->actionInterface()->doAction(verb);
}

class MainWindowTest : public ::testing::Test {
protected:
    // The choices every test starts from: the percentage chosen, a scroll bar whose top end (the
    // model's Min) is the larger one, MegaBytes (at most three digits), a greyed check box; the
    // window shown and active, so keys go where they are sent.
    void SetUp() override {
        GuiApp(), window = std::make_unique<MainWindow>(f);
        ApplyLanguage(f, 0);
        f.cboFormat.SetListIndex(1);
        f.cboLines.SetListIndex(0);  // before the block counts, which its reaction sets
        f.OptPars[0].SetValue(true);
        f.txtMaxBlocks.SetText("500");
        f.ScrollRecoveryBlocks.SetMax(1);
        f.ScrollRecoveryBlocks.SetMin(500);
        f.ScrollRecoveryBlocks.SetValue(3);
        f.chkPause.SetValue(2);
        window->show();
        window->activateWindow();
        ASSERT_TRUE(WaitFor([&] { return window->isActiveWindow(); }));
    }

    template <typename W = QWidget> W* View(const std::string& name) { return window->findChild<W*>(Q(name)); }

    struct Row { const char* control; std::string action; std::function<std::string()> read; std::string expected; };
    // Does each row's action, waits for what it reads to come out as expected (a Press is a click
    // played out on screen first), then checks that every widget shows its control's state.
    void Play(const std::vector<Row>& rows) {
        for (const Row& row : rows) {
            Control* c = f.FindControl(row.control);
            QWidget* w = window->ViewOf(*c);
            const std::string at = std::string(row.control) + " " + row.action;
            if (QAccessibleInterface* a = QAccessible::queryAccessibleInterface(w)) {
                if (QAccessibleActionInterface* actions = a->actionInterface())
                    for (const QString& action : actions->actionNames()) offered[a->role()].insert(action);
                done[a->role()].insert(Q(row.action).section(' ', 0, 0));
            }
            Act(c, w, row.action);
            EXPECT_TRUE(WaitFor([&] { return row.read() == row.expected; }, 2000)) << at << ": " << row.read();
            for (Control* other : f.AllControls())
                if (QWidget* view = window->ViewOf(*other)) { EXPECT_EQ(ShownState(view, *other), ModelState(*other)) << at; }
        }
    }

    TestWindow tw;
    frmMain& f = tw.f;
    std::unique_ptr<MainWindow> window;
    QMap<QAccessible::Role, QSet<QString>> offered, done;  // the actions by role
    // What two tables read: the archive name with the warnings shown so far, the recovery blocks.
    std::function<std::string()> name = [&] { return ValueOf(f.txtArchiveName) + " " + std::to_string(tw.desktop.boxes.size()); },
                                 blocks = [&] { return ValueOf(f.ScrollRecoveryBlocks) + " " + ValueOf(f.txtRecoveryBlocks); };
};

// In either language every control has its widget, showing its caption, its value and whether
// it is usable as the model says; a field's label has it as its buddy, and every input's
// accessible name is the caption that names it (a label's, its leading option button's, or its
// own), but a list box's, which is its value as Qt has it on Linux (its role and labels, read
// over the bus, are the screen-reader test's). Nothing
// overlaps or sticks out of its container and no caption is cut off (Dutch ones are longer); the
// menus are named as the model says, show their pictures, never a check mark, and click the model.
TEST_F(MainWindowTest, EveryControlHasItsWidgetStateAccessibleNameAndRoomInBothLanguages) {
    const std::string unitName[] = {"Desired Split Size (Bytes / MegaBytes)", "Splitgrootte (Bytes / MegaBytes)"};
    // With an entry shown, as after start-up: Qt itself would name a list by that entry.
    for (ComboBox* box : {&f.cboFormat, &f.cboCompression, &f.cboLines, &f.cboRedundancy, &f.cboRecoveryFiles})
        box->SetListIndex(1);
    f.cboSplitSize.SetText("100");
    LoadMenuBitmaps(f);
    for (const char* item : {"mnuExit", "mnuHelp", "mnuAbout", "mnuEnglish", "mnuNederlands"})
        EXPECT_TRUE(View<QAction>(item) && !View<QAction>(item)->icon().isNull() && !View<QAction>(item)->isCheckable()) << item;
    View<QAction>("mnuAbout")->trigger();
    EXPECT_EQ(tw.desktop.aboutShown, 1);
    for (int16_t language : {0, 1}) {
        ApplyLanguage(f, language);
        if (language == 1) DisableControls(f);  // and the inputs locked, as during a job
        std::vector<QWidget*> views;
        for (Control* c : f.AllControls()) {
            if (c == &f.Me || dynamic_cast<MenuItem*>(c)) continue;
            QWidget* w = View(c->Name());
            ASSERT_TRUE(w && w == window->ViewOf(*c)) << c->Name();
            views.push_back(w);
            const std::string at = std::to_string(language) + " " + c->Name();
            EXPECT_EQ(ShownState(w, *c), ModelState(*c)) << at;
            if (InputRole(*c).first.empty()) continue;
            const std::string caption = CaptionFor(f, *c).Caption();
            // A field's label has it as its buddy (the unit list shares the split size's; the status line
            // only names the progress bar).
            auto* label = qobject_cast<QLabel*>(window->ViewOf(CaptionFor(f, *c)));
            if (label && c != &f.cboFormat && c != &f.PicPB) { EXPECT_EQ(label->buddy(), w) << at; }
            // Its role, labels and description as a screen reader hears them: the screen-reader test.
            QAccessibleInterface* a = QAccessible::queryAccessibleInterface(w);
            auto* combo = qobject_cast<QComboBox*>(w);
#ifdef Q_OS_UNIX
            EXPECT_EQ(NameOf(a), combo ? Shown(combo) : caption) << at;  // Qt names a list box by its value here
#else
            EXPECT_EQ(NameOf(a), c == &f.cboFormat ? unitName[language] : caption) << at;
#endif
            if (combo) { EXPECT_EQ(a->text(QAccessible::Value).toStdString(), Shown(combo)) << at; }
        }
        for (QWidget* w : views) {
            const std::string at = std::to_string(language) + " " + w->objectName().toStdString();
            EXPECT_TRUE(QRect(QPoint(0, 0), w->parentWidget()->size()).contains(w->geometry())) << at;
            for (QWidget* other : views)
                EXPECT_TRUE(other == w || other->parentWidget() != w->parentWidget() ||
                            !w->geometry().intersects(other->geometry())) << at << ", " << other->objectName().toStdString();
            // A push button's size hint has a style minimum; its text is what must fit.
            auto* push = qobject_cast<QPushButton*>(w);
            const int needed = push ? w->fontMetrics().horizontalAdvance(push->text()) + 8
                               : qobject_cast<QAbstractButton*>(w) || qobject_cast<QLabel*>(w) ? w->sizeHint().width() : 0;
            EXPECT_LE(needed, w->width()) << at;
        }
        // The menus: each title and item.
        for (const MenuItem* title : f.Menus()) {
            EXPECT_EQ(View<QMenu>(title->Name())->title().toStdString(), title->Caption());
            for (const MenuItem* item : title->items)
                if (!item->IsSeparator()) { EXPECT_EQ(View<QAction>(item->Name())->text().toStdString(), item->Caption()); }
        }
    }
    f.Me.SetCaption("Kelvora v1.0.0");
    EXPECT_EQ(window->windowTitle(), "Kelvora v1.0.0");
}

// The widgets go through the wired model as the user's own input does: typed keys through the
// key filter, clicks, picks and arrow keys, and whatever a screen reader or switch device does
// (every action each kind of control offers, a value set on the scroll bar, text edited through
// the editable-text interface, a button set checked from outside). After each the model holds
// the choice, or what its reaction made of it (refused, changed, another control changed with
// it), and every widget shows exactly its control's state (none selected and greyed included),
// as it shows what the program sets. Another start restores the window; closing is refused
// during a job.
TEST_F(MainWindowTest, WidgetsAndAccessibilityActionsGoThroughTheModelsReactions) {
    TempDir tmp;
    f.cboCompression.SetListIndex(1);
    f.chkSeparately.SetEnabled(true);
    tw.desktop.answers = {MsgAnswer::No};
    tw.desktop.folderResults = {tmp.path()};
    int clicks = 0;
    const auto wired = f.OptPars.Click;
    f.OptPars.Click = [&](int index) { ++clicks, wired(index); };
    auto options = [&] {  // the option chosen, the clicks, and which of the fields it leads its reaction made usable
        return std::to_string(f.OptPars.Selected()) + " " + std::to_string(clicks) + (f.cboRedundancy.Enabled() ? " %" : "") +
               (f.ScrollRecoveryBlocks.Enabled() ? " blocks" : "") + (f.cboRecoveryFiles.Enabled() ? " files" : "");
    };
    auto list = [&] { return (View<QComboBox>("cboSplitSize")->view()->isVisible() ? "open " : "") + ValueOf(f.cboSplitSize); };
    auto boxes = [&] { return std::to_string(tw.desktop.boxes.size()); };
    const std::string output = tmp.path() + Native("/"), entry = "1 " + f.cboSplitSize.List().at(1);
    Play({
        {"txtArchiveName", "type mo:v\bvie", name, "movie 1"},  // ':' is refused with a warning
        {"txtArchiveName", "insert 0 my", name, "mymovie 1"},
        {"txtArchiveName", "set a:b", name, " 2"},  // a forbidden character: warned, emptied
        {"chkPause", "click", [&] { return ValueOf(f.chkPause); }, "1"},  // greyed: a click checks it
        {"chkNoMainDir", "Toggle", [&] { return ValueOf(f.chkNoMainDir); }, "1"},
        {"chkSeparately", "Toggle", [&] { return ValueOf(f.chkSeparately) + " " + boxes(); }, "0 3"},  // its question answered No
        {"OptPars(1)", "click", options, "1 1 blocks"},
        {"OptPars(1)", "click", options, "1 1 blocks"},  // the selected one runs nothing when clicked again
        {"ScrollRecoveryBlocks", "up", blocks, "4 4"},  // the up arrow raises the count
        {"ScrollRecoveryBlocks", "value 7", blocks, "7 7"},
        {"txtRecoveryBlocks", "set 42", blocks, "42 42"},
        {"OptPars(1)", "down", options, "2 2 files"},  // the arrow keys move within the group and select
        {"OptPars(2)", "model 0", options, "-1 2 files"},  // none selected
        {"OptPars(2)", "Toggle", options, "2 3 files"},
        {"OptPars(0)", "setChecked", options, "0 4 %"},
        {"ScrollRecoveryBlocks", "value 9", blocks, "42 42"},  // not usable while the percentage is chosen
        {"optMaskStyle(1)", "setChecked", [&] { return ValueOf(f.optMaskStyle[0]); }, "1"},  // not usable
        {"cmdBrowseSave", "Press", [&] { return ValueOf(f.txtOutput); }, output},
        {"txtOutput", "set /elsewhere", [&] { return ValueOf(f.txtOutput); }, output},  // read-only
        // The user picks the next entry; its Click reaction sets the block size.
        {"cboLines", "down", [&] { return ValueOf(f.txtBlockSize); }, "256000"},
        {"cboSplitSize", "type 2a5x09", list, "-1 250"},  // digits, at most three
        {"cboSplitSize", "set 2500", list, "-1 "},  // too long for MegaBytes
        {"cboSplitSize", "ShowMenu", list, "open -1 "},
        {"cboSplitSize", "pick", list, entry},  // the open list starts at its first entry
        {"cboSplitSize", "Press", list, "open " + entry},
        {"cboSplitSize", "ShowMenu", list, entry},
    });
    // Every action a kind of control offers that changes something was done on one of that kind.
    for (auto role = offered.begin(); role != offered.end(); ++role)
        for (const QString& action : *role)
            EXPECT_TRUE(action == "SetFocus" || done[role.key()].contains(action)) << role.key() << " " << action.toStdString();
    window->showMinimized();
    ASSERT_TRUE(WaitFor([&] { return window->isMinimized(); }));
    window->BringToFront();
    EXPECT_TRUE(WaitFor([&] { return !window->isMinimized() && window->isVisible(); }));
    f.JobRunning = true;
    EXPECT_FALSE(window->close());
    f.JobRunning = false;
    EXPECT_TRUE(window->close());
}

// A file manager's drag, dropped on a text field: the window takes it as the source (the field
// does not take the path as text); during a job the drag is refused, so no drop cursor shows.
TEST_F(MainWindowTest, DroppedFolderBecomesTheSourceButNoDragIsTakenDuringAJob) {
    TempDir tmp;
    const std::string folder = tmp.MakeFolder("Photos");
    QMimeData mime;
    mime.setUrls({QUrl::fromLocalFile(Q(folder + "/"))});
    mime.setText(Q(folder));
    const QPoint at = View("txtArchiveName")->mapTo(window.get(), QPoint(4, 4));
    for (bool job : {true, false}) {
        f.JobRunning = job;
        QDragEnterEvent enter(at, Qt::CopyAction | Qt::LinkAction, &mime, Qt::LeftButton, Qt::NoModifier);
        QDropEvent drop(at, Qt::CopyAction | Qt::LinkAction, &mime, Qt::LeftButton, Qt::NoModifier);
        QDragLeaveEvent leave;
        QCoreApplication::sendEvent(window->windowHandle(), &enter);
        EXPECT_EQ(enter.isAccepted(), !job);
        QCoreApplication::sendEvent(window->windowHandle(), enter.isAccepted() ? static_cast<QEvent*>(&drop) : &leave);
    }
    EXPECT_TRUE(WaitFor([&] { return f.txtInput.Text() == folder; }));
    EXPECT_EQ(View<QLineEdit>("txtArchiveName")->text(), "Photos.rar");
}

// Pixels of `colour` in the columns [fromX, toX).
int Count(const QImage& image, QRgb colour, int fromX, int toX) {
    int n = 0;
    for (int y = 0; y < image.height(); ++y)
        for (int x = fromX; x < toX; ++x) n += (image.pixel(x, y) & 0xFFFFFF) == (colour & 0xFFFFFF);
    return n;
}

// The not-XOR bar over red text: the text turns white where the bar covers it, and the scale
// follows the maximum of each drawing (a value beyond it is left out); a screen reader reads the
// percentage shown.
TEST(ProgressTest, BarIsTheNotXorOfRedWithTheTextInvertedUnderItAndFollowsTheScale) {
    GuiApp();
    QtDesktop desktop;
    frmMain f{desktop};
    MainWindow window(f);
    ProgressView* view = window.Progress();
    desktop.SetMainWindow(&window, view);
    InitProgressBar(f);
    const QRgb red = qRgb(255, 0, 0), white = qRgb(255, 255, 255), background = ToQColor(ColorButtonFace, view->palette()).rgb();
    // The not-XOR pen: NOT (red XOR background), per channel.
    const QRgb bar = qRgb(255 - (255 ^ qRed(background)), 255 - qGreen(background), 255 - qBlue(background));
    auto draw = [&](int max, int value) {
        DrawProgress(f, max, value);  // what the widget shows inside its border, repainted from the record
        return view->grab().toImage().convertToFormat(QImage::Format_RGB32).copy(view->contentsRect());
    };
    auto column = [](const QImage& image, int x, QRgb colour) { return Count(image, colour, x, x + 1) == image.height(); };
    QImage image = draw(100, 45);
    const int width = image.width(), end45 = qRound(width * 0.45), end50 = width / 2;
    EXPECT_TRUE(column(image, 2, bar) && column(image, end45 - 3, bar) && column(image, width - 3, background));
    EXPECT_GT(Count(image, red, end45, width), 10);  // the text, right of the bar
    image = draw(100, 50);
    EXPECT_TRUE(Count(image, white, 0, end50) > 5 && Count(image, red, end50, width) > 5);
    EXPECT_TRUE(Count(image, white, end50 + 1, width) == 0 && Count(image, red, 0, end50 - 1) == 0);
    image = draw(3, 2);
    EXPECT_TRUE(column(image, width * 6 / 10, bar) && column(image, width * 7 / 10, background));
    DrawProgress(f, 100, 150);  // par2 may say more than 100 %
    QAccessibleInterface* a = QAccessible::queryAccessibleInterface(view);
    EXPECT_TRUE(a->valueInterface() && a->valueInterface()->currentValue() == 67 && a->text(QAccessible::Value) == "67%");
}

}  // namespace
}  // namespace kelvora::test
