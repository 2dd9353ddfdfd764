// Running external programs: real small programs started through the real process
// runner, waited for through a stand-in wait or the real Qt wait.

#include "engine/run_program.h"

#include <gtest/gtest.h>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>
#include <QCoreApplication>
#include <QTimer>

#include <cerrno>
#include <chrono>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <thread>

#include "engine/wait_pumping.h"
#include "platform/posix_process_runner.h"

namespace {

using namespace std::chrono_literals;
using Strings = std::vector<std::string>;

TEST(SplitCommandLineTest, QuotesGroupWordsAndBackslashesStay) {
    EXPECT_EQ(engine::SplitCommandLine(""), Strings{});
    EXPECT_EQ(engine::SplitCommandLine("  \t "), Strings{});
    EXPECT_EQ(engine::SplitCommandLine("  one   two\tthree "), (Strings{"one", "two", "three"}));
    // Quotes keep blanks; adjacent quoted and plain parts make one word.
    EXPECT_EQ(engine::SplitCommandLine("\"two words\" 'and  more' mi\"x\"'ed'"),
              (Strings{"two words", "and  more", "mixed"}));
    // Empty quotes give an empty argument.
    EXPECT_EQ(engine::SplitCommandLine("a \"\" ''"), (Strings{"a", "", ""}));
    // Backslashes stay, as paths written on Windows have them, except directly before a
    // double quote; inside single quotes they always stay.
    EXPECT_EQ(engine::SplitCommandLine(R"(.\音乐库\bell.mp3 "D:\课间 音乐\铃.mp3" a\ b)"),
              (Strings{R"(.\音乐库\bell.mp3)", R"(D:\课间 音乐\铃.mp3)", R"(a\)", "b"}));
    EXPECT_EQ(engine::SplitCommandLine(R"(say\"hi\" "c\"d\\e\n" 'f\g\"')"),
              (Strings{R"(say"hi")", R"(c"d\\e\n)", R"(f\g\")"}));
    // Nothing is expanded.
    EXPECT_EQ(engine::SplitCommandLine("$HOME * ~ `date` $(id)"),
              (Strings{"$HOME", "*", "~", "`date`", "$(id)"}));
    // A quote left open runs to the end; a trailing backslash stays.
    EXPECT_EQ(engine::SplitCommandLine("x \"open ended"), (Strings{"x", "open ended"}));
    EXPECT_EQ(engine::SplitCommandLine("x 'open"), (Strings{"x", "open"}));
    EXPECT_EQ(engine::SplitCommandLine("end\\"), (Strings{"end\\"}));
    // UTF-8 passes through untouched.
    EXPECT_EQ(engine::SplitCommandLine("上课 \"第一 节\""), (Strings{"上课", "第一 节"}));
}

class RunProgramTest : public ::testing::Test {
protected:
    void SetUp() override {
        char pattern[] = "/tmp/qelt-run-XXXXXX";
        ASSERT_NE(mkdtemp(pattern), nullptr);
        m_appDir = pattern;
        m_appDir += '/';
        mkdir((m_appDir + "bin").c_str(), 0755);
    }
    void TearDown() override { std::system(("rm -rf '" + m_appDir + "'").c_str()); }

    void Script(const std::string& name, const std::string& body) {
        const std::string path = m_appDir + name;
        std::ofstream(path) << "#!/bin/sh\n" << body << "\n";
        chmod(path.c_str(), 0755);
    }

    std::string Read(const std::string& name) {
        std::ostringstream text;
        text << std::ifstream(m_appDir + name).rdbuf();
        return text.str();
    }

    // A wait that sleeps only a little and counts how long it was asked to wait.
    int Run(const std::string& program, const std::string& parameters) {
        m_waits = 0;
        m_waitedMs = 0;
        return engine::RunProgram(
            m_runner,
            [this](int ms) {
                ++m_waits;
                m_waitedMs += ms;
                std::this_thread::sleep_for(5ms);
            },
            m_appDir, program, parameters);
    }

