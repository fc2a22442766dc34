#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "common/RuntimeError.h"
#include "controls/Control.h"

using namespace kelvora;
using Log = std::vector<std::string>;

// A write runs the reaction nested: the reaction sees the new value, and the writer goes on only
// after it (and what it causes) is done. An equal write runs nothing, which ends self-clearing.
TEST(ControlModel, WritesRunReactionsNestedAndEqualWritesRunNone) {
    TextBox a{"a"}, b{"b"};
    Log log;
    a.Change = [&] {
        log.push_back("a:" + a.Text());
        if (a.Text() == "bad") a.SetText("");  // re-runs this reaction once, with ""
        if (a.Text().empty()) return;
        b.SetText(a.Text() + "!");
        log.push_back("a done");
    };
    b.Change = [&] { log.push_back("b:" + b.Text()); };
    a.SetText("x");
    log.push_back("writer");
    a.SetText("x");
    a.SetText("bad");
    EXPECT_EQ(log, (Log{"a:x", "b:x!", "a done", "writer", "a:bad", "a:"}));
}

TEST(ControlModel, KeyFilterSwallowsAndMaxLengthLimitsUserInputOnly) {
    TextBox t{"t"};
    t.SetMaxLength(3);
    t.KeyPress = [](int& key) {
        if (key != KeyBackspace && (key < '0' || key > '9')) key = 0;
    };
    t.UserTypeText("1a2b34");
    EXPECT_EQ(t.Text(), "123");
    EXPECT_TRUE(t.UserType(KeyBackspace));
    t.UserPaste("999");  // cut to the limit
    EXPECT_EQ(t.Text(), "129");
    t.SetText("123456");  // the program is not limited
    EXPECT_EQ(t.Text(), "123456");
}

TEST(ControlModel, PickingAListItemIsAClickNotAChange) {
    ComboBox c{"c", ComboBox::Style::Editable};
    int clicks = 0, changes = 0;
    c.Click = [&] { ++clicks; };
    c.Change = [&] { ++changes; };
    c.AddItem("10");
    c.AddItem("20");
    c.UserPick(1);
    EXPECT_EQ(c.Text(), "20");
    c.UserTypeText("5");
    EXPECT_EQ(c.Text(), "205");
    EXPECT_EQ(c.ListIndex(), -1);
    EXPECT_EQ(clicks, 1);
    EXPECT_EQ(changes, 1);

    ComboBox list{"list", ComboBox::Style::ListOnly};
    list.Click = [&] { ++clicks; };
    list.AddItem("Bytes");
    list.AddItem("MegaBytes");
    list.SetListIndex(1);
    list.SetListIndex(1);  // choosing again is another click
    EXPECT_EQ(list.Text(), "MegaBytes");
    EXPECT_EQ(clicks, 3);
    EXPECT_THROW(list.SetListIndex(2), RuntimeError);
    list.Clear();
    EXPECT_EQ(list.ListIndex(), -1);
    EXPECT_EQ(list.Text(), "");
}

TEST(ControlModel, OptionButtonsClearEachOtherAndCheckBoxesHoldThreeValues) {
    OptionGroup g{"OptPars", 3};
    std::vector<int> clicks;
    g.Click = [&](int i) {
        clicks.push_back(i);
        EXPECT_EQ(g.Selected(), i);  // the others are cleared before the reaction runs
    };
    g[1].SetValue(true);
    g[2].SetValue(true);
    g[2].SetValue(true);  // already selected: nothing
    EXPECT_FALSE(g[1].Value());
    EXPECT_EQ(clicks, (std::vector<int>{1, 2}));

    CheckBox c{"c"};
    std::vector<int> seen;
    c.Click = [&] { seen.push_back(c.Value()); };
    c.SetValue(2);
    c.SetValue(2);
    c.UserClick();  // greyed -> checked
    c.UserClick();  // checked -> unchecked
    EXPECT_EQ(seen, (std::vector<int>{2, 1, 0}));
    EXPECT_THROW(c.SetValue(3), RuntimeError);
}

TEST(ControlModel, ScrollBarWithTopAboveBottom) {
    VScrollBar s{"s"};
    std::vector<int> values;
    s.Change = [&] { values.push_back(s.Value()); };
    s.SetMin(3);  // top end 3, bottom end 1
    for (int i = 0; i < 3; ++i) s.UserArrowUp();  // up raises, and stops at the top
    s.UserArrowDown();
    EXPECT_EQ(values, (std::vector<int>{2, 3, 2}));
    s.SetMin(0);  // the range now ends at 1: the value stays inside
    EXPECT_EQ(s.Value(), 1);
    EXPECT_THROW(s.SetValue(5), RuntimeError);
}

TEST(ControlModel, ContainersDisableUserInputButNotTheControlsOwnState) {
    Frame frame{"Frame2"};
    Panel panel{"Picture2"};
    panel.SetContainer(&frame);
    CheckBox c{"chkPause"};
    c.SetContainer(&panel);
    MenuItem menu{"mnuH"}, item{"mnuAbout"};
    item.SetContainer(&menu);
    int clicks = 0;
    c.Click = item.Click = [&] { ++clicks; };
    frame.SetEnabled(false);
    menu.SetEnabled(false);
    EXPECT_TRUE(c.Enabled());
    EXPECT_FALSE(c.EffectivelyEnabled());
    c.UserClick();
    item.UserClick();
    EXPECT_EQ(clicks, 0);
    c.SetValue(1);  // the program still writes
    EXPECT_EQ(clicks, 1);
    frame.SetEnabled(true);
    menu.SetEnabled(true);
    c.UserClick();
    item.UserClick();
    EXPECT_EQ(clicks, 3);
}

TEST(ControlModel, ObserversSeeEveryChangeAndThePictureBoxKeepsItsRecord) {
    PictureBox p{"PicPB"};
    int notified = 0;
    int id = p.Observe([&] { ++notified; });
    p.ForeColor = 255;
    p.DrawMode = 10;
    p.Print(10, 2, "(45%)");
    p.Box(0, 0, 45, 15);
    ASSERT_EQ(p.Record().size(), 2u);
    EXPECT_EQ(p.Record()[0].text, "(45%)");
    EXPECT_EQ(p.Record()[1].kind, PictureBox::DrawOp::Kind::Box);
    EXPECT_EQ(p.Record()[1].x2, 45);
    EXPECT_EQ(p.Record()[1].drawMode, 10);
    EXPECT_EQ(p.Record()[1].color, 255u);
    EXPECT_EQ(notified, 2);
    p.StopObserving(id);
    p.Cls();
    EXPECT_TRUE(p.Record().empty());
    EXPECT_EQ(notified, 2);
}
