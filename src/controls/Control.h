#pragma once
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace kelvora {

// Colours as the window speaks of them: 0xBBGGRR, or a system colour.
constexpr uint32_t ColorWhite = 0xFFFFFF;
constexpr uint32_t ColorButtonFace = 0x8000000F;  // the system's button-face colour
constexpr uint32_t ColorWindow = 0x80000005;      // the system's window background

// A control of the window model: its own state, its reactions (set by the wiring) and the
// observers of its view. A reaction runs synchronously inside the write that caused it, just as
// a change by the user does.
class Control {
public:
    explicit Control(std::string name) : name_(std::move(name)) {}
    virtual ~Control() = default;
    Control(const Control&) = delete;
    Control& operator=(const Control&) = delete;

    const std::string& Name() const { return name_; }

    // The control's own enabled state. Disabling a container leaves it untouched.
    bool Enabled() const { return enabled_; }
    void SetEnabled(bool enabled);
    // Usable by the user: enabled itself and every container enabled.
    bool EffectivelyEnabled() const;

    bool Visible() const { return visible_; }
    void SetVisible(bool visible);

    Control* Container() const { return container_; }
    void SetContainer(Control* container) { container_ = container; }

    // Position and size inside the container, in twips (layout of the window).
    struct Rect {
        int left = 0, top = 0, width = 0, height = 0;
    };
    const Rect& Bounds() const { return bounds_; }
    void SetBounds(int left, int top, int width, int height) { bounds_ = {left, top, width, height}; }

    // The view observes every change of state (not only the ones with reactions).
    using Observer = std::function<void()>;
    int Observe(Observer observer);
    void StopObserving(int id);

protected:
    void Notify();

private:
    std::string name_;
    bool enabled_ = true;
    bool visible_ = true;
    Control* container_ = nullptr;
    Rect bounds_;
    std::vector<std::pair<int, Observer>> observers_;
    int nextObserver_ = 1;
};

// Caption-bearing controls: labels, frames, buttons, check boxes, option buttons, menus.
class CaptionedControl : public Control {
public:
    using Control::Control;
    const std::string& Caption() const { return caption_; }
    void SetCaption(const std::string& caption);

private:
    std::string caption_;
};

class Label : public CaptionedControl {
public:
    using CaptionedControl::CaptionedControl;
};

class Frame : public CaptionedControl {
public:
    using CaptionedControl::CaptionedControl;
};

// A borderless container inside a frame.
class Panel : public Control {
public:
    using Control::Control;
};

class CommandButton : public CaptionedControl {
public:
    using CaptionedControl::CaptionedControl;
    std::function<void()> Click;
    // A press by the user: only when usable.
    void UserClick();
};

// Key codes as the key filters see them.
constexpr int KeyBackspace = 8;

class TextBox : public Control {
public:
    using Control::Control;

    const std::string& Text() const { return text_; }
    // A write by the program (or the final text of a user edit): runs Change unless equal.
    void SetText(const std::string& text);

    // Characters the user may type or paste in; 0 = no limit. Program writes are not cut.
    int MaxLength() const { return maxLength_; }
    void SetMaxLength(int maxLength) { maxLength_ = maxLength; }
    bool Locked() const { return locked_; }
    void SetLocked(bool locked);
    uint32_t BackColor() const { return backColor_; }
    void SetBackColor(uint32_t color);

    std::function<void()> Change;
    std::function<void(int& key)> KeyPress;

    // The user types one character at the end of the text (8 = backspace removes the last).
    // Goes through the key filter first; returns false when it was swallowed or refused.
    bool UserType(int key);
    // The user types a whole text, key by key.
    void UserTypeText(const std::string& text);
    // The user pastes a text at the end: no key filter; cut to MaxLength.
    void UserPaste(const std::string& text);
    // The user leaves the field holding `text` by other means than typed keys (an edit inside
    // the text, undo, an accessibility client's text change): no key filter; refused when not
    // usable or locked; cut to MaxLength. Returns false when refused.
    bool UserEdit(const std::string& text);

private:
    std::string text_;
    int maxLength_ = 0;
    bool locked_ = false;
    uint32_t backColor_ = ColorWindow;
};

// Combo box: list-only (text follows the selection) or with an editable text field.
class ComboBox : public Control {
public:
    enum class Style { Editable, ListOnly };
    ComboBox(std::string name, Style style) : Control(std::move(name)), style_(style) {}

    Style GetStyle() const { return style_; }
    const std::vector<std::string>& List() const { return list_; }
    int ListCount() const { return static_cast<int>(list_.size()); }
    void AddItem(const std::string& item);
    // Empties the list and the text.
    void Clear();

    // -1 when nothing is selected.
    int ListIndex() const { return listIndex_; }
    // Selecting an item is a click: runs Click (also for the item already selected), never
    // Change. An index outside -1..ListCount()-1 raises RuntimeError 380 (Invalid property value).
    void SetListIndex(int index);

    const std::string& Text() const { return text_; }
    // Editable combo: a write runs Change unless equal. List-only: selects the matching item.
    void SetText(const std::string& text);

    std::function<void()> Click;
    std::function<void()> Change;
    std::function<void(int& key)> KeyPress;

    // Editable combo: user typing and pasting, as for a text box.
    bool UserType(int key);
    void UserTypeText(const std::string& text);
    void UserPaste(const std::string& text);
    // Editable combo: the user leaves the text field holding `text` by other means than typed
    // keys, as for a text box. Returns false when refused.
    bool UserEdit(const std::string& text);
    // The user picks an item from the list (only when usable).
    void UserPick(int index);

private:
    Style style_;
    std::vector<std::string> list_;
    int listIndex_ = -1;
    std::string text_;
};

class CheckBox : public CaptionedControl {
public:
    using CaptionedControl::CaptionedControl;
    // 0 unchecked, 1 checked, 2 greyed.
    int Value() const { return value_; }
    // Runs Click when the value changes; a value outside 0..2 raises RuntimeError 380.
    void SetValue(int value);
    std::function<void()> Click;
    // A click by the user toggles: checked -> unchecked, otherwise -> checked.
    void UserClick();

private:
    int value_ = 0;
};

class OptionGroup;

class OptionButton : public CaptionedControl {
public:
    OptionButton(std::string name, OptionGroup& group, int index)
        : CaptionedControl(std::move(name)), group_(group), index_(index) {}
    bool Value() const { return value_; }
    // Selecting clears the other buttons of the group and runs the group's Click with this
    // index; selecting the selected one runs nothing. Clearing runs nothing.
    void SetValue(bool value);
    int Index() const { return index_; }
    void UserClick();

private:
    friend class OptionGroup;
    OptionGroup& group_;
    int index_;
    bool value_ = false;
};

// An indexed array of option buttons of which at most one is selected.
class OptionGroup {
public:
    OptionGroup(const std::string& name, int count);
    OptionButton& operator[](int index);
    const OptionButton& operator[](int index) const;
    int Count() const { return static_cast<int>(buttons_.size()); }
    // Index of the selected button, -1 when none.
    int Selected() const;
    std::function<void(int index)> Click;

private:
    friend class OptionButton;
    std::vector<std::unique_ptr<OptionButton>> buttons_;
};

// Vertical scroll bar with 16-bit Min (top end), Max (bottom end) and Value. Min may exceed Max;
// the Value always lies between them. The up arrow moves towards Min.
class VScrollBar : public Control {
public:
    using Control::Control;
    int16_t Min() const { return min_; }
    int16_t Max() const { return max_; }
    int16_t Value() const { return value_; }
    // A range change keeps the Value inside the new range; a Value moved that way is a change.
    void SetMin(int16_t min);
    void SetMax(int16_t max);
    // Runs Change when the value changes; outside the range raises RuntimeError 380.
    void SetValue(int16_t value);
    int16_t SmallChange() const { return 1; }
    std::function<void()> Change;
    // The arrows, as the user clicks them (only when usable).
    void UserArrowUp();
    void UserArrowDown();

private:
    void ClampValue();
    int16_t min_ = 1, max_ = 1, value_ = 1;
};

class MenuItem : public CaptionedControl {
public:
    using CaptionedControl::CaptionedControl;
    bool Checked() const { return checked_; }
    void SetChecked(bool checked);
    // An item that shows its checked state with a check mark (the others show only a picture).
    bool Checkable() const { return checkable_; }
    void SetCheckable(bool checkable) { checkable_ = checkable; }
    bool IsSeparator() const { return Caption() == "-"; }
    // Resource name of the picture shown beside the item ("" for none).
    const std::string& Picture() const { return picture_; }
    void SetPicture(const std::string& picture);
    std::function<void()> Click;
    void UserClick();
    std::vector<MenuItem*> items;  // drop-down items of a menu title

private:
    bool checked_ = false;
    bool checkable_ = false;
    std::string picture_;
};

// A picture box used as a drawing surface: it keeps a record of what was drawn (persistent
// drawing), in its scale units; the view paints the record.
class PictureBox : public Control {
public:
    using Control::Control;

    struct DrawOp {
        enum class Kind { Print, Box };
        Kind kind = Kind::Print;
        double x1 = 0, y1 = 0, x2 = 0, y2 = 0;  // Print: position; Box: corners
        std::string text;
        uint32_t color = 0;
        int drawMode = 13;  // 13 copy pen, 10 not-XOR pen
    };

    // Inner size in pixels (the view sets it from the real widget).
    double InnerWidthPx() const { return widthPx_; }
    double InnerHeightPx() const { return heightPx_; }
    void SetInnerSizePx(double width, double height);

    double ScaleWidth() const { return scaleWidth_; }
    double ScaleHeight() const { return scaleHeight_; }
    void SetScaleWidth(double w) { scaleWidth_ = w; }
    void SetScaleHeight(double h) { scaleHeight_ = h; }

    int DrawMode = 13;
    int FillStyle = 1;  // 1 transparent, 0 solid
    bool AutoRedraw = false;
    uint32_t ForeColor = 0;

    void Cls();
    void Print(double x, double y, const std::string& text);
    void Box(double x1, double y1, double x2, double y2);
    const std::vector<DrawOp>& Record() const { return record_; }
    // Tells the view that the record is complete for now.
    void Refresh() { Notify(); }

private:
    void Draw(DrawOp op);
    double widthPx_ = 525, heightPx_ = 15;
    double scaleWidth_ = 525, scaleHeight_ = 15;
    std::vector<DrawOp> record_;
};

}  // namespace kelvora
