// qelt-tool probe FILE...: the length of each music file as the player measures it.

#include <iostream>

#include "player/gst_audio_system.h"
#include "player/playback_engine.h"
#include "player/silent_playback_owner.h"
#include "tool/tool_commands.h"

namespace tool {

// One line per file, LENGTH_MS<TAB>PATH, with -1 for a file that cannot be measured.
int RunProbe(const Args& args) {
    if (args.empty()) {
        std::cerr << "usage: qelt-tool probe FILE...\n";
        return kExitUsage;
    }
    player::GstAudioSystem audio;
    player::CSilentPlaybackOwner owner;
    player::CPlaybackEngine engine(audio, owner);
    bool allMeasured = true;
    for (const auto& path : args) {
        const std::uint32_t length = engine.ProbeLength(path);
        if (length == player::kLengthUnknown) {
            allMeasured = false;
            std::cout << -1 << '\t' << path << '\n';
        } else {
            std::cout << length << '\t' << path << '\n';
        }
    }
    return allMeasured ? kExitOk : kExitProbeFailed;
}

}  // namespace tool
