#include <gtest/gtest.h>

#include <string>

#include "JobWindow.h"
#include "job/Par2Command.h"

namespace kelvora {
namespace {

TEST(Par2Line, WorkedExampleNameAndRecoverySwitches) {
    test::TestWindow w{false};  // unwired: no reaction rewrites the choices
    frmMain& f = w.f;
    f.AppPath = "/tools/kelvora";
    f.txtBlockSize.SetText("384000");
    f.OptPars[0].SetValue(true);
    f.cboRedundancy.SetText("10");
    f.txtOutput.SetText("/out/");
    f.txtArchiveName.SetText("Holiday.rar");
    auto line = [&] { return BuildPar2Command(f, "Kelvora0001"); };
    EXPECT_EQ(line(), "/tools/kelvora/par2 create -s384000 -r10 \"/out/Kelvora0001/Holiday.par2\" \"/out/Kelvora0001/*.*\"");

    const std::pair<const char*, const char*> names[] = {
        {"Holiday.RAR", "Holiday"}, {"my.rar.parts.rar", "my.parts"}, {"a.Rar.b", "a.b"}, {"library", "library"}};
    for (auto [name, stem] : names) {
        f.txtArchiveName.SetText(name);
        EXPECT_NE(line().find(std::string(" \"/out/Kelvora0001/") + stem + ".par2\" "), std::string::npos) << name;
    }

    // The switches between "create " and the first quote; the first selected option decides.
    auto switches = [&] {
        const std::string text = line();
        return text.substr(text.find("create ") + 7, text.find('"') - text.find("create ") - 7);
    };
    f.OptPars[1].SetValue(true);
    f.txtRecoveryBlocks.SetText("250");
    EXPECT_EQ(switches(), "-s384000 -c250 ");
    f.OptPars[2].SetValue(true);
    f.cboRecoveryFiles.SetText("5");
    f.chkUniformSize.SetValue(1);
    f.chkUniformSize.SetEnabled(false);  // counted whether enabled or not
    EXPECT_EQ(switches(), "-s384000 -n5 -u ");
    f.OptPars[2].SetValue(false);
    EXPECT_EQ(switches(), "-s384000 -u ");

    // Empty option texts give the bare switches.
    f.chkUniformSize.SetValue(0);
    f.OptPars[0].SetValue(true);
    f.cboRedundancy.SetListIndex(-1);
    f.txtBlockSize.SetText("");
    EXPECT_EQ(switches(), "-s -r ");
    f.OptPars[1].SetValue(true);
    f.txtRecoveryBlocks.SetText("");
    EXPECT_EQ(switches(), "-s -c ");
}

}  // namespace
}  // namespace kelvora
