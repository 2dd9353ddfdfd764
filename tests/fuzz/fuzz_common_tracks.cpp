// Feeds arbitrary bytes to the common-track store reader. Whatever it accepts must
// write back to bytes that read again to the same store.

#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "schedule/common_track_store.h"

using namespace schedule;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    std::vector<CommonTrack> tracks;
    if (CCommonTrackStore::Parse(std::string_view(reinterpret_cast<const char*>(data), size),
                                 tracks) != LoadStatus::Ok) {
        return 0;
    }
    CCommonTrackStore first;
    first.SetRecords(std::move(tracks));
    const std::string written = first.Serialize();
    std::vector<CommonTrack> again;
    if (CCommonTrackStore::Parse(written, again) != LoadStatus::Ok) {
        std::abort();
    }
    CCommonTrackStore second;
    second.SetRecords(std::move(again));
    if (second.Serialize() != written) {
        std::abort();
    }
    return 0;
}
