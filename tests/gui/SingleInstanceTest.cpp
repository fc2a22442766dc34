#include <gtest/gtest.h>

#include <QFile>

#include "GuiTest.h"
#include "TempDir.h"
#include "gui/SingleInstance.h"

namespace kelvora::test {
namespace {

// A socket left behind by a crash is replaced; every later start asks the first to come forward.
TEST(SingleInstanceTest, LockHolderListensAndLaterStartsAskItToComeForward) {
    GuiApp();
    TempDir folder;  // private to this user, as the runtime folder is
    const QString path = QString::fromStdString(folder.path());
    QFile stale(path + "/kelvora-test");
    ASSERT_TRUE(stale.open(QIODevice::WriteOnly));
    stale.close();

    SingleInstance first(path, "kelvora-test");
    ASSERT_TRUE(first.Claim());
    EXPECT_TRUE(first.Listening());
    int requests = 0;
    QObject::connect(&first, &SingleInstance::ActivateRequested, [&] { ++requests; });
    for (int start = 1; start <= 2; ++start) {
        SingleInstance later(path, "kelvora-test");
        EXPECT_FALSE(later.Claim());
        EXPECT_TRUE(WaitFor([&] { return requests == start; }));
    }

    // Without a private folder the program still starts, unguarded.
    SingleInstance nowhere(QString(), "kelvora-test");
    EXPECT_TRUE(nowhere.Claim());
    EXPECT_FALSE(nowhere.Listening());
}

}  // namespace
}  // namespace kelvora::test
