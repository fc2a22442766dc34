#include <gtest/gtest.h>

#include <string>

#include "JobWindow.h"
#include "job/Par2Command.h"
#include "runner/CommandLine.h"

namespace kelvora {
namespace {

using test::TestWindow;

struct Par2Line : ::testing::Test {
    Par2Line() {
        f.AppPath = "/tools/kelvora";
        f.txtBlockSize.SetText("384000");
        f.OptPars[0].SetValue(true);
        f.cboRedundancy.SetText("10");
        f.txtOutput.SetText("/out/");
        f.txtArchiveName.SetText("Holiday.rar");
    }
    std::string Line() { return BuildPar2Command(f, "Kelvora0001"); }
    // The switches between "create " and the first quote.
    std::string Switches() {
        std::string line = Line();
        size_t from = line.find("create ") + 7;
        return line.substr(from, line.find('"') - from);
    }
    std::string Par2File() {
        std::string line = Line();
        size_t from = line.find('"') + 1;
        return line.substr(from, line.find('"', from) - from);
    }

    TestWindow w{false};
    frmMain& f = w.f;
};

TEST_F(Par2Line, WorkedExampleExactly) {
    EXPECT_EQ(Line(), "/tools/kelvora/par2 create -s384000 -r10 \"/out/Kelvora0001/Holiday.par2\" \"/out/Kelvora0001/*.*\"");
}

TEST_F(Par2Line, EveryRarIsRemovedFromTheName) {
    const std::pair<const char*, const char*> cases[] = {
        {"Holiday.RAR", "Holiday.par2"},
        {"Holiday", "Holiday.par2"},
        {"my.rar.parts.rar", "my.parts.par2"},
        {"a.Rar.b", "a.b.par2"},
        {"library", "library.par2"},
    };
    for (auto [name, expected] : cases) {
        f.txtArchiveName.SetText(name);
        EXPECT_EQ(Par2File(), std::string("/out/Kelvora0001/") + expected) << name;
    }
}

TEST_F(Par2Line, RecoverySwitchFromTheFirstSelectedOption) {
    f.OptPars[1].SetValue(true);
    f.txtRecoveryBlocks.SetText("250");
    EXPECT_EQ(Switches(), "-s384000 -c250 ");
    f.OptPars[2].SetValue(true);
    f.cboRecoveryFiles.SetText("5");
    f.chkUniformSize.SetValue(1);
    f.chkUniformSize.SetEnabled(false);  // counted whether enabled or not
    EXPECT_EQ(Switches(), "-s384000 -n5 -u ");
    f.OptPars[2].SetValue(false);
    EXPECT_EQ(Switches(), "-s384000 -u ");
}

TEST_F(Par2Line, EmptyTextsGiveBareSwitches) {
    f.cboRedundancy.SetListIndex(-1);
    f.txtBlockSize.SetText("");
    EXPECT_EQ(Switches(), "-s -r ");
    f.OptPars[1].SetValue(true);
    f.txtRecoveryBlocks.SetText("");
    EXPECT_EQ(Switches(), "-s -c ");
}

// The runner hands the tool every file of the work folder, hidden ones and late additions too.
TEST(Par2LineRunner, WildcardBecomesTheFolderFiles) {
    test::TempDir tmp;
    TestWindow w{false};
    w.f.txtBlockSize.SetText("384000");
    w.f.txtOutput.SetText(tmp.path() + "/");
    w.f.txtArchiveName.SetText("My Set.rar");
    tmp.WriteFile("Kelvora0001/My Set.part1.rar", 10);
    tmp.WriteFile("Kelvora0001/My Set.part2.rar", 10);
    tmp.WriteFile("Kelvora0001/.added during pause", 10);
    const auto argv = CommandLineToArgv(BuildPar2Command(w.f, "Kelvora0001"));
    const std::string folder = tmp.path() + "/Kelvora0001/";
    EXPECT_EQ(argv, (std::vector<std::string>{w.f.AppPath + "/par2", "create", "-s384000", folder + "My Set.par2",
                                              folder + ".added during pause", folder + "My Set.part1.rar",
                                              folder + "My Set.part2.rar"}));
}

}  // namespace
}  // namespace kelvora
