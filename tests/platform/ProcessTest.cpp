#include "platform/Process.h"

#include <gtest/gtest.h>
#include <fcntl.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>

#include "ProcessWatch.h"
#include "support/TempDir.h"

// The runner tests cover output, stops, failures and reaping through the runner; what they
// cannot see is the world the child starts in.
using namespace kelvora::platform;
using namespace kelvora::test;
namespace fs = std::filesystem;

TEST(ChildProcess, ReadsNullInputAndInheritsEnvironmentAndFolder) {
    TempDir dir;
    const fs::path before = fs::current_path();
    // Our input is a pipe kept open: a child that inherited it would wait in `cat` for ever.
    int input[2];
    ASSERT_EQ(::pipe2(input, O_CLOEXEC), 0);
    const int savedInput = ::dup(0);
    ::dup2(input[0], 0);
    ::setenv("KELVORA_CHILD_PROBE", "probe value", 1);
    fs::current_path(dir.path());
    auto child = ChildProcess::Start({"/bin/sh", "-c", "printf '%s|' \"$KELVORA_CHILD_PROBE\"; pwd; cat"});
    fs::current_path(before);
    ::unsetenv("KELVORA_CHILD_PROBE");
    ::dup2(savedInput, 0);
    for (int fd : {savedInput, input[0]}) ::close(fd);
    ASSERT_TRUE(child);

    std::string all;
    char buf[256];
    EXPECT_TRUE(WaitFor([&] {
        WaitForHandle(child->OutputHandle(), 50);
        const long n = child->ReadChunk(buf, sizeof buf);
        if (n > 0) all.append(buf, static_cast<size_t>(n));
        return n == 0;
    }));
    EXPECT_EQ(all, "probe value|" + fs::canonical(dir.path()).string() + "\n");
    ::close(input[1]);
    child->KillGroup();
}
