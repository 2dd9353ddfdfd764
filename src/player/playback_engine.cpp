#include "player/playback_engine.h"

#include <algorithm>
#include <cstdio>
#include <utility>

#include "player/audio_kind.h"
#include "player/speech_cache.h"

namespace player {

namespace {

constexpr int kLineTrack = 1;
constexpr int kLineMode = 2;
constexpr int kLineTime = 3;
constexpr int kLineState = 4;
constexpr int kStatusLines = 4;
constexpr std::uint32_t kMsPerMinute = 60000;
constexpr std::uint32_t kMsPerSecond = 1000;
constexpr std::uint32_t kSecondsPerMinute = 60;

constexpr const char* kTextManual = "手动播放...";
constexpr const char* kTextPaused = "暂停播放...";
constexpr const char* kTextPlaying = "正在播放...";

// Minutes are not reduced modulo 60, so a 125-minute file shows 125:00.
std::string MinutesSeconds(std::uint32_t ms) {
    char text[32];
    std::snprintf(text, sizeof text, "%02u:%02u", static_cast<unsigned>(ms / kMsPerMinute),
                  static_cast<unsigned>(ms / kMsPerSecond % kSecondsPerMinute));
    return text;
}

// Volume 0..100 as the audio system's linear 0.0..1.0.
float LinearVolume(int volume) {
    return static_cast<float>(volume) * 0.01f;
}

// The file-name part of a path; stored paths may use either separator.
std::string TitleOf(const std::string& path) {
    const auto slash = path.find_last_of("/\\");
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

}  // namespace

CPlaybackEngine::CPlaybackEngine(IAudioSystem& audio, IPlaybackOwner& owner)
    : m_audio(audio), m_owner(owner) {
    InitAudio();
}

// The owner may already be gone here, so only the audio resources are let go.
CPlaybackEngine::~CPlaybackEngine() {
    ReleaseRetired();
    if (m_prepared != kNoSound) {
        m_audio.Release(m_prepared);
    }
    if (m_channel != kNoChannel) {
        m_audio.Stop(m_channel);
    }
    if (m_sound != kNoSound) {
        m_audio.Release(m_sound);
    }
}

AudioResult CPlaybackEngine::Call(AudioResult result) {
    m_lastResult = result;
    return result;
}

bool CPlaybackEngine::InitAudio() {
    if (m_bInitTried) {
        return m_bSystemReady;
    }
    m_bInitTried = true;
    if (Call(m_audio.Create()) != AudioResult::Ok) {
        m_strInitFailure = kTextCreateFailed;
        return false;
    }
    if (Call(m_audio.Init(kMaxChannels)) != AudioResult::Ok) {
        m_strInitFailure = kTextInitFailed;
        return false;
    }
    m_bSystemReady = true;
    return true;
}

std::string CPlaybackEngine::InitFailureText() const {
    return m_strInitFailure;
}

void CPlaybackEngine::ClearQueue(bool stopFirst) {
    if (stopFirst) {
        Stop();
    }
    m_queue.clear();
    ++m_nQueueSerial;
    m_nCurrent = 0;
    m_bCurrentRemoved = false;
    m_bFreshQueue = true;
    m_owner.OnQueueCleared();
    m_owner.EnableButton(PlayerButton::Next, false);
    m_owner.EnableButton(PlayerButton::Pause, false);
    m_owner.EnableButton(PlayerButton::Previous, false);
}

bool CPlaybackEngine::AddFile(const std::string& path, int autoPlay, int limitMs,
                              int useDefaultVolume, int volume) {
    if (path.empty()) {
        return false;
    }
    schedule::TrackEntry entry;
    entry.path = path;
    entry.fullPlay = 0;
    entry.length = static_cast<std::int32_t>(kLengthUnknown);
    entry.limit = limitMs;
    entry.autoPlay = autoPlay;
    entry.volume = volume;
    entry.useDefaultVolume = useDefaultVolume;
    m_queue.push_back(entry);
    return true;
}

bool CPlaybackEngine::Append(const schedule::TrackEntry& entry) {
    m_queue.push_back(entry);
    return true;
}

std::uint32_t CPlaybackEngine::ReadLength(SoundHandle sound) {
    std::uint32_t length = 0;
    if (Call(m_audio.GetLength(sound, TimeUnit::Ms, &length)) == AudioResult::Ok) {
        return length;
    }
    if (Call(m_audio.GetLength(sound, TimeUnit::ModOrder, &length)) == AudioResult::Ok) {
        return length;
    }
    // Neither unit is known: the track is treated as endless, so it plays until its
    // stream ends, and a limit still applies.
    return kLengthUnknown;
}

bool CPlaybackEngine::LoadTrack(int index) {
    if (index < 0 || index >= QueueCount()) {
        return false;
    }
    StopCurrent(false);

    const std::string path = m_queue[index].path;
    // The volume is known before the file opens, so the stream starts at it.
    const int volume = EffectiveVolume(m_queue[index]);
    // The first track of a new queue may be the one prepared for it: then it is only
    // started, else the preparation goes. A queue moving on to its next track leaves
    // the preparation alone (the next item may begin with the same file).
    const bool startsQueue = m_bFreshQueue && index == 0;
    m_bFreshQueue = false;
    ChannelHandle early = kNoChannel;
    SoundHandle sound = startsQueue ? TakePrepared(path, volume, &early) : kNoSound;
    const AudioResult opened =
        sound != kNoSound ? Call(AudioResult::Ok)
        : m_bSystemReady
            ? Call(m_audio.CreateStream(path, StreamMode::Play, LinearVolume(volume), &sound))
            : Call(AudioResult::NotInitialised);
    if (opened != AudioResult::Ok) {
        ReleaseRetired();
        // Nothing plays now; the owner is told which entry failed so that a bell that
        // does not sound is not silent about it.
        m_owner.OnOpenFailed(index, path);
        return false;
    }

    m_sound = sound;
    m_earlyChannel = early;
    m_bLoaded = true;
    m_nCurrent = index;
    m_strPath = path;
    m_strTitle = TitleOf(path);
    m_LastTick = TickResult{};
    const unsigned serial = ++m_nLoadSerial;

    schedule::TrackEntry& entry = m_queue[index];
    m_nLengthMs = ReadLength(sound);
    entry.length = static_cast<std::int32_t>(m_nLengthMs);
    if (entry.fullPlay != 0 || entry.limit <= 0 ||
        static_cast<std::uint32_t>(entry.limit) > m_nLengthMs) {
        entry.limit = static_cast<std::int32_t>(m_nLengthMs);
    }
    entry.volume = volume;
    m_nLimitMs = static_cast<std::uint32_t>(entry.limit);
    m_nVolume = entry.volume;
    ShowTrackLines(entry);
    const bool autoPlay = entry.autoPlay != 0;

    // Play and Tick may end this track at once (a track of length 0) and load the next
    // one, or empty the queue; the buttons below belong to this load only.
    if (autoPlay) {
        Play();
    } else {
        // A track that waits for Play does not sound ahead of it either.
        if (m_earlyChannel != kNoChannel) {
            m_audio.Stop(std::exchange(m_earlyChannel, kNoChannel));
        }
        m_owner.SetStatusLine(kLineState, kTextManual);
        Tick();
        if (serial == m_nLoadSerial && m_bLoaded) {
            m_owner.EnableButton(PlayerButton::Play, true);
        }
    }
    // The track this one replaced goes now that this one plays.
    ReleaseRetired();
    if (serial == m_nLoadSerial && m_bLoaded) {
        m_owner.EnableButton(PlayerButton::Previous, index > 0);
        m_owner.EnableButton(PlayerButton::Next, index < QueueCount() - 1);
    }
    return true;
}

int CPlaybackEngine::EffectiveVolume(const schedule::TrackEntry& entry) const {
    if (entry.useDefaultVolume != 0) {
        return m_nDefaultVolume;
    }
    return entry.volume < 0 ? m_owner.VolumeSliderPosition() : entry.volume;
}

bool CPlaybackEngine::Prepare(const schedule::TrackEntry& entry) {
    DropPrepared();
    if (!m_bSystemReady || entry.path.empty()) {
        return false;
    }
    const int volume = EffectiveVolume(entry);
    SoundHandle sound = kNoSound;
    // Opening prerolls the stream paused in a pipeline of its own: nothing sounds, and
    // the track that plays now is not touched.
    if (m_audio.CreateStream(entry.path, StreamMode::Play, LinearVolume(volume), &sound) !=
        AudioResult::Ok) {
        return false;
    }
    m_prepared = sound;
    m_strPreparedPath = entry.path;
    m_nPreparedVolume = volume;
    return true;
}

void CPlaybackEngine::ReleaseRetired() {
    if (m_retiredSound != kNoSound) {
        if (m_retiredChannel != kNoChannel) {
            m_audio.Stop(m_retiredChannel);
            m_retiredChannel = kNoChannel;
        }
        m_audio.Release(m_retiredSound);
        m_retiredSound = kNoSound;
    }
}

bool CPlaybackEngine::StartPrepared() {
    if (m_prepared == kNoSound || m_preparedChannel != kNoChannel) {
        return false;
    }
    ChannelHandle channel = kNoChannel;
    if (m_audio.PlaySound(m_prepared, false, &channel) != AudioResult::Ok) {
        return false;
    }
    m_preparedChannel = channel;
    // The track that plays now gives the output over (a server takes one sender at a
    // time): with the output's lead it has sounded its last by the new item's second.
    // Its queue stands still until the load that takes the prepared track.
    if (m_channel != kNoChannel) {
        m_audio.Stop(m_channel);
    }
    return true;
}

void CPlaybackEngine::DropPrepared() {
    ReleaseRetired();
    if (m_preparedChannel != kNoChannel) {
        m_audio.Stop(std::exchange(m_preparedChannel, kNoChannel));
    }
    if (m_prepared != kNoSound) {
        m_audio.Release(m_prepared);
        m_prepared = kNoSound;
        m_strPreparedPath.clear();
    }
}

SoundHandle CPlaybackEngine::TakePrepared(const std::string& path, int volume,
                                          ChannelHandle* early) {
    if (m_prepared == kNoSound) {
        return kNoSound;
    }
    if (path != m_strPreparedPath || volume != m_nPreparedVolume) {
        DropPrepared();
        return kNoSound;
    }
    const SoundHandle sound = m_prepared;
    *early = std::exchange(m_preparedChannel, kNoChannel);
    m_prepared = kNoSound;
    m_strPreparedPath.clear();
    return sound;
}

std::string CPlaybackEngine::TrackLine() const {
    return std::to_string(m_nCurrent + 1) + "." + m_strTitle + " - 总时间 " +
           MinutesSeconds(m_nLengthMs) + "\r\n";
}

void CPlaybackEngine::ShowTrackLines(const schedule::TrackEntry& entry) {
    char text[64];
    m_owner.SetStatusLine(kLineTrack, TrackLine());
    std::snprintf(text, sizeof text, "%d\r\n", entry.volume);
    const bool limited = m_nLimitMs < m_nLengthMs;
    m_owner.SetStatusLine(kLineMode,
                          std::string(limited ? "非全曲播放 - 音量:" : "全曲播放 - 音量:") + text);
    m_owner.SetStatusLine(kLineTime, "时间:00:00 - " + MinutesSeconds(m_nLimitMs) + "\r\n");
}

void CPlaybackEngine::Play() {
    if (IsPlaying() || !m_bLoaded) {
        return;
    }
    // A prepared track started ahead of its load already plays on its channel.
    ChannelHandle channel = std::exchange(m_earlyChannel, kNoChannel);
    if (channel != kNoChannel ||
        Call(m_audio.PlaySound(m_sound, false, &channel)) == AudioResult::Ok) {
        m_channel = channel;
        Call(m_audio.SetVolume(m_channel, LinearVolume(m_nVolume)));
        m_owner.SetVolumeSlider(m_nVolume);
        m_bStarted = true;
        m_owner.EnableButton(PlayerButton::Play, false);
        m_owner.EnableButton(PlayerButton::Pause, true);
        m_owner.SetProgressTimer(true);
        m_owner.OnTrackStarted(m_nCurrent, m_strPath);
    }
    Tick();
}

void CPlaybackEngine::TogglePause() {
    if (!IsPlaying()) {
        return;
    }
    m_bPaused = !m_bPaused;
    Call(m_audio.SetPaused(m_channel, m_bPaused));
    m_owner.SetProgressTimer(!m_bPaused);
    Tick();
}

void CPlaybackEngine::Stop() {
    StopCurrent(true);
}

void CPlaybackEngine::StopCurrent(bool releaseRetired) {
    if (releaseRetired) {
        ReleaseRetired();
    }
    if (m_sound != kNoSound && m_prepared != kNoSound) {
        // A prepared track is about to start: this one falls silent now and goes after.
        if (m_channel != kNoChannel) {
            Call(m_audio.SetVolume(m_channel, 0.0f));
        }
        m_retiredSound = m_sound;
        m_retiredChannel = m_channel;
        m_sound = kNoSound;
        m_channel = kNoChannel;
    }
    if (m_sound != kNoSound) {
        if (m_channel != kNoChannel) {
            Call(m_audio.Stop(m_channel));
            m_channel = kNoChannel;
        }
        Call(m_audio.Release(m_sound));
        m_sound = kNoSound;
    }
    if (m_bStarted) {
        m_owner.SetProgressTimer(false);
    }
    for (int line = 1; line <= kStatusLines; ++line) {
        m_owner.SetStatusLine(line, "");
    }
    m_owner.SetProgress(0);
    m_nCurrent = 0;
    m_bCurrentRemoved = false;
    m_bLoaded = false;
    m_bStarted = false;
    m_bPaused = false;
}

int CPlaybackEngine::FollowingIndex() const {
    return m_bCurrentRemoved ? m_nCurrent : m_nCurrent + 1;
}

int CPlaybackEngine::Next() {
    if (FollowingIndex() < QueueCount()) {
        LoadTrack(FollowingIndex());
    }
    return std::max(0, QueueCount() - FollowingIndex());
}

int CPlaybackEngine::Previous() {
    if (m_nCurrent > 0) {
        LoadTrack(m_nCurrent - 1);
    }
    return m_nCurrent;
}

void CPlaybackEngine::SeekPercent(int percent) {
    if (!IsPlaying() || m_bPaused) {
        return;
    }
    percent = std::clamp(percent, 0, 100);
    m_owner.SetProgress(percent);
    // 64-bit, so that a long limit cannot overflow on the way.
    const auto position =
        static_cast<std::uint32_t>(static_cast<std::uint64_t>(m_nLimitMs) * percent / 100);
    if (Call(m_audio.SetPosition(m_channel, position, TimeUnit::Ms)) != AudioResult::Ok) {
        Call(m_audio.SetPosition(m_channel, position, TimeUnit::ModOrder));
    }
}

void CPlaybackEngine::SetChannelVolume(int volume) {
    if (m_channel != kNoChannel) {
        Call(m_audio.SetVolume(m_channel, LinearVolume(volume)));
    }
}

void CPlaybackEngine::SetDefaultVolume(int volume) {
    m_nDefaultVolume = std::clamp(volume, 0, 100);
    m_owner.SetVolumeSlider(m_nDefaultVolume);
}

bool CPlaybackEngine::IsPlaying() {
    if (m_channel == kNoChannel) {
        return false;
    }
    bool playing = false;
    if (Call(m_audio.IsPlaying(m_channel, &playing)) != AudioResult::Ok) {
        return false;
    }
    return playing;
}

std::uint32_t CPlaybackEngine::ProbeLength(const std::string& path) {
    if (!m_bSystemReady || path.empty()) {
        return kLengthUnknown;
    }
    SoundHandle sound = kNoSound;
    if (Call(m_audio.CreateStream(path, StreamMode::LengthOnly, 1.0f, &sound)) != AudioResult::Ok) {
        return kLengthUnknown;
    }
    const std::uint32_t length = ReadLength(sound);
    Call(m_audio.Release(sound));
    return length;
}

void CPlaybackEngine::WarmUpFor(const std::vector<std::string>& paths) {
    AudioKinds kinds;
    for (const std::string& path : paths) {
        if (IsSpeechFile(path)) {
            // An announcement is spoken now, not at its second: measuring it makes its
            // speech, which plays as WAV.
            ProbeLength(path);
            kinds.insert(AudioKind::Wav);
            continue;
        }
        // A file that cannot be read now needs no decoder; it fails to open at once.
        if (const auto kind = AudioKindOfFile(path)) {
            kinds.insert(*kind);
        }
    }
    m_audio.WarmUpFor(kinds);
}

int CPlaybackEngine::MoveEntry(int index, bool down) {
    if (index < 0 || index >= QueueCount()) {
        return index;
    }
    const int other = down ? index + 1 : index - 1;
    if (other < 0 || other >= QueueCount()) {
        return index;
    }
    std::swap(m_queue[index], m_queue[other]);
    ++m_nQueueSerial;
    // The current index follows the entry it stands for, so the track that plays goes
    // on and the queue goes on after it: nothing plays twice and nothing is skipped.
    if (m_bLoaded) {
        if (m_nCurrent == index) {
            m_nCurrent = other;
        } else if (m_nCurrent == other) {
            m_nCurrent = index;
        } else {
            return other;
        }
        if (!m_bCurrentRemoved) {
            m_owner.SetStatusLine(kLineTrack, TrackLine());
            m_owner.EnableButton(PlayerButton::Previous, m_nCurrent > 0);
            m_owner.EnableButton(PlayerButton::Next, m_nCurrent < QueueCount() - 1);
        }
    }
    return other;
}

bool CPlaybackEngine::RemoveEntry(int index) {
    if (index < 0 || index >= QueueCount()) {
        return false;
    }
    m_queue.erase(m_queue.begin() + index);
    ++m_nQueueSerial;
    // The track that plays goes on; the queue continues with the entry that followed it.
    if (m_bLoaded) {
        if (index < m_nCurrent) {
            --m_nCurrent;
        } else if (index == m_nCurrent) {
            m_bCurrentRemoved = true;
        }
    }
    return true;
}

CPlaybackEngine::TickResult CPlaybackEngine::Tick() {
    TickResult result;
    if (!m_bLoaded || m_preparedChannel != kNoChannel) {
        return result;
    }
    const std::uint32_t limit = m_nLimitMs;
    const bool playing = IsPlaying();
    result.paused = m_bPaused;
    if (playing) {
        if (Call(m_audio.GetPosition(m_channel, TimeUnit::Ms, &result.position)) !=
            AudioResult::Ok) {
            if (Call(m_audio.GetPosition(m_channel, TimeUnit::ModOrder, &result.position)) !=
                AudioResult::Ok) {
                result.position = 0;
            }
        }
        bool paused = m_bPaused;
        if (Call(m_audio.GetPaused(m_channel, &paused)) == AudioResult::Ok) {
            result.paused = paused;
        }
        m_owner.SetStatusLine(kLineTime, "时间:" + MinutesSeconds(result.position) + " - " +
                                             MinutesSeconds(limit) + "\r\n");
        m_owner.SetStatusLine(kLineState, result.paused ? kTextPaused : kTextPlaying);
    }

    // The percentage of the position and limit read above; a track that ends on this
    // tick still has its final percentage shown after the queue has moved on.
    result.percent = limit == 0
                         ? 0
                         : static_cast<int>(std::min<std::uint64_t>(
                               100, static_cast<std::uint64_t>(result.position) * 100 / limit));
    if ((!playing && m_bStarted) || result.position >= limit) {
        if (FollowingIndex() < QueueCount()) {
            Next();
        } else {
            ClearQueue(true);
            m_owner.OnQueueFinished();
        }
    }
    m_owner.SetProgress(result.percent);
    m_LastTick = result;
    return result;
}

}  // namespace player
