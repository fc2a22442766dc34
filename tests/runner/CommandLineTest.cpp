#include "runner/CommandLine.h"

#include <gtest/gtest.h>

#include "support/TempDir.h"

using namespace kelvora;
using kelvora::test::TempDir;
using Args = std::vector<std::string>;

TEST(CommandLine, SplitsByTheWindowsRules) {
    const std::pair<std::string, Args> cases[] = {
        {" \t ", {}},
        {"  a   b\tc  ", {"a", "b", "c"}},
        {R"("a b" x"a b"y)", {"a b", "xa by"}},
        {R"("" "")", {"", ""}},
        {R"("open ended)", {"open ended"}},
        // Backslashes count only before a quote: 2n give n and a toggle, 2n+1 give n and a quote.
        {R"(a\b c\\d trail\)", {R"(a\b)", R"(c\\d)", R"(trail\)"}},
        {R"(a\"b a\\"b c" a\\\"b)", {R"(a"b)", R"(a\b c)", R"(a\"b)"}},
        {R"("C:\Program Files\\" x)", {R"(C:\Program Files\)", "x"}},
        {R"("a""b c" d)", {R"(a"b c)", "d"}},  // inside quotes "" is one literal quote
    };
    for (const auto& [line, args] : cases) EXPECT_EQ(SplitCommandLine(line), args) << line;

    // Quoting escapes only what needs it; the round trip through a real child is a runner test.
    EXPECT_EQ(QuoteArgument(R"(C:\Out\Kelvora0001\*.*)"), R"("C:\Out\Kelvora0001\*.*")");
    EXPECT_EQ(QuoteArgument(R"(a"b)"), R"("a\"b")");
    EXPECT_EQ(QuoteArgument(R"(end\)"), R"("end\\")");
}

TEST(CommandLine, WildcardsExpandLikeWindowsTools) {
    TempDir dir;
    for (const char* name : {"b.txt", "a.txt", ".hidden", "noext", "c.rar"}) dir.WriteText(name, "");
    dir.MakeFolder("sub");
    const std::string p = dir.path() + "/";

    // "*.*" is every name: hidden ones, names without a dot and folders too; sorted.
    EXPECT_EQ(ExpandWildcards({p + "*.*"}),
              (Args{p + ".hidden", p + "a.txt", p + "b.txt", p + "c.rar", p + "noext", p + "sub"}));
    EXPECT_EQ(ExpandWildcards({p + "*.txt", p + "?.rar", "plain"}), (Args{p + "a.txt", p + "b.txt", p + "c.rar", "plain"}));
    // No match, a missing folder, a pattern before the last component, a switch: left as they are.
    const Args kept = {p + "*.zip", p + "missing/*.*", p + "s*/x", "-x*.*"};
    EXPECT_EQ(ExpandWildcards(kept), kept);
}

TEST(CommandLine, ProgramIsFoundLikeProcessCreationDoesIt) {
    TempDir dir;
    const std::string rar = dir.WriteText("a b/kelvora/rar", "");
    dir.WriteText("work/one.rar", "");
    dir.WriteText("work/two.rar", "");

    // An unquoted program folder with blanks is found by trying the longer texts.
    EXPECT_EQ(CommandLineToArgv(rar + " a -m3 -- \"" + (dir / "arch.rar") + "\" \"/src\""),
              (Args{rar, "a", "-m3", "--", dir / "arch.rar", "/src"}));
    EXPECT_EQ(CommandLineToArgv("  \"" + rar + "\" x"), (Args{rar, "x"}));
    // Nothing exists: the first blank ends the program.
    EXPECT_EQ(CommandLineToArgv(dir / "no such/prog arg"), (Args{dir / "no", "such/prog", "arg"}));
    EXPECT_EQ(CommandLineToArgv(" \t"), Args{});
    // Wildcards are expanded in the arguments.
    EXPECT_EQ(CommandLineToArgv(rar + " \"" + (dir / "work/*.*") + "\""),
              (Args{rar, dir / "work/one.rar", dir / "work/two.rar"}));
}
