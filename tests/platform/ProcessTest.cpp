#include "platform/Process.h"

#include <gtest/gtest.h>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstdlib>
#include <filesystem>

#include "ProcessWatch.h"
#include "support/TempDir.h"

using namespace kelvora::platform;
using namespace kelvora::test;

namespace {

std::vector<std::string> Child(std::initializer_list<std::string> steps) {
    std::vector<std::string> argv{HelperPath("helper_child")};
    argv.insert(argv.end(), steps);
    return argv;
}

// Everything the child writes until the pipe ends (bounded, so a stuck pipe fails the test).
std::string ReadAll(ChildProcess& child) {
    std::string all;
    char buf[256];
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
    while (std::chrono::steady_clock::now() < deadline) {
        long n = child.ReadChunk(buf, sizeof buf, 50);
        if (n == 0) return all;
        if (n > 0) all.append(buf, static_cast<size_t>(n));
    }
    ADD_FAILURE() << "the pipe did not end";
    return all;
}

std::unique_ptr<ChildProcess> MustStart(const std::vector<std::string>& argv) {
    StartError error;
    auto child = ChildProcess::Start(argv, &error);
    EXPECT_TRUE(child) << "start failed: " << error.code;
    return child;
}

}  // namespace

TEST(ChildProcess, BothOutputStreamsArriveInOnePipe) {
    auto child = MustStart(Child({"out=one ", "err=two ", "out=three"}));
    ASSERT_TRUE(child);
    EXPECT_EQ(ReadAll(*child), "one two three");
    EXPECT_TRUE(child->ReapWithin(5000));
    EXPECT_FALSE(IsOurChild(child->Pid()));
}

TEST(ChildProcess, ChunksRespectTheLimitAndTheChildLeadsItsOwnGroup) {
    auto child = MustStart(Child({"bytes=1000", "sleep=60000"}));
    ASSERT_TRUE(child);
    EXPECT_EQ(::getpgid(child->Pid()), child->Pid());
    std::string all;
    char buf[256];
    ASSERT_TRUE(WaitFor([&] {
        long n = child->ReadChunk(buf, 100, 50);
        EXPECT_NE(n, 0);
        if (n > 0) {
            EXPECT_LE(n, 100);
            all.append(buf, static_cast<size_t>(n));
        }
        return all.size() >= 1000;
    }));
    EXPECT_EQ(all.size(), 1000u);
    // The child is now silent: a read gives "nothing yet", not the end.
    EXPECT_EQ(child->ReadChunk(buf, sizeof buf, 20), -1);
    EXPECT_TRUE(child->KillGroup());
    EXPECT_EQ(ReadAll(*child), "");
}

TEST(ChildProcess, InheritsEnvironmentAndFolderButNotStdin) {
    TempDir dir;
    std::string before = std::filesystem::current_path();
    ::setenv("KELVORA_CHILD_PROBE", "probe value", 1);
    std::filesystem::current_path(dir.path());
    // cat would hang on an inherited terminal; from the null device it ends at once.
    auto child = MustStart({"/bin/sh", "-c", "printf '%s|' \"$KELVORA_CHILD_PROBE\"; pwd; cat"});
    std::filesystem::current_path(before);
    ::unsetenv("KELVORA_CHILD_PROBE");
    ASSERT_TRUE(child);
    EXPECT_EQ(ReadAll(*child), "probe value|" + std::filesystem::canonical(dir.path()).string() + "\n");
}

TEST(ChildProcess, StartFailuresAreReportedAsSuch) {
    TempDir dir;
    std::string notExecutable = dir.WriteText("script", "#!/bin/sh\necho hi\n");
    StartError error;
    EXPECT_FALSE(ChildProcess::Start({dir / "missing"}, &error));
    EXPECT_EQ(error.step, StartError::Step::Program);
    EXPECT_EQ(error.code, ENOENT);

    EXPECT_FALSE(ChildProcess::Start({notExecutable}, &error));
    EXPECT_EQ(error.step, StartError::Step::Program);
    EXPECT_EQ(error.code, EACCES);

    EXPECT_FALSE(ChildProcess::Start({dir.path()}, &error));
    EXPECT_EQ(error.step, StartError::Step::Program);

    EXPECT_FALSE(ChildProcess::Start({}, &error));
    EXPECT_EQ(error.step, StartError::Step::Program);
    EXPECT_FALSE(ChildProcess::Start({""}, &error));
    EXPECT_FALSE(ChildProcess::Start({"kelvora-no-such-program-anywhere"}, &error));
    EXPECT_EQ(error.step, StartError::Step::Program);

    // Once executable, the same file starts.
    ::chmod(notExecutable.c_str(), 0755);
    auto child = MustStart({notExecutable});
    ASSERT_TRUE(child);
    EXPECT_EQ(ReadAll(*child), "hi\n");
}

TEST(ChildProcess, KillGroupReachesGrandchildrenAndNothingAfterTheReap) {
    TempDir dir;
    auto child = MustStart(Child({"sleeper=" + (dir / "pid"), "sleep=60000"}));
    ASSERT_TRUE(child);
    std::string seen;
    char buf[256];
    ASSERT_TRUE(WaitFor([&] {
        long n = child->ReadChunk(buf, sizeof buf, 50);
        if (n > 0) seen.append(buf, static_cast<size_t>(n));
        return seen.find("sleeper") != std::string::npos;
    }));
    int grandchild = ReadPidFile(dir / "pid");
    ASSERT_GT(grandchild, 0);

    EXPECT_TRUE(child->KillGroup());
    EXPECT_TRUE(child->ReapWithin(5000));
    EXPECT_TRUE(WaitFor([&] { return IsDead(grandchild); }));
    EXPECT_EQ(ReadAll(*child), "");
    // Reaped: its id may belong to someone else now, so it is never signalled again.
    EXPECT_FALSE(child->KillGroup());
}

TEST(ChildProcess, UnfinishedChildrenAreReapedLaterWithoutZombies) {
    // Gone while the child still runs: it is handed to the reaper list.
    auto child = MustStart(Child({"sleep=60000"}));
    ASSERT_TRUE(child);
    int pid = child->Pid();
    child.reset();
    ASSERT_TRUE(IsOurChild(pid));
    ::kill(pid, SIGKILL);
    EXPECT_TRUE(WaitFor([&] {
        ReapFinishedChildren();
        return !IsOurChild(pid);
    }));

    // The next start reaps what has finished as well.
    child = MustStart(Child({"sleep=60000"}));
    pid = child->Pid();
    child.reset();
    ::kill(pid, SIGKILL);
    ASSERT_TRUE(WaitFor([&] { return ReadProc(pid).state == 'Z'; }));
    auto next = MustStart(Child({}));
    EXPECT_FALSE(IsOurChild(pid));
    ASSERT_TRUE(next);
    EXPECT_EQ(ReadAll(*next), "");
}
