#pragma once
// An owner of the playback engine that keeps what a window would show and records
// every call in order, for the playback engine tests.

#include <map>
#include <string>
#include <vector>

#include "player/playback_owner.h"

namespace player::testing {

class RecordingOwner : public IPlaybackOwner {
public:
    std::string lines[5];  // 1..4 used
    int progress = -1;
    std::map<PlayerButton, bool> buttons;
    int slider = 50;
    bool timer = false;
    int finished = 0;
    std::vector<std::string> started;  // "index path"
    std::vector<std::string> failed;   // "index path"
    std::vector<std::string> calls;

    void SetStatusLine(int line, const std::string& text) override {
        lines[line] = text;
        calls.push_back("line" + std::to_string(line) + " " + text);
    }
    void SetProgress(int percent) override {
        progress = percent;
        calls.push_back("progress " + std::to_string(percent));
    }
    void EnableButton(PlayerButton button, bool enabled) override {
        buttons[button] = enabled;
        static const char* const names[] = {"Play", "Pause", "Previous", "Next"};
        calls.push_back(std::string(enabled ? "enable " : "disable ") +
                        names[static_cast<int>(button)]);
    }
    void SetVolumeSlider(int volume) override {
        slider = volume;
        calls.push_back("slider " + std::to_string(volume));
    }
    int VolumeSliderPosition() const override { return slider; }
    void SetProgressTimer(bool running) override {
        timer = running;
        calls.push_back(running ? "timer on" : "timer off");
    }
    void OnQueueCleared() override { calls.push_back("list cleared"); }
    void OnTrackStarted(int index, const std::string& path) override {
        started.push_back(std::to_string(index) + " " + path);
        calls.push_back("started " + started.back());
    }
    void OnQueueFinished() override {
        ++finished;
        calls.push_back("finished");
    }
    void OnOpenFailed(int index, const std::string& path) override {
        failed.push_back(std::to_string(index) + " " + path);
        calls.push_back("failed " + failed.back());
    }
};

}  // namespace player::testing
