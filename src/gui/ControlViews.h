#pragma once
#include <QScrollBar>
#include <functional>
#include <utility>
#include <vector>

class QCheckBox;
class QComboBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QRadioButton;
class QWidget;

namespace kelvora {

class CheckBox;
class ComboBox;
class CommandButton;
class Control;
class Frame;
class Label;
class OptionButton;
class Panel;
class TextBox;
class VScrollBar;
class ScrollView;

// Runs a user action on the model. A failure the behaviour did not handle is shown, not thrown
// through the toolkit.
void RunUserAction(const std::function<void()>& action);

// Makes one Qt widget per model control and keeps the two in step: a model change updates the
// widget with its signals blocked; user input goes through the model (key filter, setters,
// clicks), after which the widget shows the model's state. Any change of a widget that arrives
// with its signals unblocked comes from outside the model (a mouse, a key, an accessibility
// client's action or text edit), so each is such input: a check box or option button set from
// outside, a text replaced from outside, go through the model like a click or a typed text.
// Each widget's objectName is its control's name. Stops observing the model when destroyed.
class ControlViews {
public:
    ControlViews() = default;
    ~ControlViews();
    ControlViews(const ControlViews&) = delete;
    ControlViews& operator=(const ControlViews&) = delete;

    QLabel* MakeLabel(kelvora::Label& label, QWidget* parent);
    QGroupBox* MakeFrame(Frame& frame, QWidget* parent);
    QWidget* MakePanel(Panel& panel, QWidget* parent);
    QPushButton* MakeButton(CommandButton& button, QWidget* parent);
    QLineEdit* MakeTextBox(TextBox& box, QWidget* parent);
    QComboBox* MakeComboBox(ComboBox& box, QWidget* parent);
    QCheckBox* MakeCheckBox(CheckBox& box, QWidget* parent);
    QRadioButton* MakeOptionButton(OptionButton& button, QWidget* parent);
    ScrollView* MakeScrollBar(VScrollBar& bar, QWidget* parent);

    // Observes `control` with `sync` and runs it once now.
    void Follow(Control& control, std::function<void()> sync);

private:
    std::vector<std::pair<Control*, int>> observers_;
};

// The scroll bar's model values as Qt values: Qt's minimum is at the top, like the model's Min,
// but Qt needs minimum <= maximum; when Min > Max the values are negated.
struct ScrollMapping {
    int qtMin, qtMax;
    bool negated;
    static ScrollMapping Of(int min, int max);
    int ToQt(int value) const { return negated ? -value : value; }
    int FromQt(int value) const { return negated ? -value : value; }
};

// The scroll bar's view: a Qt value stands for a model value through the mapping, which screen
// readers are told instead of Qt's (possibly negated) one.
class ScrollView : public QScrollBar {
public:
    ScrollView(VScrollBar& bar, QWidget* parent) : QScrollBar(Qt::Vertical, parent), bar_(bar) {}
    // The model's value, and its lowest and highest possible values.
    int ModelValue() const;
    int ModelLowest() const;
    int ModelHighest() const;
    // Moves the bar to a model value, as a user would: clamped to the range, through the model.
    void SetModelValue(int value);

private:
    VScrollBar& bar_;
};

}  // namespace kelvora
