#pragma once
// An owner that shows nothing: for measuring lengths through the playback engine,
// where no window exists.

#include <string>

#include "player/playback_engine.h"
#include "player/playback_owner.h"

namespace player {

class CSilentPlaybackOwner : public IPlaybackOwner {
public:
    void SetStatusLine(int, const std::string&) override {}
    void SetProgress(int) override {}
    void EnableButton(PlayerButton, bool) override {}
    void SetVolumeSlider(int) override {}
    int VolumeSliderPosition() const override { return CPlaybackEngine::kDefaultVolume; }
    void SetProgressTimer(bool) override {}
    void OnQueueCleared() override {}
    void OnTrackStarted(int, const std::string&) override {}
    void OnQueueFinished() override {}
    void OnOpenFailed(int, const std::string&) override {}
};

}  // namespace player
