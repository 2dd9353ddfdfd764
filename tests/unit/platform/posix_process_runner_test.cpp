// What the process runner itself guarantees beyond the program runs tested with
// RunProgram: codes of signalled children, handles it never gave out, and programs that
// cannot run.

#include "platform/posix_process_runner.h"

#include <gtest/gtest.h>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <thread>

namespace {

TEST(PosixProcessRunnerTest, ReportsSignalsRefusesForeignHandlesAndUnrunnableFiles) {
    char pattern[] = "/tmp/qelt-runner-XXXXXX";
    ASSERT_NE(mkdtemp(pattern), nullptr);
    const std::string dir = std::string(pattern) + "/";
    std::ofstream(dir + "killed.sh") << "#!/bin/sh\nkill -TERM $$\n";
    chmod((dir + "killed.sh").c_str(), 0755);
    std::ofstream(dir + "plain.txt") << "not a program\n";

    platform::PosixProcessRunner runner;
    // A relative program in a working folder that is itself given relatively.
    const std::string relativeDir = std::filesystem::relative(dir).string();
    ASSERT_NE(relativeDir.front(), '/');
    const auto killed = runner.Start("killed.sh", {}, relativeDir);
    ASSERT_NE(killed, platform::ProcessRunner::kNoProcess);
    std::optional<int> code;
    for (int i = 0; i < 500 && !code; ++i) {
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
        code = runner.ExitCode(killed);
    }
    EXPECT_EQ(code, 128 + SIGTERM);

    // A reported handle is spent, and a process this runner did not start is never
    // waited for (that would take a child from another part of the program).
    EXPECT_EQ(runner.ExitCode(killed), -1);
    EXPECT_EQ(runner.ExitCode(getpid()), -1);

    // Nothing is searched on PATH; folders and files without execute permission fail.
    EXPECT_EQ(runner.Start("sh", {"-c", "exit 0"}, dir), platform::ProcessRunner::kNoProcess);
    EXPECT_EQ(runner.Start(dir, {}, dir), platform::ProcessRunner::kNoProcess);
    EXPECT_EQ(runner.Start(dir + "plain.txt", {}, dir), platform::ProcessRunner::kNoProcess);
    EXPECT_EQ(runner.Start("", {}, dir), platform::ProcessRunner::kNoProcess);
    std::filesystem::remove_all(dir);
}

}  // namespace
