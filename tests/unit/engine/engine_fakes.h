#pragma once
// Recording stand-ins for what the scheduling engine drives: the main frame (host), the
// player window, the power control and the extension programs. Every call becomes one
// line of a shared log, stamped with the virtual clock's time.

#include <cstdint>
#include <filesystem>
#include <functional>
#include <map>
#include <string>
#include <vector>

#include "engine/engine_host.h"
#include "engine/engine_player.h"
#include "platform/power_control.h"
#include "platform/virtual_clock.h"

namespace engine_test {

class EventLog {
public:
    explicit EventLog(const platform::VirtualClock& clock) : m_Clock(clock) {}
    void Add(const std::string& what) {
        const platform::LocalTime t = m_Clock.Now();
        char stamp[16];
        std::snprintf(stamp, sizeof stamp, "%02d:%02d:%02d ", t.hour, t.minute, t.second);
        m_Lines.push_back(stamp + what);
    }
    const std::vector<std::string>& Lines() const { return m_Lines; }
    void Clear() { m_Lines.clear(); }
    // Lines whose text after the stamp starts with prefix.
    std::vector<std::string> With(const std::string& prefix) const {
        std::vector<std::string> found;
        for (const std::string& line : m_Lines) {
            if (line.compare(9, prefix.size(), prefix) == 0) {
                found.push_back(line);
            }
        }
        return found;
    }

private:
    const platform::VirtualClock& m_Clock;
    std::vector<std::string> m_Lines;
};

class FakeHost : public engine::IEngineHost {
public:
    explicit FakeHost(EventLog& log) : m_Log(log) {}
    void SetStatusText(const std::string& text) override {
        status = text;
        m_Log.Add("status " + text);
    }
    void ShowNotice(const std::string& text) override {
        notice = text;
        m_Log.Add("notice " + text);
    }
    void LogEvent(const std::string& kind, const std::string& text) override {
        m_Log.Add("log " + kind + " " + text);
    }
    void SetPendingItem(const schedule::ScheduleItem* item) override {
        pending = item != nullptr ? item->title : std::string("(none)");
    }
    void SetTimetableTitle(const std::string& text) override { title = text; }
    void SetHoliday(bool on) override { holiday = on; }
    void DayListChanged(const std::vector<schedule::ScheduleItem>& items, int nextIndex) override {
        listCount = static_cast<int>(items.size());
        listNext = nextIndex;
        m_Log.Add("list " + std::to_string(items.size()) + " next " + std::to_string(nextIndex));
    }
    void NextRowChanged(int nextIndex) override { listNext = nextIndex; }
    void ShowNotifier(const std::string& text, int appearMs, int stayMs, int disappearMs) override {
        notifierTimes = {appearMs, stayMs, disappearMs};
        m_Log.Add("notify " + text);
    }
    bool IsPlayerVisible() const override { return playerVisible; }
    void ShowPlayer() override {
        playerVisible = true;
        m_Log.Add("show-player");
    }
    void HidePlayer() override {
        playerVisible = false;
        m_Log.Add("hide-player");
    }
    void TrimMemory() override { m_Log.Add("trim"); }

    std::string status;
    std::string notice;
    std::string pending;
    std::string title;
    bool holiday = false;
    int listCount = -1;
    int listNext = -2;
    bool playerVisible = false;
    std::vector<int> notifierTimes;

private:
    EventLog& m_Log;
};

class FakePlayer : public engine::IPlayer {
public:
    explicit FakePlayer(EventLog& log) : m_Log(log) {}
    void ClearQueue(bool stopFirst) override {
        queue.clear();
        playing = false;
        m_Log.Add(std::string("clear ") + (stopFirst ? "1" : "0"));
    }
    bool Append(const schedule::TrackEntry& entry) override {
        queue.push_back(entry);
        return true;
    }
    bool AddFile(const std::string& path, int autoPlay, int limitMs, int useDefaultVolume,
                 int volume) override {
        schedule::TrackEntry entry;
        entry.path = path;
        entry.fullPlay = 0;
        entry.limit = limitMs;
        entry.autoPlay = autoPlay;
        entry.useDefaultVolume = useDefaultVolume;
        entry.volume = volume;
        queue.push_back(entry);
        return true;
    }
    bool LoadTrack(int index) override {
        m_Log.Add("load " + std::to_string(index));
        if (index < 0 || index >= static_cast<int>(queue.size())) {
            return false;
        }
        playing = queue[static_cast<std::size_t>(index)].autoPlay != 0;
        return true;
    }
    void RefreshList() override { m_Log.Add("refresh"); }
    std::uint32_t ProbeLength(const std::string& path) override {
        const auto length = lengths.find(std::filesystem::path(path).filename().string());
        return length != lengths.end() ? length->second : engine::kLengthUnknown;
    }
    int OpenFiles(bool clearFirst) override {
        if (clearFirst && !filesToOpen.empty()) {
            queue.clear();
        }
        for (const std::string& path : filesToOpen) {
            AddFile(path, 1, -1, 0, -1);
        }
        return static_cast<int>(filesToOpen.size());
    }
    void UpdateStatus() override { m_Log.Add("update"); }
    bool IsPlaying() override { return playing; }
    void SetDefaultVolume(int volume) override { defaultVolume = volume; }
    void PrepareTrack(const schedule::TrackEntry& entry) override {
        prepared = entry.path;
        m_Log.Add("prepare " + std::filesystem::path(entry.path).filename().string());
    }
    void DropPrepared() override {
        if (!prepared.empty()) {
            m_Log.Add("drop " + std::filesystem::path(prepared).filename().string());
        }
        prepared.clear();
    }
    void StartPrepared() override {
        m_Log.Add("early " + std::filesystem::path(prepared).filename().string());
    }
    void WarmUpFor(const std::vector<std::string>& paths) override { warmedFiles = paths; }

    std::vector<std::string> QueuedNames() const {
        std::vector<std::string> names;
        for (const schedule::TrackEntry& entry : queue) {
            names.push_back(std::filesystem::path(entry.path).filename().string());
        }
        return names;
    }

    std::vector<schedule::TrackEntry> queue;
    // The files of the last warm-up request.
    std::vector<std::string> warmedFiles;
    bool playing = false;
    int defaultVolume = -1;
    // The file of the prepared track, empty when none is prepared.
    std::string prepared;
    std::map<std::string, std::uint32_t> lengths;  // by file name
    std::vector<std::string> filesToOpen;

private:
    EventLog& m_Log;
};

class FakePower : public platform::PowerControl {
public:
    explicit FakePower(EventLog& log) : m_Log(log) {}
    void RequestPowerOff() override {
        m_Log.Add("poweroff");
        state = platform::PowerOffState::Pending;
    }
    platform::PowerOffState PowerOffStatus() override { return state; }
    // The system's answer to the pending request.
    void Answer(bool accepted) {
        state = accepted ? platform::PowerOffState::Accepted : platform::PowerOffState::Refused;
    }
    platform::PowerOffState state = platform::PowerOffState::None;

private:
    EventLog& m_Log;
};

}  // namespace engine_test
