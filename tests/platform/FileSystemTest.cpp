#include "platform/FileSystem.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <functional>

#include "platform/UserFolders.h"
#include "support/TempDir.h"

using namespace kelvora::platform;
using kelvora::test::TempDir;
namespace fs = std::filesystem;

// What the settings reader opens: a regular file up to the limit; anything else is refused
// without waiting or reading.
TEST(ReadRegularFile, OnlyARegularFileUpToTheLimitAndNeverWaits) {
    ::alarm(60);  // a read that blocked on the FIFO would otherwise hang the test for ever
    TempDir dir;
    dir.WriteText("small", "12345");
    dir.WriteText("large", "123456");
    dir.MakeFolder("folder");
    ASSERT_EQ(::mkfifo((dir / "fifo").c_str(), 0600), 0);
    for (const auto& [link, target] : {std::pair{"link", "small"}, {"zero", "/dev/zero"}, {"dangling", "none"}})
        ASSERT_EQ(::symlink(target, (dir / link).c_str()), 0);
    const std::pair<const char*, ReadOutcome> cases[] = {
        {"small", ReadOutcome::Read},        {"link", ReadOutcome::Read},         {"large", ReadOutcome::TooLarge},
        {"folder", ReadOutcome::NotRegular}, {"fifo", ReadOutcome::NotRegular},   {"zero", ReadOutcome::NotRegular},
        {"none", ReadOutcome::Missing},      {"dangling", ReadOutcome::Missing},
    };
    for (const auto& [name, outcome] : cases) {
        std::string content = "untouched";
        EXPECT_EQ(ReadRegularFile(dir / name, 5, content), outcome) << name;
        EXPECT_EQ(content, outcome == ReadOutcome::Read ? "12345" : "untouched") << name;
    }
    ::alarm(0);
}

// The single-instance lock: the first taker holds it until it lets go; a link is never taken.
TEST(FileLock, FirstTakerHoldsItUntilItLetsGo) {
    TempDir dir;
    {
        FileLock first(dir / "lock");
        FileLock second(dir / "lock");
        EXPECT_TRUE(first.Held() && !second.Held() && second.Busy());
    }
    EXPECT_TRUE(FileLock(dir / "lock").Held());
    ASSERT_EQ(::symlink((dir / "lock").c_str(), (dir / "link").c_str()), 0);
    FileLock viaLink(dir / "link");
    EXPECT_FALSE(viaLink.Held() || viaLink.Busy());
}

// The endpoint's folder: the user's runtime folder, else one of the user's own in the temporary
// folder; never one another user could have put there or may look into.
TEST(PrivateRuntimeFolder, OnlyAFolderOfTheUsersOwnThatNobodyElseCanReach) {
    TempDir temp;
    const std::string runtime = temp.MakeFolder("run"), open = temp.MakeFolder("open");
    fs::permissions(runtime, fs::perms::owner_all);
    fs::permissions(open, fs::perms::all);
    const std::string own = temp / ("kelvora-" + std::to_string(::geteuid()));

    EXPECT_EQ(PrivateRuntimeFolder(runtime, temp.path()), runtime);
    for (const std::string& unusable : {std::string(), open, std::string("run")}) {
        EXPECT_EQ(PrivateRuntimeFolder(unusable, temp.path()), own) << unusable;
        EXPECT_EQ(fs::status(own).permissions(), fs::perms::owner_all);
    }

    // Someone else got to the name first.
    auto squatted = [&](const std::function<void()>& squat) {
        fs::remove(own);
        squat();
        return PrivateRuntimeFolder("", temp.path());
    };
    EXPECT_EQ(squatted([&] { fs::create_directory_symlink(runtime, own); }), "");
    EXPECT_EQ(squatted([&] { fs::create_directory(own), fs::permissions(own, fs::perms::all); }), "");
    if (::geteuid() == 0) {  // only root can give a folder away
        EXPECT_EQ(squatted([&] { fs::create_directory(own), void(::chown(own.c_str(), 65534, 65534)); }), "");
    }
}
