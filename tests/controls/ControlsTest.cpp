#include <gtest/gtest.h>

#include "controls/Control.h"

using namespace kelvora;

// The model's contract, which every reaction chain of the window relies on: a write runs the
// reaction nested (it sees the new value, and the writer goes on only after it and what it
// causes are done); an equal write runs nothing, which ends a chain that writes back. The
// behaviour tests show the rest of the model at work.
TEST(ControlModel, WritesRunReactionsNestedAndEqualWritesRunNone) {
    TextBox a{"a"}, b{"b"};
    std::vector<std::string> log;
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
    EXPECT_EQ(log, (std::vector<std::string>{"a:x", "b:x!", "a done", "writer", "a:bad", "a:"}));
}
