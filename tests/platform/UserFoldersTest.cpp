#include "platform/UserFolders.h"

#include <gtest/gtest.h>

#include <functional>

#include "TempDir.h"

using namespace kelvora::platform;
namespace fs = std::filesystem;

// The endpoint's folder: the user's runtime folder, else one of the user's own in the temporary
// folder; never one another user could have put there or may look into (the user's group
// included). On Windows the temporary folder is the user's own already. A relative
// XDG_CONFIG_HOME is ignored, as the convention says.
TEST(PrivateRuntimeFolder, OnlyAFolderOfTheUsersOwnThatNobodyElseCanReach) {
    kelvora::test::TempDir temp;
    const std::string runtime = temp.MakeFolder("run");
#ifdef _WIN32
    const std::string ownName = "kelvora";
    const std::string unusable[] = {std::string(), temp / "missing"};
#else
    const std::string open = temp.MakeFolder("open"), ownName = "kelvora-" + std::to_string(::geteuid());
    fs::permissions(runtime, fs::perms::owner_all);
    fs::permissions(open, fs::perms::owner_all | fs::perms::group_read | fs::perms::group_exec);
    const std::string unusable[] = {std::string(), open, std::string("run")};
#endif
    const std::string own = temp / ownName;
    EXPECT_EQ(PrivateRuntimeFolder(runtime, temp.path()), runtime);
    for (const std::string& folder : unusable) {
        EXPECT_EQ(PrivateRuntimeFolder(folder, temp.path()), own) << folder;
#ifndef _WIN32
        EXPECT_EQ(fs::status(own).permissions(), fs::perms::owner_all);
#endif
    }
    // Someone else got to the name first.
    auto squatted = [&](const std::function<void()>& squat) {
        fs::remove(own);
        squat();
        return PrivateRuntimeFolder("", temp.path());
    };
    EXPECT_EQ(squatted([&] { temp.WriteText(ownName, ""); }), "");
#ifndef _WIN32
    EXPECT_EQ(squatted([&] { fs::create_directory_symlink(runtime, own); }), "");
    EXPECT_EQ(squatted([&] { fs::create_directory(own), fs::permissions(own, fs::perms::owner_all | fs::perms::others_all); }), "");
    if (::geteuid() == 0) {  // only root can give a folder away
        EXPECT_EQ(squatted([&] { fs::create_directory(own), void(::chown(own.c_str(), 65534, 65534)); }), "");
    }
    kelvora::test::SetEnv("XDG_CONFIG_HOME", "config"), kelvora::test::SetEnv("HOME", "/home/k");
    EXPECT_EQ(UserConfigFolder(), "/home/k/.config");
#endif
}
