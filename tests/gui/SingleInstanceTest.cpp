#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QLocalServer>
#include <QUuid>

#include "GuiTest.h"
#include "gui/SingleInstance.h"

namespace kelvora::test {
namespace {

QString UniqueName() { return "kelvora-test-" + QUuid::createUuid().toString(QUuid::Id128); }

TEST(SingleInstanceTest, LaterStartAsksTheFirstToComeForwardAndEnds) {
    GuiApp();
    const QString name = UniqueName();
    SingleInstance first(name);
    ASSERT_TRUE(first.Claim());
    EXPECT_TRUE(first.Listening());
    int requests = 0;
    QObject::connect(&first, &SingleInstance::ActivateRequested, [&] { ++requests; });

    SingleInstance second(name);
    EXPECT_FALSE(second.Claim());
    EXPECT_FALSE(second.Listening());
    EXPECT_TRUE(WaitFor([&] { return requests == 1; }));

    SingleInstance third(name);
    EXPECT_FALSE(third.Claim());
    EXPECT_TRUE(WaitFor([&] { return requests == 2; }));
}

TEST(SingleInstanceTest, NameLeftBehindByACrashIsTakenOver) {
    GuiApp();
    const QString name = UniqueName();
    const QString path = QDir::tempPath() + "/" + name;
    {
        QFile stale(path);
        ASSERT_TRUE(stale.open(QIODevice::WriteOnly));
    }
    SingleInstance instance(name);
    EXPECT_TRUE(instance.Claim());
    EXPECT_TRUE(instance.Listening());

    // And it answers the next start.
    SingleInstance next(name);
    EXPECT_TRUE(next.NotifyRunning());
}

}  // namespace
}  // namespace kelvora::test
