#include "gui/MainWindow.h"

#include <QCheckBox>
#include <QCloseEvent>
#include <QComboBox>
#include <QDir>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QGroupBox>
#include <QLabel>
#include <QLayout>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QMimeData>
#include <QPushButton>
#include <QRadioButton>
#include <QScreen>
#include <QScrollBar>
#include <QShortcut>
#include <QUrl>
#include <algorithm>
#include <cmath>

#include "app/Lifecycle.h"
#include "app/Selection.h"
#include "gui/Accessibility.h"
#include "gui/Dialogs.h"
#include "gui/ProgressView.h"
#include "gui/Resources.h"
#include "window/frmMain.h"

namespace kelvora {

namespace {
QString Q(const std::string& text) { return QString::fromStdString(text); }

// Each change of the name is announced to screen readers: only a new name is set.
void Name(QWidget* widget, const QString& name) {
    if (widget->accessibleName() != name) widget->setAccessibleName(name);
}
}  // namespace

MainWindow::MainWindow(frmMain& f, QWidget* parent) : QMainWindow(parent), f_(f) {
    LoadResources();
    setObjectName(Q(f.Me.Name()));
    setWindowIcon(AppIcon());
    if (QScreen* s = screen()) dpi_ = s->logicalDotsPerInch();

    client_ = new QWidget(this);
    client_->setObjectName(QStringLiteral("client"));
    client_->setFixedSize(ToPixels(f.Me.ClientWidth), ToPixels(f.Me.ClientHeight));
    setCentralWidget(client_);

    InstallAccessibility();
    BuildMenus();
    BuildControls();
    SetBuddies();
    SetTabOrder();
    views_.Follow(f.Me, [this] { setWindowTitle(Q(f_.Me.Caption())); });

    // Drops anywhere on the window go to the window: a text field would take a dropped file
    // as text.
    for (QWidget* child : findChildren<QWidget*>()) child->setAcceptDrops(false);
    setAcceptDrops(true);

    // The client area has the model's size; the window does not resize.
    layout()->setSizeConstraint(QLayout::SetFixedSize);
    layout()->activate();

    // The desktop's usual key for reaching the menu bar from the keyboard.
    auto* menuKey = new QShortcut(QKeySequence(Qt::Key_F10), this);
    connect(menuKey, &QShortcut::activated, this, [this] {
        for (QAction* action : menuBar()->actions())
            if (action->isEnabled()) {
                menuBar()->setActiveAction(action);
                break;
            }
    });
}

MainWindow::~MainWindow() = default;

int MainWindow::ToPixels(int twips) const { return static_cast<int>(std::lround(twips * dpi_ / 1440.0)); }

void MainWindow::Place(QWidget* widget, const Control& control) const {
    const Control::Rect& r = control.Bounds();
    widget->setGeometry(ToPixels(r.left), ToPixels(r.top), ToPixels(r.width), ToPixels(r.height));
}

QWidget* MainWindow::ViewOf(const Control& control) const {
    auto it = widgets_.find(&control);
    return it == widgets_.end() ? nullptr : it->second;
}

QWidget* MainWindow::MakeView(Control& control, QWidget* parent) {
    if (auto* c = dynamic_cast<Frame*>(&control)) return views_.MakeFrame(*c, parent);
    if (auto* c = dynamic_cast<Panel*>(&control)) return views_.MakePanel(*c, parent);
    if (auto* c = dynamic_cast<kelvora::Label*>(&control)) return views_.MakeLabel(*c, parent);
    if (auto* c = dynamic_cast<CommandButton*>(&control)) return views_.MakeButton(*c, parent);
    if (auto* c = dynamic_cast<TextBox*>(&control)) return views_.MakeTextBox(*c, parent);
    if (auto* c = dynamic_cast<ComboBox*>(&control)) return views_.MakeComboBox(*c, parent);
    if (auto* c = dynamic_cast<CheckBox*>(&control)) return views_.MakeCheckBox(*c, parent);
    if (auto* c = dynamic_cast<OptionButton*>(&control)) return views_.MakeOptionButton(*c, parent);
    if (auto* c = dynamic_cast<VScrollBar*>(&control)) return views_.MakeScrollBar(*c, parent);
    if (auto* c = dynamic_cast<PictureBox*>(&control)) {
        auto* view = new ProgressView(*c, parent);
        Place(view, control);  // before the first drawing, so the model knows the size
        view->TellInnerSize();
        progress_ = view;
        return view;
    }
    return nullptr;  // the window itself and the menus have views of their own
}

void MainWindow::BuildControls() {
    // Containers come before their contents in the model's list.
    for (Control* control : f_.AllControls()) {
        QWidget* parent = control->Container() ? ViewOf(*control->Container()) : client_;
        if (!parent) parent = client_;
        QWidget* widget = MakeView(*control, parent);
        if (!widget) continue;
        Place(widget, *control);
        widgets_[control] = widget;
    }
}

void MainWindow::BuildMenus() {
    for (MenuItem* title : f_.Menus()) {
        QMenu* menu = menuBar()->addMenu(Q(title->Caption()));
        menu->setObjectName(Q(title->Name()));
        std::vector<std::pair<MenuItem*, QAction*>> entries;
        for (MenuItem* item : title->items) {
            QAction* action = item->IsSeparator() ? menu->addSeparator() : menu->addAction(Q(item->Caption()));
            action->setObjectName(Q(item->Name()));
            // The picture stands beside the item whatever its checked state: a check mark only for
            // an item without a picture that keeps a choice.
            action->setCheckable(item->Checkable());
            action->setIconVisibleInMenu(true);
            if (!item->IsSeparator())
                connect(action, &QAction::triggered, this, [item] { RunUserAction([item] { item->UserClick(); }); });
            entries.emplace_back(item, action);
        }
        auto syncItem = [](MenuItem* item, QAction* action) {
            if (!item->IsSeparator()) action->setText(Q(item->Caption()));
            if (item->Checkable()) action->setChecked(item->Checked());
            action->setIcon(MenuPicture(item->Picture()));
            action->setEnabled(item->EffectivelyEnabled());
            action->setVisible(item->Visible());
        };
        for (auto& [item, action] : entries) {
            MenuItem* i = item;
            QAction* a = action;
            views_.Follow(*item, [syncItem, i, a] { syncItem(i, a); });
        }
        // A disabled title disables its items too.
        views_.Follow(*title, [title, menu, entries, syncItem] {
            menu->setTitle(Q(title->Caption()));
            menu->menuAction()->setEnabled(title->Enabled());
            menu->menuAction()->setVisible(title->Visible());
            for (auto& [item, action] : entries) syncItem(item, action);
        });
    }
}

void MainWindow::SetBuddies() {
    const std::pair<int, Control*> buddies[] = {
        {0, &f_.txtInput},       {1, &f_.txtOutput},    {2, &f_.txtArchiveName},
        {3, &f_.cboSplitSize},   {4, &f_.cboCompression}, {5, &f_.cboLines},
        {6, &f_.txtBlockSize},   {7, &f_.txtEstimatedSize}, {8, &f_.txtMaxBlocks}};
    for (auto& [index, control] : buddies)
        if (auto* label = qobject_cast<QLabel*>(ViewOf(f_.Label[index]))) label->setBuddy(ViewOf(*control));

    // Every field carries the caption that names it as its accessible name, in the language
    // shown: its label's, or that of the option button that leads it. A combo box's text field
    // is named too, since it is what has the focus while the user types.
    auto nameAfter = [this](QWidget* field, CaptionedControl& by) {
        if (!field) return;
        auto* combo = qobject_cast<QComboBox*>(field);
        QWidget* edit = combo && combo->lineEdit() ? combo->lineEdit() : nullptr;
        views_.Follow(by, [field, edit, &by] {
            Name(field, Q(by.Caption()));
            if (edit) Name(edit, Q(by.Caption()));
        });
    };
    for (auto& [index, control] : buddies) nameAfter(ViewOf(*control), f_.Label[index]);
    // Where an option button leads a field it is the field's caption, for the list boxes and
    // the scroll bar told as labelled-by too (on Linux a combo box's name is its value, so its
    // caption comes only from there).
    const std::pair<Control*, int> led[] = {
        {&f_.cboRedundancy, 0}, {&f_.txtRecoveryBlocks, 1}, {&f_.ScrollRecoveryBlocks, 1}, {&f_.cboRecoveryFiles, 2}};
    for (auto& [field, option] : led) {
        nameAfter(ViewOf(*field), f_.OptPars[option]);
        if (field != &f_.txtRecoveryBlocks) AddLabelledBy(ViewOf(*field), ViewOf(f_.OptPars[option]));
    }
    // The bar says how far the step the status line names has come.
    nameAfter(ViewOf(f_.PicPB), f_.lblStatus);

    // The unit list beside the split size has no label of its own: the split size's label is its
    // caption too, and the split size's caption with its units says what it sets ("Desired Split
    // Size (Bytes / MegaBytes)"): its description, and its name where the name is not the value.
    if (QWidget* unit = ViewOf(f_.cboFormat)) {
        AddLabelledBy(unit, ViewOf(f_.Label[3]));
        auto sync = [this, unit] {
            QString size = Q(f_.Label[3].Caption()).trimmed();
            if (size.endsWith(u':')) size.chop(1);
            QStringList units;
            for (const std::string& item : f_.cboFormat.List()) units << Q(item);
            const QString says = size + " (" + units.join(" / ") + ")";
            Name(unit, says);
            if (unit->accessibleDescription() != says) unit->setAccessibleDescription(says);
        };
        views_.Follow(f_.Label[3], sync);
        views_.Follow(f_.cboFormat, sync);
    }
}

void MainWindow::SetTabOrder() {
    struct Stop {
        QWidget* widget;
        int left, top, row = 0;
    };
    std::vector<Stop> stops;
    for (auto& [control, widget] : widgets_) {
        if (!(widget->focusPolicy() & Qt::TabFocus)) continue;
        int left = 0, top = 0;
        for (const Control* c = control; c; c = c->Container()) {
            left += c->Bounds().left;
            top += c->Bounds().top;
        }
        stops.push_back({widget, left, top});
    }
    // Top to bottom, left to right within a row; controls whose tops differ by a little share a row.
    std::sort(stops.begin(), stops.end(), [](const Stop& a, const Stop& b) { return a.top < b.top; });
    int row = 0, rowTop = stops.empty() ? 0 : stops.front().top;
    for (Stop& s : stops) {
        if (s.top > rowTop + 150) {
            ++row;
            rowTop = s.top;
        }
        s.row = row;
    }
    std::stable_sort(stops.begin(), stops.end(),
                     [](const Stop& a, const Stop& b) { return a.row != b.row ? a.row < b.row : a.left < b.left; });
    for (size_t i = 1; i < stops.size(); ++i) QWidget::setTabOrder(stops[i - 1].widget, stops[i].widget);
}

void MainWindow::ShowCentred() {
    ensurePolished();
    adjustSize();
    CenterOnScreen(this);
    show();
}

void MainWindow::BringToFront() {
    if (isMinimized())
        showNormal();
    else if (!isVisible())
        show();
    raise();
    activateWindow();
}

void MainWindow::closeEvent(QCloseEvent* event) {
    int cancel = 0;
    RunUserAction([&] { Form_Unload(f_, cancel); });
    if (cancel != 0)
        event->ignore();
    else
        event->accept();
}

void MainWindow::dragEnterEvent(QDragEnterEvent* event) {
    // While a job runs the drag is refused, so no drop cursor shows.
    if (AcceptsDrop(f_))
        event->acceptProposedAction();
    else
        event->ignore();
}

void MainWindow::dragMoveEvent(QDragMoveEvent* event) {
    if (AcceptsDrop(f_))
        event->acceptProposedAction();
    else
        event->ignore();
}

void MainWindow::dropEvent(QDropEvent* event) {
    if (!AcceptsDrop(f_)) return event->ignore();
    std::vector<std::string> paths;
    bool allLocal = event->mimeData()->hasUrls();
    for (const QUrl& url : event->mimeData()->urls()) {
        if (url.isLocalFile())
            paths.push_back(QDir::toNativeSeparators(url.toLocalFile()).toStdString());
        else
            allLocal = false;
    }
    event->acceptProposedAction();
    // After the drop has ended: the source program waits for its end, and taking a source may
    // show a message box or walk a large folder.
    QMetaObject::invokeMethod(
        this, [this, paths, allLocal] { RunUserAction([&] { DropSource(f_, paths, allLocal); }); },
        Qt::QueuedConnection);
}

}  // namespace kelvora
