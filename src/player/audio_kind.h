#pragma once
// What kind of audio a file holds, told from its first bytes (and from its name when
// the bytes say nothing), without decoding: enough to choose the decoders a file needs
// before it is opened, and to route AIFF-C with a-law or mu-law samples past the AIFF
// parser that refuses them.

#include <cstddef>
#include <optional>
#include <set>
#include <string>

namespace player {

enum class AudioKind {
    Unknown,        // a file whose kind neither its bytes nor its name tell
    Wav,            // RIFF WAVE
    Mpeg,           // MPEG audio: MP1, MP2, MP3
    Ogg,            // Ogg (Vorbis, Opus, FLAC inside)
    Flac,           // native FLAC
    Aiff,           // AIFF, and AIFF-C with samples the AIFF parser reads
    AiffCompanded,  // AIFF-C with a-law or mu-law samples
    Asf,            // ASF: WMA
    Midi,           // Standard MIDI File
    Module,         // tracker modules: MOD, XM, IT, S3M and their kin
};

using AudioKinds = std::set<AudioKind>;

// The kind of the AIFF bytes in data (a whole file, or as much of its start as is at
// hand): Aiff or AiffCompanded for a FORM AIFF/AIFC, nothing for anything else.
std::optional<AudioKind> AiffKindOf(const unsigned char* data, std::size_t size);

// The kind the bytes of a file (data, as much of it as is at hand) tell; Unknown when
// they tell none.
AudioKind AudioKindOfBytes(const unsigned char* data, std::size_t size);

// The kind a file name's extension suggests; Unknown for a name without a known one.
AudioKind AudioKindOfName(const std::string& path);

// The kind of the file at path: from its bytes, else from its name; nothing when the
// file cannot be read.
std::optional<AudioKind> AudioKindOfFile(const std::string& path);

// Whether files of this kind are decoded by libav, which is large and loaded only for them.
bool NeedsLibav(AudioKind kind);

}  // namespace player
