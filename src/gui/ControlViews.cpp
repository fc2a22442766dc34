#include "gui/ControlViews.h"

#include <QAccessible>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QRadioButton>
#include <QScrollBar>
#include <QSignalBlocker>
#include <algorithm>
#include <memory>

#include "common/RuntimeError.h"
#include "common/Version.h"
#include "controls/Control.h"
#include "gui/Resources.h"

namespace kelvora {

namespace {

QString Q(const std::string& text) { return QString::fromStdString(text); }

void SyncCommon(QWidget* widget, const Control& control) {
    widget->setEnabled(control.Enabled());
    if (!control.Visible())
        widget->setHidden(true);
    else if (widget->testAttribute(Qt::WA_WState_ExplicitShowHide) && widget->isHidden())
        widget->setHidden(false);
}

// Sends the character keys typed into a line edit through the model's key filter first, as the
// model's own typing does: the filter sees the character code (8 for backspace) and may swallow
// it (0) or replace it. Editing shortcuts and input methods pass untouched; what they change
// still reaches the model through its Change reaction.
class KeyFilter : public QObject {
public:
    // `owner` receives the keys for the line edit: the edit itself, or the editable combo box
    // that hands its keys to its edit without passing them through the edit's filters.
    KeyFilter(std::function<void(int&)>* filter, QLineEdit* edit, QWidget* owner)
        : QObject(edit), filter_(filter), edit_(edit) {
        edit->installEventFilter(this);
        if (owner != edit) owner->installEventFilter(this);
    }

    bool eventFilter(QObject*, QEvent* event) override {
        if (event->type() != QEvent::KeyPress || !*filter_ || edit_->isReadOnly()) return false;
        const int original = CharacterCode(*static_cast<QKeyEvent*>(event));
        if (original == 0) return false;
        int key = original;
        bool failed = false;
        RunUserActionReporting([&] { (*filter_)(key); }, failed);
        if (failed || key == 0) return true;  // swallowed
        if (key == original) return false;    // typed as it is
        if (key == 8)
            edit_->backspace();
        else
            edit_->insert(QString::fromUcs4(reinterpret_cast<const char32_t*>(&key), 1));
        return true;
    }

private:
    static int CharacterCode(const QKeyEvent& event) {
        if (event.key() == Qt::Key_Backspace && !(event.modifiers() & (Qt::ControlModifier | Qt::AltModifier)))
            return 8;
        if (event.modifiers() & (Qt::ControlModifier | Qt::MetaModifier)) return 0;
        const QList<uint> code = event.text().toUcs4();
        if (code.size() != 1 || code[0] < 32 || code[0] == 127) return 0;
        return static_cast<int>(code[0]);
    }

    static void RunUserActionReporting(const std::function<void()>& action, bool& failed) {
        failed = true;
        RunUserAction([&] {
            action();
            failed = false;
        });
    }

    std::function<void(int&)>* filter_;
    QLineEdit* edit_;
};

// A check box that leaves its state to the model: a click (mouse, Space, an accessibility
// client's press) only tells the model.
class CheckView : public QCheckBox {
public:
    using QCheckBox::QCheckBox;

protected:
    void nextCheckState() override {}
};

// An option button that leaves its checked state to the model: a click only tells the model.
// It stays auto-exclusive, so screen readers see a radio button and the arrow keys move within
// its group (the buttons of one panel), as the model's group does.
class OptionView : public QRadioButton {
public:
    using QRadioButton::QRadioButton;

    // Shows the model's state on every option button beside this one (its group).
    void SyncGroup() const {
        for (QRadioButton* button : parentWidget()->findChildren<QRadioButton*>(Qt::FindDirectChildrenOnly))
            if (auto* option = dynamic_cast<OptionView*>(button)) option->sync();
    }
    // True when another option button of the group is checked.
    bool SiblingChecked() const {
        for (QRadioButton* button : parentWidget()->findChildren<QRadioButton*>(Qt::FindDirectChildrenOnly))
            if (button != this && button->isChecked()) return true;
        return false;
    }

