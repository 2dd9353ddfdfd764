#include "engine/play_queue.h"

#include <algorithm>
#include <climits>
#include <numeric>
#include <random>

#include "engine/engine_player.h"
#include "schedule/app_paths.h"

namespace engine {

using schedule::TrackEntry;

namespace {

constexpr std::int64_t kMsPerMinute = 60 * 1000;

TrackEntry Resolved(TrackEntry entry, const std::string& appDir) {
    entry.path = schedule::ResolvePath(appDir, entry.path);
    return entry;
}

// A track cut to limitMs, as the player's AddFile queues one.
TrackEntry CutTo(const TrackEntry& entry, int limitMs) {
    TrackEntry cut;
    cut.path = entry.path;
    cut.fullPlay = 0;
    cut.length = schedule::kUnknownLength;
    cut.limit = limitMs;
    cut.autoPlay = entry.autoPlay;
    cut.volume = entry.volume;
    cut.useDefaultVolume = entry.useDefaultVolume;
    return cut;
}

}  // namespace

PlayQueue CommonTrackQueue(const schedule::CommonTrack& track, const std::string& appDir) {
    switch (track.order) {
        case schedule::NoSecondary:
            return {Resolved(track.main, appDir)};
        case schedule::MainFirst:
            return {Resolved(track.main, appDir), Resolved(track.secondary, appDir)};
        default:
            return {Resolved(track.secondary, appDir), Resolved(track.main, appDir)};
    }
}

PlayQueue PlaylistQueue(const schedule::Playlist& playlist, const std::string& appDir,
                        std::uint32_t seed, const LengthProbeFn& probe) {
    const auto& entries = playlist.entries;
    PlayQueue queue;
    if (playlist.randomPlay == 0) {
        for (const TrackEntry& entry : entries) {
            queue.push_back(Resolved(entry, appDir));
        }
        return queue;
    }
    // Shuffled with a generator seeded by the caller (the clock's whole seconds), so two
    // plays within one second get the same order.
    const int count = static_cast<int>(entries.size());
    std::vector<int> order(static_cast<std::size_t>(count));
    std::iota(order.begin(), order.end(), 0);
    std::mt19937 generator(seed);
    for (int i = count - 1; i > 0; --i) {
        const auto j = static_cast<int>(generator() % static_cast<std::uint32_t>(i + 1));
        std::swap(order[static_cast<std::size_t>(i)], order[static_cast<std::size_t>(j)]);
    }
    if (playlist.randomLimitKind != schedule::LimitMinutes) {
        const int take = std::clamp(playlist.randomLimit, 0, count);
        for (int i = 0; i < take; ++i) {
            queue.push_back(Resolved(
                entries[static_cast<std::size_t>(order[static_cast<std::size_t>(i)])], appDir));
        }
        return queue;
    }
    const std::int64_t budget = static_cast<std::int64_t>(playlist.randomLimit) * kMsPerMinute;
    std::int64_t total = 0;
    for (const int index : order) {
        const TrackEntry entry = Resolved(entries[static_cast<std::size_t>(index)], appDir);
        std::int64_t duration = entry.limit;
        if (entry.fullPlay != 0 || entry.limit <= 0) {
            // A whole-file entry lasts its length; one that cannot be measured cannot be
            // played either and takes nothing of the budget.
            const std::uint32_t length = probe ? probe(entry.path) : kLengthUnknown;
            if (length == kLengthUnknown) {
                continue;
            }
            duration = length;
        }
        if (total + duration <= budget) {
            total += duration;
            queue.push_back(entry);
            continue;
        }
        // Cut to the time left. With no time left nothing more is queued: a limit of 0
        // would make the player play the whole file.
        const std::int64_t left = std::min<std::int64_t>(budget - total, INT_MAX);
        if (left > 0 && !entry.path.empty()) {
            queue.push_back(CutTo(entry, static_cast<int>(left)));
        }
        break;
    }
    return queue;
}

QueueResult ItemQueue(const schedule::ScheduleItem& item, const QueueSources& sources,
                      std::uint32_t seed, PlayQueue* queue) {
    queue->clear();
    switch (item.kind) {
        case schedule::SingleMusic: {
            TrackEntry entry;
            entry.path = schedule::ResolvePath(sources.appDir, item.path);
            entry.fullPlay = item.fullPlay;
            entry.length = schedule::kUnknownLength;
            entry.limit = item.limit;
            entry.autoPlay = item.autoPlay;
            entry.volume = item.volume;
            entry.useDefaultVolume = item.useDefaultVolume;
            queue->push_back(entry);
            return QueueResult::Ok;
        }
        case schedule::CommonMusic: {
            const int index = sources.commonTracks.Find(item.musicName);
            if (index < 0) {
                return QueueResult::MissingCommonTrack;
            }
            *queue = CommonTrackQueue(*sources.commonTracks.Get(index), sources.appDir);
            return QueueResult::Ok;
        }
        case schedule::ListMusic: {
            const int index = sources.playlists.Find(item.musicName);
            if (index < 0) {
                return QueueResult::MissingPlaylist;
            }
            schedule::Playlist expanded;
            schedule::CPlaylistStore::Expand(sources.playlists.Get(index), &expanded,
                                             sources.appDir);
            *queue = PlaylistQueue(expanded, sources.appDir, seed, sources.probeLength);
            return QueueResult::Ok;
        }
        default:
            return QueueResult::Ok;  // no music of a kind this program knows: nothing queued
    }
}

std::vector<std::string> ItemFiles(const schedule::ScheduleItem& item,
                                   const QueueSources& sources) {
    PlayQueue queue;
    if (item.kind == schedule::ListMusic) {
        const int index = sources.playlists.Find(item.musicName);
        if (index >= 0) {
            schedule::Playlist expanded;
            schedule::CPlaylistStore::Expand(sources.playlists.Get(index), &expanded,
                                             sources.appDir);
            expanded.randomPlay = 0;  // every entry it may choose
            queue = PlaylistQueue(expanded, sources.appDir, 0, nullptr);
        }
    } else {
        ItemQueue(item, sources, 0, &queue);
    }
    std::vector<std::string> files;
    for (const TrackEntry& entry : queue) {
        if (!entry.path.empty()) {
            files.push_back(entry.path);
        }
    }
    return files;
}

}  // namespace engine
