// The before-program through RunProgram and a process runner that never starts
// anything: its command line, and ticks that keep running while it is waited for.

#include <gtest/gtest.h>

#include <optional>

#include "engine_test_fixture.h"
#include "platform/process_runner.h"

namespace engine_test {
namespace {

class ScriptedRunner : public platform::ProcessRunner {
public:
    Handle Start(const std::string& program, const std::vector<std::string>& arguments,
                 const std::string& workingDir) override {
        started.push_back({program, arguments, workingDir});
        return 7;
    }
    std::optional<int> ExitCode(Handle) override {
        if (++polls < pollsUntilExit) {
            return std::nullopt;
        }
        return exitCode;
    }
    void Abandon(Handle) override { ++abandoned; }

    struct Started {
        std::string program;
        std::vector<std::string> arguments;
        std::string workingDir;
    };
    std::vector<Started> started;
    int polls = 0;
    int pollsUntilExit = 1;
    int exitCode = 0;
    int abandoned = 0;
};

TEST_F(EngineTest, BeforeProgramRunsThroughTheProcessRunnerWithTicksDuringTheWait) {
    ScriptedRunner runner;
    // Waiting moves the clock and lets the tick run once a second, as the event loop would.
    std::int64_t waited = 0;
    const engine::ProgramRunFn run = engine::BindRunProgram(
        runner,
        [&](int ms) {
            clock.Advance(ms);
            waited += ms;
            if (waited % 1000 == 0) {
                engine.OnTick();
            }
        },
        AppDir());
    runProgram = run;
    schedule::ScheduleItem item = Single(Hms(8, 0, 0), "早操");
    item.runBefore = 1;
    item.useDefaultParams = 0;
    item.params = "-a \"b c\"";
    LoadDays({item, Single(Hms(8, 0, 20), "跟着")});
    SetOption(&engine::EngineOptions::extRun, true);
    SetOption(&engine::EngineOptions::runBefore, "bin/pre.sh");

    // Exits on the third poll, 300 ms after it started.
    runner.pollsUntilExit = 3;
    clock.Set(Time(7, 7, 59, 34));
    TickThrough(7, 59, 35);
    ASSERT_EQ(runner.started.size(), 1u);
    EXPECT_EQ(runner.started[0].program, AppDir() + "bin/pre.sh");
    EXPECT_EQ(runner.started[0].arguments, (std::vector<std::string>{"-a", "b c"}));
    EXPECT_EQ(runner.started[0].workingDir, AppDir());
    EXPECT_EQ(host.status, "程序运行成功...");
    EXPECT_EQ(clock.Now().millisecond, 800);

    // One that outlives the bound, started late in the lead-in: the ticks of its 10 s
    // wait start the item, once, and the program is left running.
    clock.Set(Time(14, 7, 59, 0));  // a week later, before the lead-in
    engine.OnTick();
    runner.started.clear();
    runner.polls = 0;
    runner.pollsUntilExit = 1000;
    waited = 0;
    log.Clear();
    clock.Set(Time(14, 7, 59, 51));
    engine.OnTick();
    EXPECT_EQ(runner.started.size(), 1u);
    EXPECT_EQ(runner.abandoned, 1);
    EXPECT_EQ(log.With("load"), std::vector<std::string>{"08:00:00 load 0"});
    EXPECT_EQ(log.With("status").back(), "08:00:01 status 程序运行有错...")
        << "the failure is shown when the wait ends";
    TickThrough(8, 0, 30);
    EXPECT_EQ(log.With("load").size(), 2u) << "the next item still starts";
}

}  // namespace
}  // namespace engine_test
