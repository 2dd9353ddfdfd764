// Start latency: the real tick driver, scheduling engine and GStreamer backend (into
// "fakesink sync=true", never a sound device) ring items 3 s apart, taking the kinds of
// item in turn: a single file, a common track (main and secondary), a playlist in order,
// a random playlist limited by files, and a random playlist limited by minutes over 200
// CBR MP3 files without an Info header. For each item the time from its second to its
// first audio buffer at the sink is measured. Also the engine's CPU time for an idle tick.

#include <time.h>

#include <QCoreApplication>
#include <QTimer>
#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <memory>
#include <string>
#include <string_view>
#include <thread>
#include <vector>

#include "bench_media.h"
#include "engine/schedule_engine.h"
#include "engine/tick_driver.h"
#include "latency_probe.h"
#include "platform/power_control.h"
#include "platform/system_clock.h"
#include "player/gst_audio_system.h"
#include "player/headless_player.h"
#include "schedule/model.h"

namespace {

using bench::NoPowerOff;
using bench::Percentile;
using bench::RealtimeMsPrecise;
using bench::WatchedAudio;

constexpr int kItemsPerKind = 30;
constexpr int kPlaylistFiles = 200;
constexpr int kPlaylistFileSeconds = 180;
constexpr int kRandomFiles = 10;
constexpr int kRandomMinutes = 45;
constexpr int kGapSeconds = 3;
constexpr int kFirstItemAfterSeconds = 5;
constexpr int kIdleTickRuns = 200000;

double ThreadCpuUs() {
    timespec now{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
    return static_cast<double>(now.tv_sec) * 1e6 + static_cast<double>(now.tv_nsec) / 1e3;
}

class QuietHost : public engine::IEngineHost {
public:
    void SetStatusText(const std::string&) override {}
    void ShowNotice(const std::string&) override {}
    void LogEvent(const std::string&, const std::string&) override {}
    void SetPendingItem(const schedule::ScheduleItem*) override {}
    void SetTimetableTitle(const std::string&) override {}
    void SetHoliday(bool) override {}
    void DayListChanged(const std::vector<schedule::ScheduleItem>&, int) override {}
    void NextRowChanged(int) override {}
    void ShowNotifier(const std::string&, int, int, int) override {}
    bool IsPlayerVisible() const override { return true; }
    void ShowPlayer() override {}
    void HidePlayer() override {}
    void TrimMemory() override {}
};

// The kinds of item, rung in turn; the names are those of the BENCH lines.
struct ItemKind {
    const char* name;
    schedule::MusicKind kind;
    const char* musicName;
};
constexpr ItemKind kKinds[] = {
    {"single", schedule::SingleMusic, ""},
    {"common", schedule::CommonMusic, "上课"},
    {"list", schedule::ListMusic, "顺序"},
    {"random_files", schedule::ListMusic, "随机曲数"},
    {"random_minutes", schedule::ListMusic, "随机分钟"},
    {"speech", schedule::SingleMusic, ""},  // a text file, spoken ahead into the cache
};
constexpr int kKindCount = static_cast<int>(std::size(kKinds));
constexpr int kFirstListKind = 2;  // "list" to "random_minutes" name playlists
constexpr int kLastListKind = 4;
constexpr int kItems = kItemsPerKind * kKindCount;

// The stores the items name: one common track and the three playlists, all over the
// same 200 MP3 files (whole files, so the minute budget needs their lengths).
void FillStores(const std::string& tone, const std::vector<std::string>& mp3s,
                schedule::CCommonTrackStore& tracks, schedule::CPlaylistStore& playlists) {
    schedule::CommonTrack common;
    common.name = kKinds[1].musicName;
    common.order = schedule::MainFirst;
    common.main.path = tone;
    common.secondary.path = mp3s.front();
    tracks.Add(&common);
    for (int k = kFirstListKind; k <= kLastListKind; ++k) {
        schedule::Playlist list;
        list.name = kKinds[k].musicName;
        list.randomPlay = k == 2 ? 0 : 1;
        list.randomLimitKind = k == 4 ? schedule::LimitMinutes : schedule::LimitFiles;
        list.randomLimit = k == 4 ? kRandomMinutes : kRandomFiles;
        for (const std::string& path : mp3s) {
            schedule::TrackEntry entry;
            entry.path = path;
            list.entries.push_back(entry);
        }
        playlists.Add(&list);
    }
}

}  // namespace

int main(int argc, char** argv) {
    // Never a sound device, whatever the environment says.
    setenv("QELT_AUDIO_SINK", "fakesink sync=true", 1);
    setenv("QELT_NO_POWEROFF", "1", 1);
    QCoreApplication app(argc, argv);

    bench::TempFolder folder;
    if (!folder.Ok()) {
        std::fprintf(stderr, "bench_start_latency: no temporary folder\n");
        return 1;
    }
    const std::string tone = std::string(QELT_SOURCE_DIR) + "/tests/data/audio_tone.wav";
    const std::string source = folder.File("source.mp3");
    if (!bench::MakeAudio(source, "cbr_noinfo", kPlaylistFileSeconds)) {
        std::fprintf(stderr,
                     "bench_start_latency: could not make the MP3 files (gst-launch-1.0)\n");
        return 1;
    }
    std::vector<std::string> mp3s;
    for (int i = 0; i < kPlaylistFiles; ++i) {
        mp3s.push_back(folder.File("track" + std::to_string(i) + ".mp3"));
        std::filesystem::copy_file(source, mp3s.back(),
                                   std::filesystem::copy_options::overwrite_existing);
    }

    // The announcement the speech items read, spoken by espeak-ng into a cache of the run's.
    const std::string note = folder.File("note.txt");
    std::ofstream(note) << "第三节课将在五分钟后开始，请同学们回到教室。";
    player::CSpeechCache speech(folder.File("speech"));

    // Item k is due at the wall-clock second first + 3k.
    const auto plan = bench::PlanItems(kFirstItemAfterSeconds, kItems, kGapSeconds);
    if (!plan) {
        std::fprintf(stderr, "bench_start_latency: too close to midnight, run it again later\n");
        return 1;
    }
    const int firstSecond = plan->firstSecond;
    const std::int64_t firstItemMs = plan->firstItemMs;
    schedule::CTimetable timetable;
    for (int k = 0; k < kItems; ++k) {
        schedule::ScheduleItem item;
        const ItemKind& kind = kKinds[k % kKindCount];
        item.time = firstSecond + k * kGapSeconds;
        item.kind = kind.kind;
        item.title = std::string(kind.name) + " " + std::to_string(k);
        item.path = std::string_view(kind.name) == "speech" ? note : tone;
        item.musicName = kind.musicName;
        for (int day = 0; day < schedule::kDaysPerWeek; ++day) {
            timetable.AddItem(day, &item);
        }
    }
    const std::string timetablePath = folder.File("bench.zxb");
    if (!timetable.Save(timetablePath)) {
        std::fprintf(stderr, "bench_start_latency: cannot write the timetable\n");
        return 1;
    }

    platform::SystemClock clock;
    WatchedAudio audio;
    audio.SetSpeech(&speech);
    QuietHost host;
    NoPowerOff power;
    schedule::CCommonTrackStore tracks;
    schedule::CPlaylistStore playlists;
    FillStores(tone, mp3s, tracks, playlists);
    std::vector<double> lateness;
    std::vector<std::vector<double>> latenessByKind(kKindCount);
    QTimer playerTimer;
    std::unique_ptr<engine::CScheduleEngine> engine;

    player::CHeadlessPlayer::Events events;
    bench::ItemStarts starts(firstItemMs, kGapSeconds, kItems);
    double lastTickMs = 0;
    // How late each tick woke after its wall-clock second.
    std::vector<double> tickLateness;
    events.trackStarted = [&](const std::string&) {
        const double startedMs = RealtimeMsPrecise();
        // The item whose second this start belongs to; a common track's secondary
        // track starts later on its own and is not an item's start.
        const std::int64_t k = starts.Take(startedMs);
        if (k < 0) {
            return;
        }
        const double due = starts.DueMs(k);
        const double firstBuffer = audio.FirstBufferMs();
        if (firstBuffer > 0) {
            lateness.push_back(firstBuffer - due);
            latenessByKind[static_cast<std::size_t>(k % kKindCount)].push_back(firstBuffer - due);
            std::printf(
                "item %2lld %-14s: tick +%.1f ms, playing +%.1f ms, first buffer +%.1f ms\n",
                static_cast<long long>(k), kKinds[k % kKindCount].name, lastTickMs - due,
                startedMs - due, firstBuffer - due);
        }
    };
    events.progressTimer = [&](bool running) {
        if (running) {
            playerTimer.start(player::CPlaybackEngine::kTickIntervalMs);
        } else {
            playerTimer.stop();
        }
    };
    player::CHeadlessPlayer playerAdapter(audio, events);
    QObject::connect(&playerTimer, &QTimer::timeout, [&] { playerAdapter.UpdateStatus(); });
    engine = std::make_unique<engine::CScheduleEngine>(
        clock, host, playerAdapter, power, [](const std::string&, const std::string&) { return 0; },
        tracks, playlists, folder.File(""));
    engine::EngineOptions options = engine->Options();
    options.autoShutdown = false;
    engine->SetOptions(options);
    if (!engine->LoadTimetable(timetablePath)) {
        std::fprintf(stderr, "bench_start_latency: cannot load the timetable\n");
        return 1;
    }

    engine::CTickDriver driver(clock, [&] {
        lastTickMs = RealtimeMsPrecise();
        tickLateness.push_back(std::fmod(lastTickMs, 1000.0));
        engine->OnTick();
    });
    driver.Start();
    const int runMs = (kFirstItemAfterSeconds + kItems * kGapSeconds + 2) * 1000;
    QTimer::singleShot(runMs, &app, &QCoreApplication::quit);
    app.exec();
    driver.Stop();
    playerTimer.stop();
    playerAdapter.ClearQueue(true);

    // An idle tick: the day's items are done and nothing plays.
    const double cpuStart = ThreadCpuUs();
    for (int i = 0; i < kIdleTickRuns; ++i) {
        engine->OnTick();
    }
    const double tickCpuUs = (ThreadCpuUs() - cpuStart) / kIdleTickRuns;

    if (lateness.size() != static_cast<std::size_t>(kItems)) {
        std::fprintf(stderr, "bench_start_latency: %zu of %d items measured\n", lateness.size(),
                     kItems);
    }
    if (!lateness.empty()) {
        std::printf(
            "start latency over %zu items: min %.1f ms, median %.1f ms, p99 %.1f ms, max %.1f ms\n",
            lateness.size(), *std::min_element(lateness.begin(), lateness.end()),
            Percentile(lateness, 0.5), Percentile(lateness, 0.99),
            *std::max_element(lateness.begin(), lateness.end()));
        std::printf("BENCH start_latency_median %.1f ms\n", Percentile(lateness, 0.5));
        // The worst kind's p99 stands for all.
        double worst = 0;
        for (int k = 0; k < kKindCount; ++k) {
            const auto& series = latenessByKind[static_cast<std::size_t>(k)];
            if (!series.empty()) {
                const double p99 = Percentile(series, 0.99);
                worst = std::max(worst, p99);
                std::printf("BENCH start_latency_p99_%s %.1f ms\n", kKinds[k].name, p99);
            }
        }
        std::printf("BENCH start_latency_p99 %.1f ms\n", worst);
        std::printf("BENCH start_latency_max %.1f ms\n",
                    *std::max_element(lateness.begin(), lateness.end()));
    }
    if (!tickLateness.empty()) {
        std::printf("BENCH tick_lateness_p99 %.2f ms\n", Percentile(tickLateness, 0.99));
    }
    if (lateness.size() > 1) {
        // The first open of a process loads GStreamer's elements and plug-ins once.
        const std::vector<double> warm(lateness.begin() + 1, lateness.end());
        std::printf("without the first (cold) open: median %.1f ms, max %.1f ms\n",
                    Percentile(warm, 0.5), *std::max_element(warm.begin(), warm.end()));
    }
    std::printf("BENCH tick_cpu_us %.3f us\n", tickCpuUs);
    return 0;
}
