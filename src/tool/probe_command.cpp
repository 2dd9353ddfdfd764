// qelt-tool probe FILE...: the length of each music file as the player measures it.
// qelt-tool say TEXT [--out WAV]: the announcement the program would play for a text.

#include <filesystem>
#include <iostream>

#include "player/gst_audio_system.h"
#include "player/playback_engine.h"
#include "player/silent_playback_owner.h"
#include "player/speech_cache.h"
#include "tool/tool_commands.h"

namespace tool {

// One line per file, LENGTH_MS<TAB>PATH, with -1 for a file that cannot be measured; a
// text file that cannot be spoken says why on standard error.
int RunProbe(const Args& args) {
    if (args.empty()) {
        std::cerr << "usage: qelt-tool probe FILE...\n";
        return kExitUsage;
    }
    player::CSpeechCache speech(player::CSpeechCache::DefaultFolder());
    player::GstAudioSystem audio;
    audio.SetSpeech(&speech);
    player::CSilentPlaybackOwner owner;
    player::CPlaybackEngine engine(audio, owner);
    bool allMeasured = true;
    for (const auto& path : args) {
        const std::uint32_t length = engine.ProbeLength(path);
        if (length == player::kLengthUnknown) {
            allMeasured = false;
            std::cout << -1 << '\t' << path << '\n';
            if (const std::string reason = speech.FailureOf(path); !reason.empty()) {
                std::cerr << "qelt-tool: " << path << ": " << reason << '\n';
            }
        } else {
            std::cout << length << '\t' << path << '\n';
        }
    }
    return allMeasured ? kExitOk : kExitProbeFailed;
}

// Speaks the text as the program would (espeak-ng's Mandarin voice unless --engine names
// another command line) and prints the WAV file it plays, or copies it to --out.
int RunSay(const Args& args) {
    std::string text;
    std::string out;
    player::SpeechVoice voice;
    for (std::size_t i = 0; i < args.size(); ++i) {
        if (args[i] == "--out" && i + 1 < args.size()) {
            out = args[++i];
        } else if (args[i] == "--engine" && i + 1 < args.size()) {
            voice.command = args[++i];
        } else if (text.empty() && args[i].rfind("--", 0) != 0) {
            text = args[i];
        } else {
            text.clear();
            break;
        }
    }
    if (text.empty()) {
        std::cerr << "usage: qelt-tool say TEXT [--out WAV] [--engine COMMAND]\n";
        return kExitUsage;
    }
    player::CSpeechCache speech(player::CSpeechCache::DefaultFolder());
    speech.SetVoice(voice);
    std::string reason;
    const auto wav = speech.WavForText(player::SpeechTextOf(text), &reason);
    if (!wav) {
        std::cerr << "qelt-tool: " << reason << '\n';
        return kExitProbeFailed;
    }
    if (out.empty()) {
        std::cout << *wav << '\n';
        return kExitOk;
    }
    std::error_code error;
    std::filesystem::copy_file(*wav, out, std::filesystem::copy_options::overwrite_existing, error);
    if (error) {
        std::cerr << "qelt-tool: cannot write " << out << '\n';
        return kExitWriteError;
    }
    return kExitOk;
}

}  // namespace tool
