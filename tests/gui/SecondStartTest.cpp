#include <gtest/gtest.h>

#include <QFile>
#include <filesystem>

#include "GuiTest.h"
#include "TempDir.h"
#include "gui/SingleInstance.h"

namespace fs = std::filesystem;

namespace kelvora::test {
namespace {

// Two real processes of one installation started at once, beside a socket left by a crash:
// exactly one runs on and listens, the other ends at once, and the settings stay untouched.
TEST(SecondStart, OfTwoStartsAtOnceOneEndsAndTheSettingsAreLeftAlone) {
    GuiApp();
    TempDir dir, runtime;  // the runtime folder is private, as the user's own is
    const std::string program = dir / "kelvora";
    std::error_code ec;
    fs::create_hard_link(KELVORA_PROGRAM, program, ec);
    if (ec) fs::copy_file(KELVORA_PROGRAM, program, ec);
    ASSERT_FALSE(ec) << ec.message();
    const std::string settings = "[Settings]\r\nSaveSelected=1\r\nLanguage=1\r\n";
    const std::string ini = dir.WriteText("Settings.ini", settings);
    const auto modified = fs::last_write_time(ini);
    const QString endpoint = QString::fromStdString(runtime.path()) + "/" +
                             SingleInstance::ServerNameFor(QString::fromStdString(dir.path()));
    QFile stale(endpoint);
    ASSERT_TRUE(stale.open(QIODevice::WriteOnly));
    stale.close();

    QProcess starts[2];
    for (QProcess& start : starts) StartProgram(start, program, runtime.path());
    for (QProcess& start : starts) ASSERT_TRUE(start.waitForStarted(10000));
    auto running = [&] { return (starts[0].state() == QProcess::Running) + (starts[1].state() == QProcess::Running); };
    ASSERT_TRUE(WaitFor([&] { return running() < 2; }, 20000)) << "both starts kept running";
    QProcess& first = starts[0].state() == QProcess::Running ? starts[0] : starts[1];
    QProcess& ended = &first == &starts[0] ? starts[1] : starts[0];
    EXPECT_TRUE(ended.exitStatus() == QProcess::NormalExit && ended.exitCode() == 0);
    EXPECT_EQ(first.state(), QProcess::Running);
    EXPECT_TRUE(Listens(endpoint, 5000)) << "the one left does not listen";
    EXPECT_EQ(ReadFile(ini), settings);
    EXPECT_EQ(fs::last_write_time(ini), modified);
    first.kill();  // not a close: a close would save the settings
    first.waitForFinished(10000);
}

// In one process: a later start asks the first to come forward, every time; without a private
// folder the program still starts, unguarded.
TEST(SecondStart, EveryLaterStartAsksTheFirstToComeForward) {
    GuiApp();
    TempDir folder;
    const QString path = QString::fromStdString(folder.path());
    SingleInstance first(path, "kelvora-test");
    ASSERT_TRUE(first.Claim() && first.Listening());
    int requests = 0;
    QObject::connect(&first, &SingleInstance::ActivateRequested, [&] { ++requests; });
    for (int start = 1; start <= 2; ++start) {
        SingleInstance later(path, "kelvora-test");
        EXPECT_FALSE(later.Claim());
        EXPECT_TRUE(WaitFor([&] { return requests == start; }));
    }
    SingleInstance nowhere(QString(), "kelvora-test");
    EXPECT_TRUE(nowhere.Claim() && !nowhere.Listening());
}

}  // namespace
}  // namespace kelvora::test
