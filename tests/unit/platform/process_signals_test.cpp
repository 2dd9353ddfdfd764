// The program's way out while an external program runs: the program's whole process
// group is ended (SIGTERM, then SIGKILL for what ignores it) and the wait stops at once,
// as the SIGTERM and SIGINT path of qelt does it.

#include <gtest/gtest.h>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QCoreApplication>
#include <QTimer>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <string>

#include "engine/run_program.h"
#include "engine/wait_pumping.h"
#include "platform/posix_process_runner.h"

namespace {

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

// Whether the process runs (a zombie that only waits to be reaped does not).
bool Running(pid_t pid) {
    std::ifstream stat("/proc/" + std::to_string(pid) + "/stat");
    std::string pidText;
    std::string name;
    char state = 0;
    return static_cast<bool>(stat >> pidText >> name >> state) && state != 'Z';
}

// Reads the process id a script wrote, waiting for it to appear (bounded).
pid_t ReadPid(const std::string& path) {
    for (int i = 0; i < 200; ++i) {
        std::ifstream in(path);
        pid_t pid = 0;
        if (in >> pid && pid > 0) {
            return pid;
        }
        QCoreApplication::processEvents();
        usleep(10000);
    }
    return 0;
}

}  // namespace

TEST(ProcessSignals, EndingTheRunningProgramsEndsTheirGroupsAndTheWait) {
    int argc = 1;
    char name[] = "process_signals_test";
    char* argv[] = {name, nullptr};
    QCoreApplication app(argc, argv);
    char pattern[] = "/tmp/qelt-signals-XXXXXX";
    ASSERT_NE(mkdtemp(pattern), nullptr);
    const std::string dir = std::string(pattern) + "/";
    platform::PosixProcessRunner runner;

    // A program that leaves a child of its own: both end with the group, and a wait on
    // the program reports -1 at once.
    std::ofstream(dir + "parent.sh") << "#!/bin/sh\nsleep 30 &\necho $! > child.pid\nwait\n";
    ::chmod((dir + "parent.sh").c_str(), 0755);
    const auto parent = runner.Start(dir + "parent.sh", {}, dir);
    ASSERT_NE(parent, platform::ProcessRunner::kNoProcess);
    const pid_t child = ReadPid(dir + "child.pid");
    ASSERT_GT(child, 0);
    auto start = Clock::now();
    EXPECT_EQ(runner.EndRunningPrograms(), 1);
    EXPECT_EQ(runner.ExitCode(parent), -1);
    EXPECT_LT(Clock::now() - start, std::chrono::milliseconds(1000));
    EXPECT_FALSE(Running(static_cast<pid_t>(parent)));
    EXPECT_FALSE(Running(child));
    EXPECT_EQ(runner.EndRunningPrograms(), 0);  // nothing left to end

    // A before-program that ignores SIGTERM, as is waited for while the event loop runs;
    // the signal's path ends it and the wait within a second instead of ten.
    std::ofstream(dir + "stubborn.sh")
        << "#!/bin/sh\ntrap '' TERM\nsleep 30 &\necho $! > stubborn.pid\nwait\n";
    ::chmod((dir + "stubborn.sh").c_str(), 0755);
    pid_t stubbornChild = 0;
    QTimer::singleShot(300, [&] {
        stubbornChild = ReadPid(dir + "stubborn.pid");
        engine::StopWaitPumping();
        EXPECT_EQ(platform::PosixProcessRunner::EndAllRunningPrograms(), 1);
    });
    start = Clock::now();
    EXPECT_EQ(engine::RunProgram(runner, engine::WaitPumping, dir, "stubborn.sh", ""), -1);
    EXPECT_LT(Clock::now() - start, std::chrono::milliseconds(1500));
    ASSERT_GT(stubbornChild, 0);
    EXPECT_FALSE(Running(stubbornChild));

    // From then on a wait returns at once.
    start = Clock::now();
    engine::WaitPumping(5000);
    EXPECT_LT(Clock::now() - start, std::chrono::milliseconds(100));
    fs::remove_all(dir);
}
