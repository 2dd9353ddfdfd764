#pragma once
// Whether this machine has an audio output the program can play through, asked once
// at start-up so that the user hears in advance that bells will be silent.

namespace player {

// With QELT_AUDIO_SINK set: whether its description makes an element. Otherwise
// whether autoaudiosink reaches READY with a real device behind it (not its fallback
// fake sink). Bounded: gives up after a few seconds.
bool AudioOutputAvailable();

}  // namespace player
