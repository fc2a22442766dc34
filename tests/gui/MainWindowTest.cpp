#include <gtest/gtest.h>

#include <QtWidgets>
#include <map>
#include <set>
#include <sstream>

#include "GuiTest.h"
#include "TestWindow.h"
#include "app/Menus.h"
#include "gui/MainWindow.h"
#include "gui/ProgressView.h"
#include "gui/QtDesktop.h"
#include "gui/Resources.h"
#include "app/JobFromWindow.h"

namespace kelvora::test {
namespace {

QString Q(const std::string& s) { return QString::fromStdString(s); }

std::string ModelText(Control* c) {
    if (auto* x = dynamic_cast<CaptionedControl*>(c)) return x->Caption();
    if (auto* x = dynamic_cast<TextBox*>(c)) return x->Text();
    if (auto* x = dynamic_cast<ComboBox*>(c)) return x->Text();
    return {};
}

// What a screen reader is told a control is, by the model's kind; NoRole for what takes no input.
QAccessible::Role RoleOf(Control* c) {
    if (dynamic_cast<CommandButton*>(c)) return QAccessible::Button;
    if (dynamic_cast<CheckBox*>(c)) return QAccessible::CheckBox;
    if (dynamic_cast<OptionButton*>(c)) return QAccessible::RadioButton;
    if (dynamic_cast<TextBox*>(c)) return QAccessible::EditableText;
    if (dynamic_cast<ComboBox*>(c)) return QAccessible::ComboBox;
    if (dynamic_cast<VScrollBar*>(c)) return QAccessible::ScrollBar;
    if (dynamic_cast<PictureBox*>(c)) return QAccessible::ProgressBar;
    return QAccessible::NoRole;
}

std::string NameOf(QAccessibleInterface* a) { return a ? a->text(QAccessible::Name).toStdString() : "(none)"; }

// The caption a screen reader says for a field: its labels' names (labelled-by), else its name.
std::string CaptionOf(QAccessibleInterface* a) {
    std::string caption;
    for (const auto& [label, relation] : a->relations(QAccessible::Label))
        caption += (caption.empty() ? "" : " ") + NameOf(label);
    return caption.empty() ? NameOf(a) : caption;
}

// The text a combo box shows: its text field's, or its entry's.
std::string Shown(QComboBox* box) {
    return (box->isEditable() ? box->lineEdit()->text() : box->currentText()).toStdString();
}

// A control's state in a few words, from the model, and as its widget shows it.
std::string ModelState(Control* c) {
    if (auto* x = dynamic_cast<CheckBox*>(c)) return std::to_string(x->Value());
    if (auto* x = dynamic_cast<OptionButton*>(c)) return x->Value() ? "1" : "0";
    if (auto* x = dynamic_cast<TextBox*>(c)) return x->Text();
    if (auto* x = dynamic_cast<ComboBox*>(c)) return std::to_string(x->ListIndex()) + " " + x->Text();
    if (auto* x = dynamic_cast<VScrollBar*>(c)) return std::to_string(x->Value());
    return {};
}
std::string ShownState(QWidget* w, Control* c) {
    if (auto* x = qobject_cast<QCheckBox*>(w))
        return x->checkState() == Qt::Checked ? "1" : x->checkState() == Qt::PartiallyChecked ? "2" : "0";
    if (auto* x = qobject_cast<QRadioButton*>(w)) return x->isChecked() ? "1" : "0";
    if (auto* x = qobject_cast<QLineEdit*>(w)) return x->text().toStdString();
    if (auto* x = qobject_cast<QComboBox*>(w))
        return std::to_string(x->currentIndex()) + " " + Shown(x);
    if (auto* x = qobject_cast<QScrollBar*>(w)) {
        auto* bar = static_cast<VScrollBar*>(c);
        const ScrollMapping map = ScrollMapping::Of(bar->Min(), bar->Max());
        if (x->minimum() != map.qtMin || x->maximum() != map.qtMax) return "range differs";
        return std::to_string(map.FromQt(x->value()));
    }
    return {};
}

class MainWindowTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() { GuiApp(); }
    void SetUp() override { window = std::make_unique<MainWindow>(f); }

    template <typename W = QWidget>
    W* View(const std::string& name, QWidget* in = nullptr) { return (in ? in : window.get())->findChild<W*>(Q(name)); }

