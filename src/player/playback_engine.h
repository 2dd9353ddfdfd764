#pragma once
// The play queue and the track that plays: opens one queued track at a time, applies
// its play limit and volume, advances through the queue on each Tick and reports the
// end of the queue. The queue holds copies; the engine writes the measured length,
// the effective limit and the effective volume into its own copy only.

#include <cstdint>
#include <string>
#include <vector>

#include "player/audio_system.h"
#include "player/playback_owner.h"
#include "schedule/records.h"

namespace player {

// The texts shown when the audio system cannot start.
inline constexpr const char* kTextCreateFailed = "音频引擎错误,可能无法播放音频!";
inline constexpr const char* kTextInitFailed = "音频引擎错误,可能无法播放音频";

// The length of a file that cannot be opened or measured.
constexpr std::uint32_t kLengthUnknown = 0xFFFFFFFFu;

class CPlaybackEngine {
public:
    static constexpr int kMaxChannels = 10;
    static constexpr int kDefaultVolume = 100;
    static constexpr int kTickIntervalMs = 1000;

    // What one Tick read: the position (ms), the pause state and the progress shown.
    struct TickResult {
        std::uint32_t position = 0;
        bool paused = false;
        int percent = 0;
    };

    // Starts the audio system (InitAudio). Both references must outlive the engine.
    CPlaybackEngine(IAudioSystem& audio, IPlaybackOwner& owner);
    ~CPlaybackEngine();
    CPlaybackEngine(const CPlaybackEngine&) = delete;
    CPlaybackEngine& operator=(const CPlaybackEngine&) = delete;

    // Creates and starts the audio system; false when it cannot start. Runs once; later
    // calls return the first result. After a failure every track fails to open.
    bool InitAudio();
    // The message to show for a failed start, or an empty text when it started.
    std::string InitFailureText() const;

    void ClearQueue(bool stopFirst);
    bool AddFile(const std::string& path, int autoPlay, int limitMs, int useDefaultVolume,
                 int volume);
    bool Append(const schedule::TrackEntry& entry);
    bool LoadTrack(int index);
    void Play();
    void TogglePause();
    void Stop();
    // Loads the following entry; returns how many entries follow the current one.
    int Next();
    // Loads the preceding entry; returns how many entries precede the current one.
    int Previous();
    // Seeks to percent (0..100) of the current track's play limit.
    void SeekPercent(int percent);
    void SetChannelVolume(int volume);
    void SetDefaultVolume(int volume);
    bool IsPlaying();
    // The file's length in ms, or kLengthUnknown when it cannot be opened or measured.
    // The track that plays is not touched.
    std::uint32_t ProbeLength(const std::string& path);
    // Has the audio system make ready the decoders these files need (the day's files,
    // as soon as the day is planned), so that none is loaded when a bell starts; the
    // day's announcements are spoken into their cache then.
    void WarmUpFor(const std::vector<std::string>& paths);
    int MoveEntry(int index, bool down);
    bool RemoveEntry(int index);
    // One progress step: called once a second by the owner's timer.
    TickResult Tick();

    // Opens entry's file ahead of its time, prerolled and paused beside what plays now,
    // so that the load that starts a new queue with it only has to start it. A new
    // queue that starts with another file, or the same at another volume, drops the
    // preparation; it never sounds by itself. Replaces an earlier preparation.
    bool Prepare(const schedule::TrackEntry& entry);
    void DropPrepared();
    bool HasPrepared() const { return m_prepared != kNoSound; }
    // Starts the prepared track sounding now, ahead of the load that will take it (an
    // output that sounds a fixed time after it is fed is fed that much early); the load
    // then carries on with it where it is. The track that plays now stops, and its queue
    // stands still until that load. False without a preparation, or when it already
    // sounds or would not start.
    bool StartPrepared();

