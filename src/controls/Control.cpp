#include "controls/Control.h"

#include <algorithm>

#include "common/RuntimeError.h"

namespace kelvora {

namespace {

constexpr int32_t InvalidPropertyValue = 380;

// Length in characters of a UTF-8 text.
size_t CharCount(const std::string& s) {
    size_t n = 0;
    for (unsigned char c : s)
        if ((c & 0xC0) != 0x80) ++n;
    return n;
}

// The first `count` characters of a UTF-8 text.
std::string FirstChars(const std::string& s, size_t count) {
    size_t n = 0;
    for (size_t i = 0; i < s.size(); ++i) {
        if ((static_cast<unsigned char>(s[i]) & 0xC0) != 0x80) {
            if (n == count) return s.substr(0, i);
            ++n;
        }
    }
    return s;
}

std::string DropLastChar(const std::string& s) {
    if (s.empty()) return s;
    size_t i = s.size() - 1;
    while (i > 0 && (static_cast<unsigned char>(s[i]) & 0xC0) == 0x80) --i;
    return s.substr(0, i);
}

// The text of one key code (a character code point) as UTF-8.
std::string KeyText(int key) {
    std::string out;
    auto cp = static_cast<uint32_t>(key);
    if (cp < 0x80) {
        out += static_cast<char>(cp);
    } else if (cp < 0x800) {
        out += static_cast<char>(0xC0 | (cp >> 6));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    } else if (cp < 0x10000) {
        out += static_cast<char>(0xE0 | (cp >> 12));
        out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    } else {
        out += static_cast<char>(0xF0 | (cp >> 18));
        out += static_cast<char>(0x80 | ((cp >> 12) & 0x3F));
        out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    }
    return out;
}

// One typed key against a text with a length limit: the new text, or false when refused.
bool ApplyKey(const std::string& text, int key, int maxLength, std::string& result) {
    if (key == KeyBackspace) {
        result = DropLastChar(text);
        return true;
    }
    if (key < 32) return false;  // other control keys insert nothing
    if (maxLength > 0 && CharCount(text) >= static_cast<size_t>(maxLength)) return false;
    result = text + KeyText(key);
    return true;
}

std::string CutToLimit(const std::string& text, int maxLength) {
    if (maxLength <= 0) return text;
    return FirstChars(text, static_cast<size_t>(maxLength));
}

}  // namespace

// ---- Control ----

void Control::SetEnabled(bool enabled) {
    if (enabled_ == enabled) return;
    enabled_ = enabled;
    Notify();
}

bool Control::EffectivelyEnabled() const {
    for (const Control* c = this; c; c = c->container_)
        if (!c->enabled_) return false;
    return true;
}

void Control::SetVisible(bool visible) {
    if (visible_ == visible) return;
    visible_ = visible;
    Notify();
}

int Control::Observe(Observer observer) {
    int id = nextObserver_++;
    observers_.emplace_back(id, std::move(observer));
    return id;
}

void Control::StopObserving(int id) {
    observers_.erase(std::remove_if(observers_.begin(), observers_.end(), [id](auto& o) { return o.first == id; }),
                     observers_.end());
}

void Control::Notify() {
    // Copy: an observer may add or remove observers.
    auto observers = observers_;
    for (auto& o : observers) o.second();
}

void CaptionedControl::SetCaption(const std::string& caption) {
    if (caption_ == caption) return;
    caption_ = caption;
    Notify();
}

void CommandButton::UserClick() {
    if (EffectivelyEnabled() && Click) Click();
}

// ---- TextBox ----

void TextBox::SetText(const std::string& text) {
    if (text_ == text) return;
    text_ = text;
    Notify();
    if (Change) Change();
}

void TextBox::SetLocked(bool locked) {
    if (locked_ == locked) return;
    locked_ = locked;
    Notify();
}

void TextBox::SetBackColor(uint32_t color) {
    if (backColor_ == color) return;
    backColor_ = color;
    Notify();
}

bool TextBox::UserType(int key) {
    if (!EffectivelyEnabled() || locked_) return false;
    if (KeyPress) KeyPress(key);
    if (key == 0) return false;
    std::string next;
    if (!ApplyKey(text_, key, maxLength_, next)) return false;
    SetText(next);
    return true;
}

void TextBox::UserTypeText(const std::string& text) {
    for (unsigned char c : text) UserType(c);
}

void TextBox::UserPaste(const std::string& text) {
    if (!EffectivelyEnabled() || locked_) return;
    SetText(CutToLimit(text_ + text, maxLength_));
}

bool TextBox::UserEdit(const std::string& text) {
    if (!EffectivelyEnabled() || locked_) return false;
    SetText(CutToLimit(text, maxLength_));
    return true;
}

// ---- ComboBox ----

void ComboBox::AddItem(const std::string& item) {
    list_.push_back(item);
    Notify();
}

void ComboBox::Clear() {
    list_.clear();
    listIndex_ = -1;
    bool textChanged = !text_.empty();
    text_.clear();
    Notify();
    if (textChanged && style_ == Style::Editable && Change) Change();
}

void ComboBox::SetListIndex(int index) {
    if (index < -1 || index >= ListCount()) Raise(InvalidPropertyValue, "Invalid property value");
    listIndex_ = index;
    if (index >= 0)
        text_ = list_[static_cast<size_t>(index)];
    else if (style_ == Style::ListOnly)
        text_.clear();
    Notify();
    if (index >= 0 && Click) Click();
}

void ComboBox::SetText(const std::string& text) {
    if (style_ == Style::ListOnly) {
        auto it = std::find(list_.begin(), list_.end(), text);
        if (it == list_.end()) Raise(383, "'Text' property is read-only");
        SetListIndex(static_cast<int>(it - list_.begin()));
        return;
    }
    if (text_ == text) return;
    text_ = text;
    if (listIndex_ >= 0 && list_[static_cast<size_t>(listIndex_)] != text_) listIndex_ = -1;
    Notify();
    if (Change) Change();
}

bool ComboBox::UserType(int key) {
    if (!EffectivelyEnabled() || style_ == Style::ListOnly) return false;
    if (KeyPress) KeyPress(key);
    if (key == 0) return false;
    std::string next;
    if (!ApplyKey(text_, key, 0, next)) return false;
    SetText(next);
    return true;
}

void ComboBox::UserTypeText(const std::string& text) {
    for (unsigned char c : text) UserType(c);
}

void ComboBox::UserPaste(const std::string& text) {
    if (!EffectivelyEnabled() || style_ == Style::ListOnly) return;
    SetText(text_ + text);
}

bool ComboBox::UserEdit(const std::string& text) {
    if (!EffectivelyEnabled() || style_ == Style::ListOnly) return false;
    SetText(text);
    return true;
}

void ComboBox::UserPick(int index) {
    if (!EffectivelyEnabled() || index < 0 || index >= ListCount()) return;
    SetListIndex(index);
}

// ---- CheckBox ----

void CheckBox::SetValue(int value) {
    if (value < 0 || value > 2) Raise(InvalidPropertyValue, "Invalid property value");
    if (value_ == value) return;
    value_ = value;
    Notify();
    if (Click) Click();
}

void CheckBox::UserClick() {
    if (!EffectivelyEnabled()) return;
    SetValue(value_ == 1 ? 0 : 1);
}

// ---- Option buttons ----

void OptionButton::SetValue(bool value) {
    if (value_ == value) return;
    if (!value) {
        value_ = false;
        Notify();
        return;
    }
    for (auto& other : group_.buttons_) {
        if (other.get() != this && other->value_) {
            other->value_ = false;
            other->Notify();
        }
    }
    value_ = true;
    Notify();
    if (group_.Click) group_.Click(index_);
}

void OptionButton::UserClick() {
    if (EffectivelyEnabled()) SetValue(true);
}

OptionGroup::OptionGroup(const std::string& name, int count) {
    for (int i = 0; i < count; ++i)
        buttons_.push_back(std::make_unique<OptionButton>(name + "(" + std::to_string(i) + ")", *this, i));
}

OptionButton& OptionGroup::operator[](int index) { return *buttons_.at(static_cast<size_t>(index)); }
const OptionButton& OptionGroup::operator[](int index) const { return *buttons_.at(static_cast<size_t>(index)); }

int OptionGroup::Selected() const {
    for (auto& b : buttons_)
        if (b->Value()) return b->Index();
    return -1;
}

// ---- VScrollBar ----

void VScrollBar::SetMin(int16_t min) {
    if (min_ == min) return;
    min_ = min;
    Notify();
    ClampValue();
}

void VScrollBar::SetMax(int16_t max) {
    if (max_ == max) return;
    max_ = max;
    Notify();
    ClampValue();
}

void VScrollBar::ClampValue() {
    int16_t lo = std::min(min_, max_), hi = std::max(min_, max_);
    int16_t v = std::clamp(value_, lo, hi);
    if (v != value_) SetValue(v);
}

void VScrollBar::SetValue(int16_t value) {
    if (value < std::min(min_, max_) || value > std::max(min_, max_))
        Raise(InvalidPropertyValue, "Invalid property value");
    if (value_ == value) return;
    value_ = value;
    Notify();
    if (Change) Change();
}

void VScrollBar::UserArrowUp() {
    if (!EffectivelyEnabled() || value_ == min_) return;
    SetValue(static_cast<int16_t>(min_ > max_ ? value_ + 1 : value_ - 1));
}

void VScrollBar::UserArrowDown() {
    if (!EffectivelyEnabled() || value_ == max_) return;
    SetValue(static_cast<int16_t>(min_ > max_ ? value_ - 1 : value_ + 1));
}

// ---- MenuItem ----

void MenuItem::SetChecked(bool checked) {
    if (checked_ == checked) return;
    checked_ = checked;
    Notify();
}

void MenuItem::SetPicture(const std::string& picture) {
    if (picture_ == picture) return;
    picture_ = picture;
    Notify();
}

void MenuItem::UserClick() {
    if (EffectivelyEnabled() && !IsSeparator() && Click) Click();
}

// ---- PictureBox ----

void PictureBox::SetInnerSizePx(double width, double height) {
    widthPx_ = width;
    heightPx_ = height;
}

void PictureBox::Cls() {
    record_.clear();
    Notify();
}

void PictureBox::Print(double x, double y, const std::string& text) {
    Draw({DrawOp::Kind::Print, x, y, 0, 0, text, ForeColor, DrawMode});
}

void PictureBox::Box(double x1, double y1, double x2, double y2) {
    Draw({DrawOp::Kind::Box, x1, y1, x2, y2, "", ForeColor, DrawMode});
}

void PictureBox::Draw(DrawOp op) {
    record_.push_back(std::move(op));
    Notify();
}

}  // namespace kelvora
