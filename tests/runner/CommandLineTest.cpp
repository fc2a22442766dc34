#include "runner/CommandLine.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "support/TempDir.h"
#include "runner/OutsideTools.h"

using namespace kelvora;
using kelvora::test::TempDir;
using Args = std::vector<std::string>;

TEST(SplitCommandLine, BlanksSeparateAndQuotesGroup) {
    EXPECT_EQ(SplitCommandLine(""), Args{});
    EXPECT_EQ(SplitCommandLine(" \t "), Args{});
    EXPECT_EQ(SplitCommandLine("a b\tc"), (Args{"a", "b", "c"}));
    EXPECT_EQ(SplitCommandLine("  a   b  "), (Args{"a", "b"}));
    EXPECT_EQ(SplitCommandLine("\"a b\" c"), (Args{"a b", "c"}));
    EXPECT_EQ(SplitCommandLine("x\"a b\"y z"), (Args{"xa by", "z"}));
    EXPECT_EQ(SplitCommandLine("\"\" \"\""), (Args{"", ""}));
    EXPECT_EQ(SplitCommandLine("\"open ended"), (Args{"open ended"}));
    EXPECT_EQ(SplitCommandLine("-- \"D:/Out/Kelvora0001/Holiday.rar\" \"/src dir\""),
              (Args{"--", "D:/Out/Kelvora0001/Holiday.rar", "/src dir"}));
}

TEST(SplitCommandLine, BackslashesCountOnlyBeforeAQuote) {
    EXPECT_EQ(SplitCommandLine(R"(a\b c\\d)"), (Args{R"(a\b)", R"(c\\d)"}));
    EXPECT_EQ(SplitCommandLine(R"(a\"b)"), (Args{R"(a"b)"}));
    EXPECT_EQ(SplitCommandLine(R"(a\\"b c")"), (Args{R"(a\b c)"}));
    EXPECT_EQ(SplitCommandLine(R"(a\\\"b c)"), (Args{R"(a\"b)", "c"}));
    EXPECT_EQ(SplitCommandLine(R"("a\\" b)"), (Args{R"(a\)", "b"}));
    EXPECT_EQ(SplitCommandLine(R"("C:\Program Files\\")"), (Args{R"(C:\Program Files\)"}));
    EXPECT_EQ(SplitCommandLine(R"(trail\)"), (Args{R"(trail\)"}));
    // Inside quotes a doubled quote is one literal quote and the group goes on.
    EXPECT_EQ(SplitCommandLine(R"("a""b c" d)"), (Args{R"(a"b c)", "d"}));
}

TEST(QuoteArgument, LeavesOrdinaryTextAsItStandsAndRoundTripsTheRest) {
    EXPECT_EQ(QuoteArgument("/home/a b/file.rar"), "\"/home/a b/file.rar\"");
    EXPECT_EQ(QuoteArgument(R"(C:\Out\Kelvora0001\*.*)"), R"("C:\Out\Kelvora0001\*.*")");
    EXPECT_EQ(QuoteArgument(""), "\"\"");
    EXPECT_EQ(QuoteArgument(R"(a"b)"), R"("a\"b")");
    EXPECT_EQ(QuoteArgument(R"(end\)"), R"("end\\")");

    const Args tricky = {"",        "\"",       "\"\"",      "a\"b",      "\\",         "\\\\",
                         "end\\",   "a\\\"b",   "a\\\\\"b",  "\"quoted\"", "\\\"",      "x\"\"y",
                         " lead",   "tab\tin",  "a b \\",    "\\\\server\\share\\", "mixed \\\" \"\\ end\\\\"};
    std::string line;
    for (const auto& t : tricky) {
        EXPECT_EQ(SplitCommandLine(QuoteArgument(t)), Args{t}) << t;
        line += QuoteArgument(t) + " ";
    }
    EXPECT_EQ(SplitCommandLine(line), tricky);
}

TEST(ExpandWildcards, MatchesTheWayWindowsToolsDo) {
    TempDir dir;
    dir.WriteText("b.txt", "");
    dir.WriteText("a.txt", "");
    dir.WriteText(".hidden", "");
    dir.WriteText("noext", "");
    dir.WriteText("c.rar", "");
    dir.MakeFolder("sub");
    const std::string p = dir.path() + "/";

    // "*.*" is every name: hidden ones, names without a dot and folders too; sorted.
    EXPECT_EQ(ExpandWildcards({p + "*.*"}),
              (Args{p + ".hidden", p + "a.txt", p + "b.txt", p + "c.rar", p + "noext", p + "sub"}));
    EXPECT_EQ(ExpandWildcards({p + "*.txt"}), (Args{p + "a.txt", p + "b.txt"}));
    EXPECT_EQ(ExpandWildcards({p + "?.rar", "plain"}), (Args{p + "c.rar", "plain"}));
    EXPECT_EQ(ExpandWildcards({p + ".h*"}), (Args{p + ".hidden"}));

    // No match, or a folder that does not exist: the argument stays as it is.
    EXPECT_EQ(ExpandWildcards({p + "*.zip"}), (Args{p + "*.zip"}));
    EXPECT_EQ(ExpandWildcards({p + "missing/*.*"}), (Args{p + "missing/*.*"}));
    // Only the last component counts, and switches are left alone.
    EXPECT_EQ(ExpandWildcards({p + "s*/x"}), (Args{p + "s*/x"}));
    EXPECT_EQ(ExpandWildcards({"-x*.*", "-v15728640b"}), (Args{"-x*.*", "-v15728640b"}));
    EXPECT_EQ(ExpandWildcards({}), Args{});
}

TEST(CommandLineToArgv, FindsTheProgramLikeProcessCreation) {
    TempDir dir;
    dir.MakeFolder("a b/kelvora");
    std::string rar = dir.WriteText("a b/kelvora/rar", "");
    dir.WriteText("work/one.rar", "");
    dir.WriteText("work/two.rar", "");

    // An unquoted program folder with blanks is found by trying the longer texts.
    EXPECT_EQ(CommandLineToArgv(rar + " a -r -ep1 -m3 -- \"" + (dir / "arch.rar") + "\" \"/src\""),
              (Args{rar, "a", "-r", "-ep1", "-m3", "--", dir / "arch.rar", "/src"}));
    // Quoted: up to the closing quote, no escapes.
    EXPECT_EQ(CommandLineToArgv("  \"" + rar + "\" x"), (Args{rar, "x"}));
    // Nothing exists: the first blank ends the program.
    EXPECT_EQ(CommandLineToArgv(dir / "no such/prog arg"), (Args{dir / "no", "such/prog", "arg"}));
    EXPECT_EQ(CommandLineToArgv("prog"), Args{"prog"});
    EXPECT_EQ(CommandLineToArgv(" \t"), Args{});
    // Wildcards are expanded in the arguments, never in the program.
    EXPECT_EQ(CommandLineToArgv(rar + " create \"" + (dir / "work/*.*") + "\""),
              (Args{rar, "create", dir / "work/one.rar", dir / "work/two.rar"}));
}

TEST(OutsideTools, ToolsLieInTheProgramFolderUnderFixedNames) {
    EXPECT_EQ(RarToolName(), "rar");
    EXPECT_EQ(Par2ToolName(), "par2");
    EXPECT_EQ(RarToolPath("/opt/kelvora"), "/opt/kelvora/rar");
    EXPECT_EQ(Par2ToolPath("/home/a b/kelvora"), "/home/a b/kelvora/par2");
}