    const std::vector<schedule::TrackEntry>& Queue() const { return m_queue; }
    int Current() const { return m_nCurrent; }
    // Changes whenever entries are cleared, removed or moved (appending keeps every row
    // where it was), so a caller that asked the user about a row can tell it still holds.
    unsigned QueueSerial() const { return m_nQueueSerial; }
    bool IsLoaded() const { return m_bLoaded; }
    bool IsPaused() const { return m_bPaused; }
    int DefaultVolume() const { return m_nDefaultVolume; }
    std::uint32_t LimitMs() const { return m_nLimitMs; }
    std::uint32_t LengthMs() const { return m_nLengthMs; }
    const std::string& Title() const { return m_strTitle; }
    // What the last Tick read of the loaded track (zero until the track's first tick).
    const TickResult& LastTick() const { return m_LastTick; }
    AudioResult LastResult() const { return m_lastResult; }

private:
    AudioResult Call(AudioResult result);
    std::uint32_t ReadLength(SoundHandle sound);
    // Status line 1: the current entry's number, title and length.
    std::string TrackLine() const;
    void ShowTrackLines(const schedule::TrackEntry& entry);
    int QueueCount() const { return static_cast<int>(m_queue.size()); }
    // The index that advancing loads: the one after the current entry, or the current
    // index itself when the playing entry was removed from the queue.
    int FollowingIndex() const;
    // The effective volume of a queued entry as a load gives it.
    int EffectiveVolume(const schedule::TrackEntry& entry) const;
    // The prepared stream when it is the one a load of path at volume would open.
    // early: the channel it already sounds on, when it was started ahead.
    SoundHandle TakePrepared(const std::string& path, int volume, ChannelHandle* early);
    // Lets the track stopped for a prepared one go, now that the new one plays.
    void ReleaseRetired();
    // Stops the current track; a track stopped earlier for a prepared one goes too
    // unless a load is about to start the prepared one.
    void StopCurrent(bool releaseRetired);

    IAudioSystem& m_audio;
    IPlaybackOwner& m_owner;

    bool m_bInitTried = false;
    bool m_bSystemReady = false;
    std::string m_strInitFailure;

    SoundHandle m_sound = kNoSound;
    // A stream opened ahead of its load, with the file and volume it was opened for.
    SoundHandle m_prepared = kNoSound;
    std::string m_strPreparedPath;
    int m_nPreparedVolume = 0;
    // The prepared stream's channel once it was started ahead of its load.
    ChannelHandle m_preparedChannel = kNoChannel;
    // Taken over by the load from the preparation, for Play to carry on with.
    ChannelHandle m_earlyChannel = kNoChannel;
    // The track stopped while a prepared one waited: silenced at once, but torn down
    // only after the prepared one has started, so that the switch at a bell's second
    // costs no more than starting a prerolled stream.
    SoundHandle m_retiredSound = kNoSound;
    ChannelHandle m_retiredChannel = kNoChannel;
    ChannelHandle m_channel = kNoChannel;
    AudioResult m_lastResult = AudioResult::Ok;

    std::vector<schedule::TrackEntry> m_queue;
    int m_nCurrent = 0;
    unsigned m_nQueueSerial = 0;
    // The playing entry was removed from the queue: the entry after it now sits at
    // m_nCurrent, so advancing must not skip it.
    bool m_bCurrentRemoved = false;
    // No track of the queue has been loaded since it was emptied.
    bool m_bFreshQueue = true;
    bool m_bLoaded = false;
    unsigned m_nLoadSerial = 0;  // counts loads, to tell a nested load from this one
    bool m_bStarted = false;
    bool m_bPaused = false;
    std::uint32_t m_nLimitMs = 0;
    std::uint32_t m_nLengthMs = 0;
    int m_nVolume = 0;  // effective volume of the loaded track
    std::string m_strPath;
    std::string m_strTitle;
    TickResult m_LastTick;
    int m_nDefaultVolume = kDefaultVolume;
};

}  // namespace player
