#pragma once
// What the playback engine shows and reports: the media player window implements it,
// and so do the simulator and the tests. Each call happens on the caller's thread,
// during the engine operation that causes it.

#include <string>

namespace player {

enum class PlayerButton {
    Play,
    Pause,
    Previous,
    Next,
};

class IPlaybackOwner {
public:
    virtual ~IPlaybackOwner() = default;

    // Sets status line 1..4 to text (an empty text clears the line).
    virtual void SetStatusLine(int line, const std::string& text) = 0;
    // Sets the progress bar, 0..100.
    virtual void SetProgress(int percent) = 0;
    // Enables or disables one transport button.
    virtual void EnableButton(PlayerButton button, bool enabled) = 0;
    // Moves the volume slider to volume (0..100).
    virtual void SetVolumeSlider(int volume) = 0;
    // The volume slider's position, used for an entry whose volume is negative.
    virtual int VolumeSliderPosition() const = 0;
    // Starts (every 1000 ms) or stops the timer that calls the engine's Tick.
    virtual void SetProgressTimer(bool running) = 0;
    // The queue was emptied: the list shown must be emptied too.
    virtual void OnQueueCleared() = 0;
    // The track at index (path as queued) has started sounding.
    virtual void OnTrackStarted(int index, const std::string& path) = 0;
    // The last track of the queue ended and the queue was emptied; once per queue.
    virtual void OnQueueFinished() = 0;
    // The entry at index (path as queued) could not be opened; nothing plays now.
    virtual void OnOpenFailed(int index, const std::string& path) = 0;
};

}  // namespace player
