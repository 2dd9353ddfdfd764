#pragma once
// A scheduling engine wired to recording fakes and a virtual clock on Monday
// 2026-12-07, with a temporary program folder for the timetable and settings files.

#include <gtest/gtest.h>
#include <stdlib.h>

#include <cstdio>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include "engine/schedule_engine.h"
#include "engine_fakes.h"
#include "platform/virtual_clock.h"
#include "schedule/model.h"

namespace engine_test {

inline constexpr int kMonday = 1;
inline constexpr int kTuesday = 2;

inline int Hms(int h, int m, int s) {
    return h * 3600 + m * 60 + s;
}

// 2026-12-<day> (the 7th is a Monday) at the time, half a second into the second.
inline platform::LocalTime Time(int day, int h, int m, int s) {
    platform::LocalTime t;
    t.year = 2026;
    t.month = 12;
    t.day = day;
    t.hour = h;
    t.minute = m;
    t.second = s;
    t.millisecond = 500;
    return platform::VirtualClock::FromMilliseconds(platform::VirtualClock::ToMilliseconds(t));
}

inline schedule::ScheduleItem Single(int time, const std::string& title,
                                     const std::string& path = "音乐库\\bell.wav") {
    schedule::ScheduleItem item;
    item.time = time;
    item.kind = schedule::SingleMusic;
    item.title = title;
    item.musicName = "铃声";
    item.path = path;
    return item;
}

inline void WriteBytes(const std::string& path, const std::string& bytes = "x") {
    std::FILE* file = std::fopen(path.c_str(), "wb");
    ASSERT_NE(file, nullptr) << path;
    std::fwrite(bytes.data(), 1, bytes.size(), file);
    std::fclose(file);
}

class EngineTest : public ::testing::Test {
protected:
    EngineTest()
        : m_Dir(MakeDir()),
          clock(Time(7, 7, 0, 0)),
          log(clock),
          host(log),
          player(log),
          power(log),
          engine(
              clock, host, player, power,
              [this](const std::string& program, const std::string& params) {
                  log.Add("run " + program + " " + params);
                  return runProgram ? runProgram(program, params) : 0;
              },
              commonTracks, playlists, m_Dir + "/") {}

    ~EngineTest() override { std::filesystem::remove_all(m_Dir); }

    std::string AppDir() const { return m_Dir + "/"; }

    // Saves a timetable holding these Monday and Tuesday items and loads it.
    void LoadDays(const std::vector<schedule::ScheduleItem>& monday,
                  const std::vector<schedule::ScheduleItem>& tuesday = {}) {
        schedule::CTimetable timetable;
        timetable.SetTitle("测试作息表");
        for (const auto& item : monday) {
            timetable.AddItem(kMonday, &item);
        }
        for (const auto& item : tuesday) {
            timetable.AddItem(kTuesday, &item);
        }
        const std::string path = AppDir() + "测试.zxb";
        ASSERT_TRUE(timetable.Save(path));
        ASSERT_TRUE(engine.LoadTimetable(path));
    }

    // Ticks once a second, half a second into each, up to and including the end.
    void TickThrough(const platform::LocalTime& end) {
        const std::int64_t endMs = platform::VirtualClock::ToMilliseconds(end);
        while (clock.Milliseconds() + 1000 <= endMs) {
            clock.Advance(1000);
            engine.OnTick();
        }
    }
    void TickThrough(int h, int m, int s) { TickThrough(Time(clock.Now().day, h, m, s)); }

    // Puts one option in force, as the bell session does for a dialog.
    template <typename T, typename V>
    void SetOption(T engine::EngineOptions::*member, V value) {
        engine::EngineOptions options = engine.Options();
        options.*member = value;
        engine.SetOptions(options);
    }

    std::string Queued(std::size_t index) const {
        return index < player.queue.size() ? player.queue[index].path : std::string("(none)");
    }

private:
    static std::string MakeDir() {
        std::string pattern =
            (std::filesystem::temp_directory_path() / "qelt-engine-XXXXXX").string();
        const char* made = mkdtemp(pattern.data());
        return made != nullptr ? std::string(made) : std::string();
    }

    std::string m_Dir;

protected:
    platform::VirtualClock clock;
    EventLog log;
    FakeHost host;
    FakePlayer player;
    FakePower power;
    schedule::CCommonTrackStore commonTracks;
    schedule::CPlaylistStore playlists;
    std::function<int(const std::string&, const std::string&)> runProgram;
    engine::CScheduleEngine engine;
};

}  // namespace engine_test
