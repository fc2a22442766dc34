#include <gtest/gtest.h>

#include <QFile>
#include <QLocalServer>
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

// Two real processes of one installation: the second start ends at once and leaves the
// settings alone, while the first keeps running.
TEST(SecondStart, EndsAndLeavesTheFirstAndTheSettingsAlone) {
    kelvora::test::GuiApp();
    TempDir dir;
    const std::string program = dir / "kelvora";
    std::error_code ec;
    fs::create_hard_link(KELVORA_PROGRAM, program, ec);
    if (ec) fs::copy_file(KELVORA_PROGRAM, program, ec);
    ASSERT_FALSE(ec) << ec.message();
    const std::string ini = dir.WriteText("Settings.ini", "[Settings]\r\nSaveSelected=1\r\nLanguage=1\r\n");
    const QByteArray before = ReadAll(ini);
    const auto modifiedBefore = fs::last_write_time(ini);

    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert("QT_QPA_PLATFORM", "offscreen");
    QProcess first;
    first.setProcessEnvironment(env);
    first.start(QString::fromStdString(program), {});
    ASSERT_TRUE(first.waitForStarted(10000));

    const QString name = SingleInstance::ServerNameFor(QString::fromStdString(dir.path()));
    ASSERT_TRUE(WaitFor(
        [&] {
            QLocalSocket probe;
            probe.connectToServer(name);
            return probe.waitForConnected(100);
        },
        15000))
        << "the first start never listened";

    QProcess second;
    second.setProcessEnvironment(env);
    second.start(QString::fromStdString(program), {});
    ASSERT_TRUE(second.waitForFinished(15000));
    EXPECT_EQ(second.exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(second.exitCode(), 0);

    EXPECT_EQ(first.state(), QProcess::Running);
    EXPECT_EQ(ReadAll(ini), before);
    EXPECT_EQ(fs::last_write_time(ini), modifiedBefore);

    first.kill();  // not a close: a close would save the settings
    first.waitForFinished(10000);
    QLocalServer::removeServer(name);
}
