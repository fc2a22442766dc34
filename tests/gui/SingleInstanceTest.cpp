#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QUuid>

#include "GuiTest.h"
#include "gui/SingleInstance.h"

namespace kelvora::test {
namespace {

// A name left behind by a crash is taken over; every later start asks the first to come forward.
TEST(SingleInstanceTest, FirstStartTakesTheNameAndLaterStartsAskItToComeForward) {
    GuiApp();
    const QString name = "kelvora-test-" + QUuid::createUuid().toString(QUuid::Id128);
    QFile stale(QDir::tempPath() + "/" + name);
    ASSERT_TRUE(stale.open(QIODevice::WriteOnly));
    stale.close();

    SingleInstance first(name);
    ASSERT_TRUE(first.Claim());
    int requests = 0;
    QObject::connect(&first, &SingleInstance::ActivateRequested, [&] { ++requests; });
    for (int start = 1; start <= 2; ++start) {
        SingleInstance later(name);
        EXPECT_FALSE(later.Claim());
        EXPECT_TRUE(WaitFor([&] { return requests == start; }));
    }
}

}  // namespace
}  // namespace kelvora::test
