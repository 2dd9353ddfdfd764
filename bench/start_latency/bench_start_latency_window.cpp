// Start latency through the windowed program: the main window on the offscreen platform,
// with its real tick, bell session, player window and notifier, rings single-file items
// 3 s apart into "fakesink sync=true" (never a sound device). For each item the time from
// its second to its first audio buffer at the sink is measured while the frame shows the
// player and the notifier at that second.

#include <time.h>

#include <QApplication>
#include <QTimer>
#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <thread>
#include <vector>

#include "app/main_frame.h"
#include "bench_media.h"
#include "latency_probe.h"
#include "platform/dialogs.h"
#include "platform/power_control.h"
#include "platform/system_clock.h"
#include "player/gst_audio_system.h"
#include "player/player_dlg.h"
#include "schedule/model.h"

namespace {

using bench::NoPowerOff;
using bench::Percentile;
using bench::RealtimeMsPrecise;
using bench::WatchedAudio;

constexpr int kItems = 30;
constexpr int kGapSeconds = 3;
constexpr int kFirstItemAfterSeconds = 6;

// Nothing asks during the run; a question would be answered No.
class NoDialogs : public platform::Dialogs {
public:
    platform::MessageAnswer Message(const std::string&, const std::string&, platform::MessageIcon,
                                    platform::MessageButtons buttons) override {
        return buttons == platform::MessageButtons::Ok ? platform::MessageAnswer::Ok
                                                       : platform::MessageAnswer::No;
    }
    std::vector<std::string> ChooseFiles(const platform::FileDialogRequest&) override { return {}; }
    std::optional<std::uint32_t> ChooseColour(std::uint32_t) override { return std::nullopt; }
};

}  // namespace

int main(int argc, char** argv) {
    setenv("QELT_AUDIO_SINK", "fakesink sync=true", 1);
    setenv("QELT_NO_POWEROFF", "1", 1);
    setenv("QT_QPA_PLATFORM", "offscreen", 1);
    bench::TempFolder folder;
    bench::TempFolder config;
    if (!folder.Ok() || !config.Ok()) {
        std::fprintf(stderr, "bench_start_latency_window: no temporary folder\n");
        return 1;
    }
    // The program's own settings stay out of the user's configuration.
    setenv("XDG_CONFIG_HOME", config.File("").c_str(), 1);
    QApplication app(argc, argv);
    const std::string tone = std::string(QELT_SOURCE_DIR) + "/tests/data/audio_tone.wav";

    const auto plan = bench::PlanItems(kFirstItemAfterSeconds, kItems, kGapSeconds);
    if (!plan) {
        std::fprintf(stderr, "bench_start_latency_window: too close to midnight, run it later\n");
        return 1;
    }
    const int firstSecond = plan->firstSecond;
    const std::int64_t firstItemMs = plan->firstItemMs;
    schedule::CTimetable timetable;
    for (int k = 0; k < kItems; ++k) {
        schedule::ScheduleItem item;
        item.time = firstSecond + k * kGapSeconds;
        item.kind = schedule::SingleMusic;
        item.title = "single " + std::to_string(k);
        item.musicName = "tone";
        item.path = tone;
        for (int day = 0; day < schedule::kDaysPerWeek; ++day) {
            timetable.AddItem(day, &item);
        }
    }
    std::filesystem::create_directories(folder.File("作息表"));
    if (!timetable.Save(folder.File("作息表/参考作息表.zxb"))) {
        std::fprintf(stderr, "bench_start_latency_window: cannot write the timetable\n");
        return 1;
    }

    platform::SystemClock clock;
    WatchedAudio audio;
    NoPowerOff power;
    NoDialogs dialogs;
    app::FrameServices services;
    services.clock = &clock;
    services.audio = &audio;
    services.power = &power;
    services.dialogs = &dialogs;
    services.appDir = folder.File("");
    services.loadPlugins = false;
    app::CMainFrame frame(std::move(services));
    if (!frame.Create()) {
        std::fprintf(stderr, "bench_start_latency_window: the main window was not made\n");
        return 1;
    }
    frame.show();

    std::vector<double> lateness;
    bench::ItemStarts starts(firstItemMs, kGapSeconds, kItems);
    QObject::connect(frame.PlayerWindow(), &player::CPlayerDlg::trackStarted, [&] {
        const double startedMs = RealtimeMsPrecise();
        const std::int64_t k = starts.Take(startedMs);
        if (k < 0) {
            return;
        }
        const double due = starts.DueMs(k);
        const double firstBuffer = audio.FirstBufferMs();
        if (firstBuffer > 0) {
            lateness.push_back(firstBuffer - due);
            std::printf("item %2lld: playing +%.1f ms, first buffer +%.1f ms\n",
                        static_cast<long long>(k), startedMs - due, firstBuffer - due);
        }
    });
    const int runMs = (kFirstItemAfterSeconds + kItems * kGapSeconds + 2) * 1000;
    QTimer::singleShot(runMs, &app, &QCoreApplication::quit);
    app.exec();
    frame.Shutdown();

    if (lateness.size() != static_cast<std::size_t>(kItems)) {
        std::fprintf(stderr, "bench_start_latency_window: %zu of %d items measured\n",
                     lateness.size(), kItems);
    }
    if (!lateness.empty()) {
        std::printf("BENCH start_latency_median_window %.1f ms\n", Percentile(lateness, 0.5));
        std::printf("BENCH start_latency_p99_window %.1f ms\n", Percentile(lateness, 0.99));
    }
    return 0;
}