    std::function<void()> sync;  // shows the model's state

protected:
    void nextCheckState() override {}
};

void ShowFailure(const QString& text) {
    QMessageBox box(QMessageBox::Critical, AppTitle, text, QMessageBox::Ok, QApplication::activeWindow());
    box.setTextFormat(Qt::PlainText);
    box.exec();
}

}  // namespace

void RunUserAction(const std::function<void()>& action) {
    try {
        action();
    } catch (const RuntimeError& e) {
        ShowFailure(QString::number(e.Number()) + " - " + Q(e.Description()));
    } catch (const std::exception& e) {
        ShowFailure(Q(e.what()));
    }
}

ScrollMapping ScrollMapping::Of(int min, int max) {
    if (min <= max) return {min, max, false};
    return {-min, -max, true};
}

int ScrollView::ModelValue() const { return bar_.Value(); }
int ScrollView::ModelLowest() const { return std::min(bar_.Min(), bar_.Max()); }
int ScrollView::ModelHighest() const { return std::max(bar_.Min(), bar_.Max()); }

void ScrollView::SetModelValue(int value) {
    setValue(ScrollMapping::Of(bar_.Min(), bar_.Max()).ToQt(std::clamp(value, ModelLowest(), ModelHighest())));
}

ControlViews::~ControlViews() {
    for (auto& [control, id] : observers_) control->StopObserving(id);
}

void ControlViews::Follow(Control& control, std::function<void()> sync) {
    observers_.emplace_back(&control, control.Observe(sync));
    sync();
}

QLabel* ControlViews::MakeLabel(kelvora::Label& label, QWidget* parent) {
    auto* widget = new QLabel(parent);
    widget->setObjectName(Q(label.Name()));
    widget->setTextFormat(Qt::PlainText);
    Follow(label, [widget, &label] {
        widget->setText(Q(label.Caption()));
        SyncCommon(widget, label);
    });
    return widget;
}

QGroupBox* ControlViews::MakeFrame(Frame& frame, QWidget* parent) {
    auto* widget = new QGroupBox(parent);
    widget->setObjectName(Q(frame.Name()));
    Follow(frame, [widget, &frame] {
        widget->setTitle(Q(frame.Caption()));
        SyncCommon(widget, frame);
    });
    return widget;
}

QWidget* ControlViews::MakePanel(Panel& panel, QWidget* parent) {
    auto* widget = new QWidget(parent);
    widget->setObjectName(Q(panel.Name()));
    Follow(panel, [widget, &panel] { SyncCommon(widget, panel); });
    return widget;
}

QPushButton* ControlViews::MakeButton(CommandButton& button, QWidget* parent) {
    auto* widget = new QPushButton(parent);
    widget->setObjectName(Q(button.Name()));
    widget->setAutoDefault(false);
    Follow(button, [widget, &button] {
        widget->setText(Q(button.Caption()));
        SyncCommon(widget, button);
    });
    QObject::connect(widget, &QPushButton::clicked, widget, [&button] { RunUserAction([&] { button.UserClick(); }); });
    return widget;
}

QLineEdit* ControlViews::MakeTextBox(TextBox& box, QWidget* parent) {
    auto* widget = new QLineEdit(parent);
    widget->setObjectName(Q(box.Name()));
    auto sync = [widget, &box] {
        const QSignalBlocker blocker(widget);
        const QString text = Q(box.Text());
        // The limit is for the user: the program's own longer texts are shown whole.
        const int limit = box.MaxLength() > 0 ? box.MaxLength() : 32767;
        widget->setMaxLength(std::max(limit, static_cast<int>(text.size())));
        if (widget->text() != text) widget->setText(text);
        widget->setReadOnly(box.Locked());
        if (box.BackColor() == ColorWindow) {
            widget->setPalette(QPalette());  // the style's own field colours
        } else {
            QPalette palette = widget->palette();
            palette.setColor(QPalette::Base, ToQColor(box.BackColor(), QApplication::palette(widget)));
            widget->setPalette(palette);
        }
        SyncCommon(widget, box);
    };
    Follow(box, sync);
    new KeyFilter(&box.KeyPress, widget, widget);
    // Typed keys have passed the key filter; any other change (a paste, undo, an accessibility
    // client's edit) is taken as the user's edit, which a locked or unusable box refuses.
    QObject::connect(widget, &QLineEdit::textChanged, widget, [&box, sync](const QString& text) {
        RunUserAction([&] { box.UserEdit(text.toStdString()); });
        sync();
    });
    return widget;
}

QComboBox* ControlViews::MakeComboBox(ComboBox& box, QWidget* parent) {
    auto* widget = new QComboBox(parent);
    widget->setObjectName(Q(box.Name()));
    const bool editable = box.GetStyle() == ComboBox::Style::Editable;
    if (editable) {
        widget->setEditable(true);
        widget->setInsertPolicy(QComboBox::NoInsert);
        widget->setCompleter(nullptr);  // completion would write text the user did not type
    }
    auto told = std::make_shared<QString>();  // the editable box's value screen readers were told
    auto sync = [widget, &box, editable, told] {
        const QSignalBlocker blocker(widget);
        // A new list or entry writes the text field too: not the user's edit.
        const QSignalBlocker editBlocker(widget->lineEdit());
        QStringList items;
        for (const std::string& item : box.List()) items << Q(item);
        QStringList shown;
        for (int i = 0; i < widget->count(); ++i) shown << widget->itemText(i);
        if (items != shown) {
            widget->clear();
            widget->addItems(items);
        }
        if (widget->currentIndex() != box.ListIndex()) widget->setCurrentIndex(box.ListIndex());
        if (editable && widget->lineEdit()->text() != Q(box.Text())) widget->lineEdit()->setText(Q(box.Text()));
        // Qt announces a box's new value when another entry is chosen; an edited text is a new
        // value too (on Linux the box's name).
        if (editable && *told != widget->lineEdit()->text()) {
            *told = widget->lineEdit()->text();
            QAccessibleValueChangeEvent changed(widget, *told);
            QAccessible::updateAccessibility(&changed);
        }
        SyncCommon(widget, box);
    };
    Follow(box, sync);
    if (editable) {
        QLineEdit* edit = widget->lineEdit();
        new KeyFilter(&box.KeyPress, edit, widget);
        QObject::connect(edit, &QLineEdit::textChanged, widget, [widget, &box, sync](const QString& text) {
            // The view always shows the model's entry; another one means the user is picking
            // an item, which `activated` hands to the model as a pick, not as an edit.
            if (widget->currentIndex() != box.ListIndex()) return;
            RunUserAction([&] { box.UserEdit(text.toStdString()); });
            sync();
        });
    }
    QObject::connect(widget, &QComboBox::activated, widget, [&box, sync](int index) {
        RunUserAction([&] { box.UserPick(index); });
        sync();
    });
    return widget;
}

QCheckBox* ControlViews::MakeCheckBox(CheckBox& box, QWidget* parent) {
    auto* widget = new CheckView(parent);
    widget->setObjectName(Q(box.Name()));
    auto sync = [widget, &box] {
        const QSignalBlocker blocker(widget);
        widget->setText(Q(box.Caption()));
        widget->setCheckState(box.Value() == 1 ? Qt::Checked : box.Value() == 2 ? Qt::PartiallyChecked : Qt::Unchecked);
        SyncCommon(widget, box);
    };
    Follow(box, sync);
    // A click leaves the box as it is; a state set from outside (an accessibility client's
    // toggle) has changed it. Either is the one gesture the model knows: the user's click.
    auto click = [&box, sync] {
        RunUserAction([&] { box.UserClick(); });
        sync();
    };
    QObject::connect(widget, &QCheckBox::clicked, widget, click);
    QObject::connect(widget, &QCheckBox::stateChanged, widget, click);
    return widget;
}

QRadioButton* ControlViews::MakeOptionButton(OptionButton& button, QWidget* parent) {
    auto* widget = new OptionView(parent);
    widget->setObjectName(Q(button.Name()));
    widget->sync = [widget, &button] {
        const QSignalBlocker blocker(widget);
        widget->setText(Q(button.Caption()));
        // Shown exactly as the model holds it, also with none selected, which an exclusive
        // button would refuse.
        widget->setAutoExclusive(false);
        widget->setChecked(button.Value());
        widget->setAutoExclusive(true);
        SyncCommon(widget, button);
    };
    Follow(button, widget->sync);
    QObject::connect(widget, &QRadioButton::clicked, widget, [widget, &button] {
        RunUserAction([&] { button.UserClick(); });
        widget->SyncGroup();
    });
    // Checked from outside (an accessibility client's toggle): the user selects it. Qt clears
    // the one checked before first; the model decides for the whole group when this one follows.
    QObject::connect(widget, &QRadioButton::toggled, widget, [widget, &button](bool checked) {
        if (checked) {
            RunUserAction([&] { button.UserClick(); });
            widget->SyncGroup();
        } else if (!widget->SiblingChecked()) {
            widget->sync();
        }
    });
    return widget;
}

ScrollView* ControlViews::MakeScrollBar(VScrollBar& bar, QWidget* parent) {
    auto* widget = new ScrollView(bar, parent);
    widget->setObjectName(Q(bar.Name()));
    widget->setSingleStep(bar.SmallChange());
    widget->setPageStep(1);
    auto sync = [widget, &bar] {
        const QSignalBlocker blocker(widget);
        const ScrollMapping map = ScrollMapping::Of(bar.Min(), bar.Max());
        widget->setRange(map.qtMin, map.qtMax);
        widget->setValue(map.ToQt(bar.Value()));
        SyncCommon(widget, bar);
    };
    Follow(bar, sync);
    QObject::connect(widget, &QScrollBar::valueChanged, widget, [&bar, sync](int value) {
        const ScrollMapping map = ScrollMapping::Of(bar.Min(), bar.Max());
        RunUserAction([&] { bar.SetValue(static_cast<int16_t>(map.FromQt(value))); });
        sync();
    });
    return widget;
}

}  // namespace kelvora