    platform::PosixProcessRunner m_runner;
    std::string m_appDir;
    int m_waits = 0;
    int m_waitedMs = 0;
};

TEST_F(RunProgramTest, ReturnsTheExitCodeAndPassesParametersAndFolder) {
    Script("bin/ok.sh", "exit 0");
    Script("bin/three.sh", "exit 3");
    Script("bin/args.sh",
           "pwd > where.txt; for a in \"$@\"; do printf '[%s]\\n' \"$a\"; done > args.txt");

    // A program that ends at once is seen on the first 100 ms poll.
    EXPECT_EQ(Run("bin/ok.sh", ""), 0);
    EXPECT_GE(m_waits, 1);
    EXPECT_LE(m_waits, 40);
    EXPECT_EQ(m_waitedMs, m_waits * engine::kProgramWaitStepMs);
    EXPECT_STREQ(engine::ProgramResultText(0), "程序运行成功...");

    EXPECT_EQ(Run("bin/three.sh", ""), 3);
    EXPECT_STREQ(engine::ProgramResultText(3), "程序运行有错...");

    // Stored paths may use '\'; the program folder is the working folder; quotes are
    // honoured and nothing is expanded.
    EXPECT_EQ(Run("bin\\args.sh", "第一节 \"two words\" 'it''s' $HOME *"), 0);
    EXPECT_EQ(Read("where.txt"), m_appDir.substr(0, m_appDir.size() - 1) + "\n");
    EXPECT_EQ(Read("args.txt"), "[第一节]\n[two words]\n[its]\n[$HOME]\n[*]\n");

    // An absolute program is used as it is.
    EXPECT_EQ(Run(m_appDir + "bin/three.sh", "x"), 3);
}

TEST_F(RunProgramTest, ProgramsThatCannotStartFailWithoutWaiting) {
    EXPECT_EQ(Run("bin/missing.sh", "a b"), -1);
    EXPECT_EQ(m_waits, 0);
    EXPECT_EQ(Run("", ""), -1);
    EXPECT_EQ(m_waits, 0);
    // A relative name is never looked up on PATH.
    EXPECT_EQ(Run("true", ""), -1);
    EXPECT_EQ(Run("/nonexistent/prog", ""), -1);
    EXPECT_STREQ(engine::ProgramResultText(-1), "程序运行有错...");
}

TEST_F(RunProgramTest, ProgramStillRunningAfterTheBoundIsLeftRunningAndReaped) {
    Script("bin/sleeper.sh", "echo $$ > pid.txt; exec sleep 2 </dev/null >/dev/null 2>&1");
    EXPECT_EQ(Run("bin/sleeper.sh", ""), -1);
    EXPECT_EQ(m_waits, engine::kProgramWaitSteps);
    EXPECT_EQ(m_waitedMs, 10000);

    pid_t pid = 0;
    for (int i = 0; i < 200 && pid == 0; ++i) {
        std::istringstream(Read("pid.txt")) >> pid;
        std::this_thread::sleep_for(10ms);
    }
    ASSERT_GT(pid, 0);
    // Not stopped...
    EXPECT_EQ(kill(pid, 0), 0);
    // ...and gone without a trace once it ends: no zombie is left behind.
    bool gone = false;
    for (int i = 0; i < 600 && !gone; ++i) {
        std::this_thread::sleep_for(10ms);
        gone = kill(pid, 0) != 0 && errno == ESRCH;
    }
    EXPECT_TRUE(gone);
}

// The real wait: timers keep firing during it, a nested tick may run a program of its
// own, and a program that keeps running gives up after about ten seconds.
TEST_F(RunProgramTest, RealWaitKeepsTheEventLoopRunning) {
    int argc = 1;
    char name[] = "run_program_test";
    char* argv[] = {name, nullptr};
    QCoreApplication app(argc, argv);

    Script("bin/ok.sh", "exit 0");
    Script("bin/five.sh", "exit 5");
    // The sleeper lets go of the test's output, so that the test need not outlive it.
    Script("bin/sleeper.sh", "echo $$ > pid.txt; exec sleep 12 </dev/null >/dev/null 2>&1");

    auto started = std::chrono::steady_clock::now();
    EXPECT_EQ(engine::RunProgram(m_runner, engine::WaitPumping, m_appDir, "bin/ok.sh", ""), 0);
    EXPECT_LT(std::chrono::steady_clock::now() - started, 1s);

    int ticks = 0;
    int nestedResult = 0;
    QTimer timer;
    timer.setInterval(50);
    QObject::connect(&timer, &QTimer::timeout, [&] {
        if (++ticks == 3) {
            nestedResult =
                engine::RunProgram(m_runner, engine::WaitPumping, m_appDir, "bin/five.sh", "");
        }
    });
    timer.start();

    started = std::chrono::steady_clock::now();
    const int result =
        engine::RunProgram(m_runner, engine::WaitPumping, m_appDir, "bin/sleeper.sh", "");
    const auto waited = std::chrono::steady_clock::now() - started;
    timer.stop();

    EXPECT_EQ(result, -1);
    EXPECT_GE(waited, 10s);
    EXPECT_LT(waited, 12s);
    EXPECT_GE(ticks, 100);
    EXPECT_EQ(nestedResult, 5);

    // Left running: the stand-in wait test checks the reaping.
    pid_t pid = 0;
    std::istringstream(Read("pid.txt")) >> pid;
    ASSERT_GT(pid, 0);
    EXPECT_EQ(kill(pid, 0), 0);
}

}  // namespace
