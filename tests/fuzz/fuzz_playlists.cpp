// Feeds arbitrary bytes to the playlist store reader. Whatever it accepts must
// write back to bytes that read again to the same store.

#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "schedule/playlist_store.h"

using namespace schedule;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    std::vector<Playlist> playlists;
    if (CPlaylistStore::Parse(std::string_view(reinterpret_cast<const char*>(data), size),
                              playlists) != LoadStatus::Ok) {
        return 0;
    }
    CPlaylistStore first;
    first.SetRecords(std::move(playlists));
    const std::string written = first.Serialize();
    std::vector<Playlist> again;
    if (CPlaylistStore::Parse(written, again) != LoadStatus::Ok) {
        std::abort();
    }
    CPlaylistStore second;
    second.SetRecords(std::move(again));
    if (second.Serialize() != written) {
        std::abort();
    }
    return 0;
}
