#include <gtest/gtest.h>

#include "common/RuntimeError.h"
#include "controls/Control.h"

using namespace kelvora;
using Log = std::vector<std::string>;

// A write runs the reaction nested: the reaction sees the new value, and the writer goes on only
// after it (and what it causes) is done. An equal write runs nothing, which ends a chain that
// writes back.
TEST(ControlModel, WritesRunReactionsNestedAndEqualWritesRunNone) {
    TextBox a{"a"}, b{"b"};
    Log log;
    a.Change = [&] {
        log.push_back("a:" + a.Text());
        if (a.Text() == "bad") a.SetText("");  // re-runs this reaction once, with ""
        if (!a.Text().empty()) b.SetText(a.Text() + "!"), log.push_back("a done");
    };
    b.Change = [&] { log.push_back("b:" + b.Text()); };
    a.SetText("x");
    log.push_back("writer");
    a.SetText("x");
    a.SetText("bad");
    EXPECT_EQ(log, (Log{"a:x", "b:x!", "a done", "writer", "a:bad", "a:"}));
}

// The key filter and the length limit stand between the user and the text, never the program.
// A disabled container stops the user's clicks, not the program's writes, and leaves the
// control's own state alone.
TEST(ControlModel, UserInputGoesThroughFilterLimitAndContainers) {
    TextBox t{"t"};
    t.SetMaxLength(3);
    t.KeyPress = [](int& key) { key = key == KeyBackspace || (key >= '0' && key <= '9') ? key : 0; };
    t.UserTypeText("1a2b34");
    t.UserType(KeyBackspace);
    t.UserPaste("999");  // cut to the limit
    EXPECT_EQ(t.Text(), "129");
    t.SetText("123456");
    EXPECT_EQ(t.Text(), "123456");

    Frame frame{"Frame2"};
    CheckBox c{"chkPause"};
    c.SetContainer(&frame);
    Log clicks;
    c.Click = [&] { clicks.push_back(std::to_string(c.Value())); };
    frame.SetEnabled(false);
    c.UserClick();
    EXPECT_TRUE(c.Enabled() && !c.EffectivelyEnabled());
    c.SetValue(2);
    frame.SetEnabled(true);
    c.UserClick();  // greyed -> checked
    EXPECT_EQ(clicks, (Log{"2", "1"}));
    EXPECT_THROW(c.SetValue(3), RuntimeError);
}
