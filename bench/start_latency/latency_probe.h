#pragma once
// What the start-latency benchmarks share: the wall clock to the microsecond, the
// GStreamer audio system that finds a channel's first buffer, a power control that never
// powers off, and percentiles.

#include <time.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdint>
#include <optional>
#include <thread>
#include <vector>

#include "engine/engine_player.h"
#include "platform/power_control.h"
#include "player/gst_audio_system.h"
#include "schedule/records.h"

namespace bench {

inline constexpr int kFirstBufferWaitMs = 1000;

inline double RealtimeMsPrecise() {
    timespec now{};
    clock_gettime(CLOCK_REALTIME, &now);
    return static_cast<double>(now.tv_sec) * 1000.0 + static_cast<double>(now.tv_nsec) / 1e6;
}

// The GStreamer audio system, remembering the channel that played last, so the first
// buffer can be found by asking its position.
class WatchedAudio : public player::GstAudioSystem {
public:
    player::AudioResult PlaySound(player::SoundHandle sound, bool paused,
                                  player::ChannelHandle* channel) override {
        const player::AudioResult result = GstAudioSystem::PlaySound(sound, paused, channel);
        if (result == player::AudioResult::Ok) {
            m_Last = *channel;
        }
        return result;
    }
    // The wall-clock time of the channel's first buffer: the moment its position first
    // moves, less the position then reached; 0 when it never moved.
    double FirstBufferMs() {
        const double end = RealtimeMsPrecise() + kFirstBufferWaitMs;
        while (RealtimeMsPrecise() < end) {
            std::uint32_t position = 0;
            if (GetPosition(m_Last, player::TimeUnit::Ms, &position) == player::AudioResult::Ok &&
                position > 0 && position != engine::kLengthUnknown) {
                return RealtimeMsPrecise() - position;
            }
            std::this_thread::sleep_for(std::chrono::microseconds(200));
        }
        return 0;
    }

private:
    player::ChannelHandle m_Last = player::kNoChannel;
};

class NoPowerOff : public platform::PowerControl {
public:
    void RequestPowerOff() override {}
    platform::PowerOffState PowerOffStatus() override { return platform::PowerOffState::None; }
};

// Items due every gapSeconds from firstItemMs on: the item a track start at startedMs
// belongs to, taken once each. A start that is no item's own (a common track's secondary
// track, a start more than a second late) gives -1.
class ItemStarts {
public:
    ItemStarts(std::int64_t firstItemMs, int gapSeconds, int items)
        : m_nFirstItemMs(firstItemMs), m_nGapMs(gapSeconds * 1000), m_Measured(items, false) {}

    std::int64_t Take(double startedMs) {
        const auto k = static_cast<std::int64_t>(
            std::floor((startedMs - static_cast<double>(m_nFirstItemMs)) / m_nGapMs));
        if (k < 0 || k >= static_cast<std::int64_t>(m_Measured.size()) ||
            m_Measured[static_cast<std::size_t>(k)] || startedMs - DueMs(k) > kFirstBufferWaitMs) {
            return -1;
        }
        m_Measured[static_cast<std::size_t>(k)] = true;
        return k;
    }
    double DueMs(std::int64_t k) const {
        return static_cast<double>(m_nFirstItemMs + k * m_nGapMs);
    }

private:
    std::int64_t m_nFirstItemMs;
    std::int64_t m_nGapMs;
    std::vector<bool> m_Measured;
};

// When a run's items ring: the first one afterSeconds from now, as its second of the day
// and on the wall clock in ms; nothing when the last of items, gapSeconds apart, would
// pass midnight.
struct ItemPlan {
    int firstSecond = 0;
    std::int64_t firstItemMs = 0;
};
inline std::optional<ItemPlan> PlanItems(int afterSeconds, int items, int gapSeconds) {
    timespec now{};
    clock_gettime(CLOCK_REALTIME, &now);
    tm local{};
    localtime_r(&now.tv_sec, &local);
    ItemPlan plan;
    plan.firstSecond = local.tm_hour * 3600 + local.tm_min * 60 + local.tm_sec + afterSeconds;
    if (plan.firstSecond + items * gapSeconds >= schedule::kSecondsPerDay) {
        return std::nullopt;
    }
    plan.firstItemMs = static_cast<std::int64_t>(now.tv_sec) * 1000 + afterSeconds * 1000LL;
    return plan;
}

inline double Percentile(std::vector<double> values, double fraction) {
    std::sort(values.begin(), values.end());
    const auto rank =
        static_cast<std::size_t>(fraction * static_cast<double>(values.size()) + 0.999999);
    return values[std::min(values.size() - 1, rank == 0 ? 0 : rank - 1)];
}

}  // namespace bench
