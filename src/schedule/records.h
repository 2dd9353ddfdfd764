#pragma once
// The records every part of QELT shares: schedule items, tracks, common tracks and
// playlists. Strings are UTF-8; integers and flags are 32-bit, as in the files.

#include <cstdint>
#include <string>
#include <vector>

namespace schedule {

enum MusicKind : std::int32_t {
    SingleMusic = 0,
    CommonMusic = 1,
    ListMusic = 2,
};

enum SecondaryOrder : std::int32_t {
    NoSecondary = 0,
    MainFirst = 1,
    SecondaryFirst = 2,
};

enum RandomLimitKind : std::int32_t {
    LimitFiles = 0,
    LimitMinutes = 1,
};

constexpr int kDaysPerWeek = 7;
constexpr std::int32_t kSecondsPerMinute = 60;
constexpr std::int32_t kSecondsPerHour = 3600;
constexpr std::int32_t kSecondsPerDay = 86400;
constexpr std::int32_t kUnknownLength = -1;

// One timed entry of a day.
struct ScheduleItem {
    std::int32_t time = 0;  // seconds since midnight
    std::int32_t autoPlay = 1;
    std::int32_t kind = SingleMusic;
    std::int32_t volume = 100;
    std::int32_t useDefaultVolume = 1;
    std::int32_t fullPlay = 1;
    std::int32_t limit = 0;  // milliseconds, used when fullPlay is 0
    std::string path;
    std::string title;
    std::string musicName;
    std::int32_t runBefore = 0;
    std::int32_t useDefaultParams = 1;
    std::string params;

    bool operator==(const ScheduleItem&) const = default;
};

// One track with its play mode: a queue entry, a common track's part, a playlist entry.
struct TrackEntry {
    std::string path;
    std::int32_t fullPlay = 1;
    std::int32_t length = kUnknownLength;  // milliseconds
    std::int32_t limit = 0;                // milliseconds
    std::int32_t autoPlay = 1;
    std::int32_t volume = 100;  // negative: the player's current volume
    std::int32_t useDefaultVolume = 1;

    bool operator==(const TrackEntry&) const = default;
};

// A named main track with an optional secondary track.
struct CommonTrack {
    std::string name;
    TrackEntry main;
    TrackEntry secondary;
    std::int32_t order = NoSecondary;

    bool operator==(const CommonTrack&) const = default;
};

// A named list of tracks, possibly played in random order.
struct Playlist {
    std::string name;
    std::int32_t randomPlay = 0;
    std::int32_t randomLimit = 0;
    std::int32_t randomLimitKind = LimitFiles;
    std::vector<TrackEntry> entries;

    bool operator==(const Playlist&) const = default;
};

}  // namespace schedule
