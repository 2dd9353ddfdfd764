#pragma once
// Announcements: a text file stands wherever a music file may, and is played as the
// speech a text-to-speech engine makes of it. The speech is made ahead (when the file is
// measured, or the day is planned) into a cache folder, keyed by the text and the
// engine's command, so that the bell only starts a WAV file that is already there.

#include <chrono>
#include <cstdint>
#include <functional>
#include <map>
#include <optional>
#include <string>
#include <string_view>

#include "platform/posix_process_runner.h"
#include "schedule/settings.h"

namespace player {

// A text file to be spoken: its name ends in ".txt", in any letter case.
bool IsSpeechFile(const std::string& path);

// The text of a speech file as UTF-8: UTF-8 (with or without its byte-order mark) when the
// bytes read as UTF-8 (a short GB18030 text can be valid UTF-8 of Greek or Cyrillic
// letters, and is still read as GB18030), else GB18030; blanks at either end gone.
std::string SpeechTextOf(std::string_view bytes);

// The engine that speaks. A command with "{wav}" is run as written, its "{text}",
// "{textfile}", "{wav}" and "{rate}" replaced; a command without "{wav}" is an espeak-ng
// command line, to which the rate, the output file and the text file are added.
struct SpeechVoice {
    std::string command = schedule::ini::kDefaultSpeechEngine;
    int rate = schedule::ini::kDefaultSpeechRate;  // words a minute, as espeak-ng counts them
};

inline constexpr int kMinSpeechRate = 80;
inline constexpr int kMaxSpeechRate = 450;

// The voice the settings name, its rate kept within what espeak-ng takes.
SpeechVoice VoiceOf(const schedule::CSettings& settings);

// Given by the audio system the speech is played through: the WAV file a text file is
// spoken as, or nothing when it cannot be spoken.
class ITextSpeech {
public:
    virtual ~ITextSpeech() = default;
    virtual std::optional<std::string> WavFor(const std::string& textPath) = 0;
};

class CSpeechCache : public ITextSpeech {
public:
    // Longest text spoken (a page of exam rules is a few KB).
    static constexpr std::size_t kMaxTextBytes = std::size_t{64} << 10;
    static constexpr std::chrono::milliseconds kEngineTimeLimit{20000};
    // A text that failed is not tried again with the same engine for this long, so that
    // measuring, preparing and playing one item runs a failing engine once.
    static constexpr std::chrono::seconds kRetryAfter{300};
    static constexpr std::uint64_t kDefaultMaxBytes = std::uint64_t{200} << 20;

    // The cache folder $XDG_CACHE_HOME/qelt/speech (~/.cache when unset).
    static std::string DefaultFolder();

    explicit CSpeechCache(std::string folder, std::uint64_t maxBytes = kDefaultMaxBytes);

    // The voice is asked for at each text, so a change in the settings holds at once.
    using VoiceSource = std::function<SpeechVoice()>;
    void SetVoiceSource(VoiceSource source) { m_VoiceSource = std::move(source); }
    void SetVoice(const SpeechVoice& voice) {
        m_VoiceSource = [voice] { return voice; };
    }

    // How long an engine may take for one text before it is ended.
    void SetTimeLimit(std::chrono::milliseconds limit) { m_TimeLimit = limit; }

    // Reads the text file and speaks it; on failure FailureOf(textPath) says why.
    std::optional<std::string> WavFor(const std::string& textPath) override;
    // Speaks a text; on failure *reason says why.
    std::optional<std::string> WavForText(const std::string& text, std::string* reason);
    // Why the text file last failed to be spoken; empty when it did not.
    std::string FailureOf(const std::string& textPath) const;
    // How many times an engine has been run.
    int EngineRuns() const { return m_nEngineRuns; }

private:
    // Runs the engine for text into wav; empty on success, else the reason.
    std::string Synthesise(const SpeechVoice& voice, const std::string& text,
                           const std::string& key, const std::string& wav);
    // Removes the least recently used files until the folder holds at most m_nMaxBytes.
    void Trim();

    std::string m_strFolder;
    std::uint64_t m_nMaxBytes;
    VoiceSource m_VoiceSource = [] { return SpeechVoice{}; };
    platform::PosixProcessRunner m_Runner;
    std::chrono::milliseconds m_TimeLimit = kEngineTimeLimit;
    int m_nEngineRuns = 0;
    struct Failure {
        std::string reason;
        std::chrono::steady_clock::time_point when;
    };
    std::map<std::string, Failure> m_Failed;       // by cache key
    std::map<std::string, std::string> m_Reasons;  // by text file
};

}  // namespace player
