#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

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
    EXPECT_EQ(GetFileSizeBytes(Sparse(dir, "two.bin", 2'500'000'000)), 2'500'000'000);
    // A file given to the folder walk is measured as a file.
    EXPECT_EQ(GetFolderSize(dir / "two.bin"), 2'500'000'000);
}

TEST(Sizes, EmptyAndMissingGiveZero) {
    TempDir dir;
    dir.MakeFolder("empty");
    dir.MakeFolder("shells/a/b/c");
    dir.MakeFolder("shells/d");
    Sparse(dir, "shells/a/b/c/nothing", 0);
    EXPECT_EQ(GetFolderSize(dir / "empty"), 0);
    EXPECT_EQ(GetFolderSize(dir / "shells"), 0);
    EXPECT_EQ(GetFolderSize(dir / "missing"), 0);
    EXPECT_EQ(GetFolderSize(dir / "missing/"), 0);
    EXPECT_EQ(GetFolderSize(""), 0);
    EXPECT_EQ(GetFileSizeBytes(dir / "missing"), 0);
}

TEST(Sizes, HiddenEntriesAndEveryLevelCount) {
    TempDir dir;
    dir.WriteFile("tree/visible", 1);
    dir.WriteFile("tree/.hidden", 10);
    dir.WriteFile("tree/.folder/inside", 100);
    dir.WriteFile("tree/.folder/.deeper/x/y/z", 1000);
    EXPECT_EQ(GetFolderSize(dir / "tree"), 1111);
}

TEST(Sizes, LinksAreNotFollowed) {
    TempDir dir;
    dir.WriteFile("tree/data", 1000);
    dir.WriteFile("tree/sub/more", 500);
    const std::string loop = dir / "tree/sub/loop";  // back to the top: would never end
    fs::create_directory_symlink("..", loop);
    const std::string alias = dir / "tree/alias";  // the same folder again: would count twice
    fs::create_directory_symlink("sub", alias);
    const std::string fileLink = dir / "tree/sub/data-link";
    fs::create_symlink("../data", fileLink);
    fs::create_symlink("nowhere", dir / "tree/dangling");

    const int64_t links = LinkSize(loop) + LinkSize(alias) + LinkSize(fileLink) + LinkSize(dir / "tree/dangling");
    EXPECT_EQ(GetFolderSize(dir / "tree"), 1500 + links);

    // A link chosen as the source itself is measured through.
    fs::create_directory_symlink(dir / "tree/sub", dir / "chosen");
    EXPECT_EQ(GetFolderSize(dir / "chosen"), 500 + LinkSize(loop) + LinkSize(fileLink));
}

TEST(Sizes, UnreadableFoldersAddNothing) {
    if (::geteuid() == 0) GTEST_SKIP() << "permissions do not bind root";
    TempDir dir;
    dir.WriteFile("tree/a", 10);
    dir.WriteFile("tree/locked/b", 20);
    fs::permissions(dir / "tree/locked", fs::perms::none);
    EXPECT_EQ(GetFolderSize(dir / "tree"), 10);
    fs::permissions(dir / "tree", fs::perms::none);
    EXPECT_EQ(GetFolderSize(dir / "tree"), 0);
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

TEST(Sizes, AddBackslashEndsInExactlyOneSeparator) {
    EXPECT_EQ(AddBackslash("/data"), "/data/");
    EXPECT_EQ(AddBackslash("/data/"), "/data/");
    EXPECT_EQ(AddBackslash("/"), "/");
    EXPECT_EQ(AddBackslash(""), "/");
}

}  // namespace
}  // namespace kelvora
