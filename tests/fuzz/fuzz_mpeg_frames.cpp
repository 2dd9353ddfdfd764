// Feeds arbitrary bytes to the MPEG audio frame counter that measures VBR files without
// a length header. It must never read outside the data, and what it counts must fit in it.

#include <cstdint>
#include <cstdlib>

#include "player/mpeg_audio_length.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const player::MpegFrameScan scan = player::ScanMpegFrames(data, size);
    // Every counted frame takes at least four bytes of the data.
    if (scan.frames > size / 4 || (scan.found && scan.sampleRate == 0)) {
        std::abort();
    }
    return 0;
}
