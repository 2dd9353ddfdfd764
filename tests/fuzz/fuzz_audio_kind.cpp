// Feeds arbitrary bytes to the audio kind sniffer, whose AIFF chunk walk steps through
// sizes read from files of any origin. It must never read outside the data, and what it
// calls an AIFF must start like one.

#include <cstdint>
#include <cstdlib>
#include <cstring>

#include "player/audio_kind.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const player::AudioKind kind = player::AudioKindOfBytes(data, size);
    const bool aiff = kind == player::AudioKind::Aiff || kind == player::AudioKind::AiffCompanded;
    if (aiff && (size < 12 || std::memcmp(data, "FORM", 4) != 0)) {
        std::abort();
    }
    if (player::AiffKindOf(data, size).has_value() != aiff) {
        std::abort();
    }
    return 0;
}
