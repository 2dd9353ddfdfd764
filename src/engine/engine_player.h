#pragma once
// The player window's operations the scheduling engine uses to fill and start the
// play queue. The player window implements it; the simulator and the tests have their own.

#include <cstdint>
#include <string>
#include <vector>

#include "schedule/records.h"

namespace engine {

// ProbeLength's answer for a file that cannot be opened.
inline constexpr std::uint32_t kLengthUnknown = 0xFFFFFFFFu;

class IPlayer {
public:
    virtual ~IPlayer() = default;

    // Empties the queue, stopping the current track first when stopFirst is set.
    virtual void ClearQueue(bool stopFirst) = 0;
    virtual bool Append(const schedule::TrackEntry& entry) = 0;
    // Appends a file with full play off and the given limit (-1: whole file).
    virtual bool AddFile(const std::string& path, int autoPlay, int limitMs, int useDefaultVolume,
                         int volume) = 0;
    // Opens the queue entry and plays it at once when it is an automatic one.
    virtual bool LoadTrack(int index) = 0;
    // Shows the queue again after entries were added.
    virtual void RefreshList() = 0;
    // The file's length in milliseconds, or kLengthUnknown.
    virtual std::uint32_t ProbeLength(const std::string& path) = 0;
    // Lets the user choose files and queues them; the number of files added.
    virtual int OpenFiles(bool clearFirst) = 0;
    // One progress step of the player.
    virtual void UpdateStatus() = 0;
    virtual bool IsPlaying() = 0;
    virtual void SetDefaultVolume(int volume) = 0;
    // Opens a queue's first track ahead of its time, prerolled and silent, so that the
    // load at its second only starts it; any other load, or DropPrepared, lets it go.
    virtual void PrepareTrack(const schedule::TrackEntry& entry) = 0;
    virtual void DropPrepared() = 0;
    // Starts the prepared track sounding now, ahead of the load at its second, for an
    // output that sounds a fixed time after it is fed. A player that cannot does nothing.
    virtual void StartPrepared() {}
    // The files the day's items may play, told when the day is planned, so that the
    // decoders they need are loaded then and not when an item starts.
    virtual void WarmUpFor(const std::vector<std::string>& paths) = 0;
};

}  // namespace engine
