#pragma once
// The player window without a window: the scheduling engine's player operations on a
// real playback engine, with the events a preview, a measurement or the program without
// a display needs (a track starts sounding or waits for Play, the queue finished, the
// progress timer switched on or off). `qelt --headless`, `qelt-tool simulate` and the
// start-latency benchmark drive the engine through it.

#include <functional>
#include <string>

#include "engine/engine_player.h"
#include "player/audio_system.h"
#include "player/playback_engine.h"
#include "player/playback_owner.h"

namespace player {

class CHeadlessPlayer : public engine::IPlayer, public IPlaybackOwner {
public:
    struct Events {
        std::function<void(const std::string& path)> trackStarted;
        std::function<void()> queueFinished;
        std::function<void(const std::string& path)> openFailed;
        // A track that starts by hand was loaded and waits for Play.
        std::function<void(const std::string& path)> trackWaiting;
        // The player's one-second progress timer was started (true) or stopped.
        std::function<void(bool running)> progressTimer;
    };

    CHeadlessPlayer(IAudioSystem& audio, Events events);

    CPlaybackEngine& Playback() { return m_Playback; }
    bool ProgressTimerRunning() const { return m_bTimerRunning; }

    // engine::IPlayer
    void ClearQueue(bool stopFirst) override { m_Playback.ClearQueue(stopFirst); }
    bool Append(const schedule::TrackEntry& entry) override { return m_Playback.Append(entry); }
    bool AddFile(const std::string& path, int autoPlay, int limitMs, int useDefaultVolume,
                 int volume) override {
        return m_Playback.AddFile(path, autoPlay, limitMs, useDefaultVolume, volume);
    }
    bool LoadTrack(int index) override { return m_Playback.LoadTrack(index); }
    void RefreshList() override {}
    std::uint32_t ProbeLength(const std::string& path) override {
        return m_Playback.ProbeLength(path);
    }
    void PrepareTrack(const schedule::TrackEntry& entry) override { m_Playback.Prepare(entry); }
    void DropPrepared() override { m_Playback.DropPrepared(); }
    void StartPrepared() override { m_Playback.StartPrepared(); }
    void WarmUpFor(const std::vector<std::string>& paths) override { m_Playback.WarmUpFor(paths); }
    // No one is there to choose files.
    int OpenFiles(bool) override { return 0; }
    void UpdateStatus() override { m_Playback.Tick(); }
    bool IsPlaying() override { return m_Playback.IsPlaying(); }
    void SetDefaultVolume(int volume) override { m_Playback.SetDefaultVolume(volume); }

    // IPlaybackOwner
    void SetStatusLine(int, const std::string&) override {}
    void SetProgress(int) override {}
    void EnableButton(PlayerButton button, bool enabled) override;
    void SetVolumeSlider(int volume) override { m_nSlider = volume; }
    int VolumeSliderPosition() const override { return m_nSlider; }
    void SetProgressTimer(bool running) override;
    void OnQueueCleared() override {}
    void OnTrackStarted(int index, const std::string& path) override;
    void OnQueueFinished() override;
    void OnOpenFailed(int index, const std::string& path) override;

private:
    Events m_Events;
    int m_nSlider = CPlaybackEngine::kDefaultVolume;
    bool m_bTimerRunning = false;
    CPlaybackEngine m_Playback;  // last: it reports to this owner from its start
};

}  // namespace player
