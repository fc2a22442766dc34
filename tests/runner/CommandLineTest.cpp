#include "runner/CommandLine.h"

#include <gtest/gtest.h>

#include "runner/DOSOutputs.h"
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

TEST(CommandLine, OnlyTheProgramsOwnFolderWildcardIsExpanded) {
    TempDir dir;
    for (const char* name : {"b.txt", "a.txt", ".hidden", "noext", "c.rar", "*", "report?.txt"}) dir.WriteText(name, "");
    dir.MakeFolder("sub");
    const std::string p = dir.path() + "/";

    // "*.*" is every name: hidden ones, names without a dot and folders too; sorted.
    EXPECT_EQ(ExpandFolderWildcard(p + "*.*"), (Args{p + "*", p + ".hidden", p + "a.txt", p + "b.txt", p + "c.rar",
                                                      p + "noext", p + "report?.txt", p + "sub"}));
    // A chosen name stays one name, whatever it holds; an empty or missing folder stays as it is.
    dir.MakeFolder("empty");
    for (const std::string& kept : {p + "*", p + "report?.txt", p + "*.txt", p + "missing/*.*", p + "empty/*.*"})
        EXPECT_EQ(ExpandFolderWildcard(kept), Args{kept});
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
    // Only a last "*.*" the caller marks as its own is expanded.
    const std::string line = rar + " \"" + (dir / "work/*.*") + "\"";
    EXPECT_EQ(CommandLineToArgv(line, "", true), (Args{rar, dir / "work/one.rar", dir / "work/two.rar"}));
    EXPECT_EQ(CommandLineToArgv(line), (Args{rar, dir / "work/*.*"}));

    // A known program is taken whole, even when a shorter text up to a blank names a file.
    const std::string shadow = dir.WriteText("apps/kp", "");
    const std::string tool = dir.WriteText("apps/kp x/rar", "");
    EXPECT_EQ(CommandLineToArgv(tool + " a -- x", tool), (Args{tool, "a", "--", "x"}));
    EXPECT_EQ(CommandLineToArgv(tool + " a", "")[0], shadow);
}

TEST(CommandLine, LastMeaningfulLineLeavesOutProgress) {
    const std::pair<const char*, const char*> cases[] = {
        {"Creating archive x\n\nAdding  a   OK \nDone\n", "Done"},
        {"Processing: 12.5%\rProcessing: 99.9%\r", ""},
        {"Block size is too small.\r\n   \r\n", "Block size is too small."},
        {"Adding  a    5%\b\b\b\b 50%\b\b\b\b100%", "Adding  a  100%"},
        {"ERROR: Write error\nNo space left on device\n 45%", "No space left on device"},
        {"Error: 12 files: 34%", "Error: 12 files: 34%"},
    };
    for (const auto& [text, line] : cases) EXPECT_EQ(LastMeaningfulLine(text), line) << text;
}
