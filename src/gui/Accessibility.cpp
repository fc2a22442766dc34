#include "gui/Accessibility.h"

#include <QAbstractItemView>
#include <QAccessibleWidget>
#include <QComboBox>
#include <QHash>
#include <QLineEdit>
#include <QPointer>

#include "gui/ControlViews.h"
#include "gui/ProgressView.h"

namespace kelvora {

namespace {

using Relations = QList<QPair<QAccessibleInterface*, QAccessible::Relation>>;

QHash<const QObject*, QList<QPointer<QWidget>>>& ExtraCaptions() {
    static QHash<const QObject*, QList<QPointer<QWidget>>> captions;
    return captions;
}

// Qt's relations (label buddies) and the captions added for the field.
Relations WithExtraCaptions(const QAccessibleWidget& field, QAccessible::Relation match) {
    Relations relations = field.QAccessibleWidget::relations(match);
    if (!(match & QAccessible::Label)) return relations;
    for (const QPointer<QWidget>& caption : ExtraCaptions().value(field.object()))
        if (caption)
            if (QAccessibleInterface* label = QAccessible::queryAccessibleInterface(caption.data()))
                relations.append({label, QAccessible::Label});
    return relations;
}

// Qt's own combo box interface (which is not public), with the captions added as labelled-by.
// The name follows Qt's convention: where screen readers take the caption from the labelled-by
// relation (AT-SPI) it is the text shown, the value, as for Qt's other combo boxes; elsewhere
// the accessible name or the buddy label's caption, with the text shown as the value.
class ComboBoxInterface : public QAccessibleWidget {
public:
    explicit ComboBoxInterface(QComboBox* box) : QAccessibleWidget(box, QAccessible::ComboBox) {}

    QString text(QAccessible::Text t) const override {
        if (t == QAccessible::Value) return Shown();
        if (t == QAccessible::Name) {
#ifdef Q_OS_UNIX
            if (!Shown().isEmpty()) return Shown();
#endif
            const QString name = QAccessibleWidget::text(t);
            return name.isEmpty() ? Shown() : name;
        }
        return QAccessibleWidget::text(t);
    }
    Relations relations(QAccessible::Relation match) const override { return WithExtraCaptions(*this, match); }

    // The children are the popup list and, when the box is editable, its text field.
    int childCount() const override { return Box()->isEditable() ? 2 : 1; }
    QAccessibleInterface* child(int index) const override {
        if (index == 0) return QAccessible::queryAccessibleInterface(Box()->view());
        if (index == 1 && Box()->isEditable()) return QAccessible::queryAccessibleInterface(Box()->lineEdit());
        return nullptr;
    }
    int indexOfChild(const QAccessibleInterface* child) const override {
        if (child->object() == Box()->view()) return 0;
        if (Box()->isEditable() && child->object() == Box()->lineEdit()) return 1;
        return -1;
    }
    QAccessibleInterface* childAt(int x, int y) const override {
        if (Box()->isEditable() && Box()->lineEdit()->geometry().contains(Box()->mapFromGlobal(QPoint(x, y))))
            return child(1);
        return nullptr;
    }
    // The box is its text field's focus proxy; the field is where typing goes.
    QAccessibleInterface* focusChild() const override { return Box()->isEditable() ? child(1) : nullptr; }

    QStringList actionNames() const override { return {showMenuAction(), pressAction()}; }
    void doAction(const QString& action) override {
        if (action != showMenuAction() && action != pressAction()) return;
        if (Box()->view()->isVisible())
            Box()->hidePopup();
        else
            Box()->showPopup();
    }
    QStringList keyBindingsForAction(const QString&) const override { return {}; }

private:
    QComboBox* Box() const { return static_cast<QComboBox*>(widget()); }
    QString Shown() const { return Box()->isEditable() ? Box()->lineEdit()->text() : Box()->currentText(); }
};

// The scroll bar in the model's values: Qt's own would tell the negated values the view uses
// when the model's top end is the larger one, and take them from a client too.
class ScrollBarInterface : public QAccessibleWidget, public QAccessibleValueInterface {
public:
    explicit ScrollBarInterface(ScrollView* bar) : QAccessibleWidget(bar, QAccessible::ScrollBar) {}

    void* interface_cast(QAccessible::InterfaceType t) override {
        if (t == QAccessible::ValueInterface) return static_cast<QAccessibleValueInterface*>(this);
        return QAccessibleWidget::interface_cast(t);
    }
    QString text(QAccessible::Text t) const override {
        return t == QAccessible::Value ? QString::number(Bar()->ModelValue()) : QAccessibleWidget::text(t);
    }
    Relations relations(QAccessible::Relation match) const override { return WithExtraCaptions(*this, match); }
    QVariant currentValue() const override { return Bar()->ModelValue(); }
    // As the user moves it: through the model, which may change what it takes.
    void setCurrentValue(const QVariant& value) override {
        if (widget()->isEnabled()) Bar()->SetModelValue(value.toInt());
    }
    QVariant maximumValue() const override { return Bar()->ModelHighest(); }
    QVariant minimumValue() const override { return Bar()->ModelLowest(); }
    QVariant minimumStepSize() const override { return Bar()->singleStep(); }

private:
    ScrollView* Bar() const { return static_cast<ScrollView*>(widget()); }
};

// The drawn bar is a progress bar to screen readers, its value the percentage it shows.
class DrawnProgressBar : public QAccessibleWidget, public QAccessibleValueInterface {
public:
    explicit DrawnProgressBar(ProgressView* view) : QAccessibleWidget(view, QAccessible::ProgressBar) {}

    void* interface_cast(QAccessible::InterfaceType t) override {
        if (t == QAccessible::ValueInterface) return static_cast<QAccessibleValueInterface*>(this);
        return QAccessibleWidget::interface_cast(t);
    }
    QString text(QAccessible::Text t) const override {
        return t == QAccessible::Value ? QString::number(Percent()) + u'%' : QAccessibleWidget::text(t);
    }
    QVariant currentValue() const override { return Percent(); }
    void setCurrentValue(const QVariant&) override {}  // it shows progress, it takes none
    QVariant maximumValue() const override { return 100; }
    QVariant minimumValue() const override { return 0; }
    QVariant minimumStepSize() const override { return 1; }

private:
    int Percent() const { return static_cast<ProgressView*>(widget())->Percent(); }
};

QAccessibleInterface* WindowInterfaces(const QString& className, QObject* object) {
    if (className == QLatin1String("QComboBox"))
        if (auto* box = qobject_cast<QComboBox*>(object)) return new ComboBoxInterface(box);
    if (className == QLatin1String("QScrollBar"))
        if (auto* bar = dynamic_cast<ScrollView*>(object)) return new ScrollBarInterface(bar);
    if (className == QLatin1String(ProgressView::staticMetaObject.className()))
        if (auto* view = qobject_cast<ProgressView*>(object)) return new DrawnProgressBar(view);
    return nullptr;
}

}  // namespace

void InstallAccessibility() { QAccessible::installFactory(WindowInterfaces); }

void AddLabelledBy(QWidget* field, QWidget* caption) {
    if (!field || !caption) return;
    auto& captions = ExtraCaptions();
    if (!captions.contains(field))
        QObject::connect(field, &QObject::destroyed, [field] { ExtraCaptions().remove(field); });
    captions[field].append(caption);
}

}  // namespace kelvora
