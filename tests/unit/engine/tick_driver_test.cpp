// The tick driver on the real wall clock: one tick per second, just after the boundary,
// and ticks nested inside a tick that keeps the event loop running.

#include "engine/tick_driver.h"

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QEventLoop>
#include <chrono>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "platform/system_clock.h"
#include "platform/virtual_clock.h"

namespace {

using platform::LocalTime;

// Runs the event loop for ms milliseconds.
void RunEventsFor(int ms) {
    QEventLoop loop;
    QTimer::singleShot(ms, &loop, &QEventLoop::quit);
    loop.exec();
}

std::int64_t Second(const LocalTime& t) {
    return platform::VirtualClock::ToMilliseconds(t) / 1000;
}

class TickDriverTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        static int argc = 1;
        static char name[] = "tick_driver_tests";
        static char* argv[] = {name, nullptr};
        static QCoreApplication app(argc, argv);
    }
    platform::SystemClock clock;
};

TEST_F(TickDriverTest, TicksOnceJustAfterEverySecond) {
    std::vector<LocalTime> ticks;
    engine::CTickDriver driver(clock, [&] { ticks.push_back(clock.Now()); });
    driver.Start();
    RunEventsFor(3300);
    driver.Stop();
    ASSERT_GE(ticks.size(), 3u);
    EXPECT_LE(ticks.size(), 4u);
    for (std::size_t i = 0; i < ticks.size(); ++i) {
        // Generous for a loaded machine under the sanitizers; typically 1..3 ms.
        EXPECT_LT(ticks[i].millisecond, 250) << "tick " << i << " came late";
        if (i > 0) {
            EXPECT_EQ(Second(ticks[i]), Second(ticks[i - 1]) + 1)
                << "a second was missed or repeated";
        }
    }
    const std::size_t before = ticks.size();
    RunEventsFor(1200);
    EXPECT_EQ(ticks.size(), before) << "no tick after Stop";
}

TEST_F(TickDriverTest, TicksRunNestedWhileATickKeepsTheEventLoopRunning) {
    int depth = 0;
    int maxDepth = 0;
    int ticks = 0;
    engine::CTickDriver driver(clock, [&] {
        ++ticks;
        ++depth;
        maxDepth = std::max(maxDepth, depth);
        if (ticks == 1) {
            // Like waiting for an external program: 2.5 s of processing events.
            const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(2500);
            while (std::chrono::steady_clock::now() < end) {
                QCoreApplication::processEvents(QEventLoop::AllEvents);
                std::this_thread::sleep_for(std::chrono::milliseconds(1));
            }
        }
        --depth;
    });
    driver.Start();
    RunEventsFor(1500);  // the first tick comes within a second, then waits 2.5 s
    driver.Stop();
    EXPECT_GE(ticks, 3);
    EXPECT_EQ(maxDepth, 2);
}

// A wake source the test fires by hand, as the system would on the second or on a clock
// set.
class FakeWake : public engine::IWakeSource {
public:
    void ArmNextSecond() override { ++armed; }
    void Cancel() override { ++cancelled; }
    bool ReportsClockSets() const override { return true; }
    void Fire(bool clockSet) { Wake(clockSet); }
    int armed = 0;
    int cancelled = 0;
};

TEST(TickDriverSource, ATickComesOncePerSecondAndAtOnceWhenTheClockIsSet) {
    platform::VirtualClock clock(platform::VirtualClock::FromMilliseconds(
        platform::VirtualClock::ToMilliseconds(LocalTime{2026, 12, 7, 8, 0, 0, 0, 1})));
    auto source = std::make_unique<FakeWake>();
    FakeWake* wake = source.get();
    std::vector<std::string> events;
    engine::CTickDriver driver(
        clock, [&] { events.push_back("tick " + std::to_string(clock.Now().second)); },
        std::move(source));
    driver.SetClockSetHandler([&] { events.push_back("set"); });
    EXPECT_TRUE(driver.ReportsClockSets());
    driver.Start();
    EXPECT_EQ(wake->armed, 1);

    wake->Fire(false);
    wake->Fire(false);  // woke again within the same second: no second tick
    clock.Advance(1000);
    wake->Fire(false);
    // The clock set back by an hour: told first, and the tick comes at once, even
    // within a second that already had its tick.
    clock.Advance(-3600 * 1000);
    wake->Fire(true);
    EXPECT_EQ(events, (std::vector<std::string>{"tick 0", "tick 1", "set", "tick 1"}));
    EXPECT_EQ(wake->armed, 5) << "armed again on every wake, before the tick";

    driver.Stop();
    wake->Fire(false);
    EXPECT_EQ(events.size(), 4u) << "no tick after Stop";
    EXPECT_EQ(wake->cancelled, 1);
}

}  // namespace
