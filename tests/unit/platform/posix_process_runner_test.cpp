// The process runner against real small programs: exit codes, signals, failures to
// start, and children that outlive the wait.

#include "platform/posix_process_runner.h"

#include <gtest/gtest.h>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>
#include <thread>

namespace {

using namespace std::chrono_literals;

class ProcessRunnerTest : public ::testing::Test {
protected:
    void SetUp() override {
        char pattern[] = "/tmp/qelt-runner-XXXXXX";
        ASSERT_NE(mkdtemp(pattern), nullptr);
        m_dir = pattern;
        m_dir += '/';
    }
    void TearDown() override { std::system(("rm -rf '" + m_dir + "'").c_str()); }

    std::string Script(const std::string& name, const std::string& body) {
        std::string path = m_dir + name;
        std::ofstream(path) << "#!/bin/sh\n" << body << "\n";
        chmod(path.c_str(), 0755);
        return path;
    }

    // Polls until the child has ended, at most a few seconds.
    std::optional<int> WaitForExit(platform::ProcessRunner::Handle process) {
        for (int i = 0; i < 500; ++i) {
            if (auto code = m_runner.ExitCode(process)) {
                return code;
            }
            std::this_thread::sleep_for(10ms);
        }
        return std::nullopt;
    }

    platform::PosixProcessRunner m_runner;
    std::string m_dir;
};

std::string ReadFile(const std::string& path) {
    std::ostringstream text;
    text << std::ifstream(path).rdbuf();
    return text.str();
}

// The state letter of /proc/<pid>/stat, or 0 when there is no such process.
char ProcessState(pid_t pid) {
    std::ifstream stat("/proc/" + std::to_string(pid) + "/stat");
    std::string line;
    if (!std::getline(stat, line)) {
        return 0;
    }
    const std::size_t close = line.rfind(')');
    return close != std::string::npos && close + 2 < line.size() ? line[close + 2] : 0;
}

TEST_F(ProcessRunnerTest, ReportsExitCodesAndSignalsOnceEach) {
    const auto ok = m_runner.Start(Script("ok.sh", "exit 0"), {}, m_dir);
    const auto three = m_runner.Start(Script("three.sh", "exit 3"), {}, m_dir);
    const auto killed = m_runner.Start(Script("killed.sh", "kill -TERM $$"), {}, m_dir);
    ASSERT_NE(ok, platform::ProcessRunner::kNoProcess);
    ASSERT_NE(three, platform::ProcessRunner::kNoProcess);
    ASSERT_NE(killed, platform::ProcessRunner::kNoProcess);

    EXPECT_EQ(WaitForExit(ok), 0);
    EXPECT_EQ(WaitForExit(three), 3);
    EXPECT_EQ(WaitForExit(killed), 128 + SIGTERM);

    // A handle that has reported is no longer valid; nor is one never started, and no
    // foreign child is reaped through it.
    EXPECT_EQ(m_runner.ExitCode(three), -1);
    EXPECT_EQ(m_runner.ExitCode(getpid()), -1);
}

TEST_F(ProcessRunnerTest, StartsLiterallyInTheWorkingFolder) {
    const std::string sub = m_dir + "work/";
    mkdir(sub.c_str(), 0755);
    Script("work/where.sh", "pwd > where.txt; printf '[%s]' \"$@\" > args.txt");

    // A relative program is found in the working folder, not on PATH.
    const auto process = m_runner.Start("where.sh", {"a b", "", "$HOME"}, sub);
    ASSERT_NE(process, platform::ProcessRunner::kNoProcess);
    EXPECT_EQ(WaitForExit(process), 0);
    EXPECT_EQ(ReadFile(sub + "where.txt"), sub.substr(0, sub.size() - 1) + "\n");
    EXPECT_EQ(ReadFile(sub + "args.txt"), "[a b][][$HOME]");

    // Nothing is searched on PATH, and what cannot run does not start.
    EXPECT_EQ(m_runner.Start("sh", {"-c", "exit 0"}, m_dir), platform::ProcessRunner::kNoProcess);
    EXPECT_EQ(m_runner.Start(m_dir + "missing", {}, m_dir), platform::ProcessRunner::kNoProcess);
    EXPECT_EQ(m_runner.Start("", {}, m_dir), platform::ProcessRunner::kNoProcess);
    EXPECT_EQ(m_runner.Start(m_dir, {}, m_dir), platform::ProcessRunner::kNoProcess);
    std::ofstream(m_dir + "plain.txt") << "not a program\n";
    EXPECT_EQ(m_runner.Start(m_dir + "plain.txt", {}, m_dir), platform::ProcessRunner::kNoProcess);
}

TEST_F(ProcessRunnerTest, AbandonedChildKeepsRunningAndIsReapedWhenItEnds) {
    const auto process = m_runner.Start(Script("sleeper.sh", "exec sleep 1"), {}, m_dir);
    ASSERT_NE(process, platform::ProcessRunner::kNoProcess);
    EXPECT_EQ(m_runner.ExitCode(process), std::nullopt);
    const auto pid = static_cast<pid_t>(process);

    m_runner.Abandon(process);
    // Left running, not stopped.
    const char state = ProcessState(pid);
    EXPECT_NE(state, 0);
    EXPECT_NE(state, 'Z');

    // Once it ends nobody polls it, yet it must not stay a zombie.
    bool gone = false;
    for (int i = 0; i < 500 && !gone; ++i) {
        std::this_thread::sleep_for(10ms);
        gone = kill(pid, 0) != 0 && errno == ESRCH;
    }
    EXPECT_TRUE(gone) << "state " << ProcessState(pid);
}

}  // namespace
