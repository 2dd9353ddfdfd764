#pragma once
// The tracks an item, a common track or a playlist puts in the play queue, in order,
// with paths resolved against the program folder. Nothing is played here: the same
// queue serves a bell, a track chosen from the menu and an editor's trial play.

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "schedule/common_track_store.h"
#include "schedule/playlist_store.h"
#include "schedule/records.h"

namespace engine {

using PlayQueue = std::vector<schedule::TrackEntry>;
// A file's length in milliseconds, or kLengthUnknown when it cannot be opened.
using LengthProbeFn = std::function<std::uint32_t(const std::string& path)>;

struct QueueSources {
    const schedule::CCommonTrackStore& commonTracks;
    const schedule::CPlaylistStore& playlists;
    // The program folder, ending with '/'.
    std::string appDir;
    LengthProbeFn probeLength;
};

enum class QueueResult {
    Ok,
    MissingCommonTrack,  // the item names a common track the store does not hold
    MissingPlaylist,     // the item names a playlist the store does not hold
};

// The main and secondary tracks of a common track in the order it gives.
PlayQueue CommonTrackQueue(const schedule::CommonTrack& track, const std::string& appDir);

// A playlist's entries (wildcards already expanded); a random playlist shuffled by a
// generator seeded with seed and cut to its number of files or its minutes (whole-file
// entries measured with probe; an entry that cannot be measured is left out).
PlayQueue PlaylistQueue(const schedule::Playlist& playlist, const std::string& appDir,
                        std::uint32_t seed, const LengthProbeFn& probe);

// What an item plays; queue is left empty unless the result is Ok.
QueueResult ItemQueue(const schedule::ScheduleItem& item, const QueueSources& sources,
                      std::uint32_t seed, PlayQueue* queue);

// Every file the item may play (all of a random playlist's entries), measuring nothing.
std::vector<std::string> ItemFiles(const schedule::ScheduleItem& item, const QueueSources& sources);

}  // namespace engine
