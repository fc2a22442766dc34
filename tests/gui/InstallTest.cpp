#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>

#include "GuiTest.h"
#include "RunQuietly.h"
#include "TestWindow.h"
#include "app/Menus.h"
#include "gui/SingleInstance.h"
#include "runner/OutsideTools.h"

namespace fs = std::filesystem;

namespace kelvora::test {
namespace {

// `cmake --install` into a staging folder: a launcher on PATH, the program in a folder of its own
// with its help file and links to the tools, and what a desktop needs to offer it.
TEST(Install, StagedProgramStartsAndFindsItsHelpAndTools) {
    GuiApp();
    TempDir stage, source, runtime;  // the runtime folder is private, as the user's own is
    const std::string prefix = stage / "usr", folder = prefix + "/lib/kelvora";
    ::unsetenv("DESTDIR");
    ASSERT_EQ(RunQuietly({KELVORA_CMAKE, "--install", KELVORA_BUILD_DIR, "--prefix", prefix}), 0);

    EXPECT_EQ(fs::canonical(prefix + "/bin/kelvora"), fs::path(folder + "/kelvora"));
    EXPECT_EQ(fs::read_symlink(Par2ToolPath(folder)), "/usr/bin/par2");
    EXPECT_TRUE(fs::is_regular_file(Par2ToolPath(folder)));
    // Debian's non-free rar; the link leads nowhere until the user installs it.
    EXPECT_EQ(fs::read_symlink(RarToolPath(folder)), "/usr/bin/rar");
    TestWindow w;
    w.f.AppPath = folder;
    ApplyLanguage(w.f, 0);
    mnuHelp_Click(w.f);
    EXPECT_EQ(w.desktop.openedDocuments, std::vector<std::string>{folder + "/Help.chm"});

    const std::string desktopFile = prefix + "/share/applications/kelvora.desktop";
    ASSERT_TRUE(fs::exists(KELVORA_DESKTOP_FILE_VALIDATE)) << "desktop-file-validate is missing (desktop-file-utils)";
    EXPECT_EQ(RunQuietly({KELVORA_DESKTOP_FILE_VALIDATE, desktopFile}), 0);
    const std::string entry = ReadFile(desktopFile);
    for (const char* line : {"\nExec=kelvora %f\n", "\nIcon=kelvora\n", "\nMimeType=inode/directory;"})
        EXPECT_NE(entry.find(line), std::string::npos) << line;
    for (const char* size : {"48x48", "64x64", "256x256"})
        EXPECT_TRUE(fs::is_regular_file(prefix + "/share/icons/hicolor/" + size + "/apps/kelvora.png")) << size;

    // Started through the launcher with a folder, as "Open with" does, the program runs as the
    // installation in lib/kelvora: it answers there as the one instance.
    QProcess program;
    StartProgram(program, prefix + "/bin/kelvora", runtime.path(), {QString::fromStdString(source.path())});
    ASSERT_TRUE(program.waitForStarted(10000));
    EXPECT_TRUE(Listens(QString::fromStdString(runtime.path()) + "/" +
                            SingleInstance::ServerNameFor(QString::fromStdString(folder)), 15000))
        << program.readAllStandardError().toStdString();
    EXPECT_EQ(program.state(), QProcess::Running);
    program.kill();
    program.waitForFinished(10000);
}

}  // namespace
}  // namespace kelvora::test