    TestWindow tw;
    frmMain& f = tw.f;
    std::unique_ptr<MainWindow> window;
};

// In either language every control has its widget, enabled as the model says, and every
// interactive one tells a screen reader its true role and the caption that names it: its own,
// its label's (the label's buddy is the field) or its leading option button's. A list box names
// its value as Qt does on Linux, its caption coming from labelled-by. Nothing overlaps, nothing
// sticks out of its container, and no caption is cut off (Dutch captions are longer).
TEST_F(MainWindowTest, EveryControlHasItsWidgetStateAccessibleNameAndRoomInBothLanguages) {
    const std::map<std::string, CaptionedControl*> namedBy = {
        {"txtInput", &f.Label[0]},        {"txtOutput", &f.Label[1]},     {"txtArchiveName", &f.Label[2]},
        {"cboSplitSize", &f.Label[3]},    {"cboCompression", &f.Label[4]}, {"cboLines", &f.Label[5]},
        {"txtBlockSize", &f.Label[6]},    {"txtEstimatedSize", &f.Label[7]}, {"txtMaxBlocks", &f.Label[8]},
        {"cboRedundancy", &f.OptPars[0]}, {"txtRecoveryBlocks", &f.OptPars[1]},
        {"ScrollRecoveryBlocks", &f.OptPars[1]}, {"cboRecoveryFiles", &f.OptPars[2]}, {"PicPB", &f.lblStatus}};
    const std::string unitName[] = {"Desired Split Size (Bytes / MegaBytes)", "Splitgrootte (Bytes / MegaBytes)"};
    auto namedByLabel = [&](int index) {
        for (auto& [field, by] : namedBy)
            if (by == &f.Label[index]) return field;
        return std::string();
    };
    // With an entry shown, as after start-up: Qt itself would name a list by that entry.
    for (ComboBox* box : {&f.cboFormat, &f.cboCompression, &f.cboLines, &f.cboRedundancy, &f.cboRecoveryFiles})
        box->SetListIndex(1);
    f.cboSplitSize.SetText("100");
    for (int16_t language : {0, 1}) {
        ApplyLanguage(f, language);
        std::vector<QWidget*> views;
        for (Control* c : f.AllControls()) {
            if (c == &f.Me || dynamic_cast<MenuItem*>(c)) continue;
            QWidget* w = View(c->Name());
            ASSERT_TRUE(w && w == window->ViewOf(*c)) << c->Name();
            views.push_back(w);
            const std::string at = std::to_string(language) + " " + c->Name();
            EXPECT_EQ(w->isEnabled(), c->EffectivelyEnabled()) << at;
            if (auto* label = qobject_cast<QLabel*>(w)) { EXPECT_EQ(label->text(), Q(ModelText(c))) << at; }
            if (auto* frame = qobject_cast<QGroupBox*>(w)) { EXPECT_EQ(frame->title(), Q(ModelText(c))) << at; }
            if (RoleOf(c) == QAccessible::NoRole) continue;
            const std::string caption = namedBy.count(c->Name()) ? namedBy.at(c->Name())->Caption()
                                        : c == &f.cboFormat     ? f.Label[3].Caption()
                                                                : ModelText(c);
            QAccessibleInterface* a = QAccessible::queryAccessibleInterface(w);
            EXPECT_TRUE(a->role() == RoleOf(c) && CaptionOf(a) == caption) << at << ": " << CaptionOf(a);
            if (auto* combo = qobject_cast<QComboBox*>(w)) {  // and its text field, where the typing goes
                const std::string shown = Shown(combo);
                EXPECT_EQ(a->text(QAccessible::Value).toStdString(), shown) << at;
#ifdef Q_OS_UNIX
                EXPECT_EQ(NameOf(a), shown) << at;
#else
                EXPECT_EQ(NameOf(a), c == &f.cboFormat ? unitName[language] : caption) << at;
#endif
                if (combo->isEditable()) {
                    EXPECT_EQ(NameOf(QAccessible::queryAccessibleInterface(combo->lineEdit())), caption);
                }
                if (c == &f.cboFormat) {
                    EXPECT_EQ(a->text(QAccessible::Description).toStdString(), unitName[language]);
                }
            } else {
                EXPECT_EQ(NameOf(a), caption) << at;
            }
        }
        for (int i = 0; i < f.Label.Count(); ++i) {
            auto* label = View<QLabel>(f.Label[i].Name());
            EXPECT_TRUE(label->buddy() && label->buddy() == View(namedByLabel(i))) << i;
        }
        for (QWidget* w : views) {
            const std::string at = std::to_string(language) + " " + w->objectName().toStdString();
            EXPECT_TRUE(QRect(QPoint(0, 0), w->parentWidget()->size()).contains(w->geometry())) << at;
            for (QWidget* other : views)
                if (other != w && other->parentWidget() == w->parentWidget()) {
                    EXPECT_FALSE(w->geometry().intersects(other->geometry())) << at;
                }
            // A push button's size hint has a style minimum; its text is what must fit.
            if (auto* push = qobject_cast<QPushButton*>(w)) {
                EXPECT_LE(w->fontMetrics().horizontalAdvance(push->text()) + 8, w->width()) << at;
            } else if (qobject_cast<QAbstractButton*>(w) || qobject_cast<QLabel*>(w)) {
                EXPECT_LE(w->sizeHint().width(), w->width()) << at;
            }
        }
        // The menus: each title, then the items of its popup.
        QAccessibleInterface* bar = QAccessible::queryAccessibleInterface(window->menuBar());
        ASSERT_EQ(bar->childCount(), static_cast<int>(f.Menus().size()));
        for (int i = 0; i < bar->childCount(); ++i) {
            const MenuItem* title = f.Menus()[static_cast<size_t>(i)];
            EXPECT_EQ(NameOf(bar->child(i)), title->Caption());
            for (size_t j = 0; j < title->items.size(); ++j)
                if (!title->items[j]->IsSeparator()) {
                    EXPECT_EQ(NameOf(bar->child(i)->child(0)->child(static_cast<int>(j))), title->items[j]->Caption());
                }
        }
    }
    f.Me.SetCaption("Kelvora v1.0.0");
    EXPECT_EQ(window->windowTitle(), "Kelvora v1.0.0");

    // Menu items show their pictures, never a check mark, and click the model.
    LoadMenuBitmaps(f);
    for (const char* item : {"mnuExit", "mnuHelp", "mnuAbout", "mnuEnglish", "mnuNederlands"})
        EXPECT_TRUE(View<QAction>(item) && !View<QAction>(item)->icon().isNull() && !View<QAction>(item)->isCheckable()) << item;
    int clicks = 0;
    f.mnuAbout.Click = [&] { ++clicks; };
    View<QAction>("mnuAbout")->trigger();
    EXPECT_EQ(clicks, 1);
}

// The widgets go through the wired model: typed keys through the key filter, a paste through the
// change reaction, clicks, picks and arrow keys into the model, whose state each widget shows
// exactly (none selected and greyed included). A disabled frame disables what it holds without
// changing their own state; another start restores the window; closing is refused during a job.
TEST_F(MainWindowTest, WidgetsGoThroughTheModelsReactions) {
    ApplyLanguage(f, 0);
    auto* name = View<QLineEdit>("txtArchiveName");
    Type(name, "mo:v\bvie");
    EXPECT_EQ(f.txtArchiveName.Text() + "|" + name->text().toStdString(), "movie|movie");
    name->insert("a:b");
    EXPECT_EQ(name->text().toStdString() + "|" + std::to_string(tw.desktop.boxes.size()), "|2");  // a warning each
    f.cboFormat.SetListIndex(1);  // MegaBytes: digits only, at most three, typed into the combo box
    Type(View("cboSplitSize"), "2a5x09");
    EXPECT_EQ(View<QComboBox>("cboSplitSize")->currentText(), "250");
    f.cboLines.SetListIndex(0);
    PressKey(View("cboLines"), Qt::Key_Down);  // the user picks the next entry; its Click reaction runs
    EXPECT_EQ(View<QLineEdit>("txtBlockSize")->text(), "256000");

    View<QCheckBox>("chkPause")->click();
    EXPECT_EQ(f.chkPause.Value(), 1);
    f.chkPause.SetValue(2);
    DisableControls(f);
    EXPECT_TRUE(View<QCheckBox>("chkPause")->checkState() == Qt::PartiallyChecked && !View("chkPause")->isEnabled() &&
                f.chkPause.Enabled());
    EnableControls(f);

    const auto wired = f.OptPars.Click;
    std::vector<int> clicks;
    f.OptPars.Click = [&](int index) { clicks.push_back(index), wired(index); };
    for (const char* option : {"OptPars(1)", "OptPars(1)"}) View<QRadioButton>(option)->click();
    EXPECT_EQ(clicks, std::vector<int>{1});  // the selected one runs nothing when clicked again
    EXPECT_TRUE(View("txtRecoveryBlocks")->isEnabled());
    // The model's Min is the top and the larger end: the up arrow raises the count.
    f.txtMaxBlocks.SetText("500");
    f.ScrollRecoveryBlocks.SetMax(1);
    f.ScrollRecoveryBlocks.SetMin(500);
    f.ScrollRecoveryBlocks.SetValue(3);
    View<QScrollBar>("ScrollRecoveryBlocks")->triggerAction(QAbstractSlider::SliderSingleStepSub);
    EXPECT_EQ(View<QLineEdit>("txtRecoveryBlocks")->text(), "4");
    f.OptPars[1].SetValue(false);
    EXPECT_FALSE(View<QRadioButton>("OptPars(1)")->isChecked());  // none selected
    f.OptPars[1].SetValue(true);
    window->show();
    window->activateWindow();
    View("OptPars(1)")->setFocus();
    ASSERT_TRUE(WaitFor([&] { return View("OptPars(1)")->hasFocus(); }));
    PressKey(View("OptPars(1)"), Qt::Key_Down);  // moves within the group and selects
    EXPECT_EQ(f.OptPars.Selected(), 2);
    EXPECT_TRUE(View<QRadioButton>("OptPars(2)")->isChecked() && View("OptPars(2)")->hasFocus() &&
                !View<QRadioButton>("OptPars(1)")->isChecked());

    window->showMinimized();
    ASSERT_TRUE(WaitFor([&] { return window->isMinimized(); }));
    window->BringToFront();
    EXPECT_TRUE(WaitFor([&] { return !window->isMinimized() && window->isVisible(); }));
    f.JobRunning = true;
    EXPECT_FALSE(window->close());
    f.JobRunning = false;
    EXPECT_TRUE(window->close());
}

// What an accessibility client does to a widget: one of the actions its interface offers
// ("Press", "Toggle", "SetFocus", "ShowMenu"), "value N" on a value interface, "insert OFFSET
// TEXT", "delete FROM TO", "replace FROM TO TEXT" or "set TEXT" on the editable text (of a combo
// box, its text field), "setChecked" (the other state, set on the button from outside), or "pick"
// (Down and Return in the open list, as a screen reader user picks).
void Act(QWidget* w, const std::string& action) {
    std::istringstream in(action);
    std::string verb, text;
    in >> verb;
    auto* combo = qobject_cast<QComboBox*>(w);
    const bool textEdit = verb == "insert" || verb == "delete" || verb == "replace" || verb == "set";
    QAccessibleInterface* a = QAccessible::queryAccessibleInterface(combo && textEdit ? combo->lineEdit() : w);
    auto rest = [&] { return std::getline(in >> std::ws, text), Q(text); };
    int from = 0, to = 0;
    if (verb == "value") {
        in >> from;
        a->valueInterface()->setCurrentValue(from);
    } else if (verb == "insert") {
        in >> from;
        a->editableTextInterface()->insertText(from, rest());
    } else if (verb == "delete") {
        in >> from >> to;
        a->editableTextInterface()->deleteText(from, to);
    } else if (verb == "replace") {
        in >> from >> to;
        a->editableTextInterface()->replaceText(from, to, rest());
    } else if (verb == "set") {
        a->setText(QAccessible::Value, rest());
    } else if (verb == "setChecked") {
        auto* button = static_cast<QAbstractButton*>(w);
        button->setChecked(!button->isChecked());
    } else if (verb == "pick") {
        PressKey(combo->view(), Qt::Key_Down), PressKey(combo->view(), Qt::Key_Return);
    } else {
        a->actionInterface()->doAction(Q(action));
    }
}

// Whatever a screen reader or switch device does to a control reaches the model as the user's
// own input does: every action each kind of control offers, a value set on the scroll bar, text
// edited through the editable-text interface, a button set checked from outside. After each the
// model holds the choice, or what its reaction made of it (refused, changed, another control
// changed with it), and every widget shows exactly its control's state. A Press is a click
// played out on screen first, so each outcome is waited for.
TEST_F(MainWindowTest, AccessibilityActionsGoThroughTheModel) {
    TempDir tmp;
    ApplyLanguage(f, 0);
    f.OptPars[0].SetValue(true);
    f.txtMaxBlocks.SetText("500");
    f.ScrollRecoveryBlocks.SetMax(1);
    f.ScrollRecoveryBlocks.SetMin(500);  // the top end is the larger one: the view's values are negated
    f.ScrollRecoveryBlocks.SetValue(3);
    f.cboFormat.SetListIndex(1);  // MegaBytes: at most three digits
    f.cboCompression.SetListIndex(1);
    f.chkSeparately.SetEnabled(true);
    tw.desktop.answers = {MsgAnswer::No};
    tw.desktop.folderResults = {tmp.path()};
    f.chkPause.SetValue(2);
    window->show();
    window->activateWindow();
    ASSERT_TRUE(WaitFor([&] { return window->isActiveWindow(); }));

    auto state = [&](Control& c) { return ModelState(&c); };
    auto focused = [&](Control& c) { return window->ViewOf(c)->hasFocus() ? " focused" : ""; };
    auto focus = [&](Control& c) { return [&] { return std::string(focused(c)); }; };
    auto noMainDir = [&] {
        return state(f.chkNoMainDir) + (ReadJobPlan(f).contentsOnly ? " contents" : " folder") + focused(f.chkNoMainDir);
    };
    auto separately = [&] { return state(f.chkSeparately) + " " + std::to_string(tw.desktop.boxes.size()); };
    auto options = [&] {
        return std::to_string(f.OptPars.Selected()) + (f.cboRedundancy.Enabled() ? " %" : "") +
               (f.ScrollRecoveryBlocks.Enabled() ? " blocks" : "") + (f.cboRecoveryFiles.Enabled() ? " files" : "") +
               focused(f.OptPars[1]);
    };
    auto blocks = [&] { return state(f.ScrollRecoveryBlocks) + " " + state(f.txtRecoveryBlocks); };
    auto name = [&] { return state(f.txtArchiveName) + " " + std::to_string(tw.desktop.boxes.size()) + " boxes"; };
    auto list = [&](ComboBox& c) {
        return [&] { return (View<QComboBox>(c.Name())->view()->isVisible() ? "open " : "") + state(c); };
    };
    struct Row {
        const char* control;
        std::string action;
        std::function<std::string()> read;
        std::string expected;
    };
    const Row rows[] = {
        {"txtArchiveName", "insert 0 my", name, "my 0 boxes"},
        {"txtArchiveName", "insert 2 .rar", name, "my.rar 0 boxes"},
        {"txtArchiveName", "replace 0 2 film", name, "film.rar 0 boxes"},
        {"txtArchiveName", "delete 4 8", name, "film 0 boxes"},
        {"txtArchiveName", "set a:b", name, " 1 boxes"},  // a forbidden character: warned, emptied
        {"chkNoMainDir", "Toggle", noMainDir, "1 contents"},  // the job packs the folder's contents
        // Not offered by a check box, taken all the same; like a click it moves the focus there.
        {"chkNoMainDir", "Press", noMainDir, "0 folder focused"},
        {"chkNoMainDir", "setChecked", noMainDir, "1 contents focused"},
        {"cmdBrowseFile", "SetFocus", focus(f.chkNoMainDir), ""},
        {"chkNoMainDir", "SetFocus", noMainDir, "1 contents focused"},
        {"chkPause", "Toggle", [&] { return state(f.chkPause); }, "1"},  // greyed: a click checks it
        // Its reaction asks, and the answer No takes the tick back.
        {"chkSeparately", "Toggle", separately, "0 2"},
        {"OptPars(2)", "Toggle", options, "2 files"},
        {"OptPars(2)", "Toggle", options, "2 files"},  // the selected one stays selected
        {"OptPars(0)", "setChecked", options, "0 %"},
        {"OptPars(1)", "SetFocus", options, "0 % focused"},
        {"optMaskStyle(1)", "setChecked", [&] { return state(f.optMaskStyle[0]); }, "1"},  // not usable
        {"cmdBrowseSave", "Press", [&] { return state(f.txtOutput); }, tmp.path() + Native("/")},
        {"cmdBrowseSave", "SetFocus", focus(f.cmdBrowseSave), " focused"},
        {"ScrollRecoveryBlocks", "value 7", blocks, "3 3"},  // not usable while the percentage is chosen
        {"txtRecoveryBlocks", "set 9", blocks, "3 3"},
        {"OptPars(1)", "Toggle", options, "1 blocks"},
        {"ScrollRecoveryBlocks", "value 7", blocks, "7 7"},
        {"ScrollRecoveryBlocks", "value 9999", blocks, "500 500"},
        {"txtRecoveryBlocks", "set 42", blocks, "42 42"},
        {"txtRecoveryBlocks", "set 4x", blocks, "42 "},  // its reaction empties what is no number
        {"txtRecoveryBlocks", "SetFocus", focus(f.txtRecoveryBlocks), " focused"},
        {"txtOutput", "insert 0 x", [&] { return state(f.txtOutput); }, tmp.path() + Native("/")},  // read-only
        {"txtOutput", "set /elsewhere", [&] { return state(f.txtOutput); }, tmp.path() + Native("/")},
        {"cboSplitSize", "set 250", [&] { return state(f.cboSplitSize); }, "-1 250"},
        {"cboSplitSize", "set 2500", [&] { return state(f.cboSplitSize); }, "-1 "},  // too long for MegaBytes
        {"cboSplitSize", "ShowMenu", list(f.cboSplitSize), "open -1 "},
        // The open list starts at its first entry: Down goes to the second.
        {"cboSplitSize", "pick", list(f.cboSplitSize), "1 " + f.cboSplitSize.List().at(1)},
        {"cboSplitSize", "Press", list(f.cboSplitSize), "open 1 " + f.cboSplitSize.List().at(1)},
        {"cboSplitSize", "ShowMenu", list(f.cboSplitSize), "1 " + f.cboSplitSize.List().at(1)},
        {"cboCompression", "ShowMenu", list(f.cboCompression), "open 1 Normal"},
        {"cboCompression", "pick", list(f.cboCompression), "2 High"},
        {"cboCompression", "Press", list(f.cboCompression), "open 2 High"},
        {"cboCompression", "ShowMenu", list(f.cboCompression), "2 High"},
    };
    // Every action a kind of control offers (by its role) is done on one of that kind at least.
    std::map<QAccessible::Role, std::set<std::string>> offered, done;
    for (const Row& row : rows) {
        Control* c = f.FindControl(row.control);
        QWidget* w = window->ViewOf(*c);
        const std::string at = std::string(row.control) + " " + row.action;
        QAccessibleInterface* a = QAccessible::queryAccessibleInterface(w);
        if (QAccessibleActionInterface* actions = a->actionInterface())
            for (const QString& action : actions->actionNames()) offered[a->role()].insert(action.toStdString());
        done[a->role()].insert(row.action);
        Act(w, row.action);
        EXPECT_TRUE(WaitFor([&] { return row.read() == row.expected; }, 2000)) << at << ": " << row.read();
        for (Control* other : f.AllControls())
            if (QWidget* view = window->ViewOf(*other)) {
                EXPECT_EQ(ShownState(view, other), ModelState(other)) << at << ": " << other->Name();
                EXPECT_EQ(view->isEnabled(), other->EffectivelyEnabled()) << at << ": " << other->Name();
            }
    }
    for (auto& [role, actions] : offered)
        for (const std::string& action : actions) {
            EXPECT_TRUE(done[role].count(action)) << "role " << role << " offers " << action;
        }
}

// A file manager's drag, dropped on a text field: the window takes it as the source (the field
// does not take the path as text); during a job the drag is refused, so no drop cursor shows.
TEST_F(MainWindowTest, DroppedFolderBecomesTheSourceButNoDragIsTakenDuringAJob) {
    TempDir tmp;
    const std::string folder = tmp.MakeFolder("Photos");
    ApplyLanguage(f, 0);
    window->show();
    QMimeData mime;
    mime.setUrls({QUrl::fromLocalFile(Q(folder + "/"))});
    mime.setText(Q(folder));
    const QPoint at = View("txtArchiveName")->mapTo(window.get(), QPoint(4, 4));
    auto drag = [&] {
        QDragEnterEvent enter(at, Qt::CopyAction | Qt::LinkAction, &mime, Qt::LeftButton, Qt::NoModifier);
        QDropEvent drop(at, Qt::CopyAction | Qt::LinkAction, &mime, Qt::LeftButton, Qt::NoModifier);
        QDragLeaveEvent leave;
        QCoreApplication::sendEvent(window->windowHandle(), &enter);
        QCoreApplication::sendEvent(window->windowHandle(), enter.isAccepted() ? static_cast<QEvent*>(&drop) : &leave);
        return enter.isAccepted();
    };
    f.JobRunning = true;
    EXPECT_FALSE(drag());
    f.JobRunning = false;
    EXPECT_TRUE(drag());
    EXPECT_TRUE(WaitFor([&] { return f.txtInput.Text() == folder; }));
    EXPECT_EQ(View<QLineEdit>("txtArchiveName")->text(), "Photos.rar");
}

const QRgb Red = qRgb(255, 0, 0);
const QRgb White = qRgb(255, 255, 255);

// Pixels of `colour` in the columns [fromX, toX).
int Count(const QImage& image, QRgb colour, int fromX, int toX) {
    int n = 0;
    for (int y = 0; y < image.height(); ++y)
        for (int x = fromX; x < toX; ++x) n += (image.pixel(x, y) & 0xFFFFFF) == (colour & 0xFFFFFF);
    return n;
}

bool ColumnIs(const QImage& image, int x, QRgb colour) { return Count(image, colour, x, x + 1) == image.height(); }

class ProgressTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() { GuiApp(); }

