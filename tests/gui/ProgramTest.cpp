// The real program: installed, started, and started twice.
#include <gtest/gtest.h>

#include <filesystem>
#include <future>

#include "GuiTest.h"
#include "RunQuietly.h"
#include "TestWindow.h"
#include "app/Menus.h"
#include "gui/SingleInstance.h"
#include "runner/OutsideTools.h"

namespace fs = std::filesystem;

namespace kelvora::test {
namespace {

// Two real processes of one installation started at once, beside a socket left by a crash (on
// Windows the pipe goes with its holder): exactly one runs on and listens, the other ends at
// once, and the settings stay untouched.
TEST(SecondStart, OfTwoStartsAtOnceOneEndsAndTheSettingsAreLeftAlone) {
    GuiApp();
    TempDir dir, runtime;  // the runtime folder is private, as the user's own is
#ifdef _WIN32
    const std::string built = TestToolsDir() + "\\..\\bin\\" KELVORA_PROGRAM_NAME;  // the tests lie in a sibling folder
#else
    const std::string built = KELVORA_PROGRAM;
#endif
    const std::string program = dir / fs::path(built).filename().string();
    const std::string settings = "[Settings]\r\nSaveSelected=1\r\nLanguage=1\r\n";  // a close would save them
    fs::copy_file(built, program);
    const std::string ini = dir.WriteText("Settings.ini", settings);
    const auto modified = fs::last_write_time(ini);
    const QString name = SingleInstance::ServerNameFor(QDir::fromNativeSeparators(QString::fromStdString(dir.path())));
#ifdef _WIN32
    const QString endpoint = name;
#else
    const QString endpoint = QString::fromStdString(runtime.path()) + "/" + name;
    ASSERT_TRUE(QFile(endpoint).open(QIODevice::WriteOnly));
#endif

    QProcess starts[2];
    for (QProcess& start : starts) StartProgram(start, program, runtime.path());
    for (QProcess& start : starts) ASSERT_TRUE(start.waitForStarted(10000));
    auto running = [&] { return (starts[0].state() == QProcess::Running) + (starts[1].state() == QProcess::Running); };
    ASSERT_TRUE(WaitFor([&] { return running() < 2; }, 20000)) << "both starts kept running";
    QProcess& first = starts[0].state() == QProcess::Running ? starts[0] : starts[1];
    QProcess& ended = &first == &starts[0] ? starts[1] : starts[0];
    EXPECT_TRUE(ended.exitStatus() == QProcess::NormalExit && ended.exitCode() == 0);
    EXPECT_TRUE(Listens(endpoint, 5000)) << "the one left does not listen";
    EXPECT_TRUE(ReadFile(ini) == settings && fs::last_write_time(ini) == modified);
    first.kill(), first.waitForFinished(10000);  // not a close: a close would save the settings
}

// In one process: a later start asks the first to come forward, every time; without a private
// folder the program still starts, unguarded. The later start runs on a thread of its own, as
// in a process of its own: a Windows pipe hands a message over only while the first reads.
TEST(SecondStart, EveryLaterStartAsksTheFirstToComeForward) {
    GuiApp();
    TempDir folder;
    const QString path = QString::fromStdString(folder.path());
    SingleInstance first(path, "kelvora-test");
    ASSERT_TRUE(first.Claim() && first.Listening());
    std::vector<QByteArray> requests;
    QObject::connect(&first, &SingleInstance::ActivateRequested, [&](const QByteArray& handed) { requests.push_back(handed); });
    // With no path, and with one (a name may hold a line break), handed over whole.
    for (const QByteArray& handed : {QByteArray(), QByteArray("/data/two\nlines.avi")}) {
        const size_t before = requests.size();
        auto later = std::async(std::launch::async, [&] { return SingleInstance(path, "kelvora-test").Claim(handed); });
        EXPECT_TRUE(WaitFor([&] { return requests.size() == before + 1; }));
        EXPECT_FALSE(later.get());
        EXPECT_EQ(requests.back(), handed);
    }
    SingleInstance nowhere(QString(), "kelvora-test");
    EXPECT_TRUE(nowhere.Claim() && !nowhere.Listening());
}

// `cmake --install` as the package does it (DESTDIR, prefix /usr), and into a prefix of its own:
// a launcher on PATH, the program in a folder of its own with its help file and links to the
// tools, a manual page, and what a desktop needs to offer it without taking over a file type.
TEST(Install, StagedProgramStartsAndFindsItsHelpAndTools) {
#ifdef _WIN32
    GTEST_SKIP() << "an installation is a Linux desktop's; on Windows the program comes as a zip";
#endif
    GuiApp();
    TempDir stage, local, source, runtime;  // the runtime folder is private, as the user's own is
    SetEnv("DESTDIR", stage.path().c_str());
    const int staged = RunQuietly({KELVORA_CMAKE, "--install", KELVORA_BUILD_DIR, "--prefix", "/usr"});
    SetEnv("DESTDIR", nullptr);
    ASSERT_EQ(staged, 0);

    // Debian wants links within /usr relative; read inside the staged tree, each leads where it
    // will on the system.
    const fs::path root = stage.path();
    for (const auto& [link, leadsTo] : {std::pair{"usr/bin/kelvora", "usr/lib/kelvora/kelvora"},
                                        {"usr/lib/kelvora/par2", "usr/bin/par2"},
                                        {"usr/lib/kelvora/rar", "usr/bin/rar"}}) {
        std::error_code ec;
        const fs::path target = fs::read_symlink(root / link, ec);
        EXPECT_TRUE(!ec && target.is_relative()) << link << " -> " << target;
        EXPECT_EQ(((root / link).parent_path() / target).lexically_normal(), root / leadsTo) << link;
    }

    // The manual page, gzipped without name or time (the same bytes on every build).
    const std::string manPage = stage / "usr/share/man/man1/kelvora.1.gz", gzipped = ReadFile(manPage);
    EXPECT_TRUE(gzipped.size() > 10 && gzipped.substr(0, 3) == std::string("\x1f\x8b\x08", 3) && (gzipped[3] & 0x08) == 0 &&
                gzipped.substr(4, 4) == std::string(4, '\0')) << "not gzipped, or with its name or time";

    // Offered to the desktop, but the opener of no file type: no MimeType, so installing never
    // makes it the default for folders or unknown files. File managers get a context action
    // instead; Dolphin's is executable, as Dolphin wants its service menus.
    const std::string desktopFile = stage / "usr/share/applications/kelvora.desktop";
    ASSERT_TRUE(fs::exists(KELVORA_DESKTOP_FILE_VALIDATE)) << "desktop-file-validate is missing (desktop-file-utils)";
    EXPECT_EQ(RunQuietly({KELVORA_DESKTOP_FILE_VALIDATE, desktopFile}), 0);
    const std::string entry = ReadFile(desktopFile);
    EXPECT_TRUE(entry.find("\nExec=kelvora %f\n") != entry.npos && entry.find("\nMimeType=") == entry.npos) << entry;
    const fs::perms menu = fs::status(root / "usr/share/kio/servicemenus/kelvora-pack.desktop").permissions();
    EXPECT_NE(menu & fs::perms::others_exec, fs::perms::none);

    // Into a prefix of its own the launcher stays relative and the tool links absolute: Debian's
    // par2, and its non-free rar, which leads nowhere until the user installs it.
    const std::string prefix = local / "usr", folder = prefix + "/lib/kelvora";
    ASSERT_EQ(RunQuietly({KELVORA_CMAKE, "--install", KELVORA_BUILD_DIR, "--prefix", prefix}), 0);
    EXPECT_EQ(fs::canonical(prefix + "/bin/kelvora"), fs::path(folder + "/kelvora"));
    EXPECT_TRUE(fs::read_symlink(Par2ToolPath(folder)) == "/usr/bin/par2" && fs::is_regular_file(Par2ToolPath(folder)));
    EXPECT_EQ(fs::read_symlink(RarToolPath(folder)), "/usr/bin/rar");
    TestWindow w;
    w.f.AppPath = folder;
    ApplyLanguage(w.f, 0);
    mnuHelp_Click(w.f);
    EXPECT_EQ(w.desktop.openedDocuments, std::vector<std::string>{folder + "/Help.chm"});

    // Started through the launcher with a folder, as "Open with" does, the program runs as the
    // installation in lib/kelvora: it answers there as the one instance.
    QProcess program;
    StartProgram(program, prefix + "/bin/kelvora", runtime.path(), {QString::fromStdString(source.path())});
    ASSERT_TRUE(program.waitForStarted(10000));
    EXPECT_TRUE(Listens(QString::fromStdString(runtime.path()) + "/" +
                            SingleInstance::ServerNameFor(QString::fromStdString(folder)), 15000))
        << program.readAllStandardError().toStdString();
    EXPECT_EQ(program.state(), QProcess::Running);
    // A tool never outlives it: SIGTERM (0x4000 of the caught mask) ends the tools' groups first.
    EXPECT_TRUE(WaitFor([&] {
        const std::string status = ReadFile("/proc/" + std::to_string(program.processId()) + "/status");
        return (std::stoull(status.substr(status.find("SigCgt:") + 7), nullptr, 16) & 0x4000) != 0;
    }));
    program.kill(), program.waitForFinished(10000);
}

}  // namespace
}  // namespace kelvora::test
