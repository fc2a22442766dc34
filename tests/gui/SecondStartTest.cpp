#include <gtest/gtest.h>

#include <QFile>
#include <QLocalSocket>
#include <QProcess>
#include <QProcessEnvironment>
#include <filesystem>
#include <unistd.h>

#include "GuiTest.h"
#include "TempDir.h"
#include "gui/SingleInstance.h"

namespace fs = std::filesystem;
using kelvora::SingleInstance;
using kelvora::test::TempDir;
using kelvora::test::WaitFor;

namespace {

QByteArray ReadAll(const std::string& path) {
    QFile file(QString::fromStdString(path));
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

}  // namespace

// Two real processes of one installation started at once, beside a socket left by a crash:
// exactly one runs on and listens, the other ends at once, and the settings stay untouched.
TEST(SecondStart, OfTwoStartsAtOnceOneEndsAndTheSettingsAreLeftAlone) {
    kelvora::test::GuiApp();
    TempDir dir, runtime;  // the runtime folder is private, as the user's own is
    const std::string program = dir / "kelvora";
    std::error_code ec;
    fs::create_hard_link(KELVORA_PROGRAM, program, ec);
    if (ec) fs::copy_file(KELVORA_PROGRAM, program, ec);
    ASSERT_FALSE(ec) << ec.message();
    const std::string ini = dir.WriteText("Settings.ini", "[Settings]\r\nSaveSelected=1\r\nLanguage=1\r\n");
    const QByteArray before = ReadAll(ini);
    const auto modifiedBefore = fs::last_write_time(ini);
    const QString endpoint = QString::fromStdString(runtime.path()) + "/" +
                             SingleInstance::ServerNameFor(QString::fromStdString(dir.path()));
    QFile stale(endpoint);
    ASSERT_TRUE(stale.open(QIODevice::WriteOnly));
    stale.close();

    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert("QT_QPA_PLATFORM", "offscreen");
    env.insert("XDG_RUNTIME_DIR", QString::fromStdString(runtime.path()));
    QProcess starts[2];
    for (QProcess& start : starts) {
        start.setProcessEnvironment(env);
        start.start(QString::fromStdString(program), {});
    }
    for (QProcess& start : starts) ASSERT_TRUE(start.waitForStarted(10000));
    auto running = [&] { return (starts[0].state() == QProcess::Running) + (starts[1].state() == QProcess::Running); };
    ASSERT_TRUE(WaitFor([&] { return running() < 2; }, 20000)) << "both starts kept running";
    QProcess& ended = starts[0].state() == QProcess::Running ? starts[1] : starts[0];
    QProcess& first = starts[0].state() == QProcess::Running ? starts[0] : starts[1];
    EXPECT_EQ(ended.exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(ended.exitCode(), 0);
    EXPECT_EQ(first.state(), QProcess::Running);
    QLocalSocket probe;
    probe.connectToServer(endpoint);
    EXPECT_TRUE(probe.waitForConnected(5000)) << "the one left does not listen";

    EXPECT_EQ(ReadAll(ini), before);
    EXPECT_EQ(fs::last_write_time(ini), modifiedBefore);

    first.kill();  // not a close: a close would save the settings
    first.waitForFinished(10000);
}
