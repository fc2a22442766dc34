#include "runner/CommandLine.h"

#include <gtest/gtest.h>

#include "TempDir.h"
#include "runner/DOSOutputs.h"

using namespace kelvora;
using Args = std::vector<std::string>;

// What the runner makes of a line the job built (the quoting round trip itself goes through a
// real child in DOSOutputsTest).
TEST(CommandLine, ProgramArgumentsAndTheProgramsOwnWildcard) {
    test::TempDir dir;
    const std::string rar = dir.WriteText("a b/kelvora/rar", "");
    for (const char* name : {"b.txt", ".hidden", "noext", "*", "report?.txt"}) dir.WriteText(std::string("work/") + name, "");
    dir.MakeFolder("work/sub");
    dir.MakeFolder("empty");
    const std::string p = dir / "work/";

    // An unquoted program folder with blanks is found by trying the longer texts; nothing found,
    // the first blank ends the program.
    EXPECT_EQ(CommandLineToArgv(rar + " a \"x y\" \"\" \"C:\\Out\\\\\" a\\\"b"), (Args{rar, "a", "x y", "", "C:\\Out\\", "a\"b"}));
    EXPECT_EQ(CommandLineToArgv(dir / "no such/prog arg"), (Args{dir / "no", "such/prog", "arg"}));
    // A known program is taken whole, even when a shorter text up to a blank names a file.
    const std::string shadow = dir.WriteText("apps/kp", ""), tool = dir.WriteText("apps/kp x/rar", "");
    EXPECT_EQ(CommandLineToArgv(tool + " a -- x", tool), (Args{tool, "a", "--", "x"}));
    EXPECT_EQ(CommandLineToArgv(tool + " a", "")[0], shadow);

    // Only a last "*.*" the caller marks as its own is expanded: every name, hidden ones, names
    // without a dot and folders too, sorted. A chosen name stays one name, whatever it holds.
    EXPECT_EQ(CommandLineToArgv(rar + " \"" + p + "*.*\"", "", true),
              (Args{rar, p + "*", p + ".hidden", p + "b.txt", p + "noext", p + "report?.txt", p + "sub"}));
    EXPECT_EQ(CommandLineToArgv(rar + " \"" + p + "*.*\""), (Args{rar, p + "*.*"}));
    for (const std::string& kept : {p + "*", p + "report?.txt", p + "*.txt", p + "missing/*.*", dir / "empty/*.*"})
        EXPECT_EQ(ExpandFolderWildcard(kept), Args{kept});
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
