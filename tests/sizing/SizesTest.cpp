#include <gtest/gtest.h>
#include <sys/stat.h>

#include <filesystem>

#include "TempDir.h"
#include "sizing/Sizes.h"

namespace fs = std::filesystem;

namespace kelvora {
namespace {

using test::TempDir;

// A sparse file: the size is real, the disk stays empty.
std::string Sparse(const TempDir& dir, const std::string& relative, std::uintmax_t size) {
    std::string path = dir.WriteText(relative, "");
    fs::resize_file(path, size);
    return path;
}

// What a link itself occupies: the length of the path it holds.
int64_t LinkSize(const std::string& link) {
    struct stat st {};
    EXPECT_EQ(::lstat(link.c_str(), &st), 0);
    return st.st_size;
}

TEST(Sizes, FilesBeyondThirtyTwoBitsAddUpExactly) {
    TempDir dir;
    Sparse(dir, "big/a.bin", 3'000'000'000);
    Sparse(dir, "big/b.bin", 5'000'000'000);
    EXPECT_EQ(GetFolderSize(dir / "big"), 8'000'000'000);
    EXPECT_EQ(GetFolderSize(dir / "big/"), 8'000'000'000);
    // High half 1, and a low half above the signed 32-bit range: never negative.
    EXPECT_EQ(GetFileSizeBytes(Sparse(dir, "six.bin", 6'000'000'000)), 6'000'000'000);
    EXPECT_EQ(GetFolderSize(Sparse(dir, "two.bin", 2'500'000'000)), 2'500'000'000);
}

TEST(Sizes, EmptyAndMissingGiveZero) {
    TempDir dir;
    for (const char* folder : {"empty", "shells/a/b/c", "shells/d"}) dir.MakeFolder(folder);
    Sparse(dir, "shells/a/b/c/nothing", 0);
    for (const std::string& path : {dir / "empty", dir / "shells/", dir / "missing", dir / "missing/", std::string()})
        EXPECT_EQ(GetFolderSize(path), 0) << path;
    EXPECT_EQ(GetFileSizeBytes(dir / "missing"), 0);
}

TEST(Sizes, HiddenEntriesCountAndLinksAreNotFollowed) {
    TempDir dir;
    dir.WriteFile("tree/.hidden", 10);
    dir.WriteFile("tree/.folder/inside", 100);
    dir.WriteFile("tree/sub/.deeper/x", 1000);
    const std::string loop = dir / "tree/sub/loop";  // back to the top: would never end
    fs::create_directory_symlink("..", loop);
    const std::string alias = dir / "tree/alias";  // the same folder again: would count twice
    fs::create_directory_symlink("sub", alias);
    EXPECT_EQ(GetFolderSize(dir / "tree"), 1110 + LinkSize(loop) + LinkSize(alias));

    // A link chosen as the source itself is measured through.
    fs::create_directory_symlink(dir / "tree/sub", dir / "chosen");
    EXPECT_EQ(GetFolderSize(dir / "chosen"), 1000 + LinkSize(loop));
}

TEST(Sizes, RefreshIsNotCalledForEveryEntry) {
    TempDir dir;
    for (int i = 0; i < 20; ++i)
        for (int j = 0; j < 50; ++j) Sparse(dir, "t/" + std::to_string(i) + "/" + std::to_string(j), 3);
    int refreshes = 0;
    EXPECT_EQ(GetFolderSize(dir / "t", [&] { ++refreshes; }), 3000);
    // 1020 entries: after every entry it would run a thousand times.
    EXPECT_LE(refreshes, 1020 / 128);
}

}  // namespace
}  // namespace kelvora