    void SetUp() override {
        window = std::make_unique<MainWindow>(f);
        desktop.SetMainWindow(window.get(), window->Progress());
        InitProgressBar(f);
        background = ToQColor(ColorButtonFace, window->Progress()->palette()).rgb();
        // The not-XOR pen: NOT (red XOR background), per channel.
        bar = qRgb(255 - (255 ^ qRed(background)), 255 - qGreen(background), 255 - qBlue(background));
    }

    // Draws and returns what the widget shows inside its border, repainted from the record.
    QImage Draw(int max, int value) {
        DrawProgress(f, max, value);
        ProgressView* view = window->Progress();
        return view->grab().toImage().convertToFormat(QImage::Format_RGB32).copy(view->contentsRect());
    }

    QtDesktop desktop;
    frmMain f{desktop};
    std::unique_ptr<MainWindow> window;
    QRgb background = 0, bar = 0;
};

// The not-XOR bar over red text: the text turns white where the bar covers it, and the scale
// follows the maximum of each drawing.
TEST_F(ProgressTest, BarIsTheNotXorOfRedWithTheTextInvertedUnderItAndFollowsTheScale) {
    QImage image = Draw(100, 45);
    const int width = image.width(), end45 = qRound(width * 0.45), end50 = width / 2;
    EXPECT_TRUE(ColumnIs(image, 2, bar) && ColumnIs(image, end45 - 3, bar) && ColumnIs(image, width - 3, background));
    EXPECT_GT(Count(image, Red, end45, width), 10);  // the text, right of the bar
    image = Draw(100, 50);
    EXPECT_TRUE(Count(image, White, 0, end50) > 5 && Count(image, Red, end50, width) > 5);
    EXPECT_TRUE(Count(image, White, end50 + 1, width) == 0 && Count(image, Red, 0, end50 - 1) == 0);
    image = Draw(3, 2);
    EXPECT_TRUE(ColumnIs(image, width * 6 / 10, bar) && ColumnIs(image, width * 7 / 10, background));
    // A screen reader reads the percentage shown.
    QAccessibleInterface* a = QAccessible::queryAccessibleInterface(window->Progress());
    EXPECT_TRUE(a->valueInterface() && a->valueInterface()->currentValue() == 67 && a->text(QAccessible::Value) == "67%");
}

}  // namespace
}  // namespace kelvora::test
