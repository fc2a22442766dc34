#include <gtest/gtest.h>
#include <sys/stat.h>

#include <filesystem>

#include "TempDir.h"
#include "sizing/Sizes.h"

namespace fs = std::filesystem;
using namespace kelvora;

// Sparse files: the sizes are real, the disk stays empty. Sums beyond 32 bits are exact and a
// low half above the signed 32-bit range is never negative; empty and missing give 0.
TEST(Sizes, LargeEmptyAndMissing) {
    test::TempDir dir;
    auto sparse = [&](const std::string& relative, std::uintmax_t size) {
        const std::string path = dir.WriteText(relative, "");
        fs::resize_file(path, size);
        return path;
    };
    sparse("big/a.bin", 3'000'000'000);
    sparse("big/b.bin", 5'000'000'000);
    EXPECT_EQ(GetFolderSize(dir / "big/"), 8'000'000'000);
    EXPECT_EQ(GetFileSizeBytes(sparse("six.bin", 6'000'000'000)), 6'000'000'000);
    EXPECT_EQ(GetFolderSize(sparse("two.bin", 2'500'000'000)), 2'500'000'000);
    sparse("shells/a/b/c/nothing", 0);
    dir.MakeFolder("shells/d");
    for (const std::string& path : {dir / "shells", dir / "missing", dir / "missing/", std::string()})
        EXPECT_EQ(GetFolderSize(path), 0) << path;
    EXPECT_EQ(GetFileSizeBytes(dir / "missing"), 0);
}

TEST(Sizes, HiddenEntriesCountLinksAreNotFollowedAndTheWindowIsRefreshedNowAndThen) {
    test::TempDir dir;
    dir.WriteFile("tree/.hidden", 10);
    dir.WriteFile("tree/.folder/inside", 100);
    dir.WriteFile("tree/sub/.deeper/x", 1000);
    fs::create_directory_symlink("..", dir / "tree/sub/loop");  // back to the top: would never end
    fs::create_directory_symlink("sub", dir / "tree/alias");     // the same folder again: would count twice
    struct stat loop {}, alias {};  // a link itself occupies the length of the path it holds
    ASSERT_TRUE(::lstat((dir / "tree/sub/loop").c_str(), &loop) == 0 && ::lstat((dir / "tree/alias").c_str(), &alias) == 0);
    EXPECT_EQ(GetFolderSize(dir / "tree"), 1110 + loop.st_size + alias.st_size);
    fs::create_directory_symlink(dir / "tree/sub", dir / "chosen");  // a link chosen as the source is measured through
    EXPECT_EQ(GetFolderSize(dir / "chosen"), 1000 + loop.st_size);

    for (int i = 0; i < 1000; ++i) dir.WriteText("t/" + std::to_string(i / 50) + "/" + std::to_string(i), "abc");
    int refreshes = 0;
    EXPECT_EQ(GetFolderSize(dir / "t", [&] { ++refreshes; }), 3000);
    EXPECT_LE(refreshes, 1020 / 128);  // 1020 entries: after every entry it would run a thousand times
}
