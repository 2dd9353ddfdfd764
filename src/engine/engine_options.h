#pragma once
// The settings the engine works by, as one value: the windows' dialogs, the menu toggles
// and the settings file all change them through the bell session, which puts them in
// force and writes them in one place.

#include <string>

namespace engine {

inline constexpr int kDefaultShutdownDelaySeconds = 300;
inline constexpr int kDefaultVolume = 100;

struct EngineOptions {
    // Items start by themselves when their second comes.
    bool autoPlay = true;
    // The countdown and the start of an item are announced in the notifier.
    bool popupPrompt = true;
    // The player window is shown when playing starts.
    bool showPlayer = true;
    // Programs run before and after items, with their default parameters.
    bool extRun = false;
    std::string runBefore;
    std::string paramBefore;
    std::string runAfter;
    std::string paramAfter;
    // The machine powers off this many seconds after the day's last item.
    bool autoShutdown = true;
    int shutdownDelaySeconds = kDefaultShutdownDelaySeconds;
    int defaultVolume = kDefaultVolume;
    // The audio output's identifier; empty is the system's default output.
    std::string outputDevice;

    bool operator==(const EngineOptions&) const = default;
};

}  // namespace engine
