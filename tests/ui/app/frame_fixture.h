#pragma once
// A main window over a temporary program folder, on the virtual clock with the fake
// audio system: Tuesday 2026-12-08, a timetable "冬季作息" whose Tuesday rings at 08:00
// (automatic) and 08:45 (manual).

#include <gtest/gtest.h>
#include <stdlib.h>

#include <filesystem>
#include <fstream>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "app/main_frame.h"
#include "common/scripted_dialogs.h"
#include "platform/logind_power_control.h"
#include "platform/virtual_clock.h"
#include "player/fake_audio_system.h"
#include "schedule/settings.h"
#include "schedule/timetable.h"

namespace ui_test {

namespace fs = std::filesystem;

// Tuesday, 2026-12-08.
inline constexpr int kTuesday = 2;

inline schedule::ScheduleItem Item(int h, int m, int s, const std::string& title, bool autoPlay) {
    schedule::ScheduleItem item;
    item.time = h * 3600 + m * 60 + s;
    item.title = title;
    item.path = "音乐库/bell.wav";
    item.musicName = "bell.wav";
    item.autoPlay = autoPlay ? 1 : 0;
    return item;
}

inline std::string ReadFile(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
}

class FrameTest : public ::testing::Test {
protected:
    void SetUp() override {
        std::string pattern = (fs::temp_directory_path() / "qelt-frame-XXXXXX").string();
        ASSERT_NE(mkdtemp(pattern.data()), nullptr);
        m_Dir = pattern + "/";
        fs::create_directories(m_Dir + "作息表");
        fs::create_directories(m_Dir + "音乐库");
        std::ofstream(m_Dir + "音乐库/bell.wav") << "RIFF";

        schedule::CTimetable timetable;
        timetable.SetTitle("冬季作息");
        const schedule::ScheduleItem first = Item(8, 0, 0, "第一节上课", true);
        const schedule::ScheduleItem second = Item(8, 45, 0, "第一节下课", false);
        timetable.AddItem(kTuesday, &first);
        timetable.AddItem(kTuesday, &second);
        ASSERT_TRUE(timetable.Save(m_Dir + "作息表/冬季.zxb"));
        schedule::CSettings settings(m_Dir + "QELT.INI");
        ASSERT_TRUE(settings.SetTimetablePath("作息表/冬季.zxb"));
        ASSERT_TRUE(settings.SetAutoShutdown(false));
        ASSERT_TRUE(settings.SetSchoolName("实验小学"));

        clock.Set({2026, 12, 8, 7, 59, 40, 0, 0});
        audio.SetLength(m_Dir + "音乐库/bell.wav", 5000);
    }

    void TearDown() override {
        frame.reset();
        fs::remove_all(m_Dir);
    }

    app::CMainFrame& MakeFrame() {
        app::FrameServices services;
        services.clock = &clock;
        services.audio = &audio;
        services.power = &power;
        services.dialogs = &dialogs;
        services.runProgram = [](const std::string&, const std::string&) { return 0; };
        services.appDir = m_Dir;
        services.executable = "/opt/QELT/bin/qelt";
        services.eventLogPath = m_Dir + "events.log";
        services.startTickDriver = false;
        services.loadPlugins = m_bLoadPlugins;
        services.audioOutputAvailable = m_bAudioOutput;
        services.speechFailure = speechFailure;
        services.takeSnapcastNotice = [this] {
            if (snapcastTrouble.empty()) {
                return player::SnapcastTrouble::None;
            }
            const player::SnapcastTrouble next = snapcastTrouble.front();
            snapcastTrouble.erase(snapcastTrouble.begin());
            return next;
        };
        frame = std::make_unique<app::CMainFrame>(std::move(services));
        EXPECT_TRUE(frame->Create());
        return *frame;
    }

    // Moves the virtual clock to h:m:s a second at a time, ticking on each.
    void TickTo(int h, int m, int s) {
        const std::int64_t target =
            platform::VirtualClock::ToMilliseconds({2026, 12, 8, h, m, s, 0, 0});
        while (clock.Milliseconds() < target) {
            clock.Advance(1000);
            frame->Tick();
        }
    }

    std::string m_Dir;
    std::function<std::string(const std::string&)> speechFailure;
    bool m_bLoadPlugins = false;
    bool m_bAudioOutput = true;
    // What a Snapcast output's trouble the audio system tells next, in turn.
    std::vector<player::SnapcastTrouble> snapcastTrouble;
    platform::VirtualClock clock;
    player::FakeAudioSystem audio;
    platform::LogindPowerControl power;
    ui_test::ScriptedDialogs dialogs;
    std::unique_ptr<app::CMainFrame> frame;
};

}  // namespace ui_test
