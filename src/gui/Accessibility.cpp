#include "gui/Accessibility.h"

#include <QAbstractItemView>
#include <QAccessibleWidget>
#include <QComboBox>
#include <QLineEdit>

namespace kelvora {

namespace {

// Qt's own combo box interface, except for the name: the accessible name, else the buddy label's
// caption, and only without either the text shown. The text shown stays the value.
class LabelledComboBox : public QAccessibleWidget {
public:
    explicit LabelledComboBox(QComboBox* box) : QAccessibleWidget(box, QAccessible::ComboBox) {}

    QString text(QAccessible::Text t) const override {
        if (t == QAccessible::Name) {
            const QString name = QAccessibleWidget::text(t);
            return name.isEmpty() ? Shown() : name;
        }
        if (t == QAccessible::Value) return Shown();
        return QAccessibleWidget::text(t);
    }

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

QAccessibleInterface* LabelledInterfaces(const QString& className, QObject* object) {
    if (className == QLatin1String("QComboBox"))
        if (auto* box = qobject_cast<QComboBox*>(object)) return new LabelledComboBox(box);
    return nullptr;
}

}  // namespace

void InstallAccessibility() { QAccessible::installFactory(LabelledInterfaces); }

}  // namespace kelvora
