#include "platform/FileSystem.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <filesystem>
#include <map>

#include "support/TempDir.h"

namespace fs = std::filesystem;
using namespace kelvora::platform;
using kelvora::test::TempDir;

namespace {

// A file of `size` bytes that takes no room on disk.
std::string SparseFile(const TempDir& dir, const std::string& name, int64_t size) {
    std::string path = dir / name;
    dir.WriteText(name, "");
    EXPECT_EQ(::truncate(path.c_str(), size), 0);
    return path;
}

std::map<std::string, DirEntry> Listing(const std::string& folder) {
    std::map<std::string, DirEntry> entries;
    EXPECT_TRUE(ListFolder(folder, [&](const DirEntry& e) {
        entries[e.name] = e;
        return true;
    }));
    return entries;
}

}  // namespace

TEST(FileSystem, AttributesTellFoldersAndHiddenNamesApart) {
    TempDir dir;
    dir.WriteText("plain.txt", "x");
    dir.WriteText(".hidden", "x");
    dir.MakeFolder("sub");
    dir.MakeFolder(".hiddensub");
    fs::create_directory_symlink(dir / "sub", dir / "linktosub");
    fs::create_symlink(dir / "nowhere", dir / "dangling");

    EXPECT_EQ(GetAttributes(dir / "plain.txt"), 0u);
    EXPECT_EQ(GetAttributes(dir / ".hidden"), AttrHidden);
    EXPECT_EQ(GetAttributes(dir / "sub"), AttrDirectory);
    EXPECT_EQ(GetAttributes(dir / "sub/"), AttrDirectory);
    EXPECT_EQ(GetAttributes(dir / ".hiddensub"), AttrDirectory | AttrHidden);
    // A link to a folder is not a folder: walks never follow it.
    EXPECT_EQ(GetAttributes(dir / "linktosub"), 0u);
    EXPECT_EQ(GetAttributes(dir / "dangling"), 0u);
    EXPECT_EQ(GetAttributes(dir / "missing"), std::nullopt);
    EXPECT_EQ(GetAttributes(""), std::nullopt);
    EXPECT_EQ(GetAttributes(dir / "sub/.."), AttrDirectory);

    EXPECT_TRUE(Exists(dir / "plain.txt"));
    EXPECT_TRUE(Exists(dir / "sub"));
    EXPECT_TRUE(Exists(dir / "dangling"));
    EXPECT_FALSE(Exists(dir / "missing"));
    EXPECT_FALSE(Exists(""));
}

TEST(FileSystem, FileSizeIsExactBeyondThirtyTwoBits) {
    TempDir dir;
    std::string big = SparseFile(dir, "big.bin", 6000000000LL);
    std::string mid = SparseFile(dir, "mid.bin", 2500000000LL);
    EXPECT_EQ(FileSize(big), 6000000000LL);
    EXPECT_EQ(FileSize(mid), 2500000000LL);
    EXPECT_EQ(FileSize(dir.WriteFile("small.bin", 1234)), 1234);
    EXPECT_EQ(FileSize(dir / "missing"), 0);
    EXPECT_EQ(FileSize(dir.path()), 0);
    fs::create_symlink(mid, dir / "link.bin");
    EXPECT_EQ(FileSize(dir / "link.bin"), 2500000000LL);
}

TEST(FileSystem, ListFolderGivesEveryEntryWithItsOwnSize) {
    TempDir dir;
    dir.WriteFile("a.bin", 100);
    dir.WriteFile(".dot", 7);
    dir.MakeFolder("sub");
    SparseFile(dir, "huge.bin", 5000000000LL);
    const std::string target = dir / "a.bin";
    fs::create_symlink(target, dir / "filelink");
    fs::create_directory_symlink(dir / "sub", dir / "folderlink");

    auto entries = Listing(dir.path());
    ASSERT_EQ(entries.size(), 6u);
    EXPECT_EQ(entries.count("."), 0u);
    EXPECT_EQ(entries.count(".."), 0u);
    EXPECT_EQ(entries["a.bin"].size, 100);
    EXPECT_EQ(entries["a.bin"].attributes, 0u);
    EXPECT_EQ(entries[".dot"].attributes, AttrHidden);
    EXPECT_EQ(entries[".dot"].size, 7);
    EXPECT_EQ(entries["sub"].attributes, AttrDirectory);
    EXPECT_EQ(entries["sub"].size, 0);
    EXPECT_EQ(entries["huge.bin"].size, 5000000000LL);
    // Links count as themselves (their size is the length of the target path), never as
    // what they point to.
    EXPECT_EQ(entries["filelink"].attributes, 0u);
    EXPECT_EQ(entries["filelink"].size, static_cast<int64_t>(target.size()));
    EXPECT_EQ(entries["folderlink"].attributes, 0u);
    EXPECT_EQ(entries["folderlink"].size, static_cast<int64_t>((dir / "sub").size()));
}

TEST(FileSystem, ListFolderStopsOnRequestAndFailsOnWhatItCannotOpen) {
    TempDir dir;
    for (int i = 0; i < 10; ++i) dir.WriteText("f" + std::to_string(i), "x");
    int seen = 0;
    EXPECT_TRUE(ListFolder(dir.path(), [&](const DirEntry&) { return ++seen < 3; }));
    EXPECT_EQ(seen, 3);

    EXPECT_TRUE(Listing(dir.MakeFolder("empty")).empty());
    EXPECT_FALSE(ListFolder(dir / "missing", [](const DirEntry&) { return true; }));
    EXPECT_FALSE(ListFolder(dir / "f1", [](const DirEntry&) { return true; }));
}

TEST(FileSystem, CreateFolderNeverReusesATakenName) {
    TempDir dir;
    int error = -1;
    EXPECT_TRUE(CreateFolder(dir / "Kelvora0001", &error));
    EXPECT_EQ(error, 0);
    EXPECT_EQ(GetAttributes(dir / "Kelvora0001"), AttrDirectory);

    EXPECT_FALSE(CreateFolder(dir / "Kelvora0001", &error));
    EXPECT_EQ(error, EEXIST);
    dir.WriteText("Kelvora0002", "a file");
    EXPECT_FALSE(CreateFolder(dir / "Kelvora0002", &error));
    EXPECT_EQ(error, EEXIST);
    fs::create_symlink(dir / "nowhere", dir / "Kelvora0003");
    EXPECT_FALSE(CreateFolder(dir / "Kelvora0003", &error));
    EXPECT_EQ(error, EEXIST);

    EXPECT_FALSE(CreateFolder(dir / "missing/Kelvora0001", &error));
    EXPECT_EQ(error, ENOENT);
    // The error code is optional.
    EXPECT_TRUE(CreateFolder(dir / "Kelvora0004"));
    EXPECT_FALSE(CreateFolder(dir / "Kelvora0004"));
}

TEST(FileSystem, ProgramFolderIsTheFolderOfTheRunningProgram) {
    std::string folder = ProgramFolder();
    ASSERT_FALSE(folder.empty());
    EXPECT_NE(folder.back(), '/');
    EXPECT_EQ(fs::canonical(folder), fs::canonical(kelvora::test::TestToolsDir()));
    EXPECT_TRUE(Exists(folder + PathSeparator + "test_platform"));
}

TEST(FileSystem, ErrorTextNamesTheError) {
    EXPECT_FALSE(ErrorText(ENOENT).empty());
    EXPECT_NE(ErrorText(ENOENT), ErrorText(EACCES));
}
